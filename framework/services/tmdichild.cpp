#include "framework/services/tmdichild.h"

#include <string>

#include "framework/core/args.h"
#include "framework/core/classkind.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "framework/services/mdiapi.h"
#include "framework/services/tmdiclient.h"
#include "framework/services/tmdiframe.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr const char* kChildClass = "TMDICHILD";

LRESULT sendTo(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return callWindows([&] { return SendMessageA(hwnd, message, wParam, lParam); });
}

// The frame a child is made in: a live MDI frame with its client, else null.
TMdiFrame* liveFrame(const Value& frame) {
  TMdiFrame* found = mdiObject<TMdiFrame>(frame);
  if (!found || !found->hwnd() || !IsWindow(found->hwnd())) return nullptr;
  return mdiObject<TMdiClient>(found->oWndClient) ? found : nullptr;
}

}  // namespace

LM_DEFINE_CLASS(TMdiChild) {
  c.data(LM_FIELDS(oWndClient, oControl, lKeepMenu, nMenuInfo, bPostEnd));
  c.classData("lRegistered");
  c.methods(LM_METHODS(New, Register, Activate, HandleEvent, MdiActivate, End, KeyDown, KeyChar,
                       Maximize, Restore, SetFocus, Next, Prev, Center, IsZoomed, Copy, Cut, Delete,
                       Paste, Find, FindNext, Properties, Replace, SelectAll, ReDo, UnDo, Print,
                       Destroy));
  c.method<static_cast<Value (TMdiChild::*)(const Value&, const Value&)>(&TMdiChild::SetMenu)>(
      "SetMenu");
  c.creatable();
}

Value TMdiChild::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const Value frameValue = orDefault(a.oWnd, GETWNDFRAME());
  TMdiFrame* frame = liveFrame(frameValue);
  if (!frame) return lanmere::argumentError(kMdiNoFrameSubCode);
  TMdiClient* client = mdiObject<TMdiClient>(frame->oWndClient);
  long long style = number(a.nStyle, 0);
  if (style == 0) {
    style = WS_CLIPCHILDREN | WS_VISIBLE |
            frameStyle(a.cBorder, a.lCaption, a.lSysMenu, a.lMin, a.lMax, a.lVScroll, a.lHScroll);
  }
  const bool pixel = flag(a.lPixel, false);
  // A value that is no number counts as missing.
  const Value top = placed(a.nTop, pixel, kCellHeight);
  const Value left = placed(a.nLeft, pixel, kCellWidth);
  const Value bottom = placed(a.nBottom, pixel, kCellHeight);
  const Value right = placed(a.nRight, pixel, kCellWidth);
  oWndClient = frame->oWndClient;
  oWnd = frameValue;
  nStyle = style;
  oIcon = iconFromText(a.oIcon);
  lVisible = true;
  aControls = Value::list();
  nHelpId = a.nHelpId;
  cCaption =
      a.cTitle.isNil() ? Value("MDI Child " + std::to_string(client->aWnd.length() + 1)) : a.cTitle;
  lKeepMenu = false;
  nMenuInfo = a.nMenuInfo;
  oCursor = a.oCursor;
  nLastKey = 0;
  Register();
  // The system's default replaces a missing corner (x) or size (width); a missing value is
  // never passed raw.
  MDICREATESTRUCTA record{};
  record.szClass = kChildClass;
  const std::string title = textForm(cCaption);
  record.szTitle = title.c_str();
  record.hOwner = GetModuleHandleA(nullptr);
  const bool corner = !top.isNil() && !left.isNil();
  const bool size = corner && !bottom.isNil() && !right.isNil();
  record.x = corner ? static_cast<int>(left.integer()) : CW_USEDEFAULT;
  record.y = corner ? static_cast<int>(top.integer()) : CW_USEDEFAULT;
  record.cx = size ? static_cast<int>(right.integer() - left.integer() + 1) : CW_USEDEFAULT;
  record.cy = size ? static_cast<int>(bottom.integer() - top.integer() + 1) : CW_USEDEFAULT;
  if (!corner && !bottom.isNil() && !right.isNil()) {
    // Only the corner is missing: the size stands on its own.
    record.cx = static_cast<int>(right.integer()) + 1;
    record.cy = static_cast<int>(bottom.integer()) + 1;
  }
  record.style = static_cast<DWORD>(style);
  const HWND created = reinterpret_cast<HWND>(
      sendTo(client->hwnd(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&record)));
  hWnd = handleNumber(created);
  if (!created) {
    WNDCREATEERROR(self(), Value(kChildClass));
    return {};
  }
  linkWindow(*this);
  CoorsUpdate();
  SetColor(orDefault(a.nClrFore, client->nClrText), orDefault(a.nClrBack, client->nClrPane),
           a.oBrush);
  if (a.oMenu.isObject()) SetMenu(a.oMenu, a.nMenuInfo);
  makeScrollBars(a.lVScroll, a.lHScroll);
  GetFont();
  client->aWnd.listData()->items.push_back(self());
  SETWNDDEFAULT(self());
  frame->oWndActive = self();
  if (const HICON icon = handleOfMember<HICON>(oIcon, msg::hIcon)) {
    sendTo(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  sendTo(hwnd(), WM_NCACTIVATE, TRUE);
  // The system activated the child before it was linked: the frame takes its menu now.
  if (reinterpret_cast<HWND>(sendTo(client->hwnd(), WM_MDIGETACTIVE)) == hwnd()) {
    MdiActivate(true);
  }
  return self();
}

// The class every child window has (a program's subclass too): the system's default MDI child
// procedure behind the subclass procedure.
Value TMdiChild::Register(const Value&) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA known{};
  known.cbSize = sizeof known;
  bool registered = GetClassInfoExA(instance, kChildClass, &known) != 0;
  if (!registered) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = DefMDIChildProcA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kChildClass;
    registered = RegisterClassExA(&windowClass) != 0;
  }
  for (const lanmere::ClassDataSlot& slot : TMdiChild::Class().classData) {
    if (slot.name == msg::lRegistered) *slot.value = registered;
  }
  return {};
}

