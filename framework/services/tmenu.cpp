#include "framework/services/tmenu.h"

#include <algorithm>
#include <string>
#include <vector>

#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/resmodule.h"
#include "framework/core/themes.h"
#include "framework/core/tracked.h"
#include "framework/core/winrun.h"
#include "framework/core/wndproc.h"
#include "framework/display/msgbox.h"
#include "framework/services/helpfile.h"
#include "framework/services/mdiapi.h"
#include "framework/services/menuapi.h"
#include "framework/services/tmenuitem.h"
#include "runtime/binding.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Ref;
using lanmere::Value;

namespace {

// Flags of the system's entries, as the flags table names them.
constexpr UINT kPopupEntry = MF_POPUP;          // 16
constexpr UINT kBitmapEntry = MF_BITMAP;        // 4
constexpr UINT kCheckedEntry = MF_CHECKED;      // 8
constexpr UINT kGrayedEntry = MF_GRAYED;        // 1
constexpr UINT kDisabledEntry = MF_DISABLED;    // 2
constexpr UINT kBreakEntry = MF_MENUBREAK;      // 64
constexpr UINT kOwnerDrawEntry = MF_OWNERDRAW;  // 256
constexpr UINT kSeparatorEntry = MF_SEPARATOR;  // 2048
constexpr UINT kHelpEntry = MF_HELP;            // 16384
constexpr UINT kStateLowByte = 0xFF;
constexpr UINT kRightButton = TPM_RIGHTBUTTON;  // 2
constexpr UINT kHilite = MF_HILITE;             // 128

HBITMAP& checkBitmap() {
  static HBITMAP bitmap = nullptr;
  return bitmap;
}

// Menus on the pop-up list (strong references, until their End).
std::vector<Value>& popups() {
  static auto* list = new std::vector<Value>();
  return *list;
}

Value KS_MENUEXIT() {
  deleteCheck2007();
  return {};
}

TMenu* menuOf(const Value& value) {
  return value.isObject() ? dynamic_cast<TMenu*>(value.object()) : nullptr;
}

TMenuItem* itemOf(const Value& value) {
  return value.isObject() ? dynamic_cast<TMenuItem*>(value.object()) : nullptr;
}

HWND windowOf(const Value& window) {
  return window.isObject() ? handleFrom<HWND>(tell(window, msg::hWnd)) : nullptr;
}

// A copy of `source` as a new pop-up menu: separators as separators, other entries with the low
// byte of their state as flags, their identifier or a copied submenu, and their text.
HMENU copyAsPopup(HMENU source) {
  const HMENU copy = CreatePopupMenu();
  const int count = GetMenuItemCount(source);
  for (int i = 0; i < count; ++i) {
    const auto at = static_cast<UINT>(i);
    const UINT state = GetMenuState(source, at, MF_BYPOSITION);
    if (state & kSeparatorEntry) {
      AppendMenuA(copy, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const std::string text = menuString(source, at, MF_BYPOSITION);
    const UINT flags = (state & kStateLowByte) & ~kHilite;
    if (const HMENU sub = GetSubMenu(source, i)) {
      AppendMenuA(copy, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(copyAsPopup(sub)),
                  text.c_str());
    } else {
      AppendMenuA(copy, flags, GetMenuItemID(source, i), text.c_str());
    }
  }
  return copy;
}

}  // namespace

LM_DEFINE_CLASS(TMenu) {
  c.data(LM_FIELDS(hMenu, aMenuItems, oWnd, lSysMenu, lPopup, nHelpId, cVarName, oAccTable,
                   oMenuItemPopup, l2007, l2010, OnInit));
  c.classData("aProperties", Value::list({"aItems", "cVarName"}));
  c.classData("aEvents", Value::list({Value::list({"OnInit", "oMenu"})}));
  c.classData("oLastItem");
  c.methods(LM_METHODS(New, NewSys, ReDefine, Add, Insert, aItems, _aItems, Initiate, Command,
                       Activate, GetMenuItem, GetPopup, GetSubMenu, LastItem, Refresh, Reset,
                       Enable, Disable, Hilite, UnHilite, DelItems, Destroy, End, HelpTopic,
                       SetSkin, AddMdi, AddHelp, Save, Load));
  c.creatable();
}

HMENU TMenu::handle() const {
  return handleFrom<HMENU>(hMenu);
}

Value TMenu::self() {
  return Value(Ref<TMenu>(this));
}

long long TMenu::positionOf(const TMenuItem& item) const {
  if (!aMenuItems.isList()) return -1;
  const auto items = aMenuItems.items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].identity() == static_cast<const void*>(&item)) return static_cast<long long>(i);
  }
  return -1;
}

