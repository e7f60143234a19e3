// TControl: the class table, creation and binding, the messages a control handles before the
// window dispatcher, focus and the validation protocol, keys and mnemonics, colours, the mouse
// and drag-and-drop, removal and the accessors. Design mode is in tcontrol_design.cpp.
#include "framework/core/tcontrol.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errors/kserror.h"
#include "framework/core/args.h"
#include "framework/core/classkind.h"
#include "framework/core/dialogbox.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/tdialog.h"
#include "framework/core/tdialog_msgs.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndproc.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

long liveControls = 0;

constexpr long long kFirstId = 100;
constexpr long long kLastId = 30000;
constexpr long long kDefaultStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr long long kWantAllKeys = DLGC_WANTALLKEYS;
constexpr long long kMouseClick = 1002;  // nLastKey after a click: validation moves nothing
constexpr UINT kNextControl = WM_NEXTDLGCTL;
constexpr UINT kDefaultIdQuery = DM_GETDEFID;
constexpr UINT kCommandMask = 0xFFF0;
constexpr long long kDragThreshold = 5;  // pixels the mouse moves before a drag starts
constexpr const char* kDeleteQuestion = "Delete this control ?";

// The buttons whose lCancel lets the focus go to them without validation.
constexpr const char* kCancelButtonClasses[] = {"TBUTTON", "TBTNBMP", "TBUTTONBMP"};

// The drag in progress (one for the process: the mouse has one capture).
struct DragState {
  bool active = false;
  HWND source = nullptr;
  long long row = 0;
  long long col = 0;
};
DragState& drag() noexcept {
  static DragState state;
  return state;
}

TWindow* windowOf(const Value& object) {
  if (!object.isObject()) return nullptr;
  if (!object.object()->classInfo().derivesFrom(TWindow::Class())) return nullptr;
  return static_cast<TWindow*>(object.object());
}

LRESULT sendTo(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  if (!hwnd) return 0;
  return callWindows([&] { return SendMessageA(hwnd, message, wParam, lParam); });
}

void postTo(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  if (hwnd) PostMessageA(hwnd, message, wParam, lParam);
}

void focusWindow(HWND hwnd) {
  if (hwnd) callWindows([&] { return ::SetFocus(hwnd); });
}

// The class data slot of a class (shared with subclasses that do not declare their own).
Value& classValue(const lanmere::Object& object, const lanmere::Symbol* name) {
  const lanmere::Resolved* found = object.classInfo().resolve(name);
  return *found->classValue;
}

// Clears the validating flags it set, however validation is left (a BREAK out of bValid
// included): a parent left validating would never validate again.
class ValidatingFlags {
 public:
  ValidatingFlags() = default;
  ValidatingFlags(const ValidatingFlags&) = delete;
  ValidatingFlags& operator=(const ValidatingFlags&) = delete;
  ~ValidatingFlags() {
    for (TWindow* window : set_) window->lValidating = false;
  }
  void set(TWindow& window) {
    window.lValidating = true;
    keep_.push_back(window.self());
    set_.push_back(&window);
  }
  void forget(TWindow& window) {
    window.lValidating = false;
    for (std::size_t i = 0; i < set_.size(); ++i) {
      if (set_[i] == &window) set_[i] = set_.back(), set_.pop_back();
    }
  }

 private:
  std::vector<Value> keep_;
  std::vector<TWindow*> set_;
};

}  // namespace

LM_DEFINE_CLASS(TControl) {
  c.data(LM_FIELDS(bSetGet, bChange, bDragBegin, lCaptured, lDrag, lMouseDown, lUpdate, l3DLook,
                   nLastRow, nLastCol, nMResize, nDlgCode, oJump, l97Look, bSysKeyDown,
                   bPreDelControl, bPostDelControl, bDrag, bPostDrag, bPreDrag, nClientBevel,
                   lTransparent));
  c.classData("nInitID", kFirstId);
  c.classData("nPoint");
  c.classData("aDots", Value::list());
  c.classData("aProperties",
              Value::list({"cTitle", "cVarName", "l3D", "nClrText", "nClrPane", "nAlign", "nTop",
                           "nLeft", "nWidth", "nHeight", "oFont", "Cargo"}));
  // MSGYESNO belongs to the display layer, above the core: it is called by name.
  c.classData("bDelete", lanmere::block(
                             [](Args) {
                               return lanmere::callFunction(lanmere::symbol("MSGYESNO"),
                                                            {Value(kDeleteQuestion)});
                             },
                             "(b)TCONTROL"));
  c.methods(LM_METHODS(Redefine, Initiate, cToChar, GetNewId, Default, Init, Click, Change, Colors,
                       Display, Paint, HelpTopic, KeyUp, UpdateUIState, GotFocus, LostFocus,
                       KillFocus, KSLostFocus, ForWhen, SetFocus, ChangeFocus, GetDlgCode, KeyDown,
                       KeyChar, SysCommand, SysChar, SysKeyDown, LButtonDown, LButtonUp, LDblClick,
                       MouseMove, DragBegin, CaptureChanged, EraseBkGnd, PaintBack, End, Destroy,
                       Move, PostMsg, Refresh, VarGet, VarPut, l3D, Set3DLook, nWidth, _nWidth,
                       nHeight, _nHeight, nAlign, _nAlign, AdjTop, AdjBottom, AdjLeft, AdjRight,
                       AdjClient, ShowDots, HideDots, CheckDots, MResize, Inspect));
  c.method<&TControl::topOfWindow>("nTop");
  c.method<&TControl::setTop>("_nTop");
  c.method<&TControl::leftOfWindow>("nLeft");
  c.method<&TControl::setLeft>("_nLeft");
  c.creatable();
}

