#include "framework/controls/cursors.h"

#include <algorithm>
#include <functional>
#include <new>

#include "framework/controls/icons.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr int kWordBits = 16;
constexpr int kByteBits = 8;
constexpr std::uint8_t kLeftmostBit = 0x80;
constexpr int kSystemHand = 32649;

using Shape = std::function<bool(int x, int y)>;

// Draws the shape on the planes: its border black, its inside white.
void drawShape(CursorPlanes& planes, const Shape& inside) {
  for (int y = 0; y < planes.height(); ++y) {
    for (int x = 0; x < planes.width(); ++x) {
      if (!inside(x, y)) continue;
      const bool border = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) ||
                          !inside(x, y + 1) || x == 0 || y == 0 || x == planes.width() - 1 ||
                          y == planes.height() - 1;
      planes.set(x, y, border ? CursorPixel::kBlack : CursorPixel::kWhite);
    }
  }
}

bool within(int v, int low, int high) {
  return v >= low && v <= high;
}

// The arrow the stop and drag cursors share: a triangle from the tip at (6, 0) and a short tail.
bool arrow(int x, int y) {
  constexpr int kTip = kBuiltinHotSpot.x;
  constexpr int kHeadRows = 12;
  if (within(y, 0, kHeadRows - 1)) return within(x, kTip, kTip + y);
  return within(y, kHeadRows, 17) && within(x, kTip + 3, kTip + 6);
}

// A raised index finger with its tip at (6, 0), the other fingers folded over the palm, a thumb.
bool hand(int x, int y) {
  return (within(x, 5, 8) && within(y, 0, 14)) || (within(x, 8, 11) && within(y, 6, 14)) ||
         (within(x, 11, 14) && within(y, 7, 14)) || (within(x, 14, 17) && within(y, 8, 20)) ||
         (within(x, 1, 5) && within(y, 11, 17)) || (within(x, 3, 17) && within(y, 13, 24));
}

HCURSOR drawnCursor(void (*draw)(CursorPlanes&)) {
  CursorPlanes planes(kBuiltinCursorSide, kBuiltinCursorSide);
  draw(planes);
  return planes.create(kBuiltinHotSpot.x, kBuiltinHotSpot.y);
}

void drawHand(CursorPlanes& planes) {
  drawShape(planes, hand);
}

// The arrow and a no-entry sign: a black ring crossed by a black bar.
void drawStop(CursorPlanes& planes) {
  constexpr int kCentre = 22, kOuter = 8, kInner = 6;
  drawShape(planes, arrow);
  for (int y = 0; y < planes.height(); ++y) {
    for (int x = 0; x < planes.width(); ++x) {
      const int dx = x - kCentre, dy = y - kCentre, d2 = dx * dx + dy * dy;
      if (d2 > kOuter * kOuter) continue;
      const bool bar = dx - dy >= -1 && dx - dy <= 1;
      planes.set(x, y, d2 >= kInner * kInner || bar ? CursorPixel::kBlack : CursorPixel::kWhite);
    }
  }
}

// The arrow carrying a dotted frame.
void drawDrag(CursorPlanes& planes) {
  constexpr int kLeft = 14, kTop = 18, kRight = 29, kBottom = 29;
  drawShape(planes, arrow);
  for (int y = kTop; y <= kBottom; ++y) {
    for (int x = kLeft; x <= kRight; ++x) {
      if (x != kLeft && x != kRight && y != kTop && y != kBottom) continue;
      planes.set(x, y, (x + y) % 2 ? CursorPixel::kWhite : CursorPixel::kBlack);
    }
  }
}

// A built-in made once per process, recorded once, never destroyed.
HCURSOR builtin(const char* service, void (*draw)(CursorPlanes&)) {
  const HCURSOR cursor = trackedCreate(service, kCursorTag, [&] { return drawnCursor(draw); });
  rememberShared(cursor);
  return cursor;
}

int channel(COLORREF c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

bool inRange(COLORREF color, COLORREF a, COLORREF b) {
  for (int shift : {0, 8, 16}) {
    const int v = channel(color, shift);
    if (v < std::min(channel(a, shift), channel(b, shift)) ||
        v > std::max(channel(a, shift), channel(b, shift)))
      return false;
  }
  return true;
}

// The top `rows` rows of the bitmap as colours, top row first; empty when it cannot be read.
std::vector<COLORREF> topRows(HBITMAP bitmap, HPALETTE palette, const BITMAP& info, int rows) {
  std::vector<COLORREF> colors;
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return colors;
  const HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (dc == nullptr) return colors;
  const HPALETTE oldPalette = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
  if (palette) RealizePalette(dc);
  try {
    std::vector<RGBQUAD> quads(static_cast<std::size_t>(info.bmWidth) * rows);
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = info.bmHeight;  // bottom-up: the top rows are the last scans
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    if (GetDIBits(dc, bitmap, static_cast<UINT>(info.bmHeight - rows), static_cast<UINT>(rows),
                  quads.data(), &request, DIB_RGB_COLORS) == rows) {
      colors.resize(quads.size());
      for (int scan = 0; scan < rows; ++scan) {
        for (int x = 0; x < info.bmWidth; ++x) {
          const RGBQUAD q = quads[static_cast<std::size_t>(scan) * info.bmWidth + x];
          colors[static_cast<std::size_t>(rows - 1 - scan) * info.bmWidth + x] =
              RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
      }
    }
  } catch (const std::bad_alloc&) {
    colors.clear();
  }
  if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
  DeleteDC(dc);
  return colors;
}

HCURSOR bitmapCursor(HBITMAP bitmap, HPALETTE palette, int hotY, int hotX, bool ranges,
                     const Value& black, const Value& white, const Value& invert) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectType(bitmap) != OBJ_BITMAP ||
      GetObjectA(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0)
    return nullptr;
  try {
    CursorPlanes planes(GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR));
    const int rows = std::min<int>(info.bmHeight, planes.height());
    const std::vector<COLORREF> colors = topRows(bitmap, palette, info, rows);
    if (colors.empty()) return nullptr;
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < std::min<int>(info.bmWidth, planes.width()); ++x) {
        const COLORREF c = colors[static_cast<std::size_t>(y) * info.bmWidth + x];
        planes.set(x, y,
                   colorMatches(c, black, ranges)    ? CursorPixel::kBlack
                   : colorMatches(c, white, ranges)  ? CursorPixel::kWhite
                   : colorMatches(c, invert, ranges) ? CursorPixel::kInverted
                                                     : CursorPixel::kTransparent);
      }
    }
    return planes.create(hotX, hotY);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

