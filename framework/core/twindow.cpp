// TWindow: the class table, construction, activation, closing and destruction, geometry, show
// state, focus among the child controls, messages and the generated texts. HandleEvent and the
// events are in twindow_events.cpp, painting, colours, fonts and drawing in twindow_paint.cpp.
#include "framework/core/twindow.h"

#include <array>
#include <string>
#include <vector>

#include "errors/kserror.h"
#include "framework/core/args.h"
#include "framework/core/colors.h"
#include "framework/core/designtext.h"
#include "framework/core/handles.h"
#include "framework/core/persist.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

long liveWindows = 0;

constexpr long long kCellHeight = TWindow::kCellHeight;
constexpr long long kCellWidth = TWindow::kCellWidth;
constexpr long long kUseDefault = TWindow::kUseDefault;
constexpr long long kTab = VK_TAB;
constexpr UINT kCloseCommandMask = 0xFFF0;
// A text icon needs the icon class; until it is registered New refuses one.
constexpr long long kTextIconSubCode = 6103;
constexpr const char* kLineEnd = "\r\n";
// The pixels an MDI client scrolls per line when the program gives no line closures.
constexpr int kMdiScrollLine = 20;

int toInt(const Value& value) {
  return static_cast<int>(value.integer());
}

// A closure's answer read as a yes/no: only false says no.
bool notFalse(const Value& answer) {
  return !(answer.isLogical() && !answer.logical());
}

// The class's own lRegistered, when it declares one; null when it inherits the flag.
Value* ownRegisteredFlag(const lanmere::ClassInfo& info) {
  for (const lanmere::ClassDataSlot& slot : info.classData) {
    if (slot.name == msg::lRegistered) return slot.value.get();
  }
  return nullptr;
}

std::string numberText(const Value& value) {
  return scalarText(value.isNil() ? Value(0) : value);
}

// The child windows of `parent` that take the focus by Tab: visible, enabled, tab stops.
std::vector<HWND> tabStops(HWND parent) {
  std::vector<HWND> stops;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if ((style & WS_TABSTOP) && IsWindowVisible(child) && IsWindowEnabled(child)) {
      stops.push_back(child);
    }
  }
  return stops;
}

// The tab stop after (step 1) or before (step -1) `from`, wrapping; null when there is none.
HWND nextTabStop(HWND parent, HWND from, int step) {
  const std::vector<HWND> stops = tabStops(parent);
  if (stops.empty()) return nullptr;
  const auto count = static_cast<long long>(stops.size());
  long long at = -1;
  for (long long i = 0; i < count; ++i) {
    if (stops[static_cast<std::size_t>(i)] == from) at = i;
  }
  const long long next =
      at < 0 ? (step > 0 ? 0 : count - 1) : ((at + step) % count + count) % count;
  return stops[static_cast<std::size_t>(next)];
}

void moveFocus(TWindow& window, HWND from, int step) {
  if (isRadioButton(from)) from = radioTabStop(from);
  HWND next = nextTabStop(window.hwnd(), from, step);
  if (const HWND checked = checkedRadio(next)) next = checked;
  if (!next) return;
  window.hCtlFocus = handleNumber(next);
  callWindows([&] { return ::SetFocus(next); });
}

bool isTabStopControl(const Value& control) {
  const HWND child = handleFrom<HWND>(tell(control, msg::hWnd));
  return child && IsWindowEnabled(child) && (GetWindowLongPtrA(child, GWL_STYLE) & WS_TABSTOP);
}

}  // namespace

void takeUse(const Value& resource) {
  if (resource.isObject()) tell(resource, msg::_nCount, tell(resource, msg::nCount).integer() + 1);
}

Value iconFromText(const Value& icon) {
  if (!icon.isText()) return icon;
  if (!lanmere::classByName("TICON")) {
    lanmere::argumentError(kTextIconSubCode);
    return {};
  }
  const std::string name = icon.string();
  const bool file = pathExists(name);
  const Value made = lanmere::createObject("TICON");
  return file ? tell(made, msg::New, Value(), Value(), Value(), Value(name))
              : tell(made, msg::New, Value(), Value(), Value(name));
}