namespace {

// What names an item's entry: its submenu's handle for a submenu entry, else its identifier.
long long entryKey(const TMenuItem& item) {
  if (const TMenu* submenu = menuOf(item.bAction)) return handleNumber(submenu->handle());
  return item.nId.integer();
}

long long entryKeyAt(HMENU menu, int position) {
  if (const HMENU sub = GetSubMenu(menu, position)) return handleNumber(sub);
  return static_cast<long long>(GetMenuItemID(menu, position));
}

}  // namespace

// The system menu (and a resource's menu) holds entries that are no items of this menu, so an
// item's place in aMenuItems is not its entry's. The entry is looked up among this menu's own
// entries: a search by command would also reach into submenus. Items sharing an identifier (a
// resource's separators) match their entries in order.
long long TMenu::entryPosition(const TMenuItem& item) const {
  const HMENU menu = handle();
  if (!menu || !aMenuItems.isList()) return -1;
  const long long key = entryKey(item);
  int before = 0;
  bool member = false;
  for (const Value& value : aMenuItems.items()) {
    if (value.identity() == static_cast<const void*>(&item)) {
      member = true;
      break;
    }
    if (const TMenuItem* other = itemOf(value); other && entryKey(*other) == key) ++before;
  }
  if (!member) return -1;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    if (entryKeyAt(menu, i) == key && before-- == 0) return i;
  }
  return -1;
}

HWND TMenu::barWindow() const {
  const HWND window = windowOf(oWnd);
  return window && handle() && GetMenu(window) == handle() ? window : nullptr;
}

// ---- Construction ----

Value TMenu::New(const Value& lPopupNew, const Value& oWndNew, const Value& l2007New,
                 const Value& l2010New) {
  lPopup = flag(lPopupNew, false);
  hMenu = handleNumber(lPopup.logical() ? CreatePopupMenu() : CreateMenu());
  aMenuItems = Value::list();
  lSysMenu = false;
  l2007 = flag(l2007New, false);
  l2010 = flag(l2010New, false);
  if (lPopup.logical()) joinPopups(self());
  // A pop-up is shown by Activate, never attached as the window's bar.
  if (oWndNew.isObject()) {
    if (lPopup.logical()) {
      oWnd = oWndNew;
    } else {
      tell(oWndNew, msg::SetMenu, self());
    }
  }
  return self();
}

Value TMenu::NewSys(const Value& oWndNew) {
  oWnd = oWndNew;
  hMenu = handleNumber(GetSystemMenu(windowOf(oWndNew), FALSE));
  aMenuItems = Value::list();
  lSysMenu = true;
  lPopup = false;
  return self();
}

