#pragma once
// Where the icon of a minimised window is drawn: centred in the client area,
// rounding as the window always has, by signed division that truncates
// towards zero (an icon larger than the area goes slightly up and left).
struct IconOrigin {
    int x;
    int y;
};

constexpr IconOrigin CentredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