std::string windowClassName(HWND hwnd) {
  std::array<char, 256> name{};
  const int length = GetClassNameA(hwnd, name.data(), static_cast<int>(name.size()));
  return std::string(name.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

void setExStyle(HWND hwnd, LONG_PTR exStyle) {
  callWindows([&] { return SetWindowLongPtrA(hwnd, GWL_EXSTYLE, exStyle); });
}

std::string textForm(const Value& value) {
  if (value.isText()) return value.string();
  static const lanmere::Symbol* const cvaltochar = lanmere::symbol("CVALTOCHAR");
  if (lanmere::findFunction(cvaltochar)) return lanmere::callFunction(cvaltochar, {value}).string();
  return value.isNil() ? "NIL" : scalarText(value);
}

LM_DEFINE_CLASS(TWindow) {
  c.data(LM_FIELDS(
      hWnd, nOldProc, bInit, bMoved, bLClicked, bLButtonUp, bKeyDown, bPainted, bMButtonDown,
      bMButtonUp, bRClicked, bRButtonUp, bMouseWheel, bResized, bLDblClick, bWhen, bValid, bKeyChar,
      bMMoved, bGotFocus, bLostFocus, bDropFiles, bDdeInit, bDdeExecute, bCommNotify, bMenuSelect,
      bZip, bUnZip, bDropOver, bCopy, bCut, bFind, bPaste, bPrint, bUnDo, bReDo, bDelete,
      bSelectAll, bFindNext, bReplace, bProperties, cCaption, cPS, cVarName, nPaintCount, cMsg,
      cToolTip, Cargo, hDC, nId, lActive, lCancel, lFocused, lVisible, lDesign, lVbx, lValidating,
      lBalloon, nTop, nLeft, nBottom, nRight, nStyle, nExStyle, nChrHeight, nChrWidth, nLastKey,
      nClrPane, nClrText, bClrGrad, nResult, nHelpId, hCtlFocus, aControls, aMinMaxInfo, oBar,
      oBrush, oCursor, oFont, oIcon, oMenu, oSysMenu, oPopup, oMsgBar, oWnd, oVScroll, oHScroll,
      oDragCursor, oCtlFocus, oTop, oLeft, oBottom, oRight, oClient, bSocket, bTaskBar, bEraseBkGnd,
      OnClick, OnMouseMove, OnKeyDown, OnMove, OnPaint, OnResize, nPosition, lFastEdit, aGradColors,
      hAlphaColor, hAlphaLevel));
  c.classData("lRegistered");
  c.classData("oMItemSelect");
  c.classData("nToolTip", 900);
  c.classData("aProperties",
              Value::list({"cTitle", "cVarName", "nClrText", "nClrPane", "bClrGrad", "nTop",
                           "nLeft", "nWidth", "nHeight", "Cargo", "oMenu", "oFont"}));
  c.classData("aEvents",
              Value::list({Value::list({"OnClick", "nRow", "nCol", "nKeyFlags"}),
                           Value::list({"OnMouseMove", "nRow", "nCol", "nKeyFlags"}),
                           Value::list({"OnKeyDown", "nKey", "nFlags"}), Value::list({"OnMove"}),
                           Value::list({"OnPaint"}), Value::list({"OnResize"})}));
  c.methods(LM_METHODS(
      New, Register, Create, HandleEvent, Activate, End, Close, Destroy, Moved, ReSize, GotFocus,
      LostFocus, KillFocus, Display, BeginPaint, Paint, EndPaint, EraseBkGnd, KeyDown, KeyChar,
      Command, SysCommand, Timer, HScroll, VScroll, LButtonDown, LButtonUp, LDblClick, RButtonDown,
      RButtonUp, MButtonDown, MButtonUp, MouseMove, MouseWheel, NcMouseMove, NcActivate, CtlColor,
      DrawItem, MeasureItem, InitMenuPopup, MenuSelect, MenuChar, DropFiles, DropOver,
      GetMinMaxInfo, QueryEndSession, QueryDragIcon, QueryNewPalette, PaletteChanged, Help,
      HelpTopic, HelpF1, Notify, CommNotify, DdeInitiate, DdeAck, DdeExecute, DdeTerminate,
      AsyncSelect, TaskBar, GetDlgCode, NcPaint, Inspect, Move, SetSize, SetCoors, SetBounds,
      CoorsUpdate, nWidth, _nWidth, nHeight, _nHeight, GetRect, GetCliRect, Center, ChildLevel,
      SetColor, SetBrush, SelColor, SetFont, GetFont, SelFont, nGetChrHeight, SetIcon, SetMenu,
      SetText, cTitle, _cTitle, GetText, ClientEdge, Gradient, SetAlphaLevel, nOpacity, _nOpacity,
      nSeeThroClr, _nSeeThroClr, Refresh, Update, Show, Hide, Maximize, Minimize, Normal, Restore,
      Iconize, IsIconic, GoTop, Enable, Disable, SetFocus, AddControl, GoNextCtrl, GoPrevCtrl,
      FirstActiveCtrl, LastActiveCtrl, AEvalWhen, lWhen, lValid, PostMsg, SendMsg, SetMsg, Capture,
      GetDC, ReleaseDC, DispBegin, DispEnd, PaintBack, Say, SayRect, SayBitmap, Box, Line, Circle,
      FloodFill, SetPixel, GetWidth, nVertRes, nHorzRes, Shadow, ToolWindow, CheckToolTip,
      ShowToolTip, DestroyToolTip, Copy, Cut, Paste, Delete, Find, FindNext, Replace, SelectAll,
      UnDo, ReDo, Properties, Zip, UnZip, Property, PropCount, Event, EveCount, EditTitle, FastEdit,
      cGenPrg, SaveToText, Save, Load, SaveFile, LoadFile, ReadFile, SaveToRC, SaveToBmp, GenDbf,
      Print, HardCopy, VbxFireEvent));
  c.method<&linkWindow>("Link");
  c.method<&unlinkWindow>("UnLink");
  c.creatable();
}

TWindow::TWindow() {
  ++liveWindows;
}

TWindow::~TWindow() {
  --liveWindows;
}

long TWindow::liveCount() noexcept {
  return liveWindows;
}

HWND TWindow::hwnd() const {
  return handleFrom<HWND>(hWnd);
}

Value TWindow::self() {
  return Value(lanmere::Ref<TWindow>(this));
}

// ---- Construction ----

Value TWindow::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  long long style = a.nStyle.integer();
  if (style == 0) {
    style = WS_CLIPCHILDREN |
            frameStyle(a.cBorder, a.lCaption, a.lSysMenu, a.lMin, a.lMax, a.lVScroll, a.lHScroll);
    if (a.cBorder.isText() && lanmere::upper(a.cBorder.text()) == "NONE") style |= WS_POPUP;
  }
  const bool pixel = flag(a.lPixel, false);
  auto place = [&](const Value& at, long long fallback, long long cell) {
    const Value given = orDefault(at, Value(fallback));
    if (pixel || given.isNumber()) return placed(given, pixel, cell);
    return Value(given.number() * cell);
  };
  nTop = place(a.nTop, 2, kCellHeight);
  nLeft = place(a.nLeft, 2, kCellWidth);
  nBottom = place(a.nBottom, 20, kCellHeight);
  nRight = place(a.nRight, 70, kCellWidth);
  nStyle = style;
  cCaption = a.cTitle;
  oCursor = a.oCursor;
  oMenu = a.oMenu;
  oWnd = a.oWnd;
  oIcon = a.oIcon;
  lVisible = true;
  aControls = Value::list();
  nLastKey = 0;
  lValidating = false;
  nExStyle = orDefault(a.nExStyle, Value(0));
  oIcon = iconFromText(oIcon);
  Register();
  Create();
  SetColor(orDefault(a.nClrFore, sysColor(COLOR_WINDOWTEXT)),
           orDefault(a.nClrBack, sysColor(COLOR_WINDOW)), a.oBrush);
  if (oMenu.isObject()) SetMenu(oMenu);
  makeScrollBars(a.lVScroll, a.lHScroll);
  GetFont();
  SETWNDDEFAULT(self());
  return self();
}

Value TWindow::placed(const Value& at, bool pixel, long long cell) {
  if (!at.isNumber()) return {};
  if (pixel) return at;
  return at.isInteger() ? Value(at.integer() * cell) : Value(at.number() * cell);
}

long long TWindow::frameStyle(const Value& cBorder, const Value& lCaption, const Value& lSysMenu,
                              const Value& lMin, const Value& lMax, const Value& lVScroll,
                              const Value& lHScroll) {
  const bool caption = flag(lCaption, true);
  const std::string border =
      cBorder.isText() ? lanmere::upper(cBorder.text()) : std::string("SINGLE");
  long long style = 0;
  if (border == "SINGLE") style |= WS_THICKFRAME;
  if (caption) {
    style |= WS_CAPTION;
    if (flag(lSysMenu, true)) style |= WS_SYSMENU;
    if (flag(lMin, true)) style |= WS_MINIMIZEBOX;
    if (flag(lMax, true)) style |= WS_MAXIMIZEBOX;
  }
  if (flag(lVScroll, false)) style |= WS_VSCROLL;
  if (flag(lHScroll, false)) style |= WS_HSCROLL;
  return style;
}

void TWindow::makeScrollBars(const Value& lVScroll, const Value& lHScroll, const Value& nMin,
                             const Value& nMax) {
  if (!lanmere::classByName("TSCROLLBAR")) return;
  if (flag(lVScroll, false)) {
    oVScroll =
        tell(lanmere::createObject("TSCROLLBAR"), msg::WinNew, nMin, nMax, Value(), true, self());
  }
  if (flag(lHScroll, false)) {
    oHScroll =
        tell(lanmere::createObject("TSCROLLBAR"), msg::WinNew, nMin, nMax, Value(), false, self());
  }
}

Value TWindow::Register(const Value& nClsStyle) {
  Value* own = ownRegisteredFlag(classInfo());
  // A class that inherits the flag shares it with its parent: it neither trusts nor writes it.
  if (own) {
    if (own->isNil()) *own = false;
    if (own->logical()) return {};
  }
  UINT classStyle = nClsStyle.isNil() ? (CS_VREDRAW | CS_HREDRAW) : toInt(nClsStyle);
  classStyle |= CS_GLOBALCLASS | CS_DBLCLKS;
  if (nClrPane.isNil()) nClrPane = sysColor(COLOR_WINDOW);
  if (oBrush.isNil() && lanmere::classByName("TBRUSH")) {
    oBrush = tell(lanmere::createObject("TBRUSH"), msg::New, Value(), nClrPane);
  }
  const std::string name = ClassName();
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA known{};
  known.cbSize = sizeof known;
  bool registered = GetClassInfoExA(instance, name.c_str(), &known) != 0;
  if (!registered) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hIcon = handleOfMember<HICON>(oIcon, msg::hIcon);
    // The system's window colour, not the object's brush: the class outlives the first object
    // that registers it, and its brush ends with that object. Windows paint their own
    // background in Paint.
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = name.c_str();
    registered = RegisterClassExA(&windowClass) != 0;
  }
  if (own) *own = registered;
  return {};
}