CursorPlanes::CursorPlanes(int width, int height)
    : width_((std::max(width, 1) + kWordBits - 1) / kWordBits * kWordBits),
      height_(std::max(height, 1)),
      and_(static_cast<std::size_t>(width_ / kByteBits) * height_, 0xFF),
      xor_(and_.size(), 0) {}

void CursorPlanes::set(int x, int y, CursorPixel pixel) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const std::size_t byte = static_cast<std::size_t>(y) * (width_ / kByteBits) + x / kByteBits;
  const auto bit = static_cast<std::uint8_t>(kLeftmostBit >> (x % kByteBits));
  const bool andBit = pixel == CursorPixel::kTransparent || pixel == CursorPixel::kInverted;
  const bool xorBit = pixel == CursorPixel::kWhite || pixel == CursorPixel::kInverted;
  and_[byte] = static_cast<std::uint8_t>(andBit ? and_[byte] | bit : and_[byte] & ~bit);
  xor_[byte] = static_cast<std::uint8_t>(xorBit ? xor_[byte] | bit : xor_[byte] & ~bit);
}

HCURSOR CursorPlanes::create(int hotX, int hotY) const {
  return CreateCursor(GetModuleHandleA(nullptr), std::clamp(hotX, 0, width_ - 1),
                      std::clamp(hotY, 0, height_ - 1), width_, height_, and_.data(), xor_.data());
}

bool colorMatches(COLORREF color, const Value& list, bool ranges) {
  if (!list.isList()) return false;
  for (const Value& item : list.items()) {
    if (item.isNumber() && static_cast<COLORREF>(item.integer()) == color) return true;
  }
  return ranges && list.length() >= 2 && list.item(1).isNumber() && list.item(2).isNumber() &&
         inRange(color, static_cast<COLORREF>(list.item(1).integer()),
                 static_cast<COLORREF>(list.item(2).integer()));
}

HCURSOR builtinHandCursor() {
  static const HCURSOR cursor = builtin("GETCURSORHAND", drawHand);
  return cursor;
}

Value LOADCURSOR(const Value& module, const Value& name) {
  const HINSTANCE instance = handleOf<HINSTANCE>(module);
  const ResourceName resource(name);
  if (resource.get() == nullptr) return 0;
  if (instance == nullptr) {
    // The system's cursors exist once, shared by every loader.
    return handleNumber(rememberShared(LoadCursorA(nullptr, resource.get())));
  }
  return handleNumber(trackedCreate("LOADCURSOR", kCursorTag, [&] {
    return static_cast<HCURSOR>(
        LoadImageA(instance, resource.get(), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
  }));
}

Value DESTROYCURSOR(const Value& cursor) {
  const HCURSOR h = handleOf<HCURSOR>(cursor);
  if (h == nullptr || isSharedImage(h)) return false;
  return trackedDelete(h, [](HCURSOR c) { return DestroyCursor(c) != FALSE; });
}

Value GETCURSORHAND() {
  static const HCURSOR system =
      static_cast<HCURSOR>(rememberShared(LoadCursorA(nullptr, MAKEINTRESOURCEA(kSystemHand))));
  return handleNumber(system ? system : builtinHandCursor());
}

Value GETCURSORSTOP() {
  static const HCURSOR cursor = builtin("GETCURSORSTOP", drawStop);
  return handleNumber(cursor);
}

Value GETCURSORDRAG() {
  static const HCURSOR cursor = builtin("GETCURSORDRAG", drawDrag);
  return handleNumber(cursor);
}

Value CREATEBMPCURSOR(const Value& bitmap, const Value& palette, const Value& row, const Value& col,
                      const Value& ranges, const Value& black, const Value& white, const Value&,
                      const Value& invert) {
  return handleNumber(trackedCreate("CREATEBMPCURSOR", kCursorTag, [&] {
    return bitmapCursor(handleOf<HBITMAP>(bitmap), handleOf<HPALETTE>(palette),
                        static_cast<int>(row.integer()), static_cast<int>(col.integer()),
                        ranges.logical(), black, white, invert);
  }));
}

const lanmere::ModuleTable& cursorsModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&LOADCURSOR>("LOADCURSOR"), fn<&DESTROYCURSOR>("DESTROYCURSOR"),
       fn<&GETCURSORHAND>("GETCURSORHAND"), fn<&GETCURSORSTOP>("GETCURSORSTOP"),
       fn<&GETCURSORDRAG>("GETCURSORDRAG"), fn<&CREATEBMPCURSOR>("CREATEBMPCURSOR")}};
  return module;
}

}  // namespace kestrel
