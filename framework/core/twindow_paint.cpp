// TWindow's painting (double buffered, with the paint state restored on every way out), colours,
// brushes and fonts (shared by use count), transparency, the drawing helpers and tooltips.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "framework/core/args.h"
#include "framework/core/colors.h"
#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/selected.h"
#include "framework/core/themes.h"
#include "framework/core/twindow.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/closure.h"
#include "runtime/functions.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr long long kCellHeight = 16;
constexpr long long kCellWidth = 8;
constexpr long long kSystemFontHeight = -12;
constexpr long long kColorMask = 0xFFFFFF;
constexpr long long kLevelMask = 0xFF;
constexpr BYTE kOpaque = 255;
constexpr int kToolTipWidth = 300;
constexpr int kToolTipOffset = 7;
constexpr long long kDefaultToolTipIcon = 1;

int toInt(const Value& value) {
  return static_cast<int>(value.integer());
}

// The device context a drawing helper works in, given back on every way out.
class WindowDC {
 public:
  explicit WindowDC(TWindow& window) : window_(window), dc_(handleFrom<HDC>(window.GetDC())) {}
  ~WindowDC() { window_.ReleaseDC(); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  TWindow& window_;
  HDC dc_;
};

// A colour argument: a colour-pair text gives its foreground (or background), nil the fallback.
long long colorOf(const Value& color, bool background, long long fallback) {
  if (color.isText()) {
    const ColorPair pair = colorPair(color.text());
    return background ? pair.background : pair.foreground;
  }
  return color.isNumber() ? color.integer() : fallback;
}

// Height of the font's characters and the width of "B", in the window's device context.
void measureFont(HWND hwnd, HFONT font, Value& height, Value& width) {
  const HDC dc = ::GetDC(hwnd);
  {
    Selected selected(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SIZE size{};
    GetTextExtentPoint32A(dc, "B", 1, &size);
    height = static_cast<long long>(metrics.tmHeight);
    width = static_cast<long long>(size.cx);
  }
  ::ReleaseDC(hwnd, dc);
}

}  // namespace

// ---- Painting ----

// EndPaint runs also when Paint raises, and then the request Paint raised is the one that goes on.
// A bPainted that drains the queue can paint the window again inside its own paint: the inner
// paint starts from no state and the outer one gets its context, record and buffer back.
Value TWindow::Display() {
  struct Outer {
    TWindow& window;
    Value dc, record;
    bool fromGetDC;
    Buffer buffer;
    ~Outer() {
      window.hDC = dc;
      window.cPS = record;
      window.dcFromGetDC_ = fromGetDC;
      window.buffer_ = buffer;
    }
  } outer{*this, hDC, cPS, dcFromGetDC_, buffer_};
  clearPaintState();
  buffer_ = Buffer{};
  BeginPaint();
  try {
    Paint();
  } catch (...) {
    const std::exception_ptr first = std::current_exception();
    try {
      EndPaint();
    } catch (...) {
    }
    std::rethrow_exception(first);
  }
  return EndPaint();
}

Value TWindow::BeginPaint() {
  nPaintCount = nPaintCount.integer() + 1;
  PAINTSTRUCT paint{};
  const HDC dc = callWindows([&] { return ::BeginPaint(hwnd(), &paint); });
  hDC = handleNumber(dc);
  dcFromGetDC_ = false;
  cPS = Value(std::string_view(reinterpret_cast<const char*>(&paint), sizeof paint));
  return {};
}

Value TWindow::Paint() {
  if (::IsIconic(hwnd())) {
    const bool mdiChild = isKindOf(*this, "TMDICHILD");
    const auto dc = static_cast<WPARAM>(hDC.integer());
    callWindows(
        [&] { return SendMessageA(hwnd(), mdiChild ? WM_ERASEBKGND : WM_ICONERASEBKGND, dc, 0); });
    const HICON icon = handleOfMember<HICON>(oIcon, msg::hIcon);
    DrawIcon(handleFrom<HDC>(hDC), 0, 0, icon ? icon : LoadIconA(nullptr, IDI_APPLICATION));
    return 0;
  }
  DispBegin();
  struct Finish {
    TWindow& window;
    ~Finish() { window.DispEnd(); }
  } finish{*this};
  if (bEraseBkGnd.isClosure()) {
    evaluate(bEraseBkGnd, hDC);
  } else {
    PaintBack(hDC);
  }
  return bPainted.isClosure() ? evaluate(bPainted, hDC, cPS, self()) : Value(0);
}

Value TWindow::EndPaint() {
  nPaintCount = std::max(0LL, nPaintCount.integer() - 1);
  DispEnd();  // a Paint that never finished
  if (cPS.length() == sizeof(PAINTSTRUCT)) {
    PAINTSTRUCT paint{};
    std::copy_n(cPS.text().data(), sizeof paint, reinterpret_cast<char*>(&paint));
    ::EndPaint(hwnd(), &paint);
  }
  clearPaintState();
  return 0;
}

void TWindow::clearPaintState() {
  cPS = Value();
  hDC = Value();
  dcFromGetDC_ = false;
}

Value TWindow::EraseBkGnd(const Value&) {
  return 1;  // the background is painted in Paint, into the buffer
}

Value TWindow::PaintBack(const Value& hDCBack) {
  const HDC dc = handleFrom<HDC>(hDCBack);
  Value origin[] = {self(), Value(0), Value(0)};
  if (oBrush.isObject()) lanmere::send(oBrush, msg::Resize, lanmere::Args(origin));
  HBRUSH brush = handleOfMember<HBRUSH>(oBrush, msg::hBrush);
  if (!brush) brush = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  SetBrushOrgEx(dc, toInt(origin[1]), toInt(origin[2]), nullptr);
  RECT client{};
  GetClientRect(hwnd(), &client);
  FillRect(dc, &client, brush);
  return 0;
}

Value TWindow::GetDC() {
  if (isEmpty(hDC)) {
    hDC = handleNumber(::GetDC(hwnd()));
    dcFromGetDC_ = true;
  }
  nPaintCount = nPaintCount.integer() + 1;
  return hDC;
}

// A context that BeginPaint took is never released here; the count never goes below 0.
Value TWindow::ReleaseDC() {
  nPaintCount = std::max(0LL, nPaintCount.integer() - 1);
  if (nPaintCount.integer() == 0 && dcFromGetDC_) {
    ::ReleaseDC(hwnd(), handleFrom<HDC>(hDC));
    clearPaintState();
  }
  return {};
}

// Painting goes to a memory bitmap of the client size, copied to the window by DispEnd.
Value TWindow::DispBegin() {
  const HDC windowDC = handleFrom<HDC>(hDC);
  if (buffer_.memory || !windowDC) return hDC;
  RECT client{};
  GetClientRect(hwnd(), &client);
  buffer_.windowDC = hDC;
  buffer_.memory = CreateCompatibleDC(windowDC);
  buffer_.bitmap = CreateCompatibleBitmap(windowDC, std::max(1L, client.right - client.left),
                                          std::max(1L, client.bottom - client.top));
  buffer_.previous = SelectObject(buffer_.memory, buffer_.bitmap);
  hDC = handleNumber(buffer_.memory);
  return hDC;
}

Value TWindow::DispEnd() {
  if (!buffer_.memory) return {};
  RECT client{};
  GetClientRect(hwnd(), &client);
  const HDC windowDC = handleFrom<HDC>(buffer_.windowDC);
  BitBlt(windowDC, 0, 0, client.right, client.bottom, buffer_.memory, 0, 0, SRCCOPY);
  SelectObject(buffer_.memory, buffer_.previous);
  DeleteObject(buffer_.bitmap);
  DeleteDC(buffer_.memory);
  hDC = buffer_.windowDC;
  buffer_ = Buffer{};
  return {};
}

// ---- Colours, brushes and fonts ----

// The new brush's use is taken before the old one is given back: setting the brush the window
// already holds alone must not delete it.
Value TWindow::SetColor(const Value& nClrFore, const Value& nClrBack, const Value& oBrushNew) {
  const long long text =
      nClrText.isNumber() ? nClrText.integer() : sysColor(COLOR_WINDOWTEXT).integer();
  const long long pane =
      nClrPane.isNumber() ? nClrPane.integer() : sysColor(COLOR_WINDOW).integer();
  nClrText = colorOf(nClrFore, false, text);
  nClrPane = nClrFore.isText() ? colorOf(nClrFore, true, pane) : colorOf(nClrBack, false, pane);
  Value brush;
  if (oBrushNew.isObject()) {
    takeUse(oBrushNew);
    brush = oBrushNew;
  } else if (lanmere::classByName("TBRUSH")) {
    brush = tell(lanmere::createObject("TBRUSH"), msg::New, Value(), nClrPane);
  }
  tell(oBrush, msg::End);
  oBrush = brush;
  if (hwnd()) Refresh();
  return {};
}

Value TWindow::SetBrush(const Value& oBrushNew) {
  takeUse(oBrushNew);
  tell(oBrush, msg::End);
  oBrush = oBrushNew;
  if (hwnd()) Refresh();
  return {};
}

// The window holds one use of its font. A font stored without a use (a dialog's New does that)
// is counted by the first SetFont of it; setting it again counts nothing more.
Value TWindow::SetFont(const Value& oFontNew) {
  if (!oFontNew.isObject()) return {};
  const bool same = oFont.sharesStorageWith(oFontNew);
  if (!same || !fontCounted_) takeUse(oFontNew);
  if (!same && fontCounted_) tell(oFont, msg::End);
  oFont = oFontNew;
  fontCounted_ = true;
  const HFONT font = handleOfMember<HFONT>(oFont, msg::hFont);
  callWindows(
      [&] { return SendMessageA(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), !same); });
  if (hwnd()) measureFont(hwnd(), font, nChrHeight, nChrWidth);
  return {};
}

