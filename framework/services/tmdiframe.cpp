#include "framework/services/tmdiframe.h"

#include <algorithm>
#include <functional>
#include <string>

#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "framework/services/mdiapi.h"
#include "framework/services/menubuild.h"
#include "framework/services/tmdichild.h"
#include "framework/services/tmdiclient.h"
#include "framework/services/tmenu.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kFrameStyle = 0x00CF0000 | WS_CLIPCHILDREN;
constexpr long long kNoMenuPosition = 2;
// Below this the frame's commands are the system's window-menu commands (the children's entries
// start at identifier 1).
constexpr long long kFirstOwnCommand = 100;

// The "&Window" entry's position among the menu's top-level items (1 first), else the items
// less one (at least 1).
long long windowMenuPosition(const Value& menu) {
  const Value items = offer(menu, msg::aMenuItems);
  const auto count = static_cast<long long>(items.length());
  for (long long i = 1; i <= count; ++i) {
    const Value prompt = offer(items.item(static_cast<std::size_t>(i)), msg::cPrompt);
    if (prompt.isText() && prompt.string() == "&Window") return i;
  }
  return std::max(count - 1, 1LL);
}

// An action of the default menu: the frame is found by its window when chosen, so the menu
// holds no reference to it.
Value frameAction(HWND frame, std::function<Value(TMdiFrame&)> action) {
  return lanmere::block([frame, action](Args) -> Value {
    TMdiFrame* target = mdiObject<TMdiFrame>(windowObject(frame));
    return target ? action(*target) : Value();
  });
}

void addItem(const Value& prompt, const Value& action = {}) {
  auto arguments = MENUADDITEMArgs{.cPrompt = prompt, .bAction = action}.list();
  MENUADDITEM(Args(arguments));
}

// "&Childs" (New..., Exit), then the children's list and help.
Value defaultMenu(HWND frame) {
  MENUBEGIN(Args());
  addItem("&Childs");
  MENUBEGIN(Args());
  addItem("New...", frameAction(frame, [](TMdiFrame& f) { return f.ChildNew(Args()); }));
  addItem(Value());
  addItem("E&xit", frameAction(frame, [](TMdiFrame& f) { return f.End(); }));
  MENUEND();
  const Value menu = MENUEND();
  tell(menu, msg::AddMdi);
  tell(menu, msg::AddHelp);
  return menu;
}

bool isMenu(const Value& menu) {
  return mdiObject<TMenu>(menu) != nullptr;
}

}  // namespace

LM_DEFINE_CLASS(TMdiFrame) {
  c.data(LM_FIELDS(oWndActive, oWndClient, oMenuStart, nMenuInfo, bOnOpen));
  c.classData("lRegistered");
  c.methods(LM_METHODS(New, HandleEvent, ReSize, Command, End, GotFocus, Destroy, Open, ChildNew,
                       Cascade, CloseAll, IconizeAll, Tile, ArrangeIcons, Zoom, CloseActive,
                       NextWindow, PrevWindow, Select, Copy, Cut, Delete, Find, FindNext, Paste,
                       Print, ReDo, UnDo, Properties, Replace, SelectAll));
  c.method<static_cast<Value (TMdiFrame::*)(const Value&, const Value&)>(&TMdiFrame::SetMenu)>(
      "SetMenu");
  c.creatable();
}

