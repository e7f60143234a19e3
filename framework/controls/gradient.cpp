#include "framework/controls/gradient.h"

#include <algorithm>

#include "framework/controls/gdiobj.h"
#include "framework/core/tracked.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::arg;
using lanmere::Value;

namespace {

constexpr int kDefaultBitmapWidth = 319;
constexpr int kDefaultBitmapHeight = 153;
constexpr long kFixedPoint = 256;
constexpr int kChannels = 3;

// A colour in fixed point (each channel x 256) and its step.
struct Ramp {
  long start[kChannels];
  long step[kChannels];
  Ramp(COLORREF first, COLORREF last, long steps) {
    const int shifts[kChannels] = {0, 8, 16};
    for (int c = 0; c < kChannels; ++c) {
      const long a = static_cast<long>((first >> shifts[c]) & 0xFF);
      const long b = static_cast<long>((last >> shifts[c]) & 0xFF);
      start[c] = a * kFixedPoint;
      step[c] = steps > 0 ? (b - a) * kFixedPoint / steps : 0;
    }
  }
  COLORREF at(long i) const {
    return RGB((start[0] + i * step[0]) / kFixedPoint, (start[1] + i * step[1]) / kFixedPoint,
               (start[2] + i * step[2]) / kFixedPoint);
  }
};

// Fills with a brush made and deleted here: it never outlives the call, so it is not recorded.
void fill(HDC dc, const RECT& r, COLORREF color) {
  const HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

RECT rectFromList(const Value& rect) {
  return {static_cast<LONG>(rect.item(2).integer()), static_cast<LONG>(rect.item(1).integer()),
          static_cast<LONG>(rect.item(4).integer()), static_cast<LONG>(rect.item(3).integer())};
}

bool flagOr(const Value& v, bool fallback) {
  return v.isLogical() ? v.logical() : fallback;
}

void bandedFill(HDC dc, const RECT& area, COLORREF first, COLORREF last, long steps,
                bool vertical) {
  const long length = vertical ? area.bottom - area.top + 1 : area.right - area.left + 1;
  const long width = area.right - area.left + 1;
  long bands = steps < 2 ? 1 : steps;
  bands = std::max(1L, std::min({bands, width, length}));
  const Ramp ramp(first, last, bands);
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  for (long i = 0; i < bands; ++i) {
    const long from = length * i / bands;
    const long to = i == bands - 1 ? length : length * (i + 1) / bands;
    const HBRUSH brush = CreateSolidBrush(ramp.at(i));
    const HGDIOBJ oldBrush = SelectObject(dc, brush);
    // With the null pen a rectangle fills one pixel less on the right and at the bottom.
    if (vertical) {
      Rectangle(dc, area.left, area.top + from, area.right + 2, area.top + to + 1);
    } else {
      Rectangle(dc, area.left + from, area.top, area.left + to + 1, area.bottom + 2);
    }
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
  }
  SelectObject(dc, oldPen);
}

}  // namespace

void gradient(HDC dc, RECT area, COLORREF first, COLORREF last, bool vertical) {
  const long steps = vertical ? area.bottom - area.top : area.right - area.left;
  if (steps <= 0) {
    fill(dc, {area.left, area.top, area.right + 1, area.bottom + 1}, first);
    return;
  }
  const Ramp ramp(first, last, steps);
  for (long i = 0; i < steps; ++i) {
    const bool lastStep = i == steps - 1;
    RECT r = vertical ? RECT{area.left, area.top + i, area.right + 1, area.top + i + 1}
                      : RECT{area.left + i, area.top, area.left + i + 1, area.bottom + 1};
    // The last step reaches the far edge, so no row or column stays unpainted.
    if (lastStep) (vertical ? r.bottom : r.right) = (vertical ? area.bottom : area.right) + 1;
    fill(dc, r, ramp.at(i));
  }
}

void gradientFill(HDC dc, RECT area, const Value& description, bool vertical) {
  const long first = vertical ? area.top : area.left;
  const long edge = vertical ? area.bottom : area.right;
  const long length = edge - first + 1;
  long start = first;
  const std::size_t bands = description.length();
  for (std::size_t i = 1; i <= bands && start <= edge; ++i) {
    const Value& band = description.item(i);
    const long share = static_cast<long>(static_cast<double>(length) * band.item(1).number());
    const long lastRow = i == bands ? edge : std::min(edge, start + share - 1);
    if (lastRow >= start) {
      RECT part = area;
      (vertical ? part.top : part.left) = start;
      (vertical ? part.bottom : part.right) = lastRow;
      gradient(dc, part, static_cast<COLORREF>(band.item(2).integer()),
               static_cast<COLORREF>(band.item(3).integer()), vertical);
    }
    start = std::max(start, lastRow + 1);
  }
}

HBITMAP gradientBitmap(HDC dc, int width, int height, const Value& description, bool vertical) {
  const HDC screen = dc ? nullptr : GetDC(nullptr);
  const HDC reference = dc ? dc : screen;
  const HBITMAP bitmap = trackedCreate(
      "GRADIENTBMP", "BMP", [&] { return CreateCompatibleBitmap(reference, width, height); });
  const HDC memory = CreateCompatibleDC(reference);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  gradientFill(memory, {0, 0, width, height}, description, vertical);
  SelectObject(memory, old);
  DeleteDC(memory);
  if (screen) ReleaseDC(nullptr, screen);
  return bitmap;
}

Value GRADIENT(const Value& hDC, const Value& rect, const Value& color1, const Value& color2,
               const Value& vertical) {
  gradient(handleOf<HDC>(hDC), rectFromList(rect), static_cast<COLORREF>(color1.integer()),
           static_cast<COLORREF>(color2.integer()), vertical.logical());
  return {};
}

Value VGRADIENTFILL(const Value& hDC, const Value& rect, const Value& color1, const Value& color2,
                    const Value& steps) {
  bandedFill(handleOf<HDC>(hDC), rectFromList(rect), static_cast<COLORREF>(color1.integer()),
             static_cast<COLORREF>(color2.integer()), static_cast<long>(steps.integer()), true);
  return {};
}

Value HGRADIENTFILL(const Value& hDC, const Value& rect, const Value& color1, const Value& color2,
                    const Value& steps) {
  bandedFill(handleOf<HDC>(hDC), rectFromList(rect), static_cast<COLORREF>(color1.integer()),
             static_cast<COLORREF>(color2.integer()), static_cast<long>(steps.integer()), false);
  return {};
}

Value GRADIENTFILL(lanmere::Args args) {
  const Value& description = arg(args, 6);
  if (!description.isList() || description.length() == 0) return {};
  const RECT area{
      static_cast<LONG>(arg(args, 3).integer()), static_cast<LONG>(arg(args, 2).integer()),
      static_cast<LONG>(arg(args, 5).integer()), static_cast<LONG>(arg(args, 4).integer())};
  gradientFill(handleOf<HDC>(arg(args, 1)), area, description, flagOr(arg(args, 7), true));
  return {};
}

Value GRADIENTBMP(const Value& hDC, const Value& width, const Value& height,
                  const Value& description, const Value& vertical) {
  const int w = width.isNil() ? kDefaultBitmapWidth : static_cast<int>(width.integer());
  const int h = height.isNil() ? kDefaultBitmapHeight : static_cast<int>(height.integer());
  return handleNumber(
      gradientBitmap(handleOf<HDC>(hDC), w, h, description, flagOr(vertical, true)));
}

Value GRADIENTBRUSH(lanmere::Args args) {
  const bool vertical = flagOr(arg(args, 7), true);
  const int length = static_cast<int>(arg(args, vertical ? 5 : 4).integer());
  const int width = vertical ? 1 : std::max(length, 1);
  const int height = vertical ? std::max(length, 1) : 1;
  const HDC dc = handleOf<HDC>(arg(args, 1));
  const HDC screen = dc ? nullptr : GetDC(nullptr);
  const HDC reference = dc ? dc : screen;
  // The strip is made and deleted inside this call: no record.
  const HBITMAP strip = CreateCompatibleBitmap(reference, width, height);
  const HDC memory = CreateCompatibleDC(reference);
  const HGDIOBJ old = SelectObject(memory, strip);
  gradientFill(memory, {0, 0, width - 1, height - 1}, arg(args, 6), vertical);
  SelectObject(memory, old);
  DeleteDC(memory);
  if (screen) ReleaseDC(nullptr, screen);
  const HBRUSH brush = createPatternBrush(strip);
  DeleteObject(strip);
  return handleNumber(brush);
}

const lanmere::ModuleTable& gradientModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&GRADIENT>("GRADIENT"), fn<&VGRADIENTFILL>("VGRADIENTFILL"),
       fn<&HGRADIENTFILL>("HGRADIENTFILL"), fn<&GRADIENTFILL>("GRADIENTFILL"),
       fn<&GRADIENTBMP>("GRADIENTBMP"), fn<&GRADIENTBRUSH>("GRADIENTBRUSH")}};
  return module;
}

}  // namespace kestrel
