#pragma once
// Icon 128 for the GTK window: the picture of app/win32/Orbilane.ico, drawn
// into the build by tools/orbilane-icon as RGBA rows from the top down, with
// the icon's mask as alpha.
constexpr int kOrbilaneIconSize = 64;

extern const unsigned char kOrbilaneIconRgba[kOrbilaneIconSize * kOrbilaneIconSize * 4];