Value TWindow::GetFont() {
  if (!oFont.isObject()) {
    const Value parentFont = tell(oWnd, msg::oFont);
    const auto own = reinterpret_cast<HFONT>(
        callWindows([&] { return SendMessageA(hwnd(), WM_GETFONT, 0, 0); }));
    if (parentFont.isObject()) {
      // The parent's font is shown, not only recorded: what the window measures and saves is
      // what it draws with.
      SetFont(parentFont);
      return oFont;
    }
    if (own && lanmere::classByName("TFONT")) {
      // The window's own font becomes an object that never deletes it.
      LOGFONTA logical{};
      GetObjectA(own, sizeof logical, &logical);
      oFont = lanmere::createObject("TFONT");
      tell(oFont, msg::_hFont, handleNumber(own));
      tell(oFont, msg::_cFaceName, Value(logical.lfFaceName));
      tell(oFont, msg::_nInpHeight, static_cast<long long>(logical.lfHeight));
      tell(oFont, msg::_nWeight, static_cast<long long>(logical.lfWeight));
      tell(oFont, msg::_lBold, logical.lfWeight == FW_BOLD);
      tell(oFont, msg::_lDestroy, false);
      tell(oFont, msg::_nCount, 1);
    } else if (lanmere::classByName("TFONT")) {
      LOGFONTA system{};
      GetObjectA(GetStockObject(SYSTEM_FONT), sizeof system, &system);
      oFont = tell(lanmere::createObject("TFONT"), msg::New, Value(system.lfFaceName), 0,
                   kSystemFontHeight);
    }
    fontCounted_ = oFont.isObject();
  }
  if (hwnd()) measureFont(hwnd(), handleOfMember<HFONT>(oFont, msg::hFont), nChrHeight, nChrWidth);
  return oFont;
}

