#include "framework/controls/tscrollbar.h"

#include <windows.h>

#include "framework/controls/scrollbar_native.h"
#include "framework/core/args.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kRowHeight = 14;
constexpr long long kColumnWidth = 8;
constexpr long long kVerticalSize[] = {16, 100};    // width, height
constexpr long long kHorizontalSize[] = {100, 17};  // width, height
constexpr int kFrameVertical = SB_VERT;             // 1
constexpr int kFrameHorizontal = SB_HORZ;           // 0
constexpr int kControlBar = SB_CTL;                 // 2
constexpr long long kOrientVertical = 1;
constexpr long long kOrientHorizontal = 2;

}  // namespace

LM_DEFINE_CLASS(TScrollBar) {
  c.data(LM_FIELDS(lVertical, lReDraw, lIsChild, nMin, nMax, nPgStep, bGoUp, bGoDown, bGoTop,
                   bGoBottom, bPageUp, bPageDown, bPos, bTrack));
  c.classData("aProperties", Value::list({"cVarName", "nMin", "nMax", "nPgStep", "nTop", "nLeft",
                                          "nWidth", "nHeight", "Cargo", "nOrientation"}));
  c.methods(LM_METHODS(New, WinNew, ReDefine, Initiate, GetPos, GetRange, SetPos, SetRange, GoUp,
                       GoDown, GoTop, GoBottom, PageUp, PageDown, ThumbPos, ThumbTrack, SetPage,
                       nOrientation, _nOrientation, cToChar, MouseMove, HandleEvent, Destroy));
  c.creatable();
}

Value TScrollBar::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool design = flag(a.lDesign);
  const bool vertical = a.lVertical.isNil() || flag(a.lVertical);
  const bool pixel = flag(a.lPixel);
  const long long* size = vertical ? kVerticalSize : kHorizontalSize;
  const long long width = number(a.nWidth, size[0]);
  const long long height = number(a.nHeight, size[1]);
  cCaption = "";
  nTop = cellPixels(a.nRow, pixel ? 1 : kRowHeight);
  nLeft = cellPixels(a.nCol, pixel ? 1 : kColumnWidth);
  nBottom = nTop.integer() + height - 1;
  nRight = nLeft.integer() + width - 1;
  nMin = number(a.nMin, 0);
  nMax = number(a.nMax, 0);
  nPgStep = number(a.nPgStep, 1);
  lVertical = vertical;
  lReDraw = true;
  bGoUp = a.bUp;
  bGoDown = a.bDown;
  bPageUp = a.bPgUp;
  bPageDown = a.bPgDn;
  bPos = a.bPos;
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  lIsChild = false;
  lDrag = design;
  lCaptured = false;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bValid = a.bValid;
  nStyle = static_cast<long long>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | (vertical ? SBS_VERT : 0) |
                                  (design ? WS_CLIPSIBLINGS : 0));
  nId = GetNewId();
  SetColor(orDefault(a.nClrText, sysColor(COLOR_WINDOW)),
           orDefault(a.nClrBack, sysColor(COLOR_SCROLLBAR)));
  createOrDefer("SCROLLBAR", design, [&] {
    SetRange(nMin, nMax);
    SetPos(nMin);
  });
  return self();
}

Value TScrollBar::WinNew(Args args) {
  const WinNewArgs a = WinNewArgs::from(args);
  oWnd = a.oWnd;
  lVertical = a.lVertical.isNil() || flag(a.lVertical);
  lReDraw = true;
  lIsChild = true;
  nMin = number(a.nMin, 1);
  nMax = number(a.nMax, 2);
  nPgStep = number(a.nPgStep, 1);
  bGoUp = a.bUp;
  bGoDown = a.bDown;
  bPageUp = a.bPgUp;
  bPageDown = a.bPgDn;
  bPos = a.bPos;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bValid = a.bValid;
  hWnd = 0;  // the colours (nClrText, nClrBack) are accepted: a frame bar has no brush
  SetRange(nMin, nMax);
  SetPos(nMin);
  return self();
}

Value TScrollBar::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  nMin = number(a.nMin, 0);
  nMax = number(a.nMax, 0);
  nPgStep = number(a.nPgStep, 1);
  lVertical = false;  // the resource's style decides, once the window exists
  lReDraw = true;
  bGoUp = a.bUp;
  bGoDown = a.bDown;
  bPageUp = a.bPgUp;
  bPageDown = a.bPgDn;
  bPos = a.bPos;
  lIsChild = false;
  lDrag = false;
  lCaptured = false;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bValid = a.bValid;
  hWnd = 0;
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  SetColor(orDefault(a.nClrText, sysColor(COLOR_WINDOW)),
           orDefault(a.nClrBack, sysColor(COLOR_SCROLLBAR)));
  Redefine(a.nId, oWnd);
  return self();
}

// A redefined bar learns its orientation from the resource: reporting it horizontal whatever
// the style would turn a saved vertical bar horizontal when the form is loaded again.
Value TScrollBar::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  if (!hwnd()) return {};
  lVertical = (GetWindowLongPtrA(hwnd(), GWL_STYLE) & SBS_VERT) != 0;
  SetRange(nMin, nMax);
  SetPos(nMin);
  return {};
}

Value TScrollBar::barWindow() const {
  if (!flag(lIsChild)) return hWnd;
  const TWindow* owner = parent();
  return owner ? owner->hWnd : Value(0);
}