TControl::TControl() {
  ++liveControls;
}

TControl::~TControl() {
  --liveControls;
}

long TControl::liveCount() noexcept {
  return liveControls;
}

TWindow* TControl::parent() const {
  return windowOf(oWnd);
}

HWND TControl::parentHwnd() const {
  const TWindow* window = parent();
  return window ? window->hwnd() : nullptr;
}

void TControl::createOrDefer(const Value& windowClass, bool design,
                             const std::function<void()>& ready) {
  if (parentHwnd()) {
    Create(windowClass);
    if (ready) ready();
    tell(oWnd, msg::AddControl, self());
  } else {
    tell(oWnd, msg::DefControl, self());
  }
  if (design) CheckDots();
}

void TControl::useFont() {
  if (oFont.isObject()) {
    SetFont(oFont);
  } else {
    GetFont();
  }
}

LRESULT TControl::callPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
  const auto procedure = handleFrom<WNDPROC>(nOldProc);
  if (!hwnd()) return 0;
  return callWindows([&] {
    return procedure ? CallWindowProcA(procedure, hwnd(), message, wParam, lParam)
                     : DefWindowProcA(hwnd(), message, wParam, lParam);
  });
}

bool TControl::validateAwaiting() {
  TWindow* above = parent();
  if (!above) return true;
  const Value pending = above->nResult;
  if (!pending.isObject() || pending.identity() == static_cast<const void*>(this)) return true;
  Value valid;
  {
    ValidatingFlags flags;
    flags.set(*above);
    valid = offer(pending, msg::lValid);
  }
  if (!valid.isLogical() || valid.logical()) return true;
  const HWND field = handleOfMember<HWND>(pending, msg::hWnd);
  if (field && GetFocus() != field) focusWindow(field);
  return false;
}

void TControl::focusQuietly(HWND target) {
  if (!target || GetFocus() == target) return;
  ValidatingFlags flags;
  if (TWindow* above = parent()) flags.set(*above);
  focusWindow(target);
}

// "Inside the same parent chain": the other window has this control's top-level window. Other
// top-level windows (a message box bValid opens, another program) never start a validation.
bool TControl::sameTopLevel(HWND other) const {
  return other && hwnd() && GetAncestor(other, GA_ROOT) == GetAncestor(hwnd(), GA_ROOT);
}

// ---- Creation and binding ----

Value TControl::GetNewId() {
  Value& last = classValue(*this, msg::nInitID);
  if (last.isNil()) last = kFirstId;
  last = last.integer() < kLastId ? last.integer() + 1 : kFirstId;
  return last;
}

// A parent without the dialog's DefControl (a plain window) takes the control as it is.
Value TControl::Redefine(const Value& nIdNew, const Value& oWndNew) {
  nId = nIdNew;
  oWnd = oWndNew;
  lValidating = false;
  Register();
  if (lanmere::understands(oWnd, msg::DefControl)) {
    tell(oWnd, msg::DefControl, self());
  } else {
    tell(oWnd, msg::AddControl, self());
    hWnd = 0;
  }
  return self();
}

namespace {

// A definition's edge as the template's dialog units (the system's base units).
long long itemUnitsX(const Value& edge) {
  return definitionUnits(edge.number(), kItemUnitsX,
                         static_cast<double>(loWord(GETDLGBASEUNITS())));
}
long long itemUnitsY(const Value& edge) {
  return definitionUnits(edge.number(), kItemUnitsY,
                         static_cast<double>(hiWord(GETDLGBASEUNITS())));
}

}  // namespace

Value TControl::cToChar(const Value& cClassName) {
  static const lanmere::Symbol* const cctrl2chr = lanmere::symbol("CCTRL2CHR");
  const std::string className = cClassName.isText() ? cClassName.string() : ClassName();
  if (cCaption.isNil()) cCaption = "";
  if (nId.isNil()) nId = GetNewId();
  if (nStyle.isNil()) nStyle = kDefaultStyle;
  return lanmere::callFunction(
      cctrl2chr, {itemUnitsY(nTop), itemUnitsX(nLeft), itemUnitsY(nBottom), itemUnitsX(nRight), nId,
                  nStyle, Value(className), cCaption});
}

long long TControl::templateHeight(HWND dialog) const {
  if (!dialog || !nTop.isNumber() || !nBottom.isNumber() || nBottom.number() <= nTop.number()) {
    return 0;
  }
  RECT box{0, 0, 0, static_cast<LONG>(itemUnitsY(nBottom) - itemUnitsY(nTop) + 1)};
  return MapDialogRect(dialog, &box) ? box.bottom : 0;
}

