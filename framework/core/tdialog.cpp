// TDialog: the class table, construction, activation, initialisation, ending and the dialog
// module's settings and functions. Events and the rest of its behaviour are in
// tdialog_events.cpp.
#include "framework/core/tdialog.h"

#include <cmath>
#include <string>
#include <utility>

#include "errors/kserror.h"
#include "framework/core/args.h"
#include "framework/core/dialogbox.h"
#include "framework/core/dlgregistry.h"
#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/tdialog_msgs.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

long liveDialogs = 0;

// Modal frame, pop-up, caption, system menu.
constexpr long long kDefaultStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
// The text cell dialogs are placed on, unless they are given pixels.
constexpr double kRowHeight = 15.1;
constexpr double kColumnWidth = 7.9;
constexpr long long kRedrawClassStyles = CS_VREDRAW | CS_HREDRAW;
constexpr double kResize16Factor = 1.16668;

constexpr const char* kNoMoreModeless = "Not possible to create more non-modal Dialogs";
constexpr const char* kVbxUnavailable = "VBX support not available";
constexpr const char* kVbxInitFailed = "Error on VBX's initialization";

// Controls that keep their own background when the dialog is transparent (and their subclasses).
constexpr const char* kOpaqueClasses[] = {"TGET",      "TMULTIGET", "TBTNBMP",
                                          "TCOMBOBOX", "TWBROWSE",  "TCBROWSE",
                                          "TXBROWSE",  "TLISTBOX",  "TDBCOMBO"};

struct Settings {
  int nesting = 0;  // Activate calls in progress
  bool esc = true;
  bool centerOnParent = false;
  Value gradient;
};

Settings& settings() {
  static Settings* state = new Settings();  // kept for the process: it holds a value
  return *state;
}

// The activation nesting count for the scope, put back on every way out.
class Nesting {
 public:
  Nesting() { ++settings().nesting; }
  ~Nesting() { --settings().nesting; }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;
};

// Int(units × (edge - origin) / base), in double so that any number converts.
long long dialogUnits(const Value& edge, long origin, double units, long base) {
  return definitionUnits(edge.number() - origin, units, base);
}

std::string_view bytesOf(const Value& value) {
  return value.isText() ? value.text() : std::string_view();
}

}  // namespace

bool escapeEndsDialogs() noexcept {
  return settings().esc;
}

LM_DEFINE_CLASS(TDialog) {
  c.data(LM_FIELDS(cResName, cResData, hResources, lCentered, lCenterInWnd, lModal, lModify, bStart,
                   lHelpIcon, lResize16, lTransparent, bNcActivate));
  c.classData("lRegistered");
  c.methods(LM_METHODS(New, Define, Activate, Initiate, Close, Destroy, QueryEndSession, Command,
                       KeyDown, KeyChar, SysCommand, CtlColor, EraseBkGnd, Paint, Display,
                       LButtonDown, MouseMove, GotFocus, LostFocus, NcActivate, Help, PrintClient,
                       SetFont, cToChar, DefControl, GetItem, GetHotPos, Help95, ChangeFocus,
                       AdjTop, SetControl, cGenPrg));
  c.method<static_cast<Value (TDialog::*)(const Value&)>(&TDialog::End)>("End");
  c.creatable();
}

TDialog::TDialog() {
  ++liveDialogs;
}

TDialog::~TDialog() {
  --liveDialogs;
}

long TDialog::liveCount() noexcept {
  return liveDialogs;
}

bool TDialog::modal() const {
  return flag(lModal, true);
}

// ---- Construction ----

