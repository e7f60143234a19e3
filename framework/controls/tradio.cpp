#include "framework/controls/tradio.h"

#include <windows.h>

#include <string>
#include <utility>

#include "framework/controls/ctlsource.h"
#include "framework/controls/tradmenu.h"
#include "framework/core/args.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kRowHeight = 13;
constexpr long long kColumnWidth = 7;
constexpr long long kLeftMargin = 4;
constexpr long long kCharWidth = 5;       // pixels per caption character
constexpr long long kDefaultBottom = 12;  // the bottom edge below the top, inclusive
constexpr long long kRadioStyle = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON;

// Clears a flag however the scope is left.
class Raised {
 public:
  explicit Raised(bool& flag) : flag_(flag) { flag_ = true; }
  Raised(const Raised&) = delete;
  Raised& operator=(const Raised&) = delete;
  ~Raised() { flag_ = false; }

 private:
  bool& flag_;
};

// What New and ReDefine both take, by the same names.
template <class A>
void storeShared(TRadio& radio, const A& a) {
  radio.lChecked = flag(a.lChecked);
  radio.nPos = number(a.nPos, 1);
  radio.oRadMenu = a.oRadMenu.isObject() ? a.oRadMenu : TRADMENU();
  radio.nHelpId = a.nHelpId;
  radio.cMsg = a.cMsg;
  radio.lUpdate = flag(a.lUpdate);
  radio.bWhen = a.bWhen;
  radio.bValid = a.bValid;
}

}  // namespace

LM_DEFINE_CLASS(TRadio) {
  c.data(LM_FIELDS(lChecked, oRadMenu, nPos));
  c.classData("aEvents", Value::list({Value::list({"OnClick", "Sender"})}));
  c.methods(LM_METHODS(New, ReDefine, Initiate, HandleEvent, SetCheck, lIsChecked, Check, UnCheck,
                       Default, Click, ClickRefused, GotFocus, KeyDown, GetDlgCode, Refresh,
                       EraseBkGnd, SetText, LButtonUp, MouseMove, cToChar, Destroy));
  c.method<&TRadio::saveToRC>("SaveToRC");
  c.creatable();
}

TRadMenu* TRadio::group() const {
  if (!oRadMenu.isObject() || !oRadMenu.object()->classInfo().derivesFrom(TRadMenu::Class())) {
    return nullptr;
  }
  return static_cast<TRadMenu*>(oRadMenu.object());
}

// Without a text colour the owner's; the back colour is the owner's pane unless given.
void TRadio::setColors(const Value& text, const Value& back) {
  const TWindow* above = parent();
  SetColor(text.isNil() && above ? above->nClrText : text,
           back.isNil() && above ? above->nClrPane : back);
}

// A button without a group gets an empty one of its own: it is no item of it, so no value is
// bound and the system alone keeps its mark.
Value TRadio::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool pixel = flag(a.lPixel);
  const bool design = flag(a.lDesign);
  cCaption = orDefault(a.cCaption, Value(""));
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  TWindow* above = parent();
  const auto captionLength = static_cast<long long>(textForm(cCaption).size());
  nTop = cellPixels(a.nRow, pixel ? 1 : number(a.nHeight, kRowHeight));
  nLeft = cellPixels(a.nCol, pixel ? 1 : kColumnWidth) + kLeftMargin;
  // Inclusive edges: a given size is the window's.
  nBottom = nTop.integer() + (a.nHeight.isNumber() ? a.nHeight.integer() - 1 : kDefaultBottom);
  nRight =
      nLeft.integer() + (a.nWidth.isNumber() ? a.nWidth.integer() - 1 : kCharWidth * captionLength);
  const bool first = flag(a.lGroup);
  nStyle = kRadioStyle | (first ? WS_GROUP | WS_TABSTOP : 0) | (design ? WS_CLIPSIBLINGS : 0);
  nId = GetNewId();
  lDrag = design;
  lCaptured = false;
  storeShared(*this, a);
  setColors(a.nClrText, a.nClrPane);
  oFont = above ? above->oFont : Value();
  createOrDefer("BUTTON", design, [&] {
    Default();
    if (oFont.isObject()) SetFont(oFont);
  });
  return self();
}

Value TRadio::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  storeShared(*this, a);
  lDrag = false;
  lCaptured = false;
  setColors(a.nClrText, a.nClrPane);
  hWnd = 0;
  Redefine(a.nId, oWnd);
  return self();
}

Value TRadio::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  SetCheck(lChecked);
  return {};
}

// A click the dialog's command check sends says so in wParam: the control awaiting validation
// has been asked already.
Value TRadio::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (nMsg.integer() == kWmFrameworkClick) checked_ = nWParam.integer() == kClickChecked;
  return TControl::HandleEvent(nMsg, nWParam, nLParam);
}

Value TRadio::SetCheck(const Value& lOn) {
  const bool on = flag(lOn);
  lChecked = on;
  if (hwnd()) {
    callWindows([&] { return SendMessageA(hwnd(), BM_SETCHECK, on ? BST_CHECKED : 0, 0); });
  }
  return {};
}