Value TControl::Initiate(const Value& hDlg) {
  if (lActive.isNil()) lActive = true;
  for (Value* member : {&lDrag, &lCaptured, &lFocused, &lCancel, &lTransparent}) {
    if (member->isNil()) *member = false;
  }
  const HWND dialog = handleFrom<HWND>(hDlg);
  const HWND item = dialog ? GetDlgItem(dialog, static_cast<int>(nId.integer())) : nullptr;
  hWnd = handleNumber(item);
  if (item) {
    const bool enable = flag(lActive, true);
    callWindows([&] { return EnableWindow(item, enable); });
    linkWindow(*this);
    if (oFont.isObject()) {
      SetFont(oFont);
    } else {
      GetFont();
    }
  } else {
    raiseFrameworkError(kErrNonDefinedId, idOperation(nId.integer()));
  }
  if (lTransparent.logical()) {
    const TWindow* window = parent();
    if (window && window->oBrush.isObject()) SetBrush(window->oBrush);
  }
  return {};
}

Value TControl::Default() {
  return {};
}

Value TControl::Init() {
  return {};
}

// ---- Messages ----

Value TControl::Click() {
  tell(oWnd, msg::AEvalWhen);
  return {};
}

Value TControl::Change() {
  return {};
}

// Nothing: the system control paints itself. The window class's BeginPaint, Paint and EndPaint
// would paint the window's background over it.
Value TControl::Display() {
  return {};
}

Value TControl::Paint() {
  return {};
}

Value TControl::KeyUp(const Value&, const Value&) {
  return {};
}

Value TControl::UpdateUIState(const Value&, const Value&) {
  if (isKindOf(*this, {"TRADIO", "TCHECKBOX"})) {
    if (const HWND above = parentHwnd()) InvalidateRect(above, nullptr, FALSE);
  }
  return {};
}

Value TControl::HelpTopic(const Value&, const Value&) {
  static const lanmere::Symbol* const helpTopic = lanmere::symbol("HELPTOPIC");
  if (lanmere::isEmpty(nHelpId) || !lanmere::findFunction(helpTopic)) return {};
  lanmere::callFunction(helpTopic, {nHelpId});
  return 0;
}

// ---- Colours ----

Value TControl::Colors(const Value& hDCCtl) {
  const HDC dc = handleFrom<HDC>(hDCCtl);
  if (nClrText.isNil()) nClrText = static_cast<long long>(GetTextColor(dc));
  if (nClrPane.isNil()) nClrPane = static_cast<long long>(GetBkColor(dc));
  // Made once and held like any brush of the window: Destroy gives it back.
  if (oBrush.isNil() && lanmere::classByName("TBRUSH")) {
    oBrush = tell(lanmere::createObject("TBRUSH"), msg::New, Value(), nClrPane);
  }
  if (lTransparent.isNil()) lTransparent = false;
  SetTextColor(dc, static_cast<COLORREF>(nClrText.integer()));
  SetBkColor(dc, static_cast<COLORREF>(nClrPane.integer()));
  const bool themed = ISAPPTHEMED();
  const bool group = isKindOf(*this, "TGROUP");
  const bool parentImage = group || isKindOf(*this, {"TCHECKBOX", "TRADIO"});
  const TWindow* above = parent();
  const Value parentBrush = above ? above->oBrush : Value();
  if (lTransparent.logical()) {
    SetBkMode(dc, TRANSPARENT);
    if (themed) {
      if (!group && handleOfMember<HBITMAP>(parentBrush, msg::hBitmap)) {
        PaintBack(hDCCtl);
      }
      if (parentImage) {
        DRAWPBACK(hWnd, hDCCtl);
        if (!group) sendTo(parentHwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc));
      }
    }
    if (const HBRUSH brush = handleOfMember<HBRUSH>(parentBrush, msg::hBrush)) {
      return handleNumber(brush);
    }
  } else if (themed && parentImage) {
    DRAWPBACK(hWnd, hDCCtl);
  }
  return handleNumber(handleOfMember<HBRUSH>(oBrush, msg::hBrush));
}

Value TControl::EraseBkGnd(const Value& hDCErase) {
  if (bEraseBkGnd.isClosure()) return evaluate(bEraseBkGnd, hDCErase);
  if (oBrush.isObject() && lTransparent.logical() && !ISAPPTHEMED()) {
    PaintBack(hDCErase);
    return 1;
  }
  return {};
}

// A transparent control shows the parent's brush, aligned as the parent paints it.
Value TControl::PaintBack(const Value& hDCBack) {
  if (!lTransparent.logical()) return TWindow::PaintBack(hDCBack);
  const TWindow* above = parent();
  const HBRUSH brush = above ? handleOfMember<HBRUSH>(above->oBrush, msg::hBrush) : nullptr;
  if (!brush || !hwnd()) return 0;
  const HDC dc = handleFrom<HDC>(hDCBack);
  CoorsUpdate();
  SetBrushOrgEx(dc, -static_cast<int>(nLeft.integer()), -static_cast<int>(nTop.integer()), nullptr);
  RECT client{};
  GetClientRect(hwnd(), &client);
  FillRect(dc, &client, brush);
  return 0;
}

