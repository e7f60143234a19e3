#include "framework/services/msgpaint.h"

#include <array>
#include <string>

#include "framework/core/handles.h"
#include "framework/core/themes.h"
#include "framework/core/tracked.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr COLORREF kDefaultPaneBack = 12632256;  // light grey
constexpr int kMessageMargin = 4;
constexpr int kItemsGap = 11;
constexpr int kInsetGap = 9;
constexpr int kGripCorner = 11;
constexpr int kGripStep = 4;

// RGB hex with red first, as a colour number with red in the low byte.
constexpr COLORREF hex(unsigned rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

constexpr std::array<COLORREF, 23> kRows2007{
    hex(0xFFFFFF), hex(0xE3EFFF), hex(0xDFECFF), hex(0xDBEAFF), hex(0xD7E8FF), hex(0xD4E6FF),
    hex(0xD0E4FF), hex(0xCCE2FF), hex(0xC9E0FF), hex(0xC5DEFF), hex(0xADD1FF), hex(0xAED1FF),
    hex(0xB0D2FF), hex(0xB1D3FF), hex(0xB3D4FF), hex(0xB4D4FF), hex(0xB6D5FF), hex(0xB7D6FF),
    hex(0xB9D7FF), hex(0xBAD8FF), hex(0xBCD8FF), hex(0xBDD9FF), hex(0xBFDAFF)};
constexpr std::array<COLORREF, 22> kRows2010{
    hex(0xF7FAFC), hex(0xE6EAEE), hex(0xE2E6EA), hex(0xDFE3E7), hex(0xDDE1E5), hex(0xDBDEE3),
    hex(0xD8DCE1), hex(0xD6DADE), hex(0xD4D8DC), hex(0xD2D6DA), hex(0xD0D4D9), hex(0xCED2D7),
    hex(0xCCD0D5), hex(0xCACED3), hex(0xC8CCD1), hex(0xC6CACF), hex(0xC4C9CE), hex(0xC2C7CC),
    hex(0xC0C5CA), hex(0xBFC3C8), hex(0xB7BCC1), hex(0x605245)};
constexpr int kWidth2007 = 26;
constexpr int kWidth2010 = 103;

COLORREF colourOr(const Value& value, COLORREF fallback) {
  return value.isNumber() ? static_cast<COLORREF>(value.integer()) : fallback;
}

void line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// A two-colour frame: `first` on top and left, `second` on bottom and right.
void frame(HDC dc, RECT r, COLORREF first, COLORREF second) {
  HPEN one = CreatePen(PS_SOLID, 1, first);
  HPEN two = CreatePen(PS_SOLID, 1, second);
  HGDIOBJ old = SelectObject(dc, one);
  line(dc, r.left, r.bottom, r.left, r.top);
  line(dc, r.left, r.top, r.right, r.top);
  SelectObject(dc, two);
  line(dc, r.right, r.top, r.right, r.bottom);
  line(dc, r.right, r.bottom, r.left - 1, r.bottom);
  SelectObject(dc, old);
  DeleteObject(one);
  DeleteObject(two);
}

void fill(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

Value makeFlat(const Value& hDC, bool style2007, const char* service) {
  const auto rows = flatBarRows(style2007);
  const int width = flatBarWidth(style2007);
  const int height = static_cast<int>(rows.size());
  HDC reference = handleFrom<HDC>(hDC);
  HDC screen = reference ? reference : GetDC(nullptr);
  const HBITMAP bitmap =
      trackedCreate(service, "BMP", [&] { return CreateCompatibleBitmap(screen, width, height); });
  if (bitmap) {
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int row = 0; row < height; ++row) fill(memory, RECT{0, row, width, row + 1}, rows[row]);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  if (!reference) ReleaseDC(nullptr, screen);
  return Value(handleNumber(bitmap));
}

}  // namespace

std::span<const COLORREF> flatBarRows(bool style2007) {
  if (style2007) return kRows2007;
  return kRows2010;
}

int flatBarWidth(bool style2007) {
  return style2007 ? kWidth2007 : kWidth2010;
}

void drawSunkenBox(HDC dc, int top, int left, int bottom, int right) {
  frame(dc, RECT{left, top, right, bottom}, GetSysColor(COLOR_BTNSHADOW),
        GetSysColor(COLOR_BTNHIGHLIGHT));
}

void drawPaneText(HDC dc, const std::string& text, RECT area, COLORREF textColour, COLORREF back,
                  HFONT font) {
  fill(dc, area, back);
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  const COLORREF oldText = SetTextColor(dc, textColour);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldText);
  if (oldFont) SelectObject(dc, oldFont);
}