Value TDialog::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const long long width = a.nWidth.integer();
  const long long height = a.nHeight.integer();
  // A size in pixels makes every coordinate a pixel; each size given is the right or bottom.
  const bool pixels = flag(a.lPixels, false) || width != 0 || height != 0;
  const Value top = orDefault(a.nTop, Value(0));
  const Value left = orDefault(a.nLeft, Value(0));
  const Value bottom = height != 0 ? Value(height) : orDefault(a.nBottom, Value(10));
  const Value right = width != 0 ? Value(width) : orDefault(a.nRight, Value(40));
  nTop = pixels ? top : Value(cellPixels(top, kRowHeight));
  nLeft = pixels ? left : Value(cellPixels(left, kColumnWidth));
  nBottom = pixels || height != 0 ? bottom : Value(cellPixels(bottom, kRowHeight));
  nRight = pixels || width != 0 ? right : Value(cellPixels(right, kColumnWidth));
  aGradColors = a.aGradColors;
  lTransparent = flag(a.lTransparent, false) || !lanmere::isEmpty(aGradColors) ||
                 !lanmere::isEmpty(settings().gradient);
  aControls = Value::list();
  cResName = a.cResName;
  cCaption = a.cCaption;
  hResources = orDefault(a.hResources, GETRESOURCES());
  lModify = true;
  lVbx = flag(a.lVbx, false);
  lVisible = false;
  nResult = 0;
  nStyle = orDefault(a.nStyle, Value(kDefaultStyle));
  oWnd = a.oWnd;
  oIcon = iconFromText(a.oIcon);
  oFont = a.oFont;  // no use taken: Initiate's SetFont takes the dialog's one
  nLastKey = 0;
  nHelpId = a.nHelpId;
  lResize16 = false;
  SetColor(orDefault(a.nClrText, sysColor(COLOR_BTNTEXT)),
           orDefault(a.nClrBack, sysColor(COLOR_BTNFACE)), a.oBrush);
  // The VBX support library is not part of this system.
  if (lVbx.logical()) showAlert(kVbxUnavailable);
  Register(kRedrawClassStyles);
  SETWNDDEFAULT(self());
  return self();
}

Value TDialog::Define(Args args) {
  const DefineArgs a = DefineArgs::from(args);
  hWnd = 0;
  nTop = orDefault(a.nTop, Value(0));
  nLeft = orDefault(a.nLeft, Value(0));
  nBottom = orDefault(a.nBottom, Value(10));
  nRight = orDefault(a.nRight, Value(40));
  cCaption = a.cCaption;
  nStyle = orDefault(a.nStyle, Value(kDefaultStyle));
  lVbx = flag(a.lVbx, false);
  nLastKey = 0;
  if (!aControls.isList()) aControls = Value::list();
  SetColor(orDefault(a.nClrText, sysColor(COLOR_BTNTEXT)),
           orDefault(a.nClrBack, sysColor(COLOR_BTNFACE)), a.oBrush);
  return self();
}

// ---- Activation ----

Value TDialog::Activate(Args args) {
  const ActivateArgs a = ActivateArgs::from(args);
  const lanmere::Ref<TDialog> keep(this);
  if (hWnd.isNil()) hWnd = 0;
  nLastKey = 0;
  const Nesting nesting;
  HWND owner = nullptr;
  if (oWnd.isObject()) {
    owner = handleOfMember<HWND>(oWnd, msg::hWnd);
  } else if (settings().nesting > 1 || isRunning()) {
    owner = GetActiveWindow();
  } else {
    owner = applicationWindow();
  }
  lCentered = flag(a.lCentered, false);
  lCenterInWnd = flag(a.lCenterInWnd, false);
  lModal = flag(a.lModal, true);
  bLClicked = a.bLClicked;
  bRClicked = a.bRClicked;
  bWhen = a.bWhen;
  bValid = a.bValid;
  bInit = a.bInit;
  bPainted = a.bPainted;
  bMoved = a.bMoved;
  nResult = Value();
  lValidating = false;
  lVisible = true;
  lResize16 = flag(a.lResize16, false);
  if (bWhen.isClosure()) {
    const Value when = evaluate(bWhen, self());
    if (when.isLogical() && !when.logical()) {
      nResult = 2;
      lVisible = false;
      return {};
    }
  }
  if (modal()) {
    // A modal dialog is gone when Activate returns, however it returns.
    struct Hidden {
      Value& visible;
      ~Hidden() { visible = false; }
    } hidden{lVisible};
    activateModal(owner);
  } else {
    activateModeless(owner);
  }
  return {};
}

