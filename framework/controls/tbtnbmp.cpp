#include "framework/controls/tbtnbmp.h"

#include <windows.h>

#include <utility>

#include "framework/controls/bitmaps.h"
#include "framework/controls/gdiobj.h"
#include "framework/controls/gradient.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/wndfuncs.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kDefaultSize = 20;
constexpr long long kButtonStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
constexpr const char* kCrLf = "\r\n";
constexpr long long kArrowWidth = 13;  // the drop-down arrow's part of a bar button

// A bar button's image: the file when one exists, else the resource; 0 without either.
Value barImage(const Value& file, const Value& resource) {
  if (file.isText() && !file.text().empty() && fileExists(file.string())) {
    return handleNumber(readBitmapFile(file.string()));
  }
  if (resource.isText() && !resource.text().empty()) {
    return handleNumber(loadBitmapResource(resourceModule(), resource.string()));
  }
  return 0;
}

bool isSet(const Value& text) {
  return text.isText() && !text.text().empty();
}

// A small arrow pointing down, centred in `area`.
void drawArrow(HDC dc, const RECT& area, COLORREF colour) {
  const int middle = (area.left + area.right) / 2;
  const int top = (area.top + area.bottom) / 2 - 1;
  const HPEN pen = CreatePen(PS_SOLID, 1, colour);
  const HGDIOBJ old = SelectObject(dc, pen);
  for (int n = 0; n < 3; ++n) {
    MoveToEx(dc, middle - 2 + n, top + n, nullptr);
    LineTo(dc, middle + 3 - n, top + n);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

// A flat bar button's face: the gradient the bar's bClrGrad answers (for the hot or down look when
// asked with true), a solid face when it answers a colour number instead, and the bar's pane
// colour when it answers neither.
void paintFace(HDC dc, const RECT& box, const Value& look, const Value& pane) {
  if (look.isList()) {
    gradientFill(dc, RECT{box.left, box.top, box.right - 1, box.bottom - 1}, look, true);
    return;
  }
  const Value& colour = look.isNumber() ? look : pane;
  if (!colour.isNumber()) {
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  const HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour.integer()));
  FillRect(dc, &box, brush);
  DeleteObject(brush);
}

}  // namespace

