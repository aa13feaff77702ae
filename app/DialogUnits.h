#pragma once
// Dialog units, the measure of the window's template: a quarter of the
// dialog font's average character width across, an eighth of its height
// down. A back end that lays the template out itself (GTK) measures its font
// the way the Windows dialog manager does and converts with these.
namespace dialogunits {

struct BaseUnits {
    int x;  // average character width, pixels
    int y;  // character height, pixels
};

// The letters whose average width is the horizontal base unit.
constexpr const char* kAverageWidthSample = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The base units of a font whose sample is sampleWidth pixels wide and whose
// characters are height pixels high: the average of the 52 letters, rounded
// half up, as Windows rounds it.
constexpr BaseUnits BaseUnitsOf(int sampleWidth, int height) {
    return {(sampleWidth / 26 + 1) / 2, height};
}

// a * b / c rounded to the nearest integer, halves away from zero.
constexpr int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

constexpr int ToPixelsX(int units, BaseUnits base) {
    return MulDiv(units, base.x, 4);
}

constexpr int ToPixelsY(int units, BaseUnits base) {
    return MulDiv(units, base.y, 8);
}

}  // namespace dialogunits