Value TMdiFrame::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool pixel = flag(a.lPixel, false);
  nStyle = a.nStyle.isNumber() && a.nStyle.integer() != 0 ? a.nStyle.integer() : kFrameStyle;
  Value menu = isMenu(a.oMenu) ? a.oMenu : Value();
  long long position = kNoMenuPosition;
  if (a.nMenuInfo.isNumber()) {
    position = a.nMenuInfo.integer();
  } else if (menu.isObject()) {
    position = windowMenuPosition(menu);
  }
  // A value that is no number counts as missing.
  nTop = placed(a.nTop, pixel, kCellHeight);
  nLeft = placed(a.nLeft, pixel, kCellWidth);
  nBottom = placed(a.nBottom, pixel, kCellHeight);
  nRight = placed(a.nRight, pixel, kCellWidth);
  // A missing corner or size is the system's default position or size for a top-level window.
  if (nTop.isNil() || nLeft.isNil()) nTop = nLeft = kUseDefault;
  if (nBottom.isNil() || nRight.isNil()) nBottom = nRight = kUseDefault;
  cCaption = a.cTitle.isNil() ? Value("") : a.cTitle;
  oWnd = a.oWnd;
  oIcon = iconFromText(a.oIcon);
  lVisible = true;
  aControls = Value::list();
  nLastKey = 0;
  Register();
  Create();
  if (!hwnd()) return {};
  nOldProc = frameProcAddress();
  if (!menu.isObject()) {
    menu = defaultMenu(hwnd());
    position = windowMenuPosition(menu);
  }
  oMenu = menu;
  SetColor(orDefault(a.nClrFore, sysColor(COLOR_WINDOWTEXT)),
           orDefault(a.nClrBack, sysColor(COLOR_APPWORKSPACE)), a.oBrush);
  oWndClient = lanmere::construct<TMdiClient>({.oWnd = self(),
                                               .nMenuInfo = position,
                                               .nFirstId = 1,
                                               .lVScroll = flag(a.lVScroll, false),
                                               .lHScroll = flag(a.lHScroll, false)});
  if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) {
    setFrameClient(hwnd(), client->hwnd());
    client->SetColor(nClrText, nClrPane);
  }
  oMenu = Value();
  SetMenu(menu, position);
  GetFont();
  setModuleFrame(self());
  SETWNDDEFAULT(self());
  return self();
}

Value TMdiFrame::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  return mdiHandleEvent(*this, nMsg, nWParam, nLParam, {WM_SETFOCUS},
                        {WM_COMMAND, WM_MENUCHAR, WM_NCACTIVATE, WM_NEXTMENU});
}

Value TMdiFrame::SetMenu(const Value& oMenuNew, const Value& nPosition) {
  if (!isMenu(oMenuNew)) return {};
  long long position = number(nPosition, number(nMenuInfo, kNoMenuPosition));
  if (position <= 0) {
    position += static_cast<long long>(offer(oMenuNew, msg::aMenuItems).length()) + 1;
  }
  nMenuInfo = position;
  if (!oMenuStart.isObject()) {
    oMenuStart = oMenuNew;
    startPosition_ = position;
    return TWindow::SetMenu(oMenuNew);
  }
  oMenu = oMenuNew;
  tell(oMenuNew, msg::_oWnd, self());
  if (TMdiClient* client = mdiObject<TMdiClient>(oWndClient)) client->SetMenu(oMenuNew, position);
  return {};
}

void TMdiFrame::showStartMenu() {
  if (!hwnd() || !oMenuStart.isObject() || oMenu.sharesStorageWith(oMenuStart)) return;
  SetMenu(oMenuStart, startPosition_);
}

Value TMdiFrame::activeChild() {
  TMdiClient* client = mdiObject<TMdiClient>(oWndClient);
  return client ? client->GetActive() : Value();
}

// The bars dock first, the client fills what they leave, and only then the program hears of the
// new size. A minimised frame has nothing to lay out.
Value TMdiFrame::ReSize(const Value& nSizeType, const Value& nWidthNew, const Value& nHeightNew) {
  CoorsUpdate();
  if (nSizeType.integer() != SIZE_MINIMIZED) {
    const Value top = oBar.isObject() ? oBar : oTop;
    const Value bottom = oMsgBar.isObject() ? oMsgBar : oBottom;
    if (oBar.isObject()) {
      tell(oBar, msg::Adjust);
    } else {
      tell(oTop, msg::AdjTop);
    }
    if (oMsgBar.isObject()) {
      tell(oMsgBar, msg::Adjust);
    } else {
      tell(oBottom, msg::AdjBottom);
    }
    tell(oLeft, msg::AdjLeft);
    tell(oRight, msg::AdjRight);
    WNDADJCLIENT(offer(oWndClient, msg::hWnd), offer(top, msg::hWnd), offer(bottom, msg::hWnd),
                 offer(oLeft, msg::hWnd), offer(oRight, msg::hWnd));
  }
  evaluate(OnResize, self());
  evaluate(bResized, nSizeType, nWidthNew, nHeightNew);
  return 0;
}

Value TMdiFrame::Command(const Value& nWParam, const Value& nLParam) {
  const HWND from = handleFrom<HWND>(nLParam);
  if (from && windowClassName(from) == "ToolbarWindow32") {
    TWindow::Command(nWParam, nLParam);
    return 0;
  }
  if (loWord(static_cast<std::uint64_t>(nWParam.integer())) < kFirstOwnCommand) return {};
  TWindow::Command(nWParam, nLParam);
  return {};
}