LM_DEFINE_CLASS(TBtnBmp) {
  c.data(LM_FIELDS(hBitmap1, hPalette1, cBmpName, bAction, lGroup, oPopup, lPressed, lProcessing,
                   cResName1, cResName2, cBmpFile1, cBmpFile2, cAction, lAdjust, hBitmap2));
  c.methods(LM_METHODS(New, NewBar, Click, DrawItem, EraseBkGnd, Refresh, cGenPrg, Destroy,
                       LButtonDown, MouseMove, HandleEvent));
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

Value TBtnBmp::NewBar(Args args) {
  const NewBarArgs a = NewBarArgs::from(args);
  oWnd = a.oBar;
  barButton_ = true;
  cResName1 = a.cResName1;
  cResName2 = a.cResName2;
  cBmpFile1 = a.cBmpFile1;
  cBmpFile2 = a.cBmpFile2;
  cMsg = a.cMsg;
  bAction = a.bAction;
  lGroup = flag(a.lGroup);
  lAdjust = flag(a.lAdjust);
  cToolTip = a.cToolTip;
  lPressed = flag(a.lPressed);
  cAction = a.cAction;
  oPopup = a.oPopup;
  bWhen = a.bWhen;
  cCaption = a.cCaption.isText() ? a.cCaption : Value("");
  cBmpName = "";
  lProcessing = false;
  lCancel = false;
  lTransparent = false;
  lDrag = false;
  lCaptured = false;
  l97Look = true;
  const long long width =
      number(tell(oWnd, msg::nBtnWidth), kDefaultSize) + (oPopup.isObject() ? kArrowWidth : 0);
  const long long height = number(tell(oWnd, msg::nBtnHeight), kDefaultSize);
  const long long top = number(tell(oWnd, msg::GetBtnTop, lGroup), 0);
  const long long left = number(tell(oWnd, msg::GetBtnLeft, lGroup, a.nPos), 0);
  nTop = top;
  nLeft = left;
  nBottom = top + height - 1;
  nRight = left + width - 1;
  nStyle = kButtonStyle;
  nId = GetNewId();
  hBitmap1 = barImage(cBmpFile1, cResName1);
  hBitmap2 = barImage(cBmpFile2, cResName2);
  if (!parentHwnd()) return self();
  Create("BUTTON");
  if (const Value font = parent()->oFont; font.isObject()) SetFont(font);
  tell(oWnd, msg::Add, self(), a.nPos);
  return self();
}

// The action never runs inside itself (a box it opens would let a second click in).
Value TBtnBmp::Click() {
  if (flag(lProcessing)) return {};
  const lanmere::Ref<TBtnBmp> keep(this);
  const Value bar = oWnd;  // the action may end the bar that holds the button
  struct Idle {
    Value& processing;
    ~Idle() { processing = false; }
  } idle{lProcessing};
  lProcessing = true;
  if (bWhen.isClosure() && !lWhen().logical()) return {};
  return evaluate(bAction, self());
}

// The background (a bar's gradient or edges while hot or down), then the image centred (or
// stretched to the face) or the caption, greyed when disabled; the arrow of a drop-down button.
Value TBtnBmp::DrawItem(const Value&, const Value& pItemStruct) {
  const auto* item =
      reinterpret_cast<const DRAWITEMSTRUCT*>(static_cast<std::intptr_t>(pItemStruct.integer()));
  if (!item || item->hwndItem != hwnd()) return {};
  const HDC dc = item->hDC;
  RECT box = item->rcItem;
  const bool down = (item->itemState & ODS_SELECTED) != 0 || dropped_ || flag(lPressed);
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  const bool flatBar = onBar() && (flag(tell(oWnd, msg::l2007)) || flag(tell(oWnd, msg::l2010)));
  if (flatBar) {
    const TWindow* bar = parent();
    paintFace(dc, box, evaluate(tell(oWnd, msg::bClrGrad), hot_ || down),
              bar ? bar->nClrPane : Value());
  } else {
    FillRect(dc, &box, GetSysColorBrush(flag(lTransparent) ? COLOR_WINDOW : COLOR_BTNFACE));
  }
  RECT face = box;
  if (oPopup.isObject() && onBar()) face.right -= static_cast<LONG>(kArrowWidth);
  const int shift = down ? 1 : 0;
  const HBITMAP image = handleFrom<HBITMAP>(down && !isEmpty(hBitmap2) ? hBitmap2 : hBitmap1);
  if (image) {
    const SIZE size = bitmapSize(image);
    const bool stretch = flag(lAdjust);
    const int width = stretch ? face.right - face.left : size.cx;
    const int height = stretch ? face.bottom - face.top : size.cy;
    const int x = face.left + (face.right - face.left - width) / 2 + shift;
    const int y = face.top + (face.bottom - face.top - height) / 2 + shift;
    if (disabled) {
      DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(image), 0, x, y, size.cx, size.cy,
                 DST_BITMAP | DSS_DISABLED);
    } else {
      const HDC memory = CreateCompatibleDC(dc);
      const HGDIOBJ old = SelectObject(memory, image);
      if (stretch) {
        StretchBlt(dc, x, y, width, height, memory, 0, 0, size.cx, size.cy, SRCCOPY);
      } else {
        BitBlt(dc, x, y, size.cx, size.cy, memory, 0, 0, SRCCOPY);
      }
      SelectObject(memory, old);
      DeleteDC(memory);
    }
  } else {
    const std::string text = textForm(cCaption);
    RECT place = face;
    OffsetRect(&place, shift, shift);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &place,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  if (oPopup.isObject() && onBar()) {
    drawArrow(dc, RECT{face.right, box.top, box.right, box.bottom},
              GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  }
  if (down && !flatBar) {
    DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
  } else if (hot_ && onBar() && !flatBar) {
    DrawEdge(dc, &box, BDR_RAISEDINNER, BF_RECT);  // the 97 look
  }
  return 1;
}

// The hot look ends when the mouse leaves, and with it the button's message and tip.
Value TBtnBmp::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (nMsg.integer() == WM_MOUSELEAVE) {
    leave();
    return 0;
  }
  return TControl::HandleEvent(nMsg, nWParam, nLParam);
}

void TBtnBmp::leave() {
  if (!hot_) return;
  hot_ = false;
  if (toolTipState().owner == hwnd() && hwnd()) DestroyToolTip();
  if (!cMsg.isNil()) SetMsg(Value());
  Refresh();
}

Value TBtnBmp::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (!hot_ && hwnd()) {
    hot_ = true;
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd(), 0};
    TrackMouseEvent(&track);
    Refresh();
  }
  return TControl::MouseMove(nRow, nCol, nFlags);
}

