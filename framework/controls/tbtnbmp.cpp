#include "framework/controls/tbtnbmp.h"

#include <windows.h>

#include <utility>

#include "framework/controls/bitmaps.h"
#include "framework/controls/gdiobj.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/wndfuncs.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kDefaultSize = 20;
constexpr long long kButtonStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
constexpr const char* kCrLf = "\r\n";

}  // namespace

LM_DEFINE_CLASS(TBtnBmp) {
  c.data(LM_FIELDS(hBitmap1, hPalette1, cBmpName, bAction, lGroup, oPopup, lPressed, lProcessing));
  c.methods(LM_METHODS(New, Click, DrawItem, EraseBkGnd, Refresh, cGenPrg, Destroy));
  c.creatable();
}

Value TBtnBmp::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const long long top = a.nTop.isNil() ? 0 : a.nTop.integer();
  const long long left = a.nLeft.isNil() ? 0 : a.nLeft.integer();
  const long long width = a.nWidth.isNil() ? kDefaultSize : a.nWidth.integer();
  const long long height = a.nHeight.isNil() ? kDefaultSize : a.nHeight.integer();
  nTop = top;
  nLeft = left;
  nBottom = top + height - 1;
  nRight = left + width - 1;
  cBmpName = a.cBmpName.isText() ? a.cBmpName : Value("");
  cCaption = a.cCaption.isText() ? a.cCaption : Value("");
  oWnd = a.oWnd.isNil() ? GETWNDDEFAULT() : a.oWnd;
  bAction = a.bAction;
  lCancel = flag(a.lCancel);
  lTransparent = flag(a.lTransparent);
  lGroup = flag(a.lGroup);
  oPopup = a.oPopup;
  lPressed = false;
  lProcessing = false;
  lDrag = false;
  lCaptured = false;
  nStyle = kButtonStyle;
  nId = GetNewId();
  if (!cBmpName.string().empty()) {
    hBitmap1 = handleNumber(loadBitmapFileOrResource(resourceModule(), cBmpName.string()));
  }
  createOrDefer("BUTTON", false, [&] {
    if (const Value font = parent()->oFont; font.isObject()) SetFont(font);
  });
  return self();
}

// The action never runs inside itself (a box it opens would let a second click in).
Value TBtnBmp::Click() {
  if (flag(lProcessing)) return {};
  const lanmere::Ref<TBtnBmp> keep(this);
  struct Idle {
    Value& processing;
    ~Idle() { processing = false; }
  } idle{lProcessing};
  lProcessing = true;
  if (bWhen.isClosure() && !lWhen().logical()) return {};
  return evaluate(bAction, self());
}

// Flat: the background, then the bitmap centred or the caption, a sunken edge while pressed.
Value TBtnBmp::DrawItem(const Value&, const Value& pItemStruct) {
  const auto* item =
      reinterpret_cast<const DRAWITEMSTRUCT*>(static_cast<std::intptr_t>(pItemStruct.integer()));
  if (!item || item->hwndItem != hwnd()) return {};
  const HDC dc = item->hDC;
  RECT box = item->rcItem;
  const bool pressed = (item->itemState & ODS_SELECTED) != 0;
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  lPressed = pressed;
  FillRect(dc, &box, GetSysColorBrush(flag(lTransparent) ? COLOR_WINDOW : COLOR_BTNFACE));
  const int shift = pressed ? 1 : 0;
  if (const HBITMAP bitmap = handleFrom<HBITMAP>(hBitmap1)) {
    const SIZE size = bitmapSize(bitmap);
    const HDC memory = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const int x = box.left + (box.right - box.left - size.cx) / 2 + shift;
    const int y = box.top + (box.bottom - box.top - size.cy) / 2 + shift;
    BitBlt(dc, x, y, size.cx, size.cy, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  } else {
    const std::string text = textForm(cCaption);
    RECT place = box;
    OffsetRect(&place, shift, shift);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &place,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  if (pressed) DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
  return 1;
}

Value TBtnBmp::EraseBkGnd(const Value&) {
  return 1;  // the drawing covers the whole button
}

Value TBtnBmp::Refresh(const Value& lErase) {
  if (hwnd()) InvalidateRect(hwnd(), nullptr, flag(lErase));
  return {};
}

Value TBtnBmp::cGenPrg() {
  auto quoted = [](const Value& text) { return "\"" + textForm(text) + "\""; };
  return "   @ " + std::to_string(nTop.integer()) + ", " + std::to_string(nLeft.integer()) +
         " BTNBMP SIZE " + std::to_string(nRight.integer() - nLeft.integer() + 1) + ", " +
         std::to_string(nBottom.integer() - nTop.integer() + 1) + " PIXEL OF oWnd" +
         (textForm(cBmpName).empty() ? " PROMPT " + quoted(cCaption)
                                     : " RESOURCE " + quoted(cBmpName)) +
         (flag(lCancel) ? " CANCEL" : "") + kCrLf;
}

Value TBtnBmp::Destroy() {
  if (!isEmpty(hBitmap1)) DELETEOBJECT(std::exchange(hBitmap1, Value(0)));
  return TControl::Destroy();
}

Value TBTNBMP() {
  return Value(lanmere::make<TBtnBmp>());
}

const lanmere::ModuleTable& tBtnBmpModule() {
  TBtnBmp::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TBTNBMP>("TBTNBMP")}};
  return module;
}

}  // namespace kestrel