namespace {

// Items for the entries of `menu`, each submenu a new TMenu on its handle built the same way.
void buildFromEntries(TMenu& menu) {
  const HMENU handle = menu.handle();
  const int count = GetMenuItemCount(handle);
  for (int i = 0; i < count; ++i) {
    const auto at = static_cast<UINT>(i);
    const UINT state = GetMenuState(handle, at, MF_BYPOSITION);
    Value action;
    long long id = GetMenuItemID(handle, i);
    Value prompt;
    if (!(state & kSeparatorEntry)) prompt = menuString(handle, at, MF_BYPOSITION);
    if (const HMENU sub = GetSubMenu(handle, i)) {
      auto submenu = lanmere::make<TMenu>();
      submenu->hMenu = handleNumber(sub);
      submenu->aMenuItems = Value::list();
      submenu->lPopup = true;
      submenu->lSysMenu = false;
      submenu->l2007 = menu.l2007;
      submenu->l2010 = menu.l2010;
      submenu->oWnd = menu.oWnd;
      buildFromEntries(*submenu);
      joinPopups(Value(submenu));
      action = Value(submenu);
      id = handleNumber(sub);
    }
    auto item = lanmere::make<TMenuItem>();
    auto args = TMenuItem::ReDefineArgs{.nId = id,
                                        .cPrompt = prompt,
                                        .lChecked = (state & kCheckedEntry) != 0,
                                        .lActive = (state & (kDisabledEntry | kGrayedEntry)) == 0,
                                        .lBreak = (state & kBreakEntry) != 0,
                                        .bAction = action,
                                        .oMenu = menu.self()}
                    .list();
    item->ReDefine(Args(args));
    menu.aMenuItems.listData()->items.push_back(Value(item));
  }
}

}  // namespace

Value TMenu::ReDefine(const Value& cResName, const Value& lPopupNew) {
  const HMENU loaded = handleFrom<HMENU>(LOADMENU(0, cResName));
  aMenuItems = Value::list();
  lSysMenu = false;
  lPopup = flag(lPopupNew, false);
  if (lPopup.logical() && loaded) {
    hMenu = handleNumber(copyAsPopup(loaded));
    DestroyMenu(loaded);
    joinPopups(self());
  } else {
    hMenu = handleNumber(loaded);
  }
  if (handle()) buildFromEntries(*this);
  return self();
}

// ---- Items ----

// The flags table: what kind of entry the item makes and which flags it carries.
UINT TMenu::entryFlags(const TMenuItem& item, bool noOwnerDraw) const {
  const bool skinned = l2007.logical() || l2010.logical();
  const bool hasBitmap = item.hBitmap.integer() != 0;
  const bool ownerDraw =
      skinned || hasBitmap || (isNtFamily() && !noOwnerDraw && !lSysMenu.logical());
  const UINT checked = item.lChecked.logical() ? kCheckedEntry : 0;
  const UINT grayed = item.lActive.logical() ? 0 : kGrayedEntry;
  const UINT help = item.lHelp.logical() ? kHelpEntry : 0;
  const UINT brk = item.lBreak.logical() ? kBreakEntry : 0;
  if (menuOf(item.bAction)) {
    if (item.hasPrompt()) {
      return kPopupEntry | (ownerDraw ? kOwnerDrawEntry : 0) | help | checked | grayed | brk;
    }
    return kPopupEntry | kBitmapEntry | checked | grayed | help | brk;
  }
  if (item.hasPrompt()) {
    if (item.lActive.logical()) return (ownerDraw ? kOwnerDrawEntry : 0) | checked | help | brk;
    return kDisabledEntry | kGrayedEntry | kOwnerDrawEntry | checked | help | brk;
  }
  if (hasBitmap) return kBitmapEntry | brk;
  return kSeparatorEntry | (skinned ? kOwnerDrawEntry : 0);
}

namespace {

// The entry's identifier (a submenu's handle for a submenu entry) and its data: the
// identifier for an owner-drawn entry (never a pointer into a text that may move), the bitmap
// for a bitmap entry, else the prompt.
struct Entry {
  UINT_PTR id;
  Value data;
};
Entry entryOf(const TMenuItem& item, UINT flags) {
  Entry entry{static_cast<UINT_PTR>(item.nId.integer()), item.cPrompt};
  if (const TMenu* submenu = menuOf(item.bAction)) {
    entry.id = reinterpret_cast<UINT_PTR>(submenu->handle());
  }
  if (flags & kOwnerDrawEntry) {
    entry.data = item.nId;
  } else if (flags & kBitmapEntry) {
    entry.data = item.hBitmap;
  } else if (flags & kSeparatorEntry) {
    entry.data = 0;
  }
  return entry;
}

}  // namespace