// ---- Focus ----

Value TControl::SetFocus() {
  if (!hwnd()) return {};
  HWND target = hwnd();
  if (!lWhen().logical()) {
    // The next sibling, or the parent's first child when the next one belongs elsewhere.
    target = GetWindow(hwnd(), GW_HWNDNEXT);
    if (!target || GetParent(target) != GetParent(hwnd())) {
      target = GetWindow(GetParent(hwnd()), GW_CHILD);
    }
  }
  const TWindow* above = parent();
  if (above && above->classInfo().derivesFrom(TDialog::Class())) {
    postTo(above->hwnd(), kNextControl, reinterpret_cast<WPARAM>(target), TRUE);
  } else {
    focusWindow(target);
  }
  return {};
}

Value TControl::ChangeFocus() {
  postTo(hwnd(), kWmFrameworkChangeFocus);
  return {};
}

Value TControl::GotFocus(const Value& hWndLost) {
  lFocused = true;
  if (TWindow* above = parent()) {
    above->nResult = self();  // awaiting validation
    above->oCtlFocus = self();
    above->hCtlFocus = hWnd;
  }
  if (!cMsg.isNil()) tell(oWnd, msg::SetMsg, cMsg);
  if (lDrag.logical()) ShowDots();
  if (bGotFocus.isClosure()) return evaluate(bGotFocus, self(), hWndLost);
  return {};
}

Value TControl::LostFocus(const Value& hWndNew) {
  tell(oWnd, msg::SetMsg, Value());
  if (lDrag.logical()) HideDots();
  return TWindow::LostFocus(hWndNew);
}

Value TControl::KillFocus(const Value& hWndNew) {
  const HWND next = handleFrom<HWND>(hWndNew);
  TWindow* above = parent();
  if (!above) return LostFocus(hWndNew);
  const Value nextObject = next ? OWNDFROMHWND(hWndNew) : Value();
  const long long lastKey = above->nLastKey.integer();
  const bool navigationKey =
      lastKey == VK_TAB || lastKey == VK_RETURN || lastKey == VK_DOWN || lastKey == VK_UP;
  // A cancel button takes the focus without validating the control left behind.
  if (next && bValid.isClosure() && sameTopLevel(next) &&
      isKindOf(nextObject, kCancelButtonClasses) && offer(nextObject, msg::lCancel).logical() &&
      !navigationKey) {
    {
      ValidatingFlags flags;
      flags.set(*above);
      above->nLastKey = 0;
      ForWhen();
    }
    return LostFocus(hWndNew);
  }
  if (isKindOf(nextObject, "TBTNBMP")) above->nLastKey = 0;
  // A window that contains this control only passes the focus on (a dialog to its remembered
  // control), as it does when it is activated again after a message box.
  if (next && !IsChild(next, hwnd()) && !above->lValidating.logical() &&
      IsWindowVisible(above->hwnd()) && sameTopLevel(next)) {
    // Validation waits until the system's focus change is over.
    postTo(hwnd(), kWmFrameworkLostFocus, reinterpret_cast<WPARAM>(next));
  }
  return LostFocus(hWndNew);
}

Value TControl::KSLostFocus(const Value& hWndNew) {
  TWindow* above = parent();
  if (!above || above->lValidating.logical()) return {};
  const lanmere::Ref<TControl> keep(this);
  ValidatingFlags flags;
  flags.set(*above);
  // The window getting the focus may belong to another parent (a panel, a folder page).
  const HWND next = handleFrom<HWND>(hWndNew);
  Value nextObject = next ? OWNDFROMHWND(hWndNew) : Value();
  TWindow* other = nullptr;
  if (const TWindow* nextWindow = windowOf(nextObject)) {
    other = windowOf(nextWindow->oWnd);
  } else if (next) {
    other = windowOf(OWNDFROMHWND(handleNumber(GetParent(next))));
  }
  if (other && other != above) {
    if (other->lValidating.logical()) {
      flags.forget(*above);
      return {};
    }
    flags.set(*other);
  }
  if (!lValid().logical()) {
    focusWindow(hwnd());
  } else if (!isKindOf(*this, kFolderClasses)) {
    ForWhen();
  }
  return {};
}

Value TControl::ForWhen() {
  TWindow* above = parent();
  tell(oWnd, msg::AEvalWhen);
  lCaptured = false;
  if (oJump.isObject()) {
    const Value jump = std::exchange(oJump, Value());
    tell(jump, msg::SetFocus);
  } else if (above) {
    const long long key = above->nLastKey.integer();
    if (key == VK_UP || (key == VK_TAB && keyDown(VK_SHIFT))) {
      tell(oWnd, msg::GoPrevCtrl, hWnd);
    } else if (key == VK_DOWN || key == VK_RETURN || key == VK_TAB) {
      tell(oWnd, msg::GoNextCtrl, hWnd);
    } else if (!GetFocus()) {
      SetFocus();
    }
  }
  if (above) above->nLastKey = 0;
  return {};
}

