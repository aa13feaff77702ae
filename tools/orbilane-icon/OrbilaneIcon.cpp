// Draws Orbilane's icon and writes it as a Windows icon file: one image,
// 64 by 64 pixels, 24 bits per pixel. The picture is a video frame with a
// trace of neural spikes and a burnt-in timestamp bar, as the titler makes it.
// The GTK window compiles the same picture in, as RGBA rows.
//
//   orbilane-icon FILE                 writes the icon to FILE
//   orbilane-icon --check FILE         exits 1 unless FILE holds exactly this icon
//   orbilane-icon --rgba-source FILE   writes the picture as C++ source, the
//                                      definitions that app/gtk/OrbilaneIconPixels.h declares
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;

struct Rgb {
    std::uint8_t r, g, b;
};

constexpr Rgb kBezel{44, 48, 58};
constexpr Rgb kBezelEdge{92, 98, 112};
constexpr Rgb kPicture{12, 22, 40};
constexpr Rgb kGrid{22, 36, 58};
constexpr Rgb kTrace{90, 235, 130};
constexpr Rgb kBar{0, 0, 0};
constexpr Rgb kDigits{255, 255, 255};
constexpr Rgb kLive{230, 40, 40};

class Picture {
public:
    Picture() : mPixels(kSize * kSize, kBezel), mTransparent(kSize * kSize, false) {}

    void Set(int x, int y, Rgb colour) {
        if (x >= 0 && x < kSize && y >= 0 && y < kSize) {
            mPixels[y * kSize + x] = colour;
        }
    }
    void Fill(int x0, int y0, int x1, int y1, Rgb colour) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                Set(x, y, colour);
            }
        }
    }
    // A line drawn with a square pen three pixels wide, so that the trace
    // survives the scaling to 32 and 16 pixels, which may simply drop pixels.
    void Line(int x0, int y0, int x1, int y1, Rgb colour) {
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int error = dx + dy;
        for (;;) {
            Fill(x0 - 1, y0 - 1, x0 + 1, y0 + 1, colour);
            if (x0 == x1 && y0 == y1) {
                break;
            }
            const int e2 = 2 * error;
            if (e2 >= dy) {
                error += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                error += dx;
                y0 += sy;
            }
        }
    }
    void MakeTransparent(int x, int y) {
        mTransparent[y * kSize + x] = true;
        mPixels[y * kSize + x] = {0, 0, 0};  // the XOR image is black where the mask shows through
    }

    Rgb At(int x, int y) const { return mPixels[y * kSize + x]; }
    bool IsTransparent(int x, int y) const { return mTransparent[y * kSize + x]; }

private:
    std::vector<Rgb> mPixels;
    std::vector<bool> mTransparent;
};

// Digits of a 3 by 5 pixel font, one row per string, drawn twice as large.
const std::array<std::array<const char*, 5>, 11> kGlyphs = {{
    {"###", "#.#", "#.#", "#.#", "###"},  // 0
    {".#.", "##.", ".#.", ".#.", "###"},  // 1
    {"###", "..#", "###", "#..", "###"},  // 2
    {"###", "..#", "###", "..#", "###"},  // 3
    {"#.#", "#.#", "###", "..#", "..#"},  // 4
    {"###", "#..", "###", "..#", "###"},  // 5
    {"###", "#..", "###", "#.#", "###"},  // 6
    {"###", "..#", ".#.", ".#.", ".#."},  // 7
    {"###", "#.#", "###", "#.#", "###"},  // 8
    {"###", "#.#", "###", "..#", "###"},  // 9
    {".", "#", ".", "#", "."},            // :
}};

// Returns the x after the text.
int DrawText(Picture& picture, int x, int y, const std::string& text) {
    for (char c : text) {
        const auto& glyph = kGlyphs[c == ':' ? 10 : c - '0'];
        int width = 0;
        for (int row = 0; row < 5; ++row) {
            const std::string line = glyph[row];
            width = static_cast<int>(line.size());
            for (int col = 0; col < width; ++col) {
                if (line[col] == '#') {
                    picture.Fill(x + 2 * col, y + 2 * row, x + 2 * col + 1, y + 2 * row + 1, kDigits);
                }
            }
        }
        x += 2 * width + 2;
    }
    return x;
}