Value MSGPAINT(Args args) {
  auto a = [&](std::size_t n) -> const Value& { return lanmere::arg(args, n); };
  const HWND hwnd = handleFrom<HWND>(a(1));
  HDC given = handleFrom<HDC>(a(11));
  HDC dc = given ? given : GetDC(hwnd);
  if (!dc) return {};
  RECT client{};
  GetClientRect(hwnd, &client);
  const long long itemsLeft = a(6).integer();
  RECT area{client.left + kMessageMargin, client.top + kMessageMargin,
            client.right - kMessageMargin, client.bottom - kMessageMargin};
  if (itemsLeft != 0) area.right = static_cast<LONG>(itemsLeft - kItemsGap);
  const COLORREF back = colourOr(a(8), GetSysColor(COLOR_BTNFACE));
  fill(dc, area, back);
  std::string text = a(2).isText() ? a(2).string() : std::string();
  if (text.empty() && a(3).isText()) text = a(3).string();
  HGDIOBJ oldFont =
      a(9).isNumber() && a(9).integer() ? SelectObject(dc, handleFrom<HFONT>(a(9))) : nullptr;
  const COLORREF oldText = SetTextColor(dc, colourOr(a(7), 0));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  RECT textArea = area;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textArea,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                (a(5).isLogical() && a(5).logical() ? DT_CENTER : DT_LEFT));
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldText);
  if (oldFont) SelectObject(dc, oldFont);
  if (a(4).isLogical() && a(4).logical()) {
    frame(dc, RECT{client.left, client.top, client.right - 1, client.bottom - 1},
          GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    if (!a(10).isLogical() || a(10).logical()) {
      const int right = itemsLeft != 0 ? static_cast<int>(itemsLeft - kInsetGap)
                                       : static_cast<int>(client.right - kMessageMargin);
      drawSunkenBox(dc, kMessageMargin - 1, kMessageMargin - 1,
                    static_cast<int>(client.bottom - kMessageMargin), right);
    }
  }
  if (!given) ReleaseDC(hwnd, dc);
  return {};
}

Value MSGPAINT3L(const Value& hWnd, const Value& lCaptureBack, const Value& hDC) {
  const HWND hwnd = handleFrom<HWND>(hWnd);
  HDC given = handleFrom<HDC>(hDC);
  HDC dc = given ? given : GetDC(hwnd);
  if (!dc) return {};
  RECT client{};
  GetClientRect(hwnd, &client);
  const HWND parent = GetParent(hwnd);
  const bool maximised = parent && IsZoomed(parent);
  const RECT corner{client.right - kGripCorner - 1, client.bottom - kGripCorner - 1, client.right,
                    client.bottom};
  if (!ISAPPTHEMED() || maximised) {
    if (lCaptureBack.isLogical() && lCaptureBack.logical()) {
      // The background just left of the corner, copied over it.
      StretchBlt(dc, corner.left, corner.top, corner.right - corner.left,
                 corner.bottom - corner.top, dc, corner.left - 1, corner.top, 1,
                 corner.bottom - corner.top, SRCCOPY);
    } else {
      fill(dc, corner, GetSysColor(COLOR_BTNFACE));
    }
    if (!maximised) {
      HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
      HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
      HGDIOBJ old = SelectObject(dc, shadow);
      const int right = client.right - 1;
      const int bottom = client.bottom - 1;
      for (int stroke = 1; stroke <= 3; ++stroke) {
        const int at = stroke * kGripStep - 1;
        SelectObject(dc, shadow);
        line(dc, right - at, bottom, right + 1, bottom - at - 1);
        line(dc, right - at + 1, bottom, right + 1, bottom - at);
        SelectObject(dc, light);
        line(dc, right - at - 1, bottom, right + 1, bottom - at - 2);
      }
      SelectObject(dc, old);
      DeleteObject(shadow);
      DeleteObject(light);
    }
  } else {
    // With visual styles the system draws its own grip.
    RECT grip = corner;
    DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  }
  if (!given) ReleaseDC(hwnd, dc);
  return {};
}

Value DRAWMSGITEM(Args args) {
  auto a = [&](std::size_t n) -> const Value& { return lanmere::arg(args, n); };
  const Value& rect = a(3);
  if (!rect.isList() || rect.length() < 4) return {};
  const RECT area{
      static_cast<LONG>(rect.item(2).integer()), static_cast<LONG>(rect.item(1).integer()),
      static_cast<LONG>(rect.item(4).integer()), static_cast<LONG>(rect.item(3).integer())};
  drawPaneText(handleFrom<HDC>(a(1)), a(2).isText() ? a(2).string() : std::string(), area,
               colourOr(a(4), 0), colourOr(a(5), kDefaultPaneBack), handleFrom<HFONT>(a(6)));
  return {};
}

Value WNDBOXIN(Args args) {
  auto a = [&](std::size_t n) { return static_cast<int>(lanmere::arg(args, n).integer()); };
  drawSunkenBox(handleFrom<HDC>(lanmere::arg(args, 1)), a(2), a(3), a(4), a(5));
  return {};
}

Value MSGBAR2007(const Value& hDC) {
  return makeFlat(hDC, true, "MSGBAR2007");
}

Value MSGBAR2010(const Value& hDC) {
  return makeFlat(hDC, false, "MSGBAR2010");
}

const lanmere::ModuleTable& msgPaintModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&MSGPAINT>("MSGPAINT"), lanmere::fn<&MSGPAINT3L>("MSGPAINT3L"),
       lanmere::fn<&DRAWMSGITEM>("DRAWMSGITEM"), lanmere::fn<&WNDBOXIN>("WNDBOXIN"),
       lanmere::fn<&MSGBAR2007>("MSGBAR2007"), lanmere::fn<&MSGBAR2010>("MSGBAR2010")}};
  return module;
}

}  // namespace kestrel