Value TControl::GetDlgCode(const Value& nKey) {
  TWindow* above = parent();
  if (!above) return nDlgCode;
  const long long key = nKey.integer();
  if (!above->lValidating.logical() &&
      (key == VK_RETURN || key == VK_TAB || key == VK_DOWN || key == VK_UP)) {
    above->nLastKey = key;
  }
  if (above->oWnd.isObject()) return kWantAllKeys;
  return nDlgCode;
}

// ---- Keys ----

Value TControl::KeyChar(const Value& nKey, const Value& nFlags) {
  const long long key = nKey.integer();
  if (key == VK_ESCAPE) {
    tell(oWnd, msg::KeyChar, nKey, nFlags);
    return 0;
  }
  if (key == VK_TAB && oWnd.isObject()) {
    tell(oWnd, keyDown(VK_SHIFT) ? msg::GoPrevCtrl : msg::GoNextCtrl, hWnd);
    return 0;
  }
  if (key == VK_RETURN && parentHwnd()) {
    const HWND above = parentHwnd();
    SYSREFRESH();
    const LRESULT answer = sendTo(above, kDefaultIdQuery);
    HWND button = HIWORD(answer) == DC_HASDEFID ? GetDlgItem(above, LOWORD(answer)) : nullptr;
    if (!button) {
      // A plain window answers no default id: its default push button is found by its style.
      for (HWND child = GetWindow(above, GW_CHILD); child && !button;
           child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrA(child, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON &&
            windowClassName(child) == "Button") {
          button = child;
        }
      }
    }
    if (button && button != hwnd() && (GetWindowLongPtrA(button, GWL_STYLE) & BS_DEFPUSHBUTTON)) {
      sendTo(button, WM_KEYDOWN, VK_RETURN);
      return 0;
    }
    if (const HWND first = GetDlgItem(above, IDOK)) {
      const Value control = OWNDFROMHWND(handleNumber(first));
      if (isKindOf(control, "TBTNBMP")) evaluate(lanmere::send(control, msg::bAction));
      return 0;
    }
  }
  return TWindow::KeyChar(nKey, nFlags);
}

Value TControl::KeyDown(const Value& nKey, const Value& nFlags) {
  const long long key = nKey.integer();
  if (key == VK_ESCAPE) {
    tell(oWnd, msg::KeyDown, nKey, nFlags);
    return 0;
  }
  if (lDrag.logical() && designKey(key)) return 0;
  // Ctrl+Tab in a folder's page turns to the next page, Ctrl+Shift+Tab to the previous one.
  const TWindow* above = parent();
  if (key == VK_TAB && keyDown(VK_CONTROL) && above) {
    const Value folder = above->oWnd;
    if (isKindOf(folder, {"TFOLDER", "TFOLDEREX"})) {
      const long long pages = lanmere::send(folder, msg::aDialogs).length();
      const long long current = lanmere::send(folder, msg::nOption).integer();
      if (pages > 0) {
        const long long step = keyDown(VK_SHIFT) ? -1 : 1;
        const long long next = ((current - 1 + step) % pages + pages) % pages + 1;
        tell(folder, msg::SetOption, next);
      }
      return 0;
    }
  }
  return TWindow::KeyDown(nKey, nFlags);
}

// ---- Mnemonics ----

// Posts the framework click to the control of a window (the object's window, or the window).
Value TControl::clickHotControl(HWND hot) {
  postTo(hot, kWmFrameworkClick);
  return 0;
}

Value TControl::SysCommand(const Value& nCmd, const Value& nKey, const Value& nHigh) {
  auto toWindow = [&] { return TWindow::SysCommand(nCmd, nKey, nHigh); };
  if ((static_cast<UINT>(nCmd.integer()) & kCommandMask) != SC_KEYMENU || nKey.integer() == 0) {
    return toWindow();
  }
  const TWindow* above = parent();
  if (!above) return toWindow();
  // In a folder's page, a page whose title has the hot key is selected first.
  const Value folder = above->oWnd;
  if (isKindOf(folder, kFolderClasses)) {
    const Value found = offer(folder, msg::GetHotPos, nKey);
    if (found.isNumber() && found.integer() > 0) {
      tell(folder, msg::SetOption, found);
      return 0;
    }
  }
  // The parent finds the control with the hot key; a folder's dialog is searched the same way.
  if (!lanmere::understands(oWnd, msg::GetHotPos)) return toWindow();
  HWND hot = handleFrom<HWND>(tell(oWnd, msg::GetHotPos, nKey, hWnd));
  if (!hot && isKindOf(folder, kFolderClasses)) {
    hot = handleFrom<HWND>(offer(lanmere::send(folder, msg::oWnd), msg::GetHotPos, nKey, hWnd));
  }
  if (!hot) return toWindow();
  const Value hotObject = OWNDFROMHWND(handleNumber(hot));
  if (!offer(hotObject, msg::lCancel).logical()) focusWindow(hot);
  SYSREFRESH();
  // The click only when the focus could leave this control (the field left behind was valid).
  if (GetFocus() != hwnd()) clickHotControl(hot);
  return 0;
}

