// The framework's logo: a small picture of our own, kept in the library as data (a resource in
// a static library would not be linked into the programs) and drawn by the error dialog.
#pragma once

#include <windows.h>

namespace kestrel {

inline constexpr int kLogoSize = 48;                    // pixels, square
inline constexpr const char* kLogoTag = "BMP -> Logo";  // its record in the resource tracker

// The logo's colour at (x, y), (0, 0) the top left; CLR_INVALID outside.
COLORREF logoPixel(int x, int y) noexcept;

// A new screen-compatible bitmap of the logo, recorded with the resource tracker; null when the
// system refuses it. The caller deletes it with deleteLogo.
HBITMAP createLogo();
// Forgets the record and deletes the bitmap; null does nothing.
void deleteLogo(HBITMAP logo);

// Draws the logo with its top left at (x, y) of `dc`, leaving nothing behind.
void drawLogo(HDC dc, HBITMAP logo, int x, int y);

}  // namespace kestrel