Value TWindow::Create(const Value& cClassName) {
  const std::string className = cClassName.isText() ? cClassName.string() : ClassName();
  if (cCaption.isNil()) cCaption = "";
  if (nStyle.isNil()) nStyle = static_cast<long long>(WS_OVERLAPPEDWINDOW);
  if (nTop.isNil()) nTop = 0;
  if (nLeft.isNil()) nLeft = 0;
  if (nBottom.isNil()) nBottom = 10;
  if (nRight.isNil()) nRight = 10;
  if (nId.isNil()) nId = 0;
  auto style = static_cast<DWORD>(nStyle.integer());
  const HWND parent = handleOfMember<HWND>(oWnd, msg::hWnd);
  if (oWnd.isObject()) style |= WS_CHILD;
  nStyle = static_cast<long long>(style);
  int x = toInt(nLeft);
  int y = toInt(nTop);
  int width = toInt(nRight) - toInt(nLeft) + 1;
  int height = toInt(nBottom) - toInt(nTop) + 1;
  // A bottom edge of 32768 passes the raw right and bottom as width and height. Only a top-level
  // overlapped window has a default size (a pop-up or child asking for it would get 0 by 0);
  // given no right edge either, it takes that size rather than one the system clamps.
  if (nBottom.integer() == kUseDefault) {
    const bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    if (overlapped && nRight.integer() == kUseDefault) {
      width = height = CW_USEDEFAULT;
    } else {
      width = toInt(nRight);
      height = toInt(nBottom);
    }
  }
  if (nTop.integer() == kUseDefault && nLeft.integer() == kUseDefault) x = y = CW_USEDEFAULT;
  const std::string caption = textForm(cCaption);
  const HMENU menuOrId =
      oWnd.isObject() ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId.integer())) : nullptr;
  auto exStyle = static_cast<DWORD>(orDefault(nExStyle, Value(0)).integer());
  if ((style & WS_CHILD) && (style & WS_BORDER) && isDialogWindow(parent)) {
    // Made in a shown dialog, it looks as the dialog manager makes the template's items: the
    // border becomes a client edge. nStyle keeps the definition's.
    style &= ~DWORD{WS_BORDER};
    exStyle |= WS_EX_CLIENTEDGE;
  }
  const HWND created = callWindows([&] {
    return CreateWindowExA(exStyle, className.c_str(), caption.c_str(), style, x, y, width, height,
                           parent, menuOrId, GetModuleHandleA(nullptr), nullptr);
  });
  hWnd = handleNumber(created);
  if (!created) {
    WNDCREATEERROR(self(), Value(className));
    return {};
  }
  linkWindow(*this);
  return {};
}