namespace {

// The window of the first control of `controls` (of one of `classes`, when given) whose caption
// marks `key` as its mnemonic.
HWND controlWithHotKey(const Value& controls, long long key,
                       std::initializer_list<std::string_view> classes = {}) {
  const int wanted = std::toupper(static_cast<int>(key & 0xFF));
  for (const Value& control : controls.items()) {
    const bool ofClass = classes.size() == 0 || isKindOf(control, classes);
    const HWND window = handleOfMember<HWND>(control, msg::hWnd);
    if (ofClass && window && mnemonicOf(textForm(offer(control, msg::GetText))) == wanted) {
      return window;
    }
  }
  return nullptr;
}

// The control the last system key-down clicked. The character message the system makes of that
// key comes next to the same window: in an MDI child its SysChar would click the control again.
HWND clickedByKeyDown = nullptr;

}  // namespace

Value TControl::SysChar(const Value& nKey, const Value&) {
  const HWND already = std::exchange(clickedByKeyDown, nullptr);
  const TWindow* above = parent();
  if (!above || !isKindOf(oWnd, "TMDICHILD")) return {};
  const HWND hot = controlWithHotKey(above->aControls, nKey.integer());
  if (hot && hot == already) return 0;  // the key's own key-down pressed it
  return hot ? clickHotControl(hot) : Value();
}

Value TControl::SysKeyDown(const Value& nKey, const Value& nFlags) {
  clickedByKeyDown = nullptr;
  evaluate(bSysKeyDown, nKey, nFlags, self());
  const TWindow* above = parent();
  if (!above) return {};
  const Value bar = above->oBar;
  HWND hot = bar.isObject() ? controlWithHotKey(lanmere::send(bar, msg::aControls), nKey.integer(),
                                                {"TBTNBMP", "TRBTN"})
                            : nullptr;
  if (!hot) hot = controlWithHotKey(above->aControls, nKey.integer());
  clickedByKeyDown = hot;
  return hot ? clickHotControl(hot) : Value();
}

// ---- Mouse and drag-and-drop ----

Value TControl::LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  nLastRow = nRow;
  nLastCol = nCol;
  lMouseDown = true;
  if (TWindow* above = parent()) above->nLastKey = kMouseClick;
  if (lDrag.logical()) {
    designPress(nRow.integer(), nCol.integer());
    return 0;
  }
  return TWindow::LButtonDown(nRow, nCol, nFlags);
}

Value TControl::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (lDrag.logical()) {
    if (lCaptured.logical()) {
      designMove(nRow.integer(), nCol.integer());
      return 0;
    }
    return TWindow::MouseMove(nRow, nCol, nFlags);
  }
  DragState& state = drag();
  const bool buttonHeld = (nFlags.integer() & MK_LBUTTON) != 0;
  if (!state.active && lMouseDown.logical() && buttonHeld && oDragCursor.isObject() &&
      (std::llabs(nRow.integer() - nLastRow.integer()) > kDragThreshold ||
       std::llabs(nCol.integer() - nLastCol.integer()) > kDragThreshold)) {
    DragBegin(nRow, nCol, nFlags);
  }
  if (state.active && state.source == hwnd()) {
    evaluate(bMMoved, nRow, nCol, nFlags, true);
    POINT point{static_cast<LONG>(nCol.integer()), static_cast<LONG>(nRow.integer())};
    ClientToScreen(hwnd(), &point);
    const HWND under = WindowFromPoint(point);
    const bool accepts = under == hwnd() || !lanmere::isEmpty(offer(
                                                OWNDFROMHWND(handleNumber(under)), msg::bDropOver));
    const HCURSOR cursor = handleOfMember<HCURSOR>(oDragCursor, msg::hCursor);
    SetCursor(accepts && cursor ? cursor : LoadCursorA(nullptr, IDC_NO));
    return 0;
  }
  if (const HCURSOR cursor = handleOfMember<HCURSOR>(oCursor, msg::hCursor)) SetCursor(cursor);
  return TWindow::MouseMove(nRow, nCol, nFlags);
}

Value TControl::DragBegin(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (!hwnd()) return {};
  DragState& state = drag();
  state.active = true;
  state.source = hwnd();
  state.row = nRow.integer();
  state.col = nCol.integer();
  Capture();
  evaluate(bDragBegin, nRow, nCol, nFlags, self());
  return {};
}

Value TControl::LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  lMouseDown = false;
  DragState& state = drag();
  if (state.active && state.source == hwnd()) {
    state = DragState{};  // before the release: the capture-changed message finds no drag
    callWindows([] { return ReleaseCapture(); });
    dropAt(nRow.integer(), nCol.integer(), nFlags);
    return 0;
  }
  if (lDrag.logical() && lCaptured.logical()) {
    designRelease(nRow.integer(), nCol.integer());
    return 0;
  }
  return TWindow::LButtonUp(nRow, nCol, nFlags);
}

