#include "framework/services/menudraw.h"

#include <algorithm>
#include <string>

#include "framework/core/handles.h"
#include "framework/core/selected.h"
#include "framework/core/tracked.h"
#include "framework/services/tmenu.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::arg;
using lanmere::Args;
using lanmere::Value;

namespace {

constexpr int kPad = 2;           // around the check area and the bitmap
constexpr int kTextGap = 4;       // between the check area and the prompt
constexpr int kShortcutGap = 16;  // between the prompt and the shortcut
constexpr int kRightMargin = 8;   // after the shortcut
constexpr int kVerticalPad = 6;   // above and below the text
constexpr int kSeparatorHeight = 8;
constexpr int kCheckBitmapSize = 16;
constexpr char kShortcutMark = '\t';

// The prompt before the TAB and the shortcut after it.
struct PromptParts {
  std::string prompt, shortcut;
};
PromptParts split(const Value& text) {
  const std::string whole(text.text());
  const std::size_t tab = whole.find(kShortcutMark);
  if (tab == std::string::npos) return {whole, {}};
  return {whole.substr(0, tab), whole.substr(tab + 1)};
}

// A drawing object made for one paint and given back after it; both ends are tracked.
template <class Handle>
class Temporary {
 public:
  template <class Create>
  Temporary(const char* service, const char* tag, Create&& create)
      : handle_(trackedCreate(service, tag, create)) {}
  ~Temporary() {
    if (handle_) trackedDelete(handle_, [](Handle h) { return DeleteObject(h); });
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;
  Handle get() const { return handle_; }

 private:
  Handle handle_;
};

// The system's menu font.
Temporary<HFONT> menuFont(const char* service) {
  return Temporary<HFONT>(service, "FONT", [] {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    return CreateFontIndirectA(&metrics.lfMenuFont);
  });
}

SIZE textSize(HDC dc, const std::string& text, UINT format) {
  RECT rect{0, 0, 0, 0};
  if (!text.empty()) DrawTextA(dc, text.c_str(), -1, &rect, format | DT_CALCRECT | DT_SINGLELINE);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The column at the left: the check mark or the entry's bitmap.
int checkAreaWidth(HBITMAP bitmap) {
  int width = GetSystemMetrics(SM_CXMENUCHECK);
  if (bitmap) {
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    width = std::max(width, static_cast<int>(info.bmWidth));
  }
  return width + 2 * kPad;
}

void drawBitmap(HDC dc, HBITMAP bitmap, const RECT& area) {
  BITMAP info{};
  if (!GetObjectA(bitmap, sizeof info, &info)) return;
  HDC memory = CreateCompatibleDC(dc);
  {
    const Selected selected(memory, bitmap);
    const int x = area.left + (area.right - area.left - info.bmWidth) / 2;
    const int y = area.top + (area.bottom - area.top - info.bmHeight) / 2;
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
  }
  DeleteDC(memory);
}

// A tick drawn with lines, centred in `area`.
void drawTick(HDC dc, const RECT& area, COLORREF colour) {
  const int size = std::min(area.right - area.left, area.bottom - area.top) - 2 * kPad;
  const int left = area.left + (area.right - area.left - size) / 2;
  const int top = area.top + (area.bottom - area.top - size) / 2;
  const Temporary<HPEN> pen("MENUDRAWITEM", "PEN", [&] { return CreatePen(PS_SOLID, 2, colour); });
  const Selected selected(dc, pen.get());
  POINT points[] = {{left + size * 2 / 10, top + size / 2},
                    {left + size * 4 / 10, top + size * 7 / 10},
                    {left + size * 8 / 10, top + size * 3 / 10}};
  Polyline(dc, points, 3);
}

// The prompt at the left of `area` (its "&" letter underlined) and the shortcut at the right.
void drawTexts(HDC dc, RECT area, const PromptParts& parts, COLORREF colour) {
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, parts.prompt.c_str(), -1, &area, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (!parts.shortcut.empty()) {
    area.right -= kRightMargin;
    DrawTextA(dc, parts.shortcut.c_str(), -1, &area,
              DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
}

void fill(HDC dc, const RECT& rect, COLORREF colour) {
  const Temporary<HBRUSH> brush("MENUDRAWITEM", "BRUSH", [&] { return CreateSolidBrush(colour); });
  FillRect(dc, &rect, brush.get());
}

// The module's shared check bitmap, made on first need: a dark tick on white, laid over the
// background with SRCAND so the white leaves it as it is.
HBITMAP sharedCheck() {
  if (check2007Bitmap()) return check2007Bitmap();
  HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = trackedCreate("MENUDRAW2007", "BMP", [&] {
    return CreateCompatibleBitmap(screen, kCheckBitmapSize, kCheckBitmapSize);
  });
  HDC memory = CreateCompatibleDC(screen);
  {
    const Selected selected(memory, bitmap);
    const RECT all{0, 0, kCheckBitmapSize, kCheckBitmapSize};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawTick(memory, all, RGB(0, 0, 0));
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  setCheck2007Bitmap(bitmap);
  return bitmap;
}

struct DrawRequest {
  const DRAWITEMSTRUCT* record;
  PromptParts parts;
  HBITMAP bitmap;
  bool separator, selected, grey, checked;
};
DrawRequest request(Args args) {
  const auto* record = handleFrom<const DRAWITEMSTRUCT*>(arg(args, 1));
  DrawRequest r{record, split(arg(args, 2)), handleFrom<HBITMAP>(arg(args, 4)), false, false, false,
                false};
  if (!record) return r;
  r.separator = r.parts.prompt.empty() && r.parts.shortcut.empty() && !r.bitmap;
  r.selected = (record->itemState & ODS_SELECTED) != 0;
  r.grey = (record->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
  r.checked = (record->itemState & ODS_CHECKED) != 0;
  return r;
}

}  // namespace

FlatMenuColors flatMenuColors(bool look2010) noexcept {
  if (look2010) {
    return {RGB(252, 252, 252), RGB(241, 242, 244), RGB(253, 244, 191),
            RGB(229, 195, 101), RGB(30, 57, 91),    RGB(160, 160, 160)};
  }
  return {RGB(250, 250, 250), RGB(233, 238, 238), RGB(255, 231, 162),
          RGB(255, 189, 105), RGB(0, 0, 0),       RGB(141, 141, 141)};
}

bool MENUMEASUREITEM(Args args) {
  auto* record = handleFrom<MEASUREITEMSTRUCT*>(arg(args, 1));
  if (!record) return false;
  const PromptParts parts = split(arg(args, 2));
  const auto bitmap = handleFrom<HBITMAP>(arg(args, 4));
  if (parts.prompt.empty() && parts.shortcut.empty() && !bitmap) {
    record->itemWidth = 0;
    record->itemHeight = kSeparatorHeight;
    return true;
  }
  HWND window = handleFrom<HWND>(arg(args, 5));
  HDC dc = GetDC(window);
  const Temporary<HFONT> font = menuFont("MENUMEASUREITEM");
  SIZE prompt{}, shortcut{};
  {
    const Selected selected(dc, font.get());
    prompt = textSize(dc, parts.prompt.empty() ? " " : parts.prompt, 0);
    shortcut = textSize(dc, parts.shortcut, DT_NOPREFIX);
  }
  ReleaseDC(window, dc);
  int width = checkAreaWidth(bitmap) + kTextGap + prompt.cx + kRightMargin;
  if (shortcut.cx > 0) width += kShortcutGap + shortcut.cx;
  int height = std::max<int>(prompt.cy + kVerticalPad, GetSystemMetrics(SM_CYMENUCHECK) + 2 * kPad);
  if (bitmap) {
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    height = std::max(height, static_cast<int>(info.bmHeight) + 2 * kPad);
  }
  record->itemWidth = static_cast<UINT>(width);
  record->itemHeight = static_cast<UINT>(height);
  return true;
}

bool MENUDRAWITEM(Args args) {
  const DrawRequest r = request(args);
  if (!r.record) return false;
  HDC dc = r.record->hDC;
  const RECT& item = r.record->rcItem;
  if (r.separator) {
    fill(dc, item, GetSysColor(COLOR_MENU));
    RECT line{item.left + kPad, (item.top + item.bottom) / 2 - 1, item.right - kPad,
              (item.top + item.bottom) / 2 + 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return true;
  }
  const bool highlight = r.selected && !r.grey;
  fill(dc, item, GetSysColor(highlight ? COLOR_HIGHLIGHT : COLOR_MENU));
  const COLORREF text = GetSysColor(r.grey      ? COLOR_GRAYTEXT
                                    : highlight ? COLOR_HIGHLIGHTTEXT
                                                : COLOR_MENUTEXT);
  const RECT check{item.left, item.top, item.left + checkAreaWidth(r.bitmap), item.bottom};
  if (r.bitmap) {
    drawBitmap(dc, r.bitmap, check);
    if (r.checked) {
      RECT frame = check;
      DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    }
  } else if (r.checked) {
    drawTick(dc, check, text);
  }
  const Temporary<HFONT> font = menuFont("MENUDRAWITEM");
  const Selected selected(dc, font.get());
  drawTexts(dc, RECT{check.right + kTextGap, item.top, item.right, item.bottom}, r.parts, text);
  return true;
}

bool MENUDRAW2007(Args args) {
  const DrawRequest r = request(args);
  if (!r.record) return false;
  const FlatMenuColors colours = flatMenuColors(arg(args, 6).logical());
  HDC dc = r.record->hDC;
  const RECT& item = r.record->rcItem;
  const RECT check{item.left, item.top, item.left + checkAreaWidth(r.bitmap), item.bottom};
  fill(dc, item, colours.background);
  fill(dc, check, colours.gutter);
  if (r.separator) {
    const RECT line{check.right + kTextGap, (item.top + item.bottom) / 2, item.right,
                    (item.top + item.bottom) / 2 + 1};
    fill(dc, line, colours.gutter);
    return true;
  }
  if (r.selected && !r.grey) {
    const RECT inner{item.left + 1, item.top + 1, item.right - 1, item.bottom - 1};
    fill(dc, inner, colours.selection);
    const Temporary<HBRUSH> frame("MENUDRAW2007", "BRUSH",
                                  [&] { return CreateSolidBrush(colours.frame); });
    FrameRect(dc, &inner, frame.get());
  }
  if (r.bitmap) {
    drawBitmap(dc, r.bitmap, check);
  } else if (r.checked) {
    HDC memory = CreateCompatibleDC(dc);
    {
      const Selected selected(memory, sharedCheck());
      BitBlt(dc, check.left + (check.right - check.left - kCheckBitmapSize) / 2,
             check.top + (check.bottom - check.top - kCheckBitmapSize) / 2, kCheckBitmapSize,
             kCheckBitmapSize, memory, 0, 0, SRCAND);
    }
    DeleteDC(memory);
  }
  const Temporary<HFONT> font = menuFont("MENUDRAW2007");
  const Selected selected(dc, font.get());
  drawTexts(dc, RECT{check.right + kTextGap, item.top, item.right, item.bottom}, r.parts,
            r.grey ? colours.grayText : colours.text);
  return true;
}

const lanmere::ModuleTable& menuDrawModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&MENUMEASUREITEM>("MENUMEASUREITEM"), fn<&MENUDRAWITEM>("MENUDRAWITEM"),
       fn<&MENUDRAW2007>("MENUDRAW2007")}};
  return module;
}

}  // namespace kestrel