// The window whose closures Activate sets: an MDI frame hands them to its client window.
Value TWindow::eventTarget() {
  if (isKindOf(*this, "TMDIFRAME")) {
    Value client = offer(self(), msg::oWndClient);
    if (client.isObject()) return client;
  }
  return self();
}

Value TWindow::Activate(Args args) {
  const ActivateArgs a = ActivateArgs::from(args);
  const lanmere::Ref<TWindow> keep(this);
  const std::string show = a.cShow.isText() ? lanmere::upper(a.cShow.text()) : "NORMAL";
  nResult = Value();
  lValidating = false;
  if (!a.bValid.isNil()) bValid = a.bValid;
  if (!a.bDropFiles.isNil()) {
    bDropFiles = a.bDropFiles;
    callWindows([&] {
      callSystem<"shell32.dll", "DragAcceptFiles", decltype(::DragAcceptFiles)>(hwnd(), TRUE);
    });
  }
  const Value target = eventTarget();
  auto assign = [&](const lanmere::Symbol* member, const Value& value) {
    if (!value.isNil()) tell(target, member, value);
  };
  assign(msg::_bPainted, a.bPainted);
  assign(msg::_bLClicked, a.bLClicked);
  assign(msg::_bRClicked, a.bRClicked);
  // The scroll closures go to the scroll-bar objects (an MDI frame's are its client's).
  const Value vertical = tell(target, msg::oVScroll);
  const Value horizontal = tell(target, msg::oHScroll);
  const lanmere::Symbol* const setters[] = {msg::_bGoUp, msg::_bGoDown, msg::_bPageUp,
                                            msg::_bPageDown};
  const Value* const up[] = {&a.bUp, &a.bDown, &a.bPgUp, &a.bPgDn};
  const Value* const left[] = {&a.bLeft, &a.bRight, &a.bPgLeft, &a.bPgRight};
  for (std::size_t i = 0; i < 4; ++i) {
    if (!up[i]->isNil()) tell(vertical, setters[i], *up[i]);
    if (!left[i]->isNil()) tell(horizontal, setters[i], *left[i]);
  }
  // An MDI frame's client without line closures scrolls its children a fixed step, then lets go
  // of the mouse the scroll bar captured.
  if (!target.sharesStorageWith(self())) {
    const HWND client = handleOfMember<HWND>(target, msg::hWnd);
    auto scrollBy = [client](int dx, int dy) {
      return lanmere::block([client, dx, dy](Args) -> Value {
        callWindows([&] {
          return ScrollWindowEx(client, dx, dy, nullptr, nullptr, nullptr, nullptr,
                                SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
        });
        ReleaseCapture();
        return {};
      });
    };
    if (a.bUp.isNil()) tell(vertical, msg::_bGoUp, scrollBy(0, kMdiScrollLine));
    if (a.bDown.isNil()) tell(vertical, msg::_bGoDown, scrollBy(0, -kMdiScrollLine));
    if (a.bLeft.isNil()) tell(horizontal, msg::_bGoUp, scrollBy(kMdiScrollLine, 0));
    if (a.bRight.isNil()) tell(horizontal, msg::_bGoDown, scrollBy(-kMdiScrollLine, 0));
  }
  AEvalWhen();
  static const char* const kShowWords[] = {"HIDDEN", "NORMAL", "ICONIZED", "MAXIMIZED"};
  int command = SW_SHOWNORMAL;  // any other word shows the window normally
  for (int i = 0; i < 4; ++i) {
    if (show == kShowWords[i]) command = i;
  }
  callWindows([&] { return ShowWindow(hwnd(), command); });
  callWindows([&] { return UpdateWindow(hwnd()); });
  lVisible = true;
  if (!isRunning()) SETWNDAPP(hWnd);
  evaluate(bInit, self());
  ReSize();
  if (!oWnd.isObject() && !isRunning()) {
    WINRUN(hWnd);
    lVisible = false;  // only the window whose loop ended is gone; others are still shown
  }
  return {};
}

// ---- Closing and destruction ----

Value TWindow::lValid() {
  return bValid.isClosure() ? notFalse(evaluate(bValid, self())) : true;
}

Value TWindow::End() {
  const bool ending = lValid().logical();
  if (ending) PostMessageA(hwnd(), WM_CLOSE, 0, 0);
  return ending;
}

Value TWindow::Close(const Value&) {
  return {};  // the default procedure destroys the window
}

Value TWindow::QueryEndSession() {
  return End().logical() ? 1 : 0;
}

Value TWindow::Destroy() {
  if (isEmpty(hWnd) && isEmpty(nResult)) return {};
  const lanmere::Ref<TWindow> keep(this);  // UnLink drops the window list's reference
  const HWND window = hwnd();
  // Its DDE conversations end with it: the servers are told and the names' atoms deleted.
  static const lanmere::Symbol* const ddeEndAll = lanmere::symbol("DDEENDALL");
  if (window && lanmere::findFunction(ddeEndAll)) {
    lanmere::callFunction(ddeEndAll, {Value(handleNumber(window))});
  }
  tell(oBrush, msg::End);
  tell(oCursor, msg::End);
  tell(oDragCursor, msg::End);
  tell(oIcon, msg::End);
  if (fontCounted_) tell(oFont, msg::End);
  fontCounted_ = false;
  // The menus let go of the window, and it of them.
  tell(oMenu, msg::Destroy);
  tell(oSysMenu, msg::End);
  oMenu = Value();
  oSysMenu = Value();
  tell(oVScroll, msg::Destroy);
  tell(oHScroll, msg::Destroy);
  if (toolTipState().owner == window && window) DestroyToolTip();
  if (!isEmpty(hWnd)) unlinkWindow(*this);
  if (window && GETWNDAPP() == handleNumber(window)) PostQuitMessage(0);
  if (defaultWindow().identity() == static_cast<const void*>(this)) SETWNDDEFAULT(Value());
  hWnd = 0;
  releaseLinks();
  return {};
}

// Nothing may keep a destroyed window alive by a cycle: its closures (which often capture the
// window), its controls and its links to other windows (the docked bars too) are let go. Plain
// data stays readable.
void TWindow::releaseLinks() {
  aControls = Value::list();
  Value TWindow::*const links[] = {
      &TWindow::oWnd,        &TWindow::oCtlFocus,   &TWindow::hCtlFocus,   &TWindow::oTop,
      &TWindow::oLeft,       &TWindow::oBottom,     &TWindow::oRight,      &TWindow::oClient,
      &TWindow::oPopup,      &TWindow::bInit,       &TWindow::bMoved,      &TWindow::bLClicked,
      &TWindow::bLButtonUp,  &TWindow::bKeyDown,    &TWindow::bPainted,    &TWindow::bMButtonDown,
      &TWindow::bMButtonUp,  &TWindow::bRClicked,   &TWindow::bRButtonUp,  &TWindow::bMouseWheel,
      &TWindow::bResized,    &TWindow::bLDblClick,  &TWindow::bWhen,       &TWindow::bValid,
      &TWindow::bKeyChar,    &TWindow::bMMoved,     &TWindow::bGotFocus,   &TWindow::bLostFocus,
      &TWindow::bDropFiles,  &TWindow::bDdeInit,    &TWindow::bDdeExecute, &TWindow::bCommNotify,
      &TWindow::bMenuSelect, &TWindow::bZip,        &TWindow::bUnZip,      &TWindow::bDropOver,
      &TWindow::bCopy,       &TWindow::bCut,        &TWindow::bFind,       &TWindow::bPaste,
      &TWindow::bPrint,      &TWindow::bUnDo,       &TWindow::bReDo,       &TWindow::bDelete,
      &TWindow::bSelectAll,  &TWindow::bFindNext,   &TWindow::bReplace,    &TWindow::bProperties,
      &TWindow::bClrGrad,    &TWindow::bSocket,     &TWindow::bTaskBar,    &TWindow::bEraseBkGnd,
      &TWindow::OnClick,     &TWindow::OnMouseMove, &TWindow::OnKeyDown,   &TWindow::OnMove,
      &TWindow::OnPaint,     &TWindow::OnResize,    &TWindow::oBar};
  for (Value TWindow::*link : links) this->*link = Value();
  if (cToolTip.isClosure()) cToolTip = Value();
}

// ---- Geometry ----

namespace {

// The window's rectangle where its coordinates live: a child's in its parent's client area, a
// top-level window's on the screen. False when there is no window.
bool placedRect(HWND window, RECT& rect) {
  if (!GetWindowRect(window, &rect)) return false;
  const HWND parent = GetParent(window);
  if (parent && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  }
  return true;
}

// A rectangle with inclusive edges as the framework's rectangle class (above the core, made by
// name); the list {top, left, bottom, right} while that class is not registered.
Value rectangle(const RECT& rect) {
  const Value edges[] = {rect.top, rect.left, rect.bottom - 1, rect.right - 1};
  const Value made = lanmere::createObject("TRECT");
  if (made.isNil()) return Value::list({edges[0], edges[1], edges[2], edges[3]});
  tell(made, msg::New, edges[0], edges[1], edges[2], edges[3]);
  return made;
}

}  // namespace

Value TWindow::CoorsUpdate() {
  RECT rect{};
  if (!placedRect(hwnd(), rect)) return {};
  nTop = rect.top;
  nLeft = rect.left;
  nBottom = rect.bottom - 1;
  nRight = rect.right - 1;
  return {};
}

Value TWindow::Move(const Value& top, const Value& left, const Value& width, const Value& height,
                    const Value& lRepaint) {
  const int x = toInt(orDefault(left, nLeft));
  const int y = toInt(orDefault(top, nTop));
  const int w = toInt(orDefault(width, nWidth()));
  const int h = toInt(orDefault(height, nHeight()));
  callWindows([&] { return MoveWindow(hwnd(), x, y, w, h, flag(lRepaint, true)); });
  CoorsUpdate();
  return {};
}

Value TWindow::SetSize(const Value& width, const Value& height, const Value& lRepaint) {
  return Move(Value(), Value(), width, height, lRepaint);
}

Value TWindow::SetBounds(const Value& left, const Value& top, const Value& right,
                         const Value& bottom) {
  return Move(top, left, Value(right.integer() - left.integer() + 1),
              Value(bottom.integer() - top.integer() + 1));
}

// The rectangle answers nTop, nLeft, nBottom and nRight (inclusive edges); the list {top, left,
// bottom, right} serves as well.
Value TWindow::SetCoors(const Value& oRect) {
  if (oRect.isList()) return SetBounds(oRect.item(2), oRect.item(1), oRect.item(4), oRect.item(3));
  if (!oRect.isObject()) return {};
  return SetBounds(lanmere::send(oRect, msg::nLeft), lanmere::send(oRect, msg::nTop),
                   lanmere::send(oRect, msg::nRight), lanmere::send(oRect, msg::nBottom));
}

Value TWindow::nWidth(const Value& width) {
  if (!width.isNil()) return _nWidth(width);
  RECT rect{};
  if (hwnd() && GetWindowRect(hwnd(), &rect)) return rect.right - rect.left;
  return nRight.integer() - nLeft.integer() + 1;
}

Value TWindow::_nWidth(const Value& width) {
  SetSize(width, Value());
  return width;
}

Value TWindow::nHeight(const Value& height) {
  if (!height.isNil()) return _nHeight(height);
  RECT rect{};
  if (hwnd() && GetWindowRect(hwnd(), &rect)) return rect.bottom - rect.top;
  return nBottom.integer() - nTop.integer() + 1;
}

Value TWindow::_nHeight(const Value& height) {
  SetSize(Value(), height);
  return height;
}

// Where SetCoors takes it back: a child in its parent's client coordinates.
Value TWindow::GetRect() {
  RECT rect{};
  placedRect(hwnd(), rect);
  return rectangle(rect);
}

Value TWindow::GetCliRect() {
  RECT rect{};
  GetClientRect(hwnd(), &rect);
  return rectangle(rect);
}

// Centres the window over oWndOver, else over its parent, else over the screen's work area.
Value TWindow::Center(const Value& oWndOver) {
  HWND over = handleOfMember<HWND>(orDefault(oWndOver, oWnd), msg::hWnd);
  RECT area{};
  if (over && over == GetParent(hwnd()) && (GetWindowLongPtrA(hwnd(), GWL_STYLE) & WS_CHILD)) {
    // A child is centred in its parent's client area, where it lives, not over the frame.
    GetClientRect(over, &area);
    MapWindowPoints(over, nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else if (over) {
    GetWindowRect(over, &area);
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT own{};
  GetWindowRect(hwnd(), &own);
  POINT corner{area.left + ((area.right - area.left) - (own.right - own.left)) / 2,
               area.top + ((area.bottom - area.top) - (own.bottom - own.top)) / 2};
  if (GetWindowLongPtrA(hwnd(), GWL_STYLE) & WS_CHILD) ScreenToClient(GetParent(hwnd()), &corner);
  return Move(Value(corner.y), Value(corner.x), Value(), Value());
}

Value TWindow::ChildLevel() {
  return static_cast<long long>(WNDPARENTS(self()).length());
}

// ---- Show state ----

Value TWindow::Show() {
  callWindows([&] { return ShowWindow(hwnd(), SW_SHOWNA); });
  return {};
}
Value TWindow::Hide() {
  callWindows([&] { return ShowWindow(hwnd(), SW_HIDE); });
  return {};
}
Value TWindow::Maximize() {
  callWindows([&] { return ShowWindow(hwnd(), SW_MAXIMIZE); });
  return {};
}
Value TWindow::Minimize() {
  callWindows([&] { return ShowWindow(hwnd(), SW_MINIMIZE); });
  return {};
}
Value TWindow::Normal() {
  callWindows([&] { return ShowWindow(hwnd(), SW_SHOWNORMAL); });
  return {};
}
Value TWindow::Restore() {
  callWindows([&] { return ShowWindow(hwnd(), SW_RESTORE); });
  return {};
}
Value TWindow::Iconize() {
  return Minimize();
}
Value TWindow::IsIconic() {
  return ::IsIconic(hwnd()) != 0;
}
Value TWindow::GoTop() {
  callWindows([&] { return SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); });
  return {};
}
Value TWindow::Enable() {
  lActive = true;
  callWindows([&] { return EnableWindow(hwnd(), TRUE); });
  return {};
}
Value TWindow::Disable() {
  lActive = false;
  callWindows([&] { return EnableWindow(hwnd(), FALSE); });
  return {};
}

Value TWindow::Refresh(const Value& lErase) {
  InvalidateRect(hwnd(), nullptr, flag(lErase, true));
  return {};
}

Value TWindow::Update() {
  for (const Value& control : aControls.items()) {
    if (!control.isObject()) continue;
    if (isKindOf(control, {"TFOLDER", "TFOLDEREX"})) {
      tell(control, msg::Update);
    } else if (offer(control, msg::lUpdate).logical()) {
      tell(control, msg::Refresh);
    }
  }
  return {};
}

Value TWindow::SetText(const Value& cText) {
  cCaption = cText;
  const std::string text = textForm(cText);
  callWindows([&] { return SetWindowTextA(hwnd(), text.c_str()); });
  return {};
}

Value TWindow::cTitle(const Value& text) {
  if (!text.isNil()) return _cTitle(text);
  return hwnd() ? GetText() : cCaption;
}

Value TWindow::_cTitle(const Value& text) {
  SetText(text);
  return text;
}

Value TWindow::GetText() {
  return windowText(hwnd());
}

Value TWindow::SetIcon(const Value& oIconNew) {
  if (!oIcon.sharesStorageWith(oIconNew)) tell(oIcon, msg::End);
  oIcon = oIconNew;
  const HICON icon = handleOfMember<HICON>(oIcon, msg::hIcon);
  for (WPARAM size : {ICON_BIG, ICON_SMALL}) {
    callWindows(
        [&] { return SendMessageA(hwnd(), WM_SETICON, size, reinterpret_cast<LPARAM>(icon)); });
  }
  return {};
}

Value TWindow::SetMenu(const Value& oMenuNew) {
  oMenu = oMenuNew;
  const HMENU menu = handleOfMember<HMENU>(oMenu, msg::hMenu);
  callWindows([&] { return ::SetMenu(hwnd(), menu); });
  tell(oMenu, msg::_oWnd, self());
  tell(tell(oMenu, msg::oAccTable), msg::Activate);
  return {};
}

Value TWindow::ClientEdge() {
  setExStyle(hwnd(), GetWindowLongPtrA(hwnd(), GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  nExStyle = static_cast<long long>(GetWindowLongPtrA(hwnd(), GWL_EXSTYLE));
  callWindows([&] {
    return SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  });
  return {};
}

// ---- Focus and controls ----

Value TWindow::lWhen() {
  return bWhen.isClosure() ? notFalse(evaluate(bWhen)) : true;
}

Value TWindow::SetFocus() {
  if (lWhen().logical()) callWindows([&] { return ::SetFocus(hwnd()); });
  return {};
}

Value TWindow::AddControl(const Value& oControl) {
  if (!aControls.isList()) aControls = Value::list();
  aControls.listData()->items.push_back(oControl);
  return {};
}

// A radio group is one stop for Tab: the focus leaves it from its tab stop and enters it on its
// checked button, so tabbing through never picks an option.
Value TWindow::GoNextCtrl(const Value& hCtrl) {
  moveFocus(*this, handleFrom<HWND>(hCtrl), 1);
  return {};
}

Value TWindow::GoPrevCtrl(const Value& hCtrl) {
  moveFocus(*this, handleFrom<HWND>(hCtrl), -1);
  return {};
}

Value TWindow::FirstActiveCtrl() {
  const auto& items = aControls.items();
  if (items.empty()) return {};
  if (items.size() == 1) return items[0];
  for (const Value& control : items) {
    if (isTabStopControl(control)) return control;
  }
  return items[0];
}

Value TWindow::LastActiveCtrl() {
  const auto& items = aControls.items();
  if (items.empty()) return {};
  if (items.size() == 1) return items[0];
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (isTabStopControl(*it)) return *it;
  }
  return items.back();
}

std::vector<Value> TWindow::controlsNow() const {
  const std::span<Value> items = aControls.items();
  return {items.begin(), items.end()};
}

Value TWindow::AEvalWhen() {
  for (const Value& control : controlsNow()) {
    const Value when = offer(control, msg::bWhen);
    if (when.isClosure()) tell(control, notFalse(evaluate(when)) ? msg::Enable : msg::Disable);
  }
  return {};
}

// ---- Messages ----

Value TWindow::PostMsg(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  return PostMessageA(hwnd(), static_cast<UINT>(nMsg.integer()),
                      static_cast<WPARAM>(nWParam.integer()),
                      static_cast<LPARAM>(nLParam.integer())) != 0;
}

Value TWindow::SendMsg(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  return static_cast<long long>(callWindows([&] {
    return SendMessageA(hwnd(), static_cast<UINT>(nMsg.integer()),
                        static_cast<WPARAM>(nWParam.integer()),
                        static_cast<LPARAM>(nLParam.integer()));
  }));
}

Value TWindow::SetMsg(const Value& cText, const Value& lDefault) {
  if (oMsgBar.isObject()) {
    if (flag(lDefault, false)) tell(oMsgBar, msg::_cMsgDef, cText);
    tell(oMsgBar, msg::SetMsg, cText);
  } else if (oWnd.isObject()) {
    tell(oWnd, msg::SetMsg, cText, lDefault);
  }
  return {};
}

Value TWindow::Capture() {
  return handleNumber(callWindows([&] { return SetCapture(hwnd()); }));
}

// ---- Edit actions: each evaluates its closure with the window ----

Value TWindow::Copy() {
  return evaluate(bCopy, self());
}
Value TWindow::Cut() {
  return evaluate(bCut, self());
}
Value TWindow::Paste() {
  return evaluate(bPaste, self());
}
Value TWindow::Delete() {
  return evaluate(bDelete, self());
}
Value TWindow::Find() {
  return evaluate(bFind, self());
}
Value TWindow::FindNext() {
  return evaluate(bFindNext, self());
}
Value TWindow::Replace() {
  return evaluate(bReplace, self());
}
Value TWindow::SelectAll() {
  return evaluate(bSelectAll, self());
}
Value TWindow::UnDo() {
  return evaluate(bUnDo, self());
}
Value TWindow::ReDo() {
  return evaluate(bReDo, self());
}
Value TWindow::Properties() {
  return evaluate(bProperties, self());
}
Value TWindow::Print() {
  return evaluate(bPrint, self());
}
Value TWindow::Zip(const Value& nParam) {
  return evaluate(bZip, nParam);
}
Value TWindow::UnZip(const Value& nParam) {
  return evaluate(bUnZip, nParam);
}

// ---- Design and generated texts ----

Value TWindow::Property(const Value& n) {
  return tell(self(), msg::aProperties).item(static_cast<std::size_t>(n.integer()));
}

Value TWindow::PropCount() {
  return static_cast<long long>(tell(self(), msg::aProperties).length());
}

Value TWindow::Event(const Value& n) {
  return tell(self(), msg::aEvents).item(static_cast<std::size_t>(n.integer()));
}

Value TWindow::EveCount() {
  return static_cast<long long>(tell(self(), msg::aEvents).length());
}

// The source lines that define and activate this window. Dialogs derive theirs by replacing
// "WINDOW" with "DIALOG" and "oWnd" with "oDlg".
Value TWindow::cGenPrg() {
  const std::string name =
      cVarName.isText() && !cVarName.text().empty() ? cVarName.string() : "oWnd";
  std::string text;
  if (oFont.isObject()) text += "   " + tell(oFont, msg::cGenPrg, "oFont").string() + kLineEnd;
  if (oBrush.isObject()) text += tell(oBrush, msg::cGenPRG, "oBrush").string() + kLineEnd;
  text += "   DEFINE WINDOW " + name + " FROM " + numberText(nTop) + ", " + numberText(nLeft) +
          " TO " + numberText(nBottom) + ", " + numberText(nRight) + " PIXEL TITLE \"" +
          textForm(cCaption.isNil() ? Value("") : cCaption) + "\"";
  const long long text0 = sysColor(COLOR_WINDOWTEXT).integer();
  const long long pane0 = sysColor(COLOR_WINDOW).integer();
  if (nClrText.integer() != text0 || nClrPane.integer() != pane0) {
    text += " COLOR " + colorCode(static_cast<long>(nClrText.integer())) + ", " +
            colorCode(static_cast<long>(nClrPane.integer()));
  }
  if (oFont.isObject()) text += " FONT oFont";
  if (oBrush.isObject()) text += " BRUSH oBrush";
  text += std::string(kLineEnd) + "   ACTIVATE WINDOW " + name + kLineEnd;
  return text;
}

// The members of aProperties that differ from a window object without a window (New would
// create one just for the comparison).
Value TWindow::SaveToText(const Value& nIndent) {
  const std::string name =
      cVarName.isText() && !cVarName.text().empty() ? cVarName.string() : "oWnd";
  const Value reference = lanmere::createObject(ClassName());
  return saveToText(self(), name, nIndent.integer(), reference);
}

Value TWindow::SaveToRC() {
  return "";  // a plain window has no resource-script form; controls and dialogs have theirs
}

// The design tools' title editor: the window's caption, edited in a one-line editor.
Value TWindow::EditTitle() {
  if (const auto text = editTextLine(hwnd(), "Title", GetText().string())) SetText(*text);
  return {};
}

// Table generation, printing and VBX controls are not part of the framework yet, nor a window's
// own design menu: these messages are understood and do nothing.
Value TWindow::FastEdit(const Value&, const Value&) {
  return {};
}
Value TWindow::GenDbf() {
  return {};
}
Value TWindow::HardCopy() {
  return {};
}
Value TWindow::VbxFireEvent() {
  return {};
}
Value TWindow::GetDlgCode(const Value&) {
  return {};
}
Value TWindow::NcPaint() {
  return {};
}
Value TWindow::Inspect() {
  return {};
}

}  // namespace kestrel