// The drop goes to the window under the mouse, in that window's client coordinates, row in the
// low half and column in the high half as its DropOver reads them.
void TControl::dropAt(long long row, long long col, const Value& nFlags) {
  POINT point{static_cast<LONG>(col), static_cast<LONG>(row)};
  ClientToScreen(hwnd(), &point);
  const HWND target = WindowFromPoint(point);
  if (!target) return;
  ScreenToClient(target, &point);
  const auto packed = static_cast<LPARAM>((static_cast<std::uint32_t>(point.x) & 0xFFFF) << 16 |
                                          (static_cast<std::uint32_t>(point.y) & 0xFFFF));
  sendTo(target, kWmFrameworkDropOver, static_cast<WPARAM>(nFlags.integer()), packed);
}

Value TControl::CaptureChanged(const Value& hWndNew) {
  // Taking the capture again (the system control took it at the press) changes nothing.
  if (handleFrom<HWND>(hWndNew) == hwnd()) return {};
  DragState& state = drag();
  if (state.active && state.source == hwnd()) state = DragState{};
  if (lCaptured.logical()) designCancel();
  return {};
}

Value TControl::LDblClick(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (lDrag.logical()) {
    evaluate(bLDblClick, nRow, nCol, nFlags);
    return LButtonUp(nRow, nCol, nFlags);
  }
  return TWindow::LDblClick(nRow, nCol, nFlags);
}

// ---- Removal ----

// The control leaves its parent's list (found by identity: a control that was never bound
// shares handle 0 with others), then ends as a window does.
Value TControl::End() {
  if (TWindow* above = parent()) {
    if (above->aControls.isList()) {
      auto& items = above->aControls.listData()->items;
      for (auto it = items.begin(); it != items.end(); ++it) {
        if (it->identity() == static_cast<const void*>(this)) {
          items.erase(it);
          break;
        }
      }
    }
    if (above->oCtlFocus.identity() == static_cast<const void*>(this)) above->oCtlFocus = Value();
  }
  if (lDrag.logical()) HideDots();
  if (!hwnd()) return lValid();
  return TWindow::End();
}

// Nothing keeps the control alive once its window is gone: the parent's links to it and its own
// closures and jump target are let go with the window class's links.
Value TControl::Destroy() {
  const lanmere::Ref<TControl> keep(this);
  HideDots();
  if (drag().source == hwnd() && hwnd()) drag() = DragState{};
  if (TWindow* above = parent()) {
    for (Value* link : {&above->nResult, &above->oCtlFocus}) {
      if (link->identity() == static_cast<const void*>(this)) *link = Value();
    }
  }
  const Value answer = TWindow::Destroy();
  for (Value* link : {&bSetGet, &bChange, &bDragBegin, &oJump, &bSysKeyDown, &bPreDelControl,
                      &bPostDelControl, &bDrag, &bPostDrag, &bPreDrag}) {
    *link = Value();
  }
  return answer;
}

Value TControl::PostMsg(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (!hwnd()) return false;
  return TWindow::PostMsg(nMsg, nWParam, nLParam);
}

Value TControl::Refresh(const Value& lErase) {
  if (!hwnd()) return {};
  return TWindow::Refresh(lErase);
}

// ---- Value and geometry ----

Value TControl::VarGet() {
  return bSetGet.isClosure() ? evaluate(bSetGet) : Value();
}

Value TControl::VarPut(const Value& uValue) {
  if (bSetGet.isClosure()) evaluate(bSetGet, uValue);
  return {};
}