void TDialog::activateModal(HWND owner) {
  ModalOutcome outcome;
  if (!lanmere::isEmpty(cResName)) {
    outcome = runDialogBox(handleFrom<HINSTANCE>(hResources), cResName, owner, self());
  } else {
    const Value bytes = !lanmere::isEmpty(cResData) ? cResData : cToChar(handleNumber(owner));
    outcome = runDialogBoxIndirect(GetModuleHandleA(nullptr), bytesOf(bytes), owner, self());
  }
  nResult = outcome.result;
  if (!outcome.created) CREATEDLGERROR(self());
}

// A dialog that could not be created, or whose slot in the modeless table went meanwhile,
// stops here: nothing is registered, initiated or shown.
void TDialog::activateModeless(HWND owner) {
  const bool controls = aControls.length() > 0;
  if (controls && !CANREGDIALOG()) {
    showAlert(kNoMoreModeless);
    return;
  }
  HWND created = nullptr;
  if (!lanmere::isEmpty(cResName)) {
    created = createDialog(handleFrom<HINSTANCE>(hResources), cResName, owner);
  } else {
    const Value bytes = !lanmere::isEmpty(cResData) ? cResData : cToChar(handleNumber(owner));
    created = createDialogIndirect(GetModuleHandleA(nullptr), bytesOf(bytes), owner);
  }
  hWnd = handleNumber(created);
  if (!created) {
    CREATEDLGERROR(self());
    return;
  }
  Hide();
  if (controls && !REGDIALOG(hWnd)) {
    // Destroyed, not sent the close message: the procedure of a dialog not yet linked answers
    // Cancel with EndDialog, which only hides a modeless dialog.
    callWindows([&] { return DestroyWindow(created); });
    hWnd = 0;
    showAlert(kNoMoreModeless);
    return;
  }
  const Value initiated = Initiate();
  if (!(initiated.isLogical() && !initiated.logical())) SetFocus();
  Show();
  Refresh();
}

// ---- Initialisation ----

Value TDialog::Initiate(const Value&, const Value& hWndNew) {
  const lanmere::Ref<TDialog> keep(this);
  bool result = true;
  if (!hWndNew.isNil()) hWnd = hWndNew;
  // A modal dialog reaches its object through the modal dialog procedure.
  if (!modal()) linkWindow(*this);
  if (lVbx.logical()) showAlert(kVbxInitFailed);
  if (oFont.isObject()) {
    SetFont(oFont);
  } else {
    GetFont();
  }
  if (!lanmere::isEmpty(aGradColors)) {
    Gradient(aGradColors);
  } else if (!lanmere::isEmpty(settings().gradient)) {
    Gradient(settings().gradient);
  }
  if (lTransparent.logical()) markTransparent();
  for (const Value& control : controlsNow()) tell(control, msg::Initiate, hWnd);
  if (lResize16.logical() && !lanmere::isEmpty(cResName)) resize16();
  place();
  if (!cCaption.isNil()) {
    const std::string caption = textForm(cCaption);
    callWindows([&] { return SetWindowTextA(hwnd(), caption.c_str()); });
  }
  if (!lanmere::isEmpty(cResName)) {
    nStyle = static_cast<long long>(static_cast<DWORD>(GetWindowLongPtrA(hwnd(), GWL_STYLE)));
  }
  // The window's own scroll bars are objects of the scroll-bar class, once it is registered.
  if (lanmere::classByName("TSCROLLBAR")) {
    const long long style = nStyle.integer();
    if (style & WS_VSCROLL) {
      oVScroll = tell(lanmere::createObject("TSCROLLBAR"), msg::WinNew, Value(), Value(), Value(),
                      true, self());
    }
    if (style & WS_HSCROLL) {
      oHScroll = tell(lanmere::createObject("TSCROLLBAR"), msg::WinNew, Value(), Value(), Value(),
                      false, self());
    }
  }
  if (const HICON icon = handleOfMember<HICON>(oIcon, msg::hIcon)) {
    callWindows([&] {
      return SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    });
  }
  SetAlphaLevel();
  if (bInit.isClosure()) {
    const Value answer = evaluate(bInit, self());
    if (answer.isLogical() && !answer.logical()) result = false;
  }
  Help95();
  AEvalWhen();
  return result;
}

