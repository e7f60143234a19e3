#include "framework/services/tmdiclient.h"

#include <algorithm>

#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "framework/services/mdiapi.h"
#include "framework/services/tmdichild.h"
#include "framework/services/tmdiframe.h"
#include "framework/services/tmenu.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kClientId = 1;
constexpr long long kScrollMin = 1;
constexpr long long kScrollMax = 10;
constexpr UINT kCloseKey = VK_F4;
constexpr UINT kNextKey = VK_F6;

LRESULT sendTo(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return callWindows([&] { return SendMessageA(hwnd, message, wParam, lParam); });
}

HWND childWindow(const Value& child) {
  return handleOfMember<HWND>(child, msg::hWnd);
}

}  // namespace

HMENU windowMenuAt(const Value& oMenu, long long position) {
  const HMENU menu = handleOfMember<HMENU>(oMenu, msg::hMenu);
  if (!menu || position < 1 || position > GetMenuItemCount(menu)) return nullptr;
  return GetSubMenu(menu, static_cast<int>(position - 1));
}

LM_DEFINE_CLASS(TMdiClient) {
  c.data(LM_FIELDS(aWnd));
  c.classData("lRegistered");
  c.methods(LM_METHODS(New, ChildNew, GetActive, ChildActivate, ChildMaximize, ChildRestore, Zoom,
                       ChildClose, CloseActive, lCloseAll, IconizeAll, Select, Tile, Cascade,
                       ArrangeIcons, ChildNext, NextWindow, PrevWindow, KeyDown, MouseMove,
                       GotFocus, Display, Destroy));
  c.method<static_cast<Value (TMdiClient::*)(const Value&, const Value&)>(&TMdiClient::SetMenu)>(
      "SetMenu");
  c.creatable();
}

Value TMdiClient::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  oWnd = a.oWnd;
  aWnd = Value::list();
  aControls = Value::list();
  nId = kClientId;
  lVisible = true;
  long long style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | MDIS_ALLCHILDSTYLES;
  if (flag(a.lVScroll, false)) style |= WS_VSCROLL;
  if (flag(a.lHScroll, false)) style |= WS_HSCROLL;
  nStyle = style;
  nTop = nLeft = nBottom = nRight = 0;
  CLIENTCREATESTRUCT record{};
  record.hWindowMenu = windowMenuAt(offer(oWnd, msg::oMenu), number(a.nMenuInfo, 0));
  record.idFirstChild = static_cast<UINT>(number(a.nFirstId, 1));
  const HWND frame = handleOfMember<HWND>(oWnd, msg::hWnd);
  const HWND created = callWindows([&] {
    return CreateWindowExA(0, "MDICLIENT", "", static_cast<DWORD>(style), 0, 0, 0, 0, frame,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kClientId)),
                           GetModuleHandleA(nullptr), &record);
  });
  hWnd = handleNumber(created);
  if (!created) {
    WNDCREATEERROR(self(), Value("MDICLIENT"));
    return {};
  }
  linkWindow(*this);
  if (a.oBrush.isObject()) SetBrush(a.oBrush);
  makeScrollBars(a.lVScroll, a.lHScroll, kScrollMin, kScrollMax);
  return self();
}

std::vector<Value> TMdiClient::childrenNow() const {
  const auto items = aWnd.items();
  return {items.begin(), items.end()};
}

bool TMdiClient::lists(const Value& oChild) const {
  if (!oChild.isObject()) return false;
  return std::ranges::any_of(aWnd.items(),
                             [&](const Value& item) { return item.sharesStorageWith(oChild); });
}

void TMdiClient::forget(const Value& oChild) {
  if (!aWnd.isList() || !oChild.isObject()) return;
  std::erase_if(aWnd.listData()->items,
                [&](const Value& item) { return item.sharesStorageWith(oChild); });
}

// ---- Children ----

Value TMdiClient::ChildNew(Args args) {
  const ChildNewArgs a = ChildNewArgs::from(args);
  const Value child = lanmere::construct<TMdiChild>({.nTop = a.nTop,
                                                     .nLeft = a.nLeft,
                                                     .nBottom = a.nBottom,
                                                     .nRight = a.nRight,
                                                     .cTitle = a.cTitle,
                                                     .nStyle = a.nStyle,
                                                     .oWnd = oWnd});
  if (TMdiChild* made = mdiObject<TMdiChild>(child)) {
    callWindows([&] { return ShowWindow(made->hwnd(), SW_SHOW); });
    made->SetFocus();
  }
  return child;
}

Value TMdiClient::GetActive() {
  const auto active = reinterpret_cast<HWND>(sendTo(hwnd(), WM_MDIGETACTIVE));
  if (!active) return {};
  for (const Value& child : aWnd.items()) {
    if (childWindow(child) == active) return child;
  }
  return {};
}