Value TScrollBar::barSelector() const {
  if (!flag(lIsChild)) return static_cast<long long>(kControlBar);
  return static_cast<long long>(flag(lVertical) ? kFrameVertical : kFrameHorizontal);
}

Value TScrollBar::GetPos() {
  return GETSCROLLPOS(barWindow(), barSelector());
}

Value TScrollBar::GetRange() {
  return GETSCROLLRANGE(barWindow(), barSelector());
}

Value TScrollBar::SetPos(const Value& nPos) {
  return SETSCROLLPOS(barWindow(), barSelector(), nPos, lReDraw);
}

Value TScrollBar::SetRange(const Value& nMinNew, const Value& nMaxNew) {
  nMin = nMinNew;
  nMax = nMaxNew;
  return SETSCROLLRANGE(barWindow(), barSelector(), nMin, nMax, lReDraw);
}

// The closure runs after the move, also when the bar was already at its end.
Value TScrollBar::moveTo(long long pos, const Value& closure) {
  SetPos(pos);
  return closure.isClosure() ? evaluate(closure) : Value();
}

Value TScrollBar::GoUp() {
  const long long pos = GetPos().integer();
  if (pos > nMin.integer()) SetPos(pos - 1);
  return bGoUp.isClosure() ? evaluate(bGoUp) : Value();
}

Value TScrollBar::GoDown() {
  const long long pos = GetPos().integer();
  if (pos < nMax.integer()) SetPos(pos + 1);
  return bGoDown.isClosure() ? evaluate(bGoDown) : Value();
}

Value TScrollBar::GoTop() {
  return moveTo(nMin.integer(), bGoTop);
}

Value TScrollBar::GoBottom() {
  return moveTo(nMax.integer(), bGoBottom);
}

// The system keeps the position inside the range.
Value TScrollBar::PageUp() {
  return moveTo(GetPos().integer() - nPgStep.integer(), bPageUp);
}

Value TScrollBar::PageDown() {
  return moveTo(GetPos().integer() + nPgStep.integer(), bPageDown);
}

Value TScrollBar::ThumbPos(const Value& nPos) {
  return bPos.isClosure() ? evaluate(bPos, nPos) : Value();
}

Value TScrollBar::ThumbTrack(const Value& nPos) {
  return bTrack.isClosure() ? evaluate(bTrack, nPos) : Value();
}

Value TScrollBar::SetPage(const Value& nSize, const Value& lRedraw) {
  nPgStep = nSize;
  const bool own = !isEmpty(hWnd);
  const Value window = own ? hWnd : barWindow();
  const Value selector =
      own ? Value(static_cast<long long>(kControlBar))
          : Value(static_cast<long long>(flag(lVertical) ? kFrameVertical : kFrameHorizontal));
  return SETSCROLLINFO(window, selector, nSize, flag(lRedraw));
}

Value TScrollBar::nOrientation() {
  return flag(lVertical) ? kOrientVertical : kOrientHorizontal;
}

// Only the window's style changes; lVertical keeps what the bar was made as.
Value TScrollBar::_nOrientation(const Value& nOrient) {
  if (!hwnd()) return nOrient;
  const LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
  const bool isVertical = (style & SBS_VERT) != 0;
  const long long wanted = nOrient.integer();
  if (wanted == kOrientHorizontal && isVertical) {
    SetWindowLongPtrA(hwnd(), GWL_STYLE, style & ~static_cast<LONG_PTR>(SBS_VERT));
  } else if (wanted == kOrientVertical && !isVertical) {
    SetWindowLongPtrA(hwnd(), GWL_STYLE, style | SBS_VERT);
  }
  nStyle = static_cast<long long>(static_cast<DWORD>(GetWindowLongPtrA(hwnd(), GWL_STYLE)));
  return nOrient;
}

Value TScrollBar::cToChar(const Value& cClassName) {
  return TControl::cToChar(cClassName.isText() ? cClassName : Value("SCROLLBAR"));
}

Value TScrollBar::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const Value answer = TControl::MouseMove(nRow, nCol, nFlags);
  return flag(lDrag) ? answer : Value();
}

Value TScrollBar::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  switch (nMsg.integer()) {
    case kWmFrameworkLineUp:
      GoUp();
      return 0;
    case kWmFrameworkLineDown:
      GoDown();
      return 0;
    case kWmFrameworkPageUp:
      PageUp();
      return 0;
    case kWmFrameworkPageDown:
      PageDown();
      return 0;
    case kWmFrameworkThumbPos:
      ThumbPos(nWParam);
      return 0;
    case kWmFrameworkThumbTrack:
      ThumbTrack(nWParam);
      return 0;
    default:
      return TControl::HandleEvent(nMsg, nWParam, nLParam);
  }
}

// A frame bar has no window: it lets go of its owner and closures, which refer back to it.
Value TScrollBar::Destroy() {
  if (!flag(lIsChild)) return TControl::Destroy();
  for (Value* link : {&oWnd, &bGoUp, &bGoDown, &bGoTop, &bGoBottom, &bPageUp, &bPageDown, &bPos,
                      &bTrack, &bWhen, &bValid}) {
    *link = Value();
  }
  return {};
}

Value TSCROLLBAR() {
  return Value(lanmere::make<TScrollBar>());
}

const lanmere::ModuleTable& tScrollBarModule() {
  TScrollBar::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TSCROLLBAR>("TSCROLLBAR")}};
  return module;
}

}  // namespace kestrel