void TDialog::markTransparent() {
  for (const Value& control : aControls.items()) {
    if (control.isObject() && !isKindOf(control, kOpaqueClasses)) {
      offer(control, msg::_lTransparent, true);
    }
  }
}

// A resource dialog laid out for older systems is widened: the dialog, and every child's left
// edge and width (each rounded to the nearest pixel); tops and heights stay.
void TDialog::resize16() {
  constexpr UINT kQuietly = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;
  auto widened = [](long length) {
    return static_cast<int>(std::lround(length * kResize16Factor));
  };
  RECT own{};
  GetWindowRect(hwnd(), &own);
  callWindows([&] {
    return SetWindowPos(hwnd(), nullptr, 0, 0, widened(own.right - own.left), own.bottom - own.top,
                        kQuietly | SWP_NOMOVE);
  });
  for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    callWindows([&] {
      return SetWindowPos(child, nullptr, widened(rect.left), rect.top,
                          widened(rect.right - rect.left), rect.bottom - rect.top, kQuietly);
    });
  }
}

void TDialog::place() {
  if (lCentered.logical()) {
    if (settings().centerOnParent || lCenterInWnd.logical()) {
      Center(oWnd.isObject() ? oWnd : WNDMAIN());
      return;
    }
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT own{};
    GetWindowRect(hwnd(), &own);
    Move(Value(area.top + ((area.bottom - area.top) - (own.bottom - own.top)) / 2),
         Value(area.left + ((area.right - area.left) - (own.right - own.left)) / 2), Value(),
         Value());
    return;
  }
  if (lanmere::isEmpty(cResName) && lanmere::isEmpty(cResData)) Move(nTop, nLeft, Value(), Value());
}

// The context-help button, unless lHelpIcon says no.
Value TDialog::Help95() {
  if (lHelpIcon.isLogical() && !lHelpIcon.logical()) return {};
  const LONG_PTR exStyle = GetWindowLongPtrA(hwnd(), GWL_EXSTYLE);
  if (exStyle & WS_EX_CONTEXTHELP) return {};
  setExStyle(hwnd(), exStyle | WS_EX_CONTEXTHELP);
  callWindows([&] {
    return SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  });
  return {};
}

// ---- Template ----

Value TDialog::cToChar(const Value& hWndOwner) {
  static const lanmere::Symbol* const cdlg2chr = lanmere::symbol("CDLG2CHR");
  const long long units = GETDLGBASEUNITS();
  const long bx = static_cast<long>(loWord(units));
  const long by = static_cast<long>(hiWord(units));
  RECT owner{};
  if (const HWND window = handleFrom<HWND>(hWndOwner)) GetWindowRect(window, &owner);
  const Value controls = aControls.isList() ? aControls : Value::list();
  std::string bytes =
      lanmere::callFunction(cdlg2chr, {static_cast<long long>(controls.length()),
                                       dialogUnits(nTop, owner.top, kUnitsPerBaseY, by),
                                       dialogUnits(nLeft, owner.left, kUnitsPerBaseX, bx),
                                       dialogUnits(nBottom, owner.top, kUnitsPerBaseY, by),
                                       dialogUnits(nRight, owner.left, kUnitsPerBaseX, bx),
                                       cCaption.isNil() ? Value("") : cCaption, nStyle})
          .string();
  for (const Value& control : controls.items()) {
    const Value item = tell(control, msg::cToChar);
    if (item.isText()) bytes += item.text();
  }
  return bytes;
}