Value TMdiFrame::End() {
  if (ending_) return false;
  ending_ = true;
  const lanmere::Ref<TMdiFrame> keep(this);
  bool ended = lValid().logical();
  if (ended) {
    TMdiClient* client = mdiObject<TMdiClient>(oWndClient);
    ended = !client || client->lCloseAll().logical();
  }
  if (ended) PostMessageA(hwnd(), WM_CLOSE, 0, 0);
  ending_ = false;
  return ended;
}

Value TMdiFrame::GotFocus(const Value&) {
  lFocused = true;
  evaluate(bGotFocus, self());
  return {};
}

Value TMdiFrame::Open() {
  return evaluate(bOnOpen, self());
}

// The frame lets go of everything MDI before the window class's Destroy: its own menu goes back
// on the bar (the system destroys what the bar shows, and a child's menu is the child's), the
// module forgets the frame.
Value TMdiFrame::Destroy() {
  const lanmere::Ref<TMdiFrame> keep(this);
  if (const HWND window = hwnd()) {
    if (oMenuStart.isObject() && !oMenu.sharesStorageWith(oMenuStart)) {
      const HMENU start = handleOfMember<HMENU>(oMenuStart, msg::hMenu);
      callWindows([&] { return ::SetMenu(window, start); });
      oMenu = oMenuStart;
    }
    setFrameClient(window, nullptr);
  }
  if (GETWNDFRAME().identity() == static_cast<const void*>(this)) setModuleFrame(Value());
  oMenuStart = Value();
  const Value result = TWindow::Destroy();
  oWndClient = Value();
  oWndActive = Value();
  bOnOpen = Value();
  return result;
}

// ---- Delegated to the client ----

namespace {

TMdiClient* clientOf(const TMdiFrame& frame) {
  return mdiObject<TMdiClient>(frame.oWndClient);
}

}  // namespace

Value TMdiFrame::ChildNew(Args args) {
  TMdiClient* client = clientOf(*this);
  return client ? client->ChildNew(args) : Value();
}

#define KESTREL_TO_CLIENT(Method, Call)     \
  Value TMdiFrame::Method {                 \
    TMdiClient* client = clientOf(*this);   \
    return client ? client->Call : Value(); \
  }
KESTREL_TO_CLIENT(Cascade(), Cascade())
KESTREL_TO_CLIENT(CloseAll(), lCloseAll())
KESTREL_TO_CLIENT(IconizeAll(), IconizeAll())
KESTREL_TO_CLIENT(Tile(const Value& lHorizontal), Tile(lHorizontal))
KESTREL_TO_CLIENT(ArrangeIcons(), ArrangeIcons())
KESTREL_TO_CLIENT(Zoom(), Zoom())
KESTREL_TO_CLIENT(CloseActive(), CloseActive())
KESTREL_TO_CLIENT(NextWindow(), NextWindow())
KESTREL_TO_CLIENT(PrevWindow(), PrevWindow())
KESTREL_TO_CLIENT(Select(const Value& nChild), Select(nChild))
#undef KESTREL_TO_CLIENT

// ---- Delegated to the active child, as the system has it now ----

Value TMdiFrame::toActive(const lanmere::Symbol* message) {
  return tell(activeChild(), message);
}

Value TMdiFrame::Copy() {
  return toActive(msg::Copy);
}
Value TMdiFrame::Cut() {
  return toActive(msg::Cut);
}
Value TMdiFrame::Delete() {
  return toActive(msg::Delete);
}
Value TMdiFrame::Find() {
  return toActive(msg::Find);
}
Value TMdiFrame::FindNext() {
  return toActive(msg::FindNext);
}
Value TMdiFrame::Paste() {
  return toActive(msg::Paste);
}
Value TMdiFrame::Print() {
  return toActive(msg::Print);
}
Value TMdiFrame::ReDo() {
  return toActive(msg::ReDo);
}
Value TMdiFrame::UnDo() {
  return toActive(msg::UnDo);
}
Value TMdiFrame::Properties() {
  return toActive(msg::Properties);
}
Value TMdiFrame::Replace() {
  return toActive(msg::Replace);
}
Value TMdiFrame::SelectAll() {
  return toActive(msg::SelectAll);
}

Value TMDIFRAME() {
  return Value(lanmere::make<TMdiFrame>());
}

const lanmere::ModuleTable& tMdiFrameModule() {
  TMdiFrame::Class();
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TMDIFRAME>("TMDIFRAME")}};
  return module;
}

}  // namespace kestrel