Value TMdiChild::SetMenu(const Value& oMenuNew, const Value& nPosition) {
  if (!mdiObject<lanmere::Object>(oMenuNew) || !lanmere::understands(oMenuNew, msg::hMenu)) {
    return {};
  }
  oMenu = oMenuNew;
  nMenuInfo = nPosition;
  TMdiClient* client = mdiObject<TMdiClient>(oWndClient);
  if (client && client->GetActive().sharesStorageWith(self())) MdiActivate(true);
  return {};
}

Value TMdiChild::Activate(Args args) {
  if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) client->ChildActivate(self());
  TWindow::Activate(args);
  if (const HWND control = handleOfMember<HWND>(oControl, msg::hWnd)) {
    callWindows([&] { return ::SetFocus(control); });
  }
  return {};
}

Value TMdiChild::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (nMsg.integer() == WM_MDIACTIVATE) {
    MdiActivate(handleFrom<HWND>(nLParam) == hwnd() && hwnd());
    return {};
  }
  // A close command is the object's own: End decides, so the default must not close anyway.
  if (nMsg.integer() == WM_SYSCOMMAND && (nWParam.integer() & 0xFFF0) == SC_CLOSE) {
    return TWindow::HandleEvent(nMsg, nWParam, nLParam);
  }
  return mdiHandleEvent(
      *this, nMsg, nWParam, nLParam, {WM_SETFOCUS, WM_GETMINMAXINFO},
      {WM_CHILDACTIVATE, WM_MENUCHAR, WM_MOVE, WM_NEXTMENU, WM_SIZE, WM_SYSCOMMAND});
}

// The frame shows an active child's menu and its own when that child is no longer active; the
// frame's active child follows the system's.
Value TMdiChild::MdiActivate(const Value& lActivated) {
  TMdiFrame* frame = mdiObject<TMdiFrame>(oWnd);
  if (!frame || !frame->hwnd()) return {};
  if (flag(lActivated, false)) {
    frame->oWndActive = self();
    if (oMenu.isObject()) frame->SetMenu(oMenu, nMenuInfo);
    return {};
  }
  if (frame->oWndActive.sharesStorageWith(self())) frame->oWndActive = Value();
  if (oMenu.isObject()) frame->showStartMenu();
  return {};
}