Value TMenu::Add(const Value& oItem, const Value& lNoOwnerDraw) {
  TMenuItem* item = itemOf(oItem);
  if (!item) return {};
  if (!aMenuItems.isList()) aMenuItems = Value::list();
  aMenuItems.listData()->items.push_back(oItem);
  item->oMenu = self();
  const UINT flags = entryFlags(*item, flag(lNoOwnerDraw, false));
  const Entry entry = entryOf(*item, flags);
  appendMenuEntry(handle(), flags, entry.id, entry.data);
  if (menuOf(item->bAction)) joinPopups(item->bAction);
  if (const HWND bar = barWindow()) DrawMenuBar(bar);
  return {};
}

// Before item nPos (counted from 1), at that item's entry; else at the end (as Add with the
// bar's rule).
Value TMenu::Insert(const Value& oItem, const Value& nPos) {
  TMenuItem* item = itemOf(oItem);
  if (!item) return {};
  const long long position = nPos.integer() - 1;
  if (!aMenuItems.isList() || position < 0 ||
      position >= static_cast<long long>(aMenuItems.length())) {
    return Add(oItem, !lPopup.logical());
  }
  auto& items = aMenuItems.listData()->items;
  const TMenuItem* next = itemOf(items[static_cast<std::size_t>(position)]);
  const long long at = next ? entryPosition(*next) : -1;
  items.insert(items.begin() + position, oItem);
  item->oMenu = self();
  // A bar's entries stay drawn by the system, as the building functions give them.
  const UINT flags = entryFlags(*item, !lPopup.logical());
  const Entry entry = entryOf(*item, flags);
  if (at >= 0) {
    insertMenuEntry(handle(), static_cast<UINT>(at), flags, entry.id, entry.data);
  } else {
    appendMenuEntry(handle(), flags, entry.id, entry.data);
  }
  if (menuOf(item->bAction)) joinPopups(item->bAction);
  if (const HWND bar = barWindow()) DrawMenuBar(bar);
  return {};
}

Value TMenu::aItems() {
  return aMenuItems.isList() ? aMenuItems : Value::list();
}

Value TMenu::_aItems(const Value& items) {
  if (items.isList()) {
    const Value copy = items;  // the list may be this menu's own
    for (const Value& item : copy.items()) Add(item);
  }
  return items;
}

// ---- Commands and pop-ups ----

Value TMenu::Initiate() {
  if (!aMenuItems.isList()) return {};
  const Value items = aMenuItems;  // an action may change the list
  for (const Value& value : items.items()) {
    TMenuItem* item = itemOf(value);
    if (!item || !item->bWhen.isClosure()) continue;
    const Value answer = lanmere::eval(item->bWhen, {value});
    if (!answer.isLogical()) continue;
    if (answer.logical()) {
      item->Enable();
    } else {
      item->Disable();
    }
  }
  return {};
}

Value TMenu::GetMenuItem(const Value& nId) {
  if (!aMenuItems.isList() || !nId.isNumber()) return {};
  const long long id = nId.integer();
  for (const Value& value : aMenuItems.items()) {
    TMenuItem* item = itemOf(value);
    if (!item) continue;
    if (item->nId.isNumber() && item->nId.integer() == id) return value;
    if (TMenu* submenu = menuOf(item->bAction)) {
      if (handleNumber(submenu->handle()) == id) return value;
      const Value found = submenu->GetMenuItem(nId);
      if (found.isObject()) return found;
    }
  }
  return {};
}

void TMenu::runItem(const Value& value) {
  TMenuItem* item = itemOf(value);
  if (!item) return;
  if (item->bAction.isClosure()) {
    lanmere::eval(item->bAction, {value});
  } else if (item->OnClick.isClosure()) {
    lanmere::eval(item->OnClick, {oWnd, value});
  }
}