Value TMdiClient::ChildActivate(const Value& oChild) {
  sendTo(hwnd(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(childWindow(oChild)));
  return {};
}

Value TMdiClient::ChildMaximize(const Value& oChild) {
  sendTo(hwnd(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(childWindow(oChild)));
  return {};
}

Value TMdiClient::ChildRestore(const Value& oChild) {
  sendTo(hwnd(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(childWindow(oChild)));
  return {};
}

Value TMdiClient::Zoom() {
  const Value active = GetActive();
  if (active.isObject()) ChildMaximize(active);
  return {};
}

// The child leaves the list before the system destroys it, so nothing that runs meanwhile
// finds a window that is going.
Value TMdiClient::ChildClose(const Value& oChild) {
  if (!lists(oChild)) return {};
  const lanmere::Value keep = oChild;
  forget(oChild);
  if (TMdiFrame* frame = mdiObject<TMdiFrame>(oWnd);
      frame && frame->oWndActive.sharesStorageWith(oChild)) {
    frame->oWndActive = Value();
  }
  if (defaultWindow().sharesStorageWith(oChild)) SETWNDDEFAULT(Value());
  sendTo(hwnd(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(childWindow(oChild)));
  return {};
}

Value TMdiClient::CloseActive() {
  return ChildClose(GetActive());
}

// Each child is asked once, the last made first, from the list as it was: a child that says
// yes yet stays, or a list changed meanwhile, cannot make this loop forever.
Value TMdiClient::lCloseAll() {
  const std::vector<Value> children = childrenNow();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (!lists(*it)) continue;
    if (!tell(*it, msg::End).logical()) return false;
  }
  return aWnd.length() == 0;
}

Value TMdiClient::IconizeAll() {
  for (const Value& child : childrenNow()) tell(child, msg::Iconize);
  return {};
}

Value TMdiClient::Select(const Value& nChild) {
  const long long n = number(nChild, 0);
  if (n >= 1 && n <= static_cast<long long>(aWnd.length())) {
    return ChildActivate(aWnd.item(static_cast<std::size_t>(n)));
  }
  sendTo(hwnd(), WM_MDIACTIVATE, 0);
  return {};
}

// ---- Arrangement ----

Value TMdiClient::Tile(const Value& lHorizontal) {
  sendTo(hwnd(), WM_MDITILE, flag(lHorizontal, false) ? MDITILE_HORIZONTAL : MDITILE_VERTICAL);
  return {};
}

Value TMdiClient::Cascade() {
  sendTo(hwnd(), WM_MDICASCADE);
  return {};
}

Value TMdiClient::ArrangeIcons() {
  sendTo(hwnd(), WM_MDIICONARRANGE);
  return {};
}

Value TMdiClient::ChildNext(const Value& oChild, const Value& lPrevious) {
  sendTo(hwnd(), WM_MDINEXT, reinterpret_cast<WPARAM>(childWindow(oChild)),
         flag(lPrevious, false) ? 1 : 0);
  return {};
}

Value TMdiClient::NextWindow() {
  sendTo(hwnd(), WM_MDINEXT, 0, 1);
  return {};
}

Value TMdiClient::PrevWindow() {
  sendTo(hwnd(), WM_MDINEXT, 0, 0);
  return {};
}

Value TMdiClient::SetMenu(const Value& oMenuNew, const Value& nPosition) {
  const HMENU menu = handleOfMember<HMENU>(oMenuNew, msg::hMenu);
  if (!menu) return {};
  const long long position = number(nPosition, GetMenuItemCount(menu));
  sendTo(hwnd(), WM_MDISETMENU, reinterpret_cast<WPARAM>(menu),
         reinterpret_cast<LPARAM>(windowMenuAt(oMenuNew, position)));
  tell(tell(oMenuNew, msg::oAccTable), msg::Activate);
  if (const HWND frame = GetParent(hwnd())) DrawMenuBar(frame);
  return {};
}

Value TMdiClient::KeyDown(const Value& nKey, const Value& nFlags) {
  const auto active = reinterpret_cast<HWND>(sendTo(hwnd(), WM_MDIGETACTIVE));
  const long long key = nKey.integer();
  WPARAM command = 0;
  if (key == kCloseKey && keyDown(VK_CONTROL)) command = SC_CLOSE;
  if (key == kNextKey && keyDown(VK_CONTROL)) command = SC_NEXTWINDOW;
  if (key == VK_RETURN) command = SC_RESTORE;
  if (!active || !command) return TWindow::KeyDown(nKey, nFlags);
  sendTo(active, WM_SYSCOMMAND, command);
  return 0;
}

Value TMdiClient::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  tell(offer(oWnd, msg::oMsgBar), msg::SetMsg, "");
  return TWindow::MouseMove(nRow, nCol, nFlags);
}

Value TMdiClient::GotFocus(const Value&) {
  lFocused = true;
  evaluate(bGotFocus, self());
  return {};
}

Value TMdiClient::Display() {
  TWindow::Display();
  return 0;
}

Value TMdiClient::Destroy() {
  aWnd = Value::list();
  return TWindow::Destroy();
}

Value TMDICLIENT() {
  return Value(lanmere::make<TMdiClient>());
}

const lanmere::ModuleTable& tMdiClientModule() {
  TMdiClient::Class();
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TMDICLIENT>("TMDICLIENT")}};
  return module;
}

}  // namespace kestrel