// The child closes first (its deactivation puts the frame's menu back), and its menu ends with
// its window (Destroy). A second End while one runs, or after the child is gone, refuses.
Value TMdiChild::End() {
  if (ending_ || !hwnd() || !IsWindow(hwnd())) return false;
  ending_ = true;
  const lanmere::Ref<TMdiChild> keep(this);
  const bool valid = lValid().logical();
  if (valid) {
    const Value postEnd = bPostEnd;
    if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) {
      client->ChildClose(self());
    } else {
      callWindows([&] { return DestroyWindow(hwnd()); });
    }
    evaluate(postEnd, self());
  }
  ending_ = false;
  return valid;
}

Value TMdiChild::KeyDown(const Value& nKey, const Value& nFlags) {
  const long long key = nKey.integer();
  if ((key == VK_F4 || key == VK_F6) && keyDown(VK_CONTROL)) {
    sendTo(hwnd(), WM_SYSCOMMAND, key == VK_F4 ? SC_CLOSE : SC_NEXTWINDOW);
    return 0;
  }
  return TWindow::KeyDown(nKey, nFlags);
}

Value TMdiChild::KeyChar(const Value& nKey, const Value& nFlags) {
  if (nKey.integer() == VK_ESCAPE) {
    End();
    return 0;
  }
  return TWindow::KeyChar(nKey, nFlags);
}

Value TMdiChild::Maximize() {
  if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) client->ChildMaximize(self());
  return {};
}

Value TMdiChild::Restore() {
  if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) client->ChildRestore(self());
  return {};
}

Value TMdiChild::SetFocus() {
  if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) client->ChildActivate(self());
  return {};
}

Value TMdiChild::Next() {
  if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) client->ChildNext(self(), false);
  return {};
}

Value TMdiChild::Prev() {
  if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) client->ChildNext(self(), true);
  return {};
}

Value TMdiChild::Center(const Value& oWndOver) {
  return TWindow::Center(orDefault(oWndOver, oWndClient));
}

Value TMdiChild::IsZoomed() {
  return ::IsZoomed(hwnd()) != 0;
}

// ---- Editing commands ----

// The control's command when there is a control, else the window's own.
#define KESTREL_TO_CONTROL(Method)                                                \
  Value TMdiChild::Method() {                                                     \
    return oControl.isObject() ? tell(oControl, msg::Method) : TWindow::Method(); \
  }
KESTREL_TO_CONTROL(Copy)
KESTREL_TO_CONTROL(Cut)
KESTREL_TO_CONTROL(Delete)
KESTREL_TO_CONTROL(Paste)
KESTREL_TO_CONTROL(Find)
KESTREL_TO_CONTROL(FindNext)
KESTREL_TO_CONTROL(Properties)
KESTREL_TO_CONTROL(Replace)
KESTREL_TO_CONTROL(SelectAll)
KESTREL_TO_CONTROL(ReDo)
KESTREL_TO_CONTROL(UnDo)
#undef KESTREL_TO_CONTROL

Value TMdiChild::Print() {
  if (bPrint.isClosure()) return evaluate(bPrint, self());
  if (oControl.isObject()) return tell(oControl, msg::Print);
  return HardCopy();
}

// The child lets go wherever it was listed; its menu ends with it unless it is kept or another
// child still shows it, and never while the frame's bar holds it.
Value TMdiChild::Destroy() {
  const lanmere::Ref<TMdiChild> keep(this);
  TMdiClient* client = mdiObject<TMdiClient>(oWndClient);
  if (client) client->forget(self());
  TMdiFrame* frame = mdiObject<TMdiFrame>(oWnd);
  if (frame && frame->oWndActive.sharesStorageWith(self())) frame->oWndActive = Value();
  const Value menu = oMenu;
  oMenu = Value();
  if (frame && menu.isObject() && frame->oMenu.sharesStorageWith(menu)) frame->showStartMenu();
  const Value result = TWindow::Destroy();
  bool shared = false;
  if (client) {
    for (const Value& other : client->childrenNow()) {
      if (offer(other, msg::oMenu).sharesStorageWith(menu)) shared = true;
    }
  }
  if (menu.isObject() && !flag(lKeepMenu, false) && !shared) tell(menu, msg::End);
  oWndClient = Value();
  oControl = Value();
  bPostEnd = Value();
  return result;
}

Value TMDICHILD() {
  return Value(lanmere::make<TMdiChild>());
}

const lanmere::ModuleTable& tMdiChildModule() {
  TMdiChild::Class();
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TMDICHILD>("TMDICHILD")}};
  return module;
}

}  // namespace kestrel