// A press on the arrow opens the drop-down menu under the button, which stays down until the
// menu closes; anywhere else it is the button's own press.
Value TBtnBmp::LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (onBar() && oPopup.isObject() && hwnd()) {
    RECT client{};
    GetClientRect(hwnd(), &client);
    if (nCol.integer() >= client.right - kArrowWidth) {
      const lanmere::Ref<TBtnBmp> keep(this);
      // The menu shows for the window holding the button (the bar, or its tool window), whose
      // commands reach the open menu: the button's own oPopup is its drop-down menu.
      const Value holder = OWNDFROMHWND(handleNumber(GetParent(hwnd())));
      RECT place = client;
      MapWindowPoints(hwnd(), GetParent(hwnd()), reinterpret_cast<POINT*>(&place), 2);
      dropped_ = true;
      RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      tell(oPopup, msg::Activate, static_cast<long long>(place.bottom),
           static_cast<long long>(place.left), holder);
      dropped_ = false;
      if (hwnd()) Refresh();
      return 0;
    }
  }
  return TControl::LButtonDown(nRow, nCol, nFlags);
}

Value TBtnBmp::EraseBkGnd(const Value&) {
  return 1;  // the drawing covers the whole button
}

Value TBtnBmp::Refresh(const Value& lErase) {
  if (hwnd()) InvalidateRect(hwnd(), nullptr, flag(lErase));
  return {};
}

// A bar button declares itself on its bar: its images (resources, else files), prompt, message,
// tool tip, action and group, each only when set.
Value TBtnBmp::cGenPrg() {
  auto quoted = [](const Value& text) { return "\"" + textForm(text) + "\""; };
  if (onBar()) {
    std::string text = "   DEFINE BUTTON OF oBar";
    const auto images = [&](const char* word, const Value& first, const Value& second) {
      text += std::string(" ") + word + " " + quoted(first);
      if (isSet(second)) text += ", " + quoted(second);
    };
    if (isSet(cResName1)) {
      images("RESOURCE", cResName1, cResName2);
    } else if (isSet(cBmpFile1)) {
      images("FILENAME", cBmpFile1, cBmpFile2);
    }
    if (isSet(cCaption)) text += " PROMPT " + quoted(cCaption);
    if (isSet(cMsg)) text += " MESSAGE " + quoted(cMsg);
    if (isSet(cToolTip)) text += " TOOLTIP " + quoted(cToolTip);
    if (isSet(cAction)) text += " ACTION " + cAction.string();
    if (flag(lGroup)) text += " GROUP";
    return text + kCrLf;
  }
  return "   @ " + std::to_string(nTop.integer()) + ", " + std::to_string(nLeft.integer()) +
         " BTNBMP SIZE " + std::to_string(nRight.integer() - nLeft.integer() + 1) + ", " +
         std::to_string(nBottom.integer() - nTop.integer() + 1) + " PIXEL OF oWnd" +
         (textForm(cBmpName).empty() ? " PROMPT " + quoted(cCaption)
                                     : " RESOURCE " + quoted(cBmpName)) +
         (flag(lCancel) ? " CANCEL" : "") + kCrLf;
}

Value TBtnBmp::Destroy() {
  if (!isEmpty(hBitmap1)) DELETEOBJECT(std::exchange(hBitmap1, Value(0)));
  if (!isEmpty(hBitmap2)) DELETEOBJECT(std::exchange(hBitmap2, Value(0)));
  hot_ = dropped_ = false;
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
