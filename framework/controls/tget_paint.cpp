// TGet's look: the focus colour of all fields, margins, the cue banner, the painting of
// read-only and disabled fields, and size changes.
#include <windows.h>

#include <string>

#include "framework/controls/editnative.h"
#include "framework/controls/tget.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr UINT kCueBanner = 5377;
constexpr int kArrowMetric = 3;  // the scroll-arrow size a spinner takes from the text

}  // namespace

// ---- Appearance ----

Value TGet::setColorFocusAll(const Value& nClr) {
  const Value previous = classValue(msg::nClrFocus);
  classValue(msg::lClrFocus) = true;
  if (!nClr.isNil()) classValue(msg::nClrFocus) = nClr;
  return previous;
}

Value TGet::SetMargins(const Value& nLeftMargin, const Value& nRightMargin) {
  if (!hwnd()) return {};
  const auto left = static_cast<WORD>(nLeftMargin.integer());
  const auto right = static_cast<WORD>(nRightMargin.integer());
  SendMessageA(hwnd(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
  return {};
}

Value TGet::GetMargins() {
  const auto margins = hwnd() ? static_cast<DWORD>(SendMessageA(hwnd(), EM_GETMARGINS, 0, 0)) : 0;
  return Value::list(
      {static_cast<long long>(LOWORD(margins)), static_cast<long long>(HIWORD(margins))});
}

Value TGet::SetCueBanner(const Value& lShowFocused, const Value& cTextIn) {
  if (cTextIn.isText()) cCueText = cTextIn;
  if (!hwnd() || !cCueText.isText()) return {};
  const std::string narrow = cCueText.string();
  const std::wstring wide(narrow.begin(), narrow.end());
  return static_cast<long long>(SendMessageA(hwnd(), kCueBanner, flag(lShowFocused) ? TRUE : FALSE,
                                             reinterpret_cast<LPARAM>(wide.c_str())));
}

Value TGet::LimitText(const Value& nChars) {
  if (hwnd()) SendMessageA(hwnd(), EM_LIMITTEXT, static_cast<WPARAM>(nChars.integer()), 0);
  return {};
}

// A read-only or disabled field draws its text itself, in the grey look or its own colours.
Value TGet::Paint() {
  const HDC dc = handleFrom<HDC>(hDC);
  if (!dc || !hwnd()) return 1;
  RECT client{};
  GetClientRect(hwnd(), &client);
  auto colour = [](const Value& chosen, const Value& normal) {
    const Value v = chosen.isClosure() ? evaluate(chosen) : chosen;
    return static_cast<COLORREF>((v.isNumber() && v.integer() >= 0 ? v : normal).integer());
  };
  COLORREF text = 0, back = 0;
  if (flag(classValue(msg::lDisColors))) {
    text = GetSysColor(COLOR_GRAYTEXT);
    back = GetSysColor(COLOR_WINDOW);
  } else {
    text = colour(nClrTextDis, nClrText);
    back = colour(nClrPaneDis, nClrPane);
  }
  if (const HBRUSH brush = handleOfMember<HBRUSH>(oBrush, msg::hBrush)) {
    FillRect(dc, &client, brush);
  } else {
    SetDCBrushColor(dc, back);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
  const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetTextColor(dc, text);
  SetBkColor(dc, back);
  SetBkMode(dc, TRANSPARENT);
  const LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
  const int width = client.right - client.left;
  const int arrows = flag(lSpinner) ? GetSystemMetrics(kArrowMetric) : 0;
  int x = 2;
  UINT align = TA_LEFT;
  if (style & ES_CENTER) {
    x = (width - 3) / 2 - arrows;
    align = TA_CENTER;
  } else if (style & ES_RIGHT) {
    const int button = oBtn.isObject() ? client.bottom - client.top : 0;
    x = width - 7 - (arrows ? arrows : button);
    align = TA_RIGHT;
  }
  SetTextAlign(dc, align);
  const std::string shown = windowText(hwnd());
  ExtTextOutA(dc, x, 1, static_cast<UINT>(nTxtStyle.integer()) & ETO_CLIPPED, &client,
              shown.c_str(), static_cast<UINT>(shown.size()), nullptr);
  if (oldFont) SelectObject(dc, oldFont);
  evaluate(bPainted, hDC, cPS, self());
  if (flag(lBtnTransparent) && oBtn.isObject()) {
    tell(oBtn, msg::SetColor, static_cast<long long>(text), static_cast<long long>(back));
  }
  return 1;
}

// One BeginPaint and EndPaint pair per paint message: the update region is validated, so no
// paint loop can start. An editable, enabled field is left to the system control.
Value TGet::Display() {
  if (!hwnd() || (!flag(lReadOnly) && IsWindowEnabled(hwnd()))) return {};
  PAINTSTRUCT ps{};
  const HDC dc = ::BeginPaint(hwnd(), &ps);
  hDC = handleNumber(dc);
  cPS = std::string(reinterpret_cast<const char*>(&ps), sizeof ps);
  Paint();
  ::EndPaint(hwnd(), &ps);
  hDC = 0;
  return 1;
}

Value TGet::EraseBkGnd(const Value&) {
  return 1;
}

Value TGet::Move(const Value& top, const Value& left, const Value& width, const Value& height,
                 const Value& lRepaint) {
  TControl::Move(top, left, width, height, lRepaint);
  MOVEGET(hWnd);
  return {};
}

Value TGet::ReSize(const Value& nSizeType, const Value& nWidth, const Value& nHeight) {
  TControl::ReSize(nSizeType, nWidth, nHeight);
  if (flag(lDrag)) Refresh();
  return {};
}

}  // namespace kestrel