// ---- Ending ----

Value TDialog::End() {
  return End(Value());
}

Value TDialog::End(const Value& nResultNew) {
  const Value result = nResultNew.isNil() ? Value(2) : nResultNew;
  if (!modal()) {
    // Without a window a post would be a message of the thread, for whatever loop runs next.
    if (hwnd()) PostMessageA(hwnd(), WM_CLOSE, static_cast<WPARAM>(result.integer()), 0);
  } else {
    if (!lValid().logical()) return false;
    nResult = result;
    ENDDIALOG(hWnd, result);
  }
  SYSREFRESH();
  return true;
}

Value TDialog::Close(const Value& nResultNew) {
  if (modal()) return {};  // the dialog manager turns the close message into Cancel
  if (!lValid().logical()) return false;
  closeValidated(nResultNew);
  return true;
}

void TDialog::closeValidated(const Value& nResultNew) {
  if (nResultNew.isNil() || nResultNew.isNumber()) nResult = nResultNew;
  lVisible = false;
  callWindows([&] { return DestroyWindow(hwnd()); });
}

// Nothing keeps the dialog, its controls and a control awaiting validation (nResult) alive by a
// cycle once the window is gone.
Value TDialog::Destroy() {
  const lanmere::Ref<TDialog> keep(this);
  const bool modeless = !modal();
  if (nResult.isObject()) nResult = Value();
  TWindow::Destroy();
  bStart = Value();
  bNcActivate = Value();
  return modeless ? Value(true) : Value();
}

// A modal dialog answers through the modal dialog procedure: true (refused) is "handled" with
// the dialog's message result 0, false leaves the default answer, 1. A modeless one answers
// through the window procedure, where any logical counts as 0.
Value TDialog::QueryEndSession() {
  if (modal()) return !End(Value()).logical();
  // bValid is asked once: End's close message would ask again, and a second "no" would leave
  // the dialog open after the sender was told it ends.
  if (!lValid().logical()) return 0;
  closeValidated(Value(2));
  return 1;
}

// ---- Module functions ----

int dialogNesting() noexcept {
  return settings().nesting;
}

void CREATEDLGERROR(const Value& oDlg) {
  const Value resource = oDlg.isObject() ? tell(oDlg, msg::cResName) : Value();
  if (!lanmere::isEmpty(resource)) {
    raiseFrameworkError(kErrCannotCreateDialog, dialogResourceOperation(resource));
    return;
  }
  const Value caption = oDlg.isObject() ? tell(oDlg, msg::cCaption) : Value();
  raiseFrameworkError(kErrCannotCreateDialog,
                      dialogTitleOperation(caption.isNil() ? std::string() : textForm(caption)));
}

namespace {

Value logicalSetting(bool& setting, Args args) {
  const bool previous = setting;
  if (args.size() == 1 && args[0].isLogical()) setting = args[0].logical();
  return previous;
}

}  // namespace

Value SETDIALOGESC(Args args) {
  return logicalSetting(settings().esc, args);
}

Value SETCENTERONPARENT(Args args) {
  return logicalSetting(settings().centerOnParent, args);
}

Value SETDLGGRADIENT(Args args) {
  Value previous = settings().gradient;
  if (args.size() == 1) settings().gradient = args[0];
  return previous;
}

Value TDIALOG() {
  return Value(lanmere::make<TDialog>());
}

const lanmere::ModuleTable& tDialogModule() {
  using lanmere::fn;
  TDialog::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{
      "framework/core/tdialog.cpp",
      {fn<&CREATEDLGERROR>("CREATEDLGERROR"), fn<&SETDIALOGESC>("SETDIALOGESC"),
       fn<&SETCENTERONPARENT>("SETCENTERONPARENT"), fn<&SETDLGGRADIENT>("SETDLGGRADIENT"),
       fn<&TDIALOG>("TDIALOG")}};
  return module;
}

}  // namespace kestrel
