#include "framework/services/menubuild.h"

#include <vector>

#include "framework/core/args.h"
#include "framework/core/messages.h"
#include "framework/services/tacctable.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmenuitem.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Ref;
using lanmere::Value;

namespace {

struct OpenMenu {
  Ref<TMenu> menu;
  std::vector<Value> items;
};

struct Building {
  std::vector<OpenMenu> stack;
  Value pendingKeys;  // the TAccTable the outermost menu takes
};

Building& building() {
  static auto* state = new Building();
  return *state;
}

}  // namespace

Value MENUBEGIN(Args args) {
  Building& state = building();
  const MENUBEGINArgs a = MENUBEGINArgs::from(args);
  const Value& window = a.oWnd;
  auto menu = lanmere::make<TMenu>();
  const bool nested = !state.stack.empty();
  if (flag(a.lSystem)) {
    menu->NewSys(window);
    menu->l2007 = flag(a.l2007);
    menu->l2010 = flag(a.l2010);
    if (window.isObject()) tell(window, msg::_oSysMenu, Value(menu));
  } else {
    // A menu inside another is a submenu: a pop-up, attached to no window itself.
    menu->New(nested || flag(a.lPopup), nested ? Value() : window, a.l2007, a.l2010);
  }
  if (nested) {
    const TMenu& outer = *state.stack.back().menu;
    if (!menu->l2007.logical()) menu->l2007 = outer.l2007.logical();
    if (!menu->l2010.logical()) menu->l2010 = outer.l2010.logical();
  }
  state.stack.push_back({menu, {}});
  return Value(menu);
}

Value MENUADDITEM(Args args) {
  Building& state = building();
  if (state.stack.empty()) return {};
  const MENUADDITEMArgs a = MENUADDITEMArgs::from(args);
  auto item = lanmere::make<TMenuItem>();
  auto itemArgs = TMenuItem::NewArgs{.cPrompt = a.cPrompt,
                                     .cMsg = a.cMsg,
                                     .lChecked = a.lChecked,
                                     .lActive = a.lActive,
                                     .bAction = a.bAction2.isNil() ? a.bAction : a.bAction2,
                                     .cBmpFile = a.cBmpFile,
                                     .cResName = a.cResName,
                                     .nVKState = a.nVKState,
                                     .nVirtKey = a.nVirtKey,
                                     .lHelp = a.lHelp,
                                     .nHelpId = a.nHelpId,
                                     .bWhen = a.bWhen,
                                     .lBreak = a.lBreak}
                      .list();
  item->New(Args(itemArgs));
  state.stack.back().items.push_back(Value(item));
  if (item->nVirtKey.isNumber()) {
    if (!state.pendingKeys.isObject()) {
      auto table = lanmere::make<TAccTable>();
      table->New();
      state.pendingKeys = Value(table);
    }
    static_cast<TAccTable&>(*state.pendingKeys.object())
        .Add(item->nVirtKey, item->nVKState.isNumber() ? item->nVKState : Value(0), item->nId);
  }
  return Value(item);
}

Value MENUEND() {
  Building& state = building();
  if (state.stack.empty()) return {};
  OpenMenu closing = std::move(state.stack.back());
  state.stack.pop_back();
  TMenu& menu = *closing.menu;
  const bool outermost = state.stack.empty();
  // Only an outermost menu bar keeps its entries drawn by the system.
  const bool noOwnerDraw = outermost && !menu.lPopup.logical();
  for (const Value& item : closing.items) menu.Add(item, noOwnerDraw);
  const Value closed(closing.menu);
  if (!outermost) {
    std::vector<Value>& outer = state.stack.back().items;
    if (outer.empty()) {
      menu.End();  // no entry to hang it on
      return closed;
    }
    static_cast<TMenuItem&>(*outer.back().object()).bAction = closed;
    return closed;
  }
  menu.oAccTable = state.pendingKeys;
  state.pendingKeys = Value();
  menu.Initiate();
  // A bar attached at MENUBEGIN had no entries and no shortcuts yet: attaching it again draws
  // the bar and activates the table.
  if (menu.oWnd.isObject() && !menu.lPopup.logical() && !menu.lSysMenu.logical()) {
    tell(menu.oWnd, msg::SetMenu, closed);
  }
  return closed;
}

Value LASTMENU() {
  const Building& state = building();
  return state.stack.empty() ? Value() : Value(state.stack.back().menu);
}

Value LASTITEMPOS() {
  const Building& state = building();
  if (state.stack.empty()) return {};
  return static_cast<long long>(state.stack.back().items.size());
}

const lanmere::ModuleTable& menuBuildModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&MENUBEGIN>("MENUBEGIN"), fn<&MENUADDITEM>("MENUADDITEM"), fn<&MENUEND>("MENUEND"),
       fn<&LASTMENU>("LASTMENU"), fn<&LASTITEMPOS>("LASTITEMPOS")}};
  return module;
}

}  // namespace kestrel