Value TWindow::nGetChrHeight() {
  measureFont(hwnd(), handleOfMember<HFONT>(oFont, msg::hFont), nChrHeight, nChrWidth);
  return nChrHeight;
}

// The system's colour dialog for the text colour (lFore) or the background.
Value TWindow::SelColor(const Value& lFore) {
  const bool fore = flag(lFore, true);
  static COLORREF custom[16] = {};
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = hwnd();
  choose.rgbResult = static_cast<COLORREF>((fore ? nClrText : nClrPane).integer());
  choose.lpCustColors = custom;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!callWindows([&] {
        return callSystem<"comdlg32.dll", "ChooseColorA", decltype(::ChooseColorA)>(&choose);
      }))
    return {};
  const Value picked(static_cast<long long>(choose.rgbResult));
  return fore ? SetColor(picked, nClrPane) : SetColor(nClrText, picked);
}

Value TWindow::SelFont() {
  if (!oFont.isObject()) GetFont();
  // A confirmed Choose gives back one use of the font it was asked of, as `oFont :=
  // oFont:Choose()` needs; here that is a use taken for the call, since SetFont gives back the
  // window's own. Giving back the window's twice would free a font still shared.
  takeUse(oFont);
  const Value previous = oFont;
  Value color[] = {nClrText};
  const Value chosen = lanmere::send(oFont, msg::Choose, lanmere::Args(color));
  if (chosen.isObject() && !chosen.sharesStorageWith(previous)) {
    SetFont(chosen);
    tell(chosen, msg::End);  // Choose's own use: the window keeps the one it took
    Refresh();
  } else {
    tell(previous, msg::End);  // nothing chosen: the call's use goes back
  }
  return oFont;
}