Value TMenu::Command(const Value& nId) {
  const Value value = GetMenuItem(nId);
  TMenuItem* item = itemOf(value);
  if (!item || (!item->bAction.isClosure() && !item->OnClick.isClosure())) return {};
  if (item->bWhen.isClosure()) {
    const Value answer = lanmere::eval(item->bWhen, {value});
    if (answer.isLogical() && !answer.logical()) return {};
  }
  tell(self(), msg::_oLastItem, value);
  if (lPopup.logical()) {
    oMenuItemPopup = value;  // runs once the pop-up has closed
  } else {
    runItem(value);
  }
  return {};
}

Value TMenu::Activate(const Value& nRow, const Value& nCol, const Value& oWndShow,
                      const Value& lEnd, const Value& nFlags) {
  const HWND window = windowOf(oWndShow);
  if (!oWndShow.isObject() || !window) return {};
  const bool ending = flag(lEnd, true);
  const Ref<TMenu> keep(this);
  POINT at{static_cast<LONG>(nCol.integer()), static_cast<LONG>(nRow.integer())};
  ClientToScreen(window, &at);
  if (ending) {
    const Value shown = tell(oWndShow, msg::oPopup);
    if (shown.isObject() && !shown.sharesStorageWith(self())) tell(shown, msg::End);
  }
  oWnd = oWndShow;
  tell(oWndShow, msg::_oPopup, self());
  Initiate();
  const UINT flags = kRightButton | static_cast<UINT>(nFlags.integer());
  // A failure only means that nothing was chosen.
  TRACKPOPUP(hMenu, static_cast<long long>(flags), at.y, at.x, 0, handleNumber(window));
  SYSREFRESH();  // the command message stores the chosen item
  const Value chosen = oMenuItemPopup;
  oMenuItemPopup = Value();
  // The pop-up no longer shows: the window's commands go to its bar again, ended or not.
  if (tell(oWndShow, msg::oPopup).sharesStorageWith(self())) {
    tell(oWndShow, msg::_oPopup, Value());
  }
  runItem(chosen);
  if (ending) End();
  return {};
}

Value TMenu::GetPopup(const Value& hMenuFind) {
  if (handleNumber(handle()) == hMenuFind.integer() && handle()) return self();
  if (!aMenuItems.isList()) return {};
  for (const Value& value : aMenuItems.items()) {
    const TMenuItem* item = itemOf(value);
    if (TMenu* submenu = item ? menuOf(item->bAction) : nullptr) {
      const Value found = submenu->GetPopup(hMenuFind);
      if (found.isObject()) return found;
    }
  }
  return {};
}

// The entry (an item) whose submenu has that handle.
Value TMenu::GetSubMenu(const Value& hMenuFind) {
  if (!aMenuItems.isList()) return {};
  for (const Value& value : aMenuItems.items()) {
    const TMenuItem* item = itemOf(value);
    TMenu* submenu = item ? menuOf(item->bAction) : nullptr;
    if (!submenu) continue;
    if (handleNumber(submenu->handle()) == hMenuFind.integer()) return value;
    const Value found = submenu->GetSubMenu(hMenuFind);
    if (found.isObject()) return found;
  }
  return {};
}

Value TMenu::LastItem() {
  return aMenuItems.isList() && aMenuItems.length() > 0 ? aMenuItems.item(aMenuItems.length())
                                                        : Value();
}

Value TMenu::Refresh() {
  if (const HWND bar = barWindow()) DrawMenuBar(bar);
  return {};
}

Value TMenu::Enable() {
  if (!aMenuItems.isList()) return {};
  const Value items = aMenuItems;
  for (const Value& value : items.items()) {
    if (TMenuItem* item = itemOf(value)) {
      item->Enable();
      if (TMenu* submenu = menuOf(item->bAction)) submenu->Enable();
    }
  }
  return {};
}