Value TControl::l3D() {
  if (!hwnd()) return l3DLook;
  return (GetWindowLongPtrA(hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
}

// The three-dimensional look is the client edge, switched with a redraw of the frame.
Value TControl::Set3DLook(const Value& lOn) {
  const bool on = flag(lOn, true);
  l3DLook = on;
  if (!hwnd()) return {};
  const LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_EXSTYLE);
  setExStyle(hwnd(), on ? (style | WS_EX_CLIENTEDGE) : (style & ~LONG_PTR{WS_EX_CLIENTEDGE}));
  nExStyle = static_cast<long long>(GetWindowLongPtrA(hwnd(), GWL_EXSTYLE));
  callWindows([&] {
    return SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  });
  return {};
}

Value TControl::Move(const Value& top, const Value& left, const Value& width, const Value& height,
                     const Value& lRepaint) {
  if (!hwnd()) return {};
  TWindow::Move(top, left, width, height, lRepaint);
  if (lDrag.logical()) CheckDots();
  return {};
}

Value TControl::topOfWindow(const Value& top) {
  if (!top.isNil()) return setTop(top);
  if (hwnd()) CoorsUpdate();
  return nTop;
}

Value TControl::setTop(const Value& top) {
  Move(top, Value(), Value(), Value());
  if (!hwnd()) nTop = top;
  return top;
}

Value TControl::leftOfWindow(const Value& left) {
  if (!left.isNil()) return setLeft(left);
  if (hwnd()) CoorsUpdate();
  return nLeft;
}

Value TControl::setLeft(const Value& left) {
  Move(Value(), left, Value(), Value());
  if (!hwnd()) nLeft = left;
  return left;
}

Value TControl::nWidth(const Value& width) {
  if (!width.isNil()) return _nWidth(width);
  return TWindow::nWidth();
}

Value TControl::_nWidth(const Value& width) {
  Move(Value(), Value(), width, Value());
  return width;
}

Value TControl::nHeight(const Value& height) {
  if (!height.isNil()) return _nHeight(height);
  return TWindow::nHeight();
}

Value TControl::_nHeight(const Value& height) {
  Move(Value(), Value(), Value(), height);
  return height;
}

// ---- Alignment: 0 none, 1 top, 2 bottom, 3 left, 4 right, 5 client ----

namespace {

enum Align : long long {
  kAlignNone,
  kAlignTop,
  kAlignBottom,
  kAlignLeft,
  kAlignRight,
  kAlignClient
};

Value TWindow::*const kAlignSlots[] = {nullptr,         &TWindow::oTop,   &TWindow::oBottom,
                                       &TWindow::oLeft, &TWindow::oRight, &TWindow::oClient};

long long heightOf(const Value& control) {
  const HWND window = handleOfMember<HWND>(control, msg::hWnd);
  RECT rect{};
  return window && GetWindowRect(window, &rect) ? rect.bottom - rect.top : 0;
}

long long widthOf(const Value& control) {
  const HWND window = handleOfMember<HWND>(control, msg::hWnd);
  RECT rect{};
  return window && GetWindowRect(window, &rect) ? rect.right - rect.left : 0;
}

}  // namespace

Value TControl::nAlign(const Value& align) {
  if (!align.isNil()) return _nAlign(align);
  const TWindow* above = parent();
  if (!above) return kAlignNone;
  for (long long i = kAlignTop; i <= kAlignClient; ++i) {
    if ((above->*kAlignSlots[i]).identity() == static_cast<const void*>(this)) return i;
  }
  return kAlignNone;
}

Value TControl::_nAlign(const Value& align) {
  const long long wanted = align.integer();
  TWindow* above = parent();
  if (!above) return align;
  for (long long i = kAlignTop; i <= kAlignClient; ++i) {
    Value& slot = above->*kAlignSlots[i];
    if (slot.identity() == static_cast<const void*>(this) && i != wanted) slot = Value();
  }
  if (wanted >= kAlignTop && wanted <= kAlignClient) {
    alignTo(kAlignSlots[wanted], wanted);
  } else {
    above->ReSize();
  }
  return align;
}

// Makes the control the parent's docked control of that side and lays the parent out again
// (which sends this message back: then the control only takes its place).
void TControl::alignTo(Value TWindow::*slot, long long align) {
  TWindow* above = parent();
  if (!above || !hwnd()) return;
  if ((above->*slot).identity() != static_cast<const void*>(this)) {
    above->*slot = self();
    tell(oWnd, msg::ReSize);
    return;
  }
  RECT client{};
  GetClientRect(above->hwnd(), &client);
  long long top = client.top;
  long long bottom = client.bottom;
  long long left = client.left;
  long long right = client.right;
  const Value me = self();
  auto other = [&](const Value& docked) {
    return docked.isObject() && !docked.sharesStorageWith(me);
  };
  if (align != kAlignTop && other(above->oTop)) top += heightOf(above->oTop);
  if (align != kAlignBottom && other(above->oBottom)) bottom -= heightOf(above->oBottom);
  if (align == kAlignClient) {
    if (other(above->oLeft)) left += widthOf(above->oLeft);
    if (other(above->oRight)) right -= widthOf(above->oRight);
  }
  const long long ownHeight = heightOf(me);
  const long long ownWidth = widthOf(me);
  switch (align) {
    case kAlignTop:
      TWindow::Move(Value(client.top), Value(left), Value(right - left), Value(ownHeight));
      break;
    case kAlignBottom:
      TWindow::Move(Value(client.bottom - ownHeight), Value(left), Value(right - left),
                    Value(ownHeight));
      break;
    case kAlignLeft:
      TWindow::Move(Value(top), Value(left), Value(ownWidth), Value(bottom - top));
      break;
    case kAlignRight:
      TWindow::Move(Value(top), Value(right - ownWidth), Value(ownWidth), Value(bottom - top));
      break;
    default:
      TWindow::Move(Value(top), Value(left), Value(right - left), Value(bottom - top));
      break;
  }
}

Value TControl::AdjTop() {
  alignTo(&TWindow::oTop, kAlignTop);
  return {};
}

Value TControl::AdjBottom() {
  alignTo(&TWindow::oBottom, kAlignBottom);
  return {};
}

Value TControl::AdjLeft() {
  alignTo(&TWindow::oLeft, kAlignLeft);
  return {};
}

Value TControl::AdjRight() {
  alignTo(&TWindow::oRight, kAlignRight);
  return {};
}

Value TControl::AdjClient() {
  alignTo(&TWindow::oClient, kAlignClient);
  return {};
}

// ---- The module ----

Value TCONTROL() {
  return Value(lanmere::make<TControl>());
}

const lanmere::ModuleTable& tControlModule() {
  using lanmere::fn;
  TControl::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{"framework/core/tcontrol.cpp",
                                           {fn<&TCONTROL>("TCONTROL")}};
  return module;
}

}  // namespace kestrel