Value TRadio::lIsChecked() {
  if (hwnd()) lChecked = SendMessageA(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  return lChecked;
}

Value TRadio::Check() {
  return SetCheck(true);
}

Value TRadio::UnCheck() {
  return SetCheck(false);
}

Value TRadio::Default() {
  if (lChecked.logical()) SetCheck(true);
  return {};
}

// The system has checked this button already; a refused click puts the marks back to the value.
Value TRadio::Click() {
  const bool checked = std::exchange(checked_, false);
  if (focusing_) return {};
  const lanmere::Ref<TRadio> keep(this);
  TRadMenu* mine = group();
  const Value held = oRadMenu;  // the group lives through its closures
  if (!checked && !validateAwaiting()) {
    if (mine) mine->syncMarks();
    return {};
  }
  if (mine) {
    try {
      mine->Select(self());
      mine->Refresh();
    } catch (...) {
      mine->syncMarks();
      throw;
    }
  }
  return TControl::Click();
}

Value TRadio::ClickRefused() {
  if (TRadMenu* mine = group()) mine->syncMarks();
  return {};
}

// Reached by the keyboard, a group's button hands the focus to the checked one. The system's
// own click of a button that gets the focus (radio buttons report one) chooses nothing.
Value TRadio::GotFocus(const Value& hWndLost) {
  if (!hwnd()) return TControl::GotFocus(hWndLost);
  const bool mouse = GetKeyState(VK_LBUTTON) < 0 || GetCapture() == hwnd();
  TRadMenu* mine = group();
  if (!mouse && mine && mine->positionOf(self()) != 0) {
    const TRadio* chosen = mine->item(mine->position());
    if (chosen && chosen != this && chosen->hwnd() && IsWindowEnabled(chosen->hwnd())) {
      focusQuietly(chosen->hwnd());
      return 0;
    }
  }
  const Value answer = TControl::GotFocus(hWndLost);
  {
    Raised focusing(focusing_);
    callPrevious(WM_SETFOCUS, static_cast<WPARAM>(hWndLost.integer()));
  }
  return answer.isNil() ? Value(0) : answer;
}

Value TRadio::KeyDown(const Value& nKey, const Value& nFlags) {
  const long long key = nKey.integer();
  const bool next = key == VK_DOWN || key == VK_RIGHT;
  const bool previous = key == VK_UP || key == VK_LEFT;
  TRadMenu* mine = group();
  if ((!next && !previous) || !mine || mine->positionOf(self()) == 0) {
    return TControl::KeyDown(nKey, nFlags);
  }
  const Value held = oRadMenu;
  mine->GoPrevNext(next);
  if (const TRadio* chosen = mine->item(mine->position())) focusQuietly(chosen->hwnd());
  return 0;
}

// The arrows are the group's (the dialog manager would move the focus and click on its own).
Value TRadio::GetDlgCode(const Value& nKey) {
  const Value answer = TControl::GetDlgCode(nKey);
  if (!answer.isNil()) return answer;
  return static_cast<long long>(callPrevious(WM_GETDLGCODE, static_cast<WPARAM>(nKey.integer())) |
                                DLGC_WANTARROWS);
}

// A value that is no number, or 0, becomes the first option.
Value TRadio::Refresh(const Value& lErase) {
  TRadMenu* mine = group();
  if (mine && mine->positionOf(self()) != 0) {
    const Value held = oRadMenu;
    const Value value = mine->nOption();
    if (!value.isNumber() || value.number() == 0) mine->_nOption(1);
    SetCheck(mine->position() == nPos.integer());
  }
  return TControl::Refresh(lErase);
}

// Under visual styles the parent's background shows through: nothing is erased.
Value TRadio::EraseBkGnd(const Value& hDCErase) {
  if (ISAPPTHEMED() && !lTransparent.logical()) return 1;
  return TControl::EraseBkGnd(hDCErase);
}

Value TRadio::SetText(const Value& cText) {
  if (hwnd() && ISAPPTHEMED() && !lTransparent.logical()) {
    if (const HDC dc = ::GetDC(hwnd())) {
      DRAWPBACK(hWnd, handleNumber(dc));
      ::ReleaseDC(hwnd(), dc);
    }
  }
  return TWindow::SetText(cText);
}

Value TRadio::LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  evaluate(OnClick, self());
  if (lDrag.logical()) return TControl::LButtonUp(nRow, nCol, nFlags);
  return {};
}

Value TRadio::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const Value answer = TControl::MouseMove(nRow, nCol, nFlags);
  return lDrag.logical() ? answer : Value();
}

Value TRadio::cToChar(const Value& cClassName) {
  return TControl::cToChar(cClassName.isText() ? cClassName : Value("BUTTON"));
}

Value TRadio::saveToRC(const Value& nIndent) {
  return resourceLine(*this, "CONTROL ", nIndent,
                      "\"BUTTON\", BS_AUTORADIOBUTTON | WS_CHILD | WS_VISIBLE");
}

// The window gone, the button lets go of its group: group and buttons hold each other.
Value TRadio::Destroy() {
  const lanmere::Ref<TRadio> keep(this);
  const Value answer = TControl::Destroy();
  oRadMenu = Value();
  return answer;
}

Value TRADIO() {
  return Value(lanmere::make<TRadio>());
}

const lanmere::ModuleTable& tRadioModule() {
  TRadio::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TRADIO>("TRADIO")}};
  return module;
}

}  // namespace kestrel