// The gradient is painted once into a bitmap of the client size, which a pattern brush then
// tiles; the brush owns the bitmap.
Value TWindow::Gradient(const Value& aColors) {
  const Value colors = aColors.isNil() ? aGradColors : aColors;
  if (!colors.isList() || colors.length() == 0 || !lanmere::classByName("TBRUSH")) return {};
  aGradColors = colors;
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int width = std::max(1L, client.right);
  const int height = std::max(1L, client.bottom);
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ::ReleaseDC(nullptr, screen);
  {
    Selected selected(memory, bitmap);
    static const lanmere::Symbol* const gradientFill = lanmere::symbol("GRADIENTFILL");
    lanmere::callFunction(gradientFill,
                          {handleNumber(memory), 0, 0, height - 1, width - 1, colors, true});
  }
  DeleteDC(memory);
  const Value brush = tell(lanmere::createObject("TBRUSH"), msg::New, Value(), Value(), Value(),
                           Value(), handleNumber(bitmap));
  tell(oBrush, msg::End);
  oBrush = brush;
  Refresh();
  return {};
}

// Layered windows: a see-through colour, an opacity, or neither (the layered style goes).
// Child windows are left alone, and SETALPHA(.F.) turns the whole matter off.
Value TWindow::SetAlphaLevel() {
  if (!layeredWindows() || !hwnd()) return self();
  if (GetWindowLongPtrA(hwnd(), GWL_STYLE) & WS_CHILD) return self();
  const LONG_PTR exStyle = GetWindowLongPtrA(hwnd(), GWL_EXSTYLE);
  if (hAlphaColor.isNil() && hAlphaLevel.isNil()) {
    if (exStyle & WS_EX_LAYERED) setExStyle(hwnd(), exStyle & ~WS_EX_LAYERED);
    return self();
  }
  if (!(exStyle & WS_EX_LAYERED)) setExStyle(hwnd(), exStyle | WS_EX_LAYERED);
  if (!hAlphaColor.isNil()) hAlphaColor = hAlphaColor.integer() & kColorMask;
  if (!hAlphaLevel.isNil()) hAlphaLevel = hAlphaLevel.integer() & kLevelMask;
  const auto key = static_cast<COLORREF>(hAlphaColor.integer());
  const BYTE level = hAlphaLevel.isNil() ? kOpaque : static_cast<BYTE>(hAlphaLevel.integer());
  SetLayeredWindowAttributes(hwnd(), key, level, hAlphaColor.isNil() ? LWA_ALPHA : LWA_COLORKEY);
  return self();
}

Value TWindow::nOpacity(const Value& level) {
  return level.isNil() ? hAlphaLevel : _nOpacity(level);
}

Value TWindow::_nOpacity(const Value& level) {
  hAlphaLevel = level;
  SetAlphaLevel();
  return level;
}

Value TWindow::nSeeThroClr(const Value& color) {
  return color.isNil() ? hAlphaColor : _nSeeThroClr(color);
}

Value TWindow::_nSeeThroClr(const Value& color) {
  hAlphaColor = color;
  SetAlphaLevel();
  return color;
}