Value TMenu::Disable() {
  if (!aMenuItems.isList()) return {};
  const Value items = aMenuItems;
  for (const Value& value : items.items()) {
    if (TMenuItem* item = itemOf(value)) {
      item->Disable();
      if (TMenu* submenu = menuOf(item->bAction)) submenu->Disable();
    }
  }
  return {};
}

// nItem counts from 1, like every position of the framework.
Value TMenu::Hilite(const Value& nItem) {
  return HiliteMenuItem(windowOf(oWnd), handle(), static_cast<UINT>(nItem.integer() - 1),
                        MF_BYPOSITION | MF_HILITE) != FALSE;
}

Value TMenu::UnHilite(const Value& nItem) {
  return HiliteMenuItem(windowOf(oWnd), handle(), static_cast<UINT>(nItem.integer() - 1),
                        MF_BYPOSITION | MF_UNHILITE) != FALSE;
}

Value TMenu::DelItems() {
  while (aMenuItems.isList() && aMenuItems.length() > 0) {
    const Value last = aMenuItems.item(aMenuItems.length());
    if (TMenuItem* item = itemOf(last)) {
      item->Destroy();
    }
    if (aMenuItems.length() > 0 && aMenuItems.item(aMenuItems.length()).sharesStorageWith(last)) {
      aMenuItems.listData()->items.pop_back();  // not an item, or not this menu's
    }
  }
  return {};
}

Value TMenu::Reset() {
  const HWND window = windowOf(oWnd);
  DelItems();
  if (lSysMenu.logical()) {
    GetSystemMenu(window, TRUE);
    hMenu = handleNumber(GetSystemMenu(window, FALSE));
    return {};
  }
  const bool onBar = barWindow() != nullptr;
  const HMENU old = handle();
  hMenu = handleNumber(CreateMenu());
  if (onBar) callWindows([&] { return ::SetMenu(window, handle()); });
  if (old) DestroyMenu(old);
  return {};
}

Value TMenu::Destroy() {
  return End();
}

Value TMenu::End() {
  const Ref<TMenu> keep(this);
  const HWND window = windowOf(oWnd);
  if (const HWND bar = barWindow()) callWindows([&] { return ::SetMenu(bar, nullptr); });
  DelItems();
  if (lSysMenu.logical()) {
    // The system menu is the window's: it is put back, never destroyed.
    if (window && IsWindow(window)) GetSystemMenu(window, TRUE);
  } else if (const HMENU menu = handle()) {
    DestroyMenu(menu);
  }
  hMenu = 0;
  leavePopups(*this);
  if (oAccTable.isObject()) tell(oAccTable, msg::End);
  oAccTable = Value();
  oMenuItemPopup = Value();
  oWnd = Value();
  return {};
}

Value TMenu::HelpTopic() {
  static const lanmere::Symbol* const helpTopic = lanmere::symbol("HELPTOPIC");
  if (!lanmere::findFunction(helpTopic)) return {};
  if (nHelpId.isNil()) return lanmere::callFunction(helpTopic, {});
  return lanmere::callFunction(helpTopic, {nHelpId});
}

Value TMenu::SetSkin(const Value& l2007New, const Value& l2010New) {
  l2007 = flag(l2007New, false);
  l2010 = flag(l2010New, false);
  return {};
}

// ---- The pop-up list ----

void joinPopups(const Value& menu) {
  if (!menuOf(menu)) return;
  for (const Value& known : popups()) {
    if (known.sharesStorageWith(menu)) return;
  }
  popups().push_back(menu);
}

void leavePopups(const TMenu& menu) {
  auto& list = popups();
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const Value& known) {
                              return known.identity() == static_cast<const void*>(&menu);
                            }),
             list.end());
}

std::size_t popupMenuCount() noexcept {
  return popups().size();
}