Picture Draw() {
    Picture picture;

    // The monitor's bezel with rounded corners, and the picture inside it.
    picture.Fill(0, 0, kSize - 1, 0, kBezelEdge);
    picture.Fill(0, 0, 0, kSize - 1, kBezelEdge);
    picture.Fill(3, 3, 60, 60, kPicture);
    for (int g = 3; g <= 60; g += 8) {
        picture.Fill(g, 3, g, 43, kGrid);
        picture.Fill(3, g, 60, g, kGrid);
    }
    picture.Fill(3, 44, 60, 60, kPicture);

    // A trace of neural activity: a quiet baseline with three spikes, each a
    // sharp rise, a deeper trough and a slow return.
    struct Point {
        int x, y;
    };
    const Point trace[] = {
        {3, 26},  {6, 25},  {8, 27},  {10, 26}, {12, 25}, {13, 8},  {15, 36}, {18, 28}, {20, 26},
        {23, 27}, {25, 25}, {27, 26}, {28, 12}, {30, 33}, {33, 27}, {36, 26}, {38, 25}, {40, 27},
        {42, 26}, {43, 6},  {45, 38}, {48, 28}, {51, 25}, {54, 27}, {57, 26}, {60, 26},
    };
    for (std::size_t i = 1; i < std::size(trace); ++i) {
        picture.Line(trace[i - 1].x, trace[i - 1].y, trace[i].x, trace[i].y, kTrace);
    }

    // The live picture's red dot.
    picture.Fill(53, 6, 56, 9, kLive);
    picture.Fill(52, 7, 57, 8, kLive);

    // The titler's burnt-in timestamp: white digits on a black bar.
    picture.Fill(3, 45, 60, 59, kBar);
    DrawText(picture, 5, 47, "12:34:56");

    // Transparent corners round the bezel off.
    const int corner[] = {3, 1, 1};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < corner[y]; ++x) {
            picture.MakeTransparent(x, y);
            picture.MakeTransparent(kSize - 1 - x, y);
            picture.MakeTransparent(x, kSize - 1 - y);
            picture.MakeTransparent(kSize - 1 - x, kSize - 1 - y);
        }
    }
    return picture;
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(value & 0xff);
    out.push_back((value >> 8) & 0xff);
}

void Put32(std::vector<std::uint8_t>& out, unsigned value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

// The icon file: its directory of one entry, then the image as a device-
// independent bitmap of twice the height (colours, then the 1-bit mask), rows
// from the bottom up.
std::vector<std::uint8_t> IconFile(const Picture& picture) {
    constexpr unsigned kColourRow = kSize * 3;     // already a multiple of 4
    constexpr unsigned kMaskRow = ((kSize + 31) / 32) * 4;
    constexpr unsigned kImageSize = 40 + kColourRow * kSize + kMaskRow * kSize;

    std::vector<std::uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // icon
    Put16(out, 1);  // one image
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 24);  // bits per pixel
    Put32(out, kImageSize);
    Put32(out, 6 + 16);

    Put32(out, 40);
    Put32(out, kSize);
    Put32(out, 2 * kSize);
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // uncompressed
    Put32(out, kColourRow * kSize + kMaskRow * kSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);

    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const Rgb colour = picture.At(x, y);
            out.push_back(colour.b);
            out.push_back(colour.g);
            out.push_back(colour.r);
        }
    }
    for (int y = kSize - 1; y >= 0; --y) {
        for (unsigned byte = 0; byte < kMaskRow; ++byte) {
            std::uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int x = static_cast<int>(byte) * 8 + bit;
                if (x < kSize && picture.IsTransparent(x, y)) {
                    bits |= 0x80 >> bit;
                }
            }
            out.push_back(bits);
        }
    }
    return out;
}

// The picture as RGBA rows from the top down, the mask as alpha, in the form
// that app/gtk/OrbilaneIconPixels.h declares.
std::string RgbaSource(const Picture& picture) {
    std::string out =
        "// Drawn by tools/orbilane-icon --rgba-source: the picture of app/win32/Orbilane.ico.\n"
        "#include \"app/gtk/OrbilaneIconPixels.h\"\n\n"
        "const unsigned char kOrbilaneIconRgba[kOrbilaneIconSize * kOrbilaneIconSize * 4] = {\n";
    char value[8];
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const Rgb colour = picture.At(x, y);
            const unsigned alpha = picture.IsTransparent(x, y) ? 0 : 255;
            for (unsigned channel : {unsigned{colour.r}, unsigned{colour.g}, unsigned{colour.b}, alpha}) {
                std::snprintf(value, sizeof value, "%u,", channel);
                out += value;
            }
        }
        out += "\n";
    }
    out += "};\n";
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    const bool rgbaSource = argc == 3 && std::string(argv[1]) == "--rgba-source";
    if (argc != 2 && !check && !rgbaSource) {
        std::fprintf(stderr, "usage: orbilane-icon FILE | --check FILE | --rgba-source FILE\n");
        return 2;
    }
    const std::string fileName = argv[argc - 1];
    if (rgbaSource) {
        const std::string source = RgbaSource(Draw());
        std::ofstream out(fileName, std::ios::binary);
        out << source;
        return out.good() ? 0 : 1;
    }
    const std::vector<std::uint8_t> icon = IconFile(Draw());
    if (check) {
        std::ifstream in(fileName, std::ios::binary);
        const std::vector<std::uint8_t> present{std::istreambuf_iterator<char>(in), {}};
        if (present != icon) {
            std::fprintf(stderr, "%s is not the icon orbilane-icon draws: run orbilane-icon %s\n",
                         fileName.c_str(), fileName.c_str());
            return 1;
        }
        return 0;
    }
    std::ofstream out(fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
    return out.good() ? 0 : 1;
}