// ---- Drawing helpers ----

// Say (nRow, nCol, cText, nClrFore, nClrBack, oFont, lPixel, lTransparent, nAlign)
Value TWindow::Say(Args args) {
  auto a = [&](std::size_t n) -> const Value& { return lanmere::arg(args, n); };
  const std::string text = textForm(a(3));
  const long long fore = colorOf(a(4), false, nClrText.integer());
  const long long back = a(4).isText() ? colorOf(a(4), true, nClrPane.integer())
                                       : colorOf(a(5), false, nClrPane.integer());
  const Value& font = a(6).isObject() ? a(6) : oFont;
  const bool pixel = flag(a(7), false);
  const int y = static_cast<int>(pixel ? a(1).integer() : a(1).integer() * kCellHeight);
  const int x = static_cast<int>(pixel ? a(2).integer() : a(2).integer() * kCellWidth);
  WindowDC dc(*this);
  Selected selected(dc.get(), handleOfMember<HFONT>(font, msg::hFont));
  SetTextColor(dc.get(), static_cast<COLORREF>(fore));
  SetBkColor(dc.get(), static_cast<COLORREF>(back));
  SetBkMode(dc.get(), flag(a(8), false) ? TRANSPARENT : OPAQUE);
  const UINT align = GetTextAlign(dc.get());
  if (a(9).isNumber()) SetTextAlign(dc.get(), static_cast<UINT>(a(9).integer()));
  TextOutA(dc.get(), x, y, text.data(), static_cast<int>(text.size()));
  SetTextAlign(dc.get(), align);
  return {};
}