Value MENUFROMHANDLE(const Value& hMenuFind) {
  if (!hMenuFind.isNumber() || hMenuFind.integer() == 0) return {};
  for (const Value& known : popups()) {
    if (handleNumber(menuOf(known)->handle()) == hMenuFind.integer()) return known;
  }
  return {};
}

Value TMENU() {
  return Value(lanmere::make<TMenu>());
}

// ---- The 2007-style check bitmap ----

HBITMAP check2007Bitmap() noexcept {
  return checkBitmap();
}
void setCheck2007Bitmap(HBITMAP bitmap) noexcept {
  checkBitmap() = bitmap;
}

void deleteCheck2007() {
  if (!checkBitmap()) return;
  trackedDelete(checkBitmap(), [](HBITMAP bitmap) { return DeleteObject(bitmap); });
  checkBitmap() = nullptr;
}

Value DELCHECK2007() {
  deleteCheck2007();
  return {};
}

const lanmere::ModuleTable& menuModule() {
  TMenu::Class();
  registerMenuLoaders();
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&DELCHECK2007>("DELCHECK2007"),
       lanmere::fn<&KS_MENUEXIT>("KS_MENUEXIT$", lanmere::kExit | lanmere::kDefined),
       lanmere::fn<&MENUFROMHANDLE>("MENUFROMHANDLE"), lanmere::fn<&TMENU>("TMENU")}};
  return module;
}

// ---- Standard pop-ups ----

namespace {

// A pop-up entry of this menu holding `items` ({prompt, action}; a nil prompt is a separator).
void addPopup(TMenu& menu, const char* prompt,
              std::initializer_list<std::pair<Value, Value>> items) {
  const Value popup = Value(lanmere::make<TMenu>());
  tell(popup, msg::New, true);
  for (const auto& [text, action] : items) {
    tell(popup, msg::Add, lanmere::construct<TMenuItem>({.cPrompt = text, .bAction = action}));
  }
  // A bar's entries stay drawn by the system, as the building functions leave them.
  menu.Add(lanmere::construct<TMenuItem>({.cPrompt = prompt, .bAction = popup}),
           !menu.lPopup.logical());
}

// An action sent to the MDI frame showing the menu `bar` when chosen, else the module's frame;
// the menu keeps no reference to the frame.
Value toFrame(HMENU bar, const char* message, Value argument = {}) {
  const lanmere::Symbol* const name = lanmere::symbol(message);
  return lanmere::block([bar, name, argument](lanmere::Args) -> Value {
    Value frame = windowObject(GetActiveWindow());
    if (!frame.isObject() || GetMenu(handleFrom<HWND>(tell(frame, msg::hWnd))) != bar ||
        !lanmere::understands(frame, name)) {
      frame = GETWNDFRAME();
    }
    if (!frame.isObject()) return {};
    Value arguments[] = {argument};
    return lanmere::send(frame, name,
                         argument.isNil() ? lanmere::Args() : lanmere::Args(arguments));
  });
}

Value callAction(Value (*function)(lanmere::Args)) {
  return lanmere::block([function](lanmere::Args) { return function(lanmere::Args()); });
}

}  // namespace

Value TMenu::AddMdi() {
  const HMENU bar = handle();
  addPopup(*this, "&Window",
           {{"&Tile", toFrame(bar, "Tile")},
            {"Tile &horizontal", toFrame(bar, "Tile", true)},
            {"&Cascade", toFrame(bar, "Cascade")},
            {"&Arrange icons", toFrame(bar, "ArrangeIcons")},
            {"&Next", toFrame(bar, "NextWindow")},
            {"Close &all", toFrame(bar, "CloseAll")}});
  return {};
}

Value TMenu::AddHelp() {
  addPopup(*this, "&Help",
           {{"&Index", callAction(&HELPINDEX)},
            {"&Search...", callAction(&HELPSEARCH)},
            {Value(), Value()},
            {"&About...", callAction(&MSGABOUT)}});
  return {};
}

}  // namespace kestrel
