#include "framework/errorui/logo.h"

#include <array>
#include <cstdint>
#include <vector>

#include "framework/core/tracked.h"

namespace kestrel {

namespace {

// Sixteen colours, as the 4-bit picture below indexes them.
constexpr std::array<COLORREF, 16> kPalette = {
    RGB(0, 0, 0),       RGB(32, 64, 128),   RGB(144, 200, 240), RGB(192, 96, 32),
    RGB(240, 224, 192), RGB(64, 64, 64),    RGB(255, 255, 255), RGB(240, 192, 32),
    RGB(120, 48, 16),   RGB(128, 128, 128), RGB(192, 192, 192), RGB(0, 128, 0),
    RGB(128, 0, 0),     RGB(0, 0, 128),     RGB(128, 128, 0),   RGB(0, 128, 128),
};

// One hexadecimal digit per pixel (the palette index), rows top to bottom: a kestrel hovering
// over a cloud in a framed sky.
constexpr const char* kPicture[kLogoSize] = {
    "111111111111111111111111111111111111111111111111",
    "111111111111111111111111111111111111111111111111",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222555555222222222222222222211",
    "112222222222222222225555555522222222222222222211",
    "112222222222222222225555555522222222222222222211",
    "112282222222222222225505550522222222222222282211",
    "112228882222222222225555555522222222222288822211",
    "112222888822222222225444444522222222228888222211",
    "112222288883222222225447744522222222388882222211",
    "112222228833332222222544745222222233338822222211",
    "112222222223333322222333333222223333322222222211",
    "112222222222333333223333333322333333222222222211",
    "112222222222233333333333333333333332222222222211",
    "112222222222223333333333333333333322222222222211",
    "112222222222222233333344443333332222222222222211",
    "112222222222222223333344443333322222222222222211",
    "112222222222222222333344443333222222222222222211",
    "112222222222222222233344443332222222222222222211",
    "112222222222222222223344443322222222222222222211",
    "112222222222222222222344443222222222222222222211",
    "112222222222222222222344443222222222222222222211",
    "112222222222222222222344443222222222222222222211",
    "112222222222222222222334433222222222222222222211",
    "112222222222222222222333333222222222222222222211",
    "112222222222222222223333333322222222222222222211",
    "112222222222222222223333333322226666666662222211",
    "112222222222222222220000000026666666666666222211",
    "112222222222222222220000000066666666666666222211",
    "112222222222222222223333333366666666666666222211",
    "112222222222222222222222222266666666666662222211",
    "112222222222222222222222222226666622222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "112222222222222222222222222222222222222222222211",
    "111111111111111111111111111111111111111111111111",
    "111111111111111111111111111111111111111111111111",
};

int nibble(char digit) noexcept {
  return digit <= '9' ? digit - '0' : digit - 'A' + 10;
}

struct PaletteInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[16];
};

}  // namespace

COLORREF logoPixel(int x, int y) noexcept {
  if (x < 0 || y < 0 || x >= kLogoSize || y >= kLogoSize) return CLR_INVALID;
  return kPalette[static_cast<std::size_t>(nibble(kPicture[y][x]))];
}

HBITMAP createLogo() {
  PaletteInfo info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = kLogoSize;
  info.header.biHeight = -kLogoSize;  // top-down, as the picture is written
  info.header.biPlanes = 1;
  info.header.biBitCount = 4;
  info.header.biCompression = BI_RGB;
  info.header.biClrUsed = 16;
  for (std::size_t i = 0; i < kPalette.size(); ++i) {
    info.colors[i] = {GetBValue(kPalette[i]), GetGValue(kPalette[i]), GetRValue(kPalette[i]), 0};
  }
  // Two pixels a byte; a row of 48 pixels is 24 bytes, already a whole number of 32-bit words.
  std::vector<std::uint8_t> bits;
  bits.reserve(kLogoSize * kLogoSize / 2);
  for (const char* row : kPicture) {
    for (int x = 0; x < kLogoSize; x += 2) {
      bits.push_back(static_cast<std::uint8_t>(nibble(row[x]) << 4 | nibble(row[x + 1])));
    }
  }
  return trackedCreate("CREATEDIBITMAP", kLogoTag, [&] {
    const HDC screen = GetDC(nullptr);
    const HBITMAP logo = CreateDIBitmap(screen, &info.header, CBM_INIT, bits.data(),
                                        reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return logo;
  });
}

void deleteLogo(HBITMAP logo) {
  if (logo) trackedDelete(logo, [](HBITMAP bitmap) { return DeleteObject(bitmap); });
}

void drawLogo(HDC dc, HBITMAP logo, int x, int y) {
  if (!dc || !logo) return;
  const HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  const HGDIOBJ previous = SelectObject(memory, logo);
  BitBlt(dc, x, y, kLogoSize, kLogoSize, memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
}

}  // namespace kestrel