// SayRect (nTop, nLeft, cText, nClrFore = black, nClrBack = white, nWidth, nHeight, oFont): the
// text in a rectangle of pixels filled with the background (by default as large as the text).
Value TWindow::SayRect(Args args) {
  auto a = [&](std::size_t n) -> const Value& { return lanmere::arg(args, n); };
  const std::string text = textForm(a(3));
  WindowDC dc(*this);
  Selected selected(dc.get(), handleOfMember<HFONT>(a(8).isObject() ? a(8) : oFont, msg::hFont));
  SIZE size{};
  GetTextExtentPoint32A(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  const int top = toInt(a(1));
  const int left = toInt(a(2));
  RECT area{left, top, left + (a(6).isNumber() ? toInt(a(6)) : size.cx),
            top + (a(7).isNumber() ? toInt(a(7)) : size.cy)};
  SetTextColor(dc.get(), static_cast<COLORREF>(colorOf(a(4), false, 0)));
  SetBkColor(dc.get(), static_cast<COLORREF>(colorOf(a(5), false, kColorMask)));
  ExtTextOutA(dc.get(), left, top, ETO_OPAQUE | ETO_CLIPPED, &area, text.data(),
              static_cast<UINT>(text.size()), nullptr);
  return {};
}

// uBitmap: a bitmap handle, the name of a bitmap resource (loaded for the call) or an object
// answering hBitmap. Positions are pixels; width and height default to the bitmap's.
Value TWindow::SayBitmap(const Value& nRow, const Value& nCol, const Value& uBitmap,
                         const Value& width, const Value& height) {
  HBITMAP bitmap = nullptr;
  bool loaded = false;
  if (uBitmap.isText()) {
    bitmap = LoadBitmapA(resourceModule(), uBitmap.string().c_str());
    loaded = bitmap != nullptr;
  } else if (uBitmap.isObject()) {
    bitmap = handleOfMember<HBITMAP>(uBitmap, msg::hBitmap);
  } else {
    bitmap = handleFrom<HBITMAP>(uBitmap);
  }
  if (!bitmap) return {};
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  {
    WindowDC dc(*this);
    const HDC memory = CreateCompatibleDC(dc.get());
    {
      Selected selected(memory, bitmap);
      SetBkColor(dc.get(), static_cast<COLORREF>(nClrPane.integer()));
      StretchBlt(dc.get(), toInt(nCol), toInt(nRow), width.isNumber() ? toInt(width) : info.bmWidth,
                 height.isNumber() ? toInt(height) : info.bmHeight, memory, 0, 0, info.bmWidth,
                 info.bmHeight, SRCCOPY);
    }
    DeleteDC(memory);
  }
  if (loaded) DeleteObject(bitmap);
  return {};
}

Value TWindow::Box(const Value& top, const Value& left, const Value& bottom, const Value& right,
                   const Value& hPen) {
  WindowDC dc(*this);
  Selected pen(dc.get(), handleFrom<HPEN>(hPen));
  Selected hollow(dc.get(), GetStockObject(NULL_BRUSH));
  Rectangle(dc.get(), toInt(left), toInt(top), toInt(right) + 1, toInt(bottom) + 1);
  return {};
}

Value TWindow::Line(const Value& top, const Value& left, const Value& bottom, const Value& right,
                    const Value& hPen) {
  WindowDC dc(*this);
  Selected pen(dc.get(), handleFrom<HPEN>(hPen));
  MoveToEx(dc.get(), toInt(left), toInt(top), nullptr);
  LineTo(dc.get(), toInt(right), toInt(bottom));
  return {};
}

// A circle of diameter nWidth whose enclosing square starts at (nCol, nRow).
Value TWindow::Circle(const Value& nRow, const Value& nCol, const Value& width, const Value& hPen) {
  WindowDC dc(*this);
  Selected pen(dc.get(), handleFrom<HPEN>(hPen));
  Selected hollow(dc.get(), GetStockObject(NULL_BRUSH));
  Ellipse(dc.get(), toInt(nCol), toInt(nRow), toInt(nCol) + toInt(width),
          toInt(nRow) + toInt(width));
  return {};
}

// Fills, from (nCol, nRow), the area bounded by nColor with nFillColor (the text colour when
// not given).
Value TWindow::FloodFill(const Value& nRow, const Value& nCol, const Value& nColor,
                         const Value& nFillColor) {
  WindowDC dc(*this);
  const HBRUSH brush = CreateSolidBrush(
      static_cast<COLORREF>(nFillColor.isNumber() ? nFillColor.integer() : nClrText.integer()));
  {
    Selected selected(dc.get(), brush);
    ExtFloodFill(dc.get(), toInt(nCol), toInt(nRow), static_cast<COLORREF>(nColor.integer()),
                 FLOODFILLBORDER);
  }
  DeleteObject(brush);
  return {};
}

Value TWindow::SetPixel(const Value& nRow, const Value& nCol, const Value& nColor) {
  WindowDC dc(*this);
  ::SetPixel(dc.get(), toInt(nCol), toInt(nRow), static_cast<COLORREF>(nColor.integer()));
  return {};
}

// The width in pixels of the text in the window's font (or the given one).
Value TWindow::GetWidth(const Value& cText, const Value& oFontText) {
  const std::string text = textForm(cText);
  WindowDC dc(*this);
  Selected selected(dc.get(),
                    handleOfMember<HFONT>(oFontText.isObject() ? oFontText : oFont, msg::hFont));
  SIZE size{};
  GetTextExtentPoint32A(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  return static_cast<long long>(size.cx);
}

Value TWindow::nVertRes() {
  WindowDC dc(*this);
  return static_cast<long long>(GetDeviceCaps(dc.get(), VERTRES));
}

Value TWindow::nHorzRes() {
  WindowDC dc(*this);
  return static_cast<long long>(GetDeviceCaps(dc.get(), HORZRES));
}

// The system draws drop shadows per window class: the class of this window gets the style.
Value TWindow::Shadow(const Value&) {
  SetClassLongPtrA(hwnd(), GCL_STYLE, GetClassLongPtrA(hwnd(), GCL_STYLE) | CS_DROPSHADOW);
  return {};
}

// Gives the window the tool-window frame (a small caption, no task-bar button), or takes it away.
Value TWindow::ToolWindow(const Value& lOn) {
  const LONG_PTR exStyle = GetWindowLongPtrA(hwnd(), GWL_EXSTYLE);
  setExStyle(hwnd(), flag(lOn, true) ? exStyle | WS_EX_TOOLWINDOW : exStyle & ~WS_EX_TOOLWINDOW);
  nExStyle = static_cast<long long>(GetWindowLongPtrA(hwnd(), GWL_EXSTYLE));
  callWindows([&] {
    return SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  });
  return {};
}

// The client area as a 24-bit .bmp file; answers whether it was written.
Value TWindow::SaveToBmp(const Value& cFile) {
  RECT client{};
  if (!GetClientRect(hwnd(), &client) || client.right <= 0 || client.bottom <= 0) return false;
  const int width = client.right;
  const int height = client.bottom;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(pixels.size());
  {
    WindowDC dc(*this);
    const HDC memory = CreateCompatibleDC(dc.get());
    const HBITMAP bitmap = CreateCompatibleBitmap(dc.get(), width, height);
    {
      Selected selected(memory, bitmap);
      BitBlt(memory, 0, 0, width, height, dc.get(), 0, 0, SRCCOPY);
    }
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  FILE* out = std::fopen(cFile.string().c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                       std::fwrite(&header, sizeof header, 1, out) == 1 &&
                       std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  return std::fclose(out) == 0 && written;
}

// ---- Tooltips ----

Value TWindow::CheckToolTip() {
  ToolTipState& state = toolTipState();
  if (state.shown && state.owner != hwnd()) DestroyToolTip();
  if (!isEmpty(cToolTip) && !(state.shown && state.owner == hwnd())) ShowToolTip();
  return {};
}

// The tip shows at (nCol, nRow) of the client area, below the window by default. uToolTip is a
// text, a closure answering one, or {cText, cTitle, nIcon, nTextColor, nBackColor}.
Value TWindow::ShowToolTip(const Value& nRow, const Value& nCol, const Value& uToolTip) {
  Value tip = uToolTip.isNil() ? cToolTip : uToolTip;
  if (tip.isClosure()) tip = evaluate(tip);
  if (isEmpty(tip) || !hwnd()) return {};
  DestroyToolTip();
  initCommonControls();
  const std::string text = textForm(tip.isList() ? tip.item(1) : tip);
  const bool balloon = lBalloon.logical() || balloonToolTips();
  DWORD style = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX;
  if (balloon) style |= TTS_BALLOON;
  const HWND window = hwnd();
  const HWND tipWindow = callWindows([&] {
    return CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, style, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  });
  if (!tipWindow) return {};
  SetClassLongPtrA(tipWindow, GCL_STYLE, GetClassLongPtrA(tipWindow, GCL_STYLE) | CS_DROPSHADOW);
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = window;
  GetClientRect(window, &tool.rect);
  std::string shown = text;
  tool.lpszText = shown.data();
  auto send = [&](UINT message, WPARAM wParam, LPARAM lParam) {
    return callWindows([&] { return SendMessageA(tipWindow, message, wParam, lParam); });
  };
  send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  send(TTM_SETMAXTIPWIDTH, 0, kToolTipWidth);
  if (tip.isList()) {
    const std::string title = textForm(tip.item(2).isNil() ? Value("") : tip.item(2));
    const Value& icon = tip.item(3);
    send(TTM_SETTITLEA, static_cast<WPARAM>(icon.isNumber() ? icon.integer() : kDefaultToolTipIcon),
         reinterpret_cast<LPARAM>(title.c_str()));
    if (tip.item(4).isNumber()) send(TTM_SETTIPTEXTCOLOR, tip.item(4).integer(), 0);
    if (tip.item(5).isNumber()) send(TTM_SETTIPBKCOLOR, tip.item(5).integer(), 0);
  }
  POINT at{nCol.isNumber() ? toInt(nCol) : kToolTipOffset,
           nRow.isNumber() ? toInt(nRow) : toInt(nHeight()) + kToolTipOffset};
  ClientToScreen(window, &at);
  send(TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
  send(TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  ToolTipState& state = toolTipState();
  state = {tipWindow, window, GetParent(window), true};
  return {};
}

Value TWindow::DestroyToolTip() {
  ToolTipState& state = toolTipState();
  const HWND tip = state.tip;
  state = ToolTipState{};
  if (tip) callWindows([&] { return DestroyWindow(tip); });
  return {};
}

}  // namespace kestrel
