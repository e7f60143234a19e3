#include "framework/controls/gdiobj.h"

#include <array>
#include <cmath>

#include "framework/core/colors.h"
#include "framework/core/tracked.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

const char* const kPatternRows[kPatternCount][kPatternSize] = {
    {"LLLLLLLL", "LWLWLWLW", "LLLLLLLL", "LWLWLWLW", "LLLLLLLL", "LWLWLWLW", "LLLLLLLL",
     "LWLWLWLW"},
    {"LDDDLDDD", "WWWWWWWL", "WLLLLLLD", "WLLLLLLD", "LDDDDDDD", "WWWLWWWW", "LLLDWLLL",
     "LLLDWLLL"},
    {"WWWWWWWL", "WLLLLLLD", "WLLLLLLD", "WLLLLLLD", "WLLLLLLD", "WLLLLLLD", "WLLLLLLD",
     "LDDDDDDD"},
    {"WLWLWLWL", "LWLWLWLW", "WLWLWLWL", "LWLWLWLW", "WLWLWLWL", "LWLWLWLW", "WLWLWLWL",
     "LWLWLWLW"},
};

namespace {

constexpr int kSixteenColors = 16;
constexpr int kFourBits = 4;
// Palette indexes of the pattern letters.
enum PatternIndex : BYTE { kLight, kWhite, kDark };

BYTE patternIndex(char letter) {
  return letter == 'W' ? kWhite : letter == 'D' ? kDark : kLight;
}

struct PatternInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[kSixteenColors];
};

HBITMAP createPattern(int n) {
  PatternInfo info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = kPatternSize;
  info.header.biHeight = kPatternSize;  // positive: rows stored from the bottom up
  info.header.biPlanes = 1;
  info.header.biBitCount = kFourBits;
  info.header.biCompression = BI_RGB;
  info.colors[kLight] = {192, 192, 192, 0};
  info.colors[kWhite] = {255, 255, 255, 0};
  info.colors[kDark] = {128, 128, 128, 0};
  // Each stored row is 4 bytes (two pixels a byte, padded to a DWORD).
  constexpr int kRowBytes = 4;
  std::array<BYTE, kRowBytes * kPatternSize> bits{};
  for (int row = 0; row < kPatternSize; ++row) {
    const char* text = kPatternRows[n - 1][kPatternSize - 1 - row];
    for (int x = 0; x < kPatternSize; x += 2) {
      bits[row * kRowBytes + x / 2] =
          static_cast<BYTE>(patternIndex(text[x]) << kFourBits | patternIndex(text[x + 1]));
    }
  }
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateDIBitmap(screen, &info.header, CBM_INIT, bits.data(),
                                        reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

}  // namespace

bool isGdiObject(HGDIOBJ h) noexcept {
  return h != nullptr && GetObjectType(h) != 0;
}

bool deleteObject(HGDIOBJ h) {
  if (h == nullptr) return false;
  return trackedDelete(h,
                       [](HGDIOBJ object) { return isGdiObject(object) && DeleteObject(object); });
}

HBRUSH createPatternBrush(HBITMAP bitmap) {
  return trackedCreate("CREATEPATTERNBRUSH", "BRUSH", [&] { return CreatePatternBrush(bitmap); });
}

HBRUSH createSolidBrush(COLORREF color) {
  return trackedCreate("CREATESOLIDBRUSH", "BRUSH", [&] { return CreateSolidBrush(color); });
}

Value CREATESOLIDBRUSH(const Value& color) {
  return handleNumber(createSolidBrush(static_cast<COLORREF>(color.integer())));
}

Value CREATEHATCHBRUSH(const Value& style, const Value& color) {
  return handleNumber(trackedCreate("CREATEHATCHBRUSH", "BRUSH", [&] {
    return CreateHatchBrush(static_cast<int>(style.integer()),
                            static_cast<COLORREF>(color.integer()));
  }));
}

Value CREATEPATTERNBRUSH(const Value& bitmap) {
  return handleNumber(createPatternBrush(handleOf<HBITMAP>(bitmap)));
}

Value CREATEPEN(const Value& style, const Value& width, const Value& color) {
  return handleNumber(CreatePen(static_cast<int>(style.integer()),
                                static_cast<int>(std::lround(width.number())),
                                static_cast<COLORREF>(color.integer())));
}

Value KSBRUSHES(const Value& n) {
  const long long number = n.integer();
  if (!n.isNumber() || number < 1 || number > kPatternCount) return 0;
  return handleNumber(
      trackedCreate("KSBRUSHES", "BMP", [&] { return createPattern(static_cast<int>(number)); }));
}

Value GETSTOCKOBJECT(const Value& n) {
  return handleNumber(GetStockObject(static_cast<int>(n.integer())));
}

Value DELETEOBJECT(const Value& h) {
  return deleteObject(handleOf<HGDIOBJ>(h));
}

Value ISGDIOBJECT(const Value& h) {
  return isGdiObject(handleOf<HGDIOBJ>(h));
}

Value SELECTOBJECT(const Value& hDC, const Value& h) {
  return handleNumber(SelectObject(handleOf<HDC>(hDC), handleOf<HGDIOBJ>(h)));
}

Value FILLRECT(const Value& hDC, const Value& rect, const Value& hBrush) {
  if (!rect.isList() || rect.length() < 4) return false;
  const auto edge = [&](std::size_t n) {
    return static_cast<LONG>(rect.item(n).isNumber() ? rect.item(n).integer() : 0);
  };
  // The list's bottom and right are inclusive, as everywhere in the framework.
  const RECT area{edge(2), edge(1), edge(4) + 1, edge(3) + 1};
  return FillRect(handleOf<HDC>(hDC), &area, handleOf<HBRUSH>(hBrush)) != 0;
}

const lanmere::ModuleTable& gdiObjModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&CREATESOLIDBRUSH>("CREATESOLIDBRUSH"), fn<&CREATEHATCHBRUSH>("CREATEHATCHBRUSH"),
       fn<&CREATEPATTERNBRUSH>("CREATEPATTERNBRUSH"), fn<&CREATEPEN>("CREATEPEN"),
       fn<&KSBRUSHES>("KSBRUSHES"), fn<&GETSTOCKOBJECT>("GETSTOCKOBJECT"),
       fn<&DELETEOBJECT>("DELETEOBJECT"), fn<&ISGDIOBJECT>("ISGDIOBJECT"),
       fn<&SELECTOBJECT>("SELECTOBJECT"), fn<&FILLRECT>("FILLRECT")}};
  return module;
}

}  // namespace kestrel
