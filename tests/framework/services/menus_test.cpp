// Menus with real windows: built with the building functions or from a menu resource, driven by
// the messages the system sends and, from inside the menus' own loops, by the keyboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/winrun.h"
#include "framework/services/menuapi.h"
#include "framework/services/menubuild.h"
#include "framework/services/menudraw.h"
#include "framework/services/restrack.h"
#include "framework/services/tacctable.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmenuitem.h"
#include "tests/framework/services/menus_test_ids.h"
#include "tests/support/files.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Value;

// A message bar stand-in: records what the window shows in it.
class TTextBar : public lanmere::Object {
  LM_CLASS(TTextBar, lanmere::Object)
  std::vector<std::string> shown;
  void SetMsg(const Value& text) { shown.push_back(text.string()); }
};
LM_DEFINE_CLASS(TTextBar) {
  c.methods(LM_METHODS(SetMsg));
}

Value add(const MENUADDITEMArgs& a) {
  return lanmere::callWith(MENUADDITEM, a);
}

Value begin(const MENUBEGINArgs& a) {
  return lanmere::callWith(MENUBEGIN, a);
}
Value begin(bool popup = false, Value window = {}, bool look2007 = false) {
  return begin({.lPopup = popup, .lSystem = false, .oWnd = window, .l2007 = look2007});
}

// An action that records the items it ran with and whether a menu window was still shown.
struct Runs {
  std::vector<const void*> items;
  bool menuShown = false;
  Value action() {
    return closure([this](Args a) {
      items.push_back(a.empty() ? nullptr : a[0].identity());
      menuShown = menuShown || currentMenu() != nullptr;
      return Value();
    });
  }
};

UINT entryType(HMENU handle, UINT position, ULONG_PTR* data = nullptr) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_DATA;
  GetMenuItemInfoA(handle, position, TRUE, &info);
  if (data) *data = info.dwItemData;
  return info.fType;
}

class Menus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      registerModules({{&menuModule(), &menuApiModule(), &menuItemModule(), &menuBuildModule(),
                        &menuDrawModule(), &accTableModule(), &resTrackModule()}});
      TTextBar::Class();
      return true;
    }();
    (void)registered;
  }
  void SetUp() override {
    lanmere::send(TMENUITEM(), "_nInitId", {20000});
    popupsBefore = popupMenuCount();
    owner = shownWindow(20, 20, 260, 420, "menus");
  }
  void TearDown() override {
    if (IsWindow(hwndOf(owner))) destroy(owner);
    EXPECT_EQ(popupMenuCount(), popupsBefore) << "the pop-up list keeps a menu";
    dropQuitMessages();
  }
  HWND hwnd() const { return hwndOf(owner); }

  // File (Open, separator, Quit with a shortcut text) and Edit, attached to the window.
  Value buildBar(Runs& runs, Value& quitAllowed) {
    Value bar = begin(false, owner);
    file = add({.cPrompt = "&File"});
    begin(true);
    open = add({.cPrompt = "&Open", .cMsg = "Opens a file", .bAction = runs.action()});
    add({});
    quit = add({.cPrompt = "&Quit\tCtrl+Q",
                .bAction = runs.action(),
                .bWhen = closure([&quitAllowed](Args) { return quitAllowed; })});
    sub = MENUEND();
    edit = add({.cPrompt = "&Edit", .bAction = runs.action()});
    EXPECT_TRUE(MENUEND().sharesStorageWith(bar));
    return bar;
  }

  Value owner, file, open, quit, edit, sub;
  std::size_t popupsBefore = 0;
};

TEST_F(Menus, ABarBuiltWithTheFunctions) {
  Runs runs;
  Value quitAllowed = true;
  EXPECT_TRUE(MENUEND().isNil()) << "no open menu";
  EXPECT_TRUE(add({.cPrompt = "x"}).isNil());
  Value bar = begin(false, owner);
  add({.cPrompt = "&Tmp"});
  EXPECT_EQ(LASTITEMPOS().integer(), 1);
  EXPECT_TRUE(LASTMENU().sharesStorageWith(bar));
  MENUEND();
  as<TMenu>(bar).End();
  EXPECT_TRUE(LASTMENU().isNil());

  bar = buildBar(runs, quitAllowed);
  const HMENU handle = as<TMenu>(bar).handle();
  EXPECT_EQ(GetMenu(hwnd()), handle);
  EXPECT_TRUE(as<TWindow>(owner).oMenu.sharesStorageWith(bar));
  EXPECT_EQ(GETMENUSTRING(number(handle), 0, MF_BYPOSITION), "&File");
  EXPECT_EQ(GETMENUSTRING(number(handle), 1, MF_BYPOSITION), "&Edit");
  // Identifiers in creation order; the submenu is complete before its entry.
  EXPECT_EQ(as<TMenuItem>(file).nId.integer(), 20001)
      << "the ended Tmp item gave its identifier back";
  EXPECT_EQ(as<TMenuItem>(open).nId.integer(), as<TMenuItem>(file).nId.integer() + 1);
  EXPECT_EQ(as<TMenuItem>(edit).nId.integer(), as<TMenuItem>(quit).nId.integer() + 1);
  EXPECT_TRUE(as<TMenuItem>(file).bAction.sharesStorageWith(sub));
  EXPECT_EQ(GetSubMenu(handle, 0), as<TMenu>(sub).handle());
  EXPECT_EQ(GETMITEMCOUNT(as<TMenu>(sub).hMenu), 3);
  // The bar's entries are drawn by the system, the submenu's by us, with the identifier as data.
  EXPECT_FALSE(entryType(handle, 0) & MFT_OWNERDRAW);
  EXPECT_FALSE(entryType(handle, 1) & MFT_OWNERDRAW);
  ULONG_PTR data = 0;
  EXPECT_TRUE(entryType(as<TMenu>(sub).handle(), 0, &data) & MFT_OWNERDRAW);
  EXPECT_EQ(static_cast<long long>(data), as<TMenuItem>(open).nId.integer());
  EXPECT_TRUE(entryType(as<TMenu>(sub).handle(), 1) & MFT_SEPARATOR);

  // A command as the system sends it runs the action at once, with the item.
  SendMessageA(hwnd(), WM_COMMAND, static_cast<WPARAM>(as<TMenuItem>(open).nId.integer()), 0);
  ASSERT_EQ(runs.items.size(), 1u);
  EXPECT_EQ(runs.items[0], open.identity());

  // bWhen false greys the entry when its menu opens, and its command does nothing.
  quitAllowed = false;
  SendMessageA(hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(as<TMenu>(sub).handle()), 0);
  const auto state = [&](const Value& i) {
    return GETMENUSTATE(as<TMenu>(sub).hMenu, as<TMenuItem>(i).nId, MF_BYCOMMAND);
  };
  EXPECT_TRUE(state(quit) & MF_GRAYED);
  SendMessageA(hwnd(), WM_COMMAND, static_cast<WPARAM>(as<TMenuItem>(quit).nId.integer()), 0);
  EXPECT_EQ(runs.items.size(), 1u);
  quitAllowed = true;
  SendMessageA(hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(as<TMenu>(sub).handle()), 0);
  EXPECT_FALSE(state(quit) & MF_GRAYED);

  as<TMenuItem>(open).SetCheck(true);
  EXPECT_TRUE(state(open) & MF_CHECKED);
  as<TMenuItem>(open).SetCheck(false);
  EXPECT_FALSE(state(open) & MF_CHECKED);
  as<TMenuItem>(open).Disable();
  EXPECT_TRUE(state(open) & MF_GRAYED);
  as<TMenuItem>(open).Enable();
  EXPECT_FALSE(state(open) & MF_GRAYED);

  // Insert puts an item before item n (counted from 1), or at the end.
  auto help = lanmere::make<TMenuItem>();
  TMenuItem::NewArgs{.cPrompt = "&Help"}.sendTo(Value(help));
  as<TMenu>(bar).Insert(Value(help), 2);
  auto last = lanmere::make<TMenuItem>();
  TMenuItem::NewArgs{.cPrompt = "&Last"}.sendTo(Value(last));
  as<TMenu>(bar).Insert(Value(last), 99);
  EXPECT_EQ(GETMENUSTRING(number(handle), 1, MF_BYPOSITION), "&Help");
  EXPECT_EQ(GETMENUSTRING(number(handle), 3, MF_BYPOSITION), "&Last");
  EXPECT_EQ(as<TMenu>(bar).positionOf(*help), 1);

  // A closed submenu with no entry to hang on is ended and dropped.
  Value outer = begin(true);
  Value stray = begin(true);
  add({.cPrompt = "&Lost"});
  MENUEND();
  MENUEND();
  EXPECT_FALSE(ISMENU(as<TMenu>(stray).hMenu));
  EXPECT_EQ(as<TMenu>(outer).aMenuItems.length(), 0u);
  as<TMenu>(outer).End();

  // The window's Destroy ends its menus: no handle, nothing on the pop-up list, no links.
  const Value subHandle = as<TMenu>(sub).hMenu;
  destroy(owner);
  EXPECT_FALSE(ISMENU(number(handle)));
  EXPECT_FALSE(ISMENU(subHandle));
  EXPECT_TRUE(as<TMenu>(bar).oWnd.isNil());
  EXPECT_TRUE(as<TWindow>(owner).oMenu.isNil());
}

TEST_F(Menus, TheSystemMenuGetsItsItemsAtMenuEnd) {
  Runs runs;
  const HMENU system = GetSystemMenu(hwnd(), FALSE);
  const int count = GetMenuItemCount(system);
  Value sys = begin({.lSystem = true, .oWnd = owner});
  Value first = add({.cPrompt = "&First", .bAction = runs.action()});
  Value action2 = runs.action();
  Value second = add({.cPrompt = "&Second",
                      .bAction = closure([](Args) { return Value(); }),
                      .unused8 = 7,
                      .bAction2 = action2});
  EXPECT_TRUE(as<TMenuItem>(second).bAction.sharesStorageWith(action2))
      << "bAction2 replaces bAction";
  EXPECT_EQ(GetMenuItemCount(system), count) << "nothing before MENUEND";
  MENUEND();
  EXPECT_TRUE(as<TWindow>(owner).oSysMenu.sharesStorageWith(sys));
  EXPECT_EQ(GetMenuItemCount(system), count + 2);
  EXPECT_FALSE(entryType(system, static_cast<UINT>(count)) & MFT_OWNERDRAW);
  SendMessageA(hwnd(), WM_SYSCOMMAND, static_cast<WPARAM>(as<TMenuItem>(second).nId.integer()), 0);
  ASSERT_EQ(runs.items.size(), 1u);
  EXPECT_EQ(runs.items[0], second.identity());
  as<TMenu>(sys).End();
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(hwnd(), FALSE)), count) << "put back";
}

// Hilite and UnHilite mark a bar entry; Reset empties a bar into a new menu on the window (the
// old one and its submenus destroyed) and gives a system menu back its own entries; SetSkin
// keeps at most one of the two looks.
TEST_F(Menus, HiliteResetAndSkin) {
  Runs runs;
  Value quitAllowed = true;
  const Value bar = buildBar(runs, quitAllowed);
  const HMENU old = as<TMenu>(bar).handle();
  const Value subHandle = as<TMenu>(sub).hMenu;
  EXPECT_TRUE(as<TMenu>(bar).Hilite(2).logical());
  EXPECT_TRUE(GetMenuState(old, 1, MF_BYPOSITION) & MF_HILITE);
  EXPECT_FALSE(GetMenuState(old, 0, MF_BYPOSITION) & MF_HILITE);
  // Wine's HiliteMenuItem selects the entry whatever the flag says, so only the answer of an
  // un-highlight is read here.
  EXPECT_TRUE(as<TMenu>(bar).UnHilite(2).logical());
  EXPECT_FALSE(as<TMenu>(bar).Hilite(9).logical()) << "no such entry";

  as<TMenu>(bar).Reset();
  EXPECT_NE(as<TMenu>(bar).handle(), old);
  EXPECT_EQ(GetMenu(hwnd()), as<TMenu>(bar).handle());
  EXPECT_EQ(GetMenuItemCount(as<TMenu>(bar).handle()), 0);
  EXPECT_EQ(as<TMenu>(bar).aMenuItems.length(), 0u);
  EXPECT_FALSE(IsMenu(old));
  EXPECT_FALSE(ISMENU(subHandle));

  // A menu keeps both looks as given (only the message bar drops 2010 for 2007).
  for (const auto& [look2007, look2010] : {std::pair{true, true}, {false, true}, {false, false}}) {
    as<TMenu>(bar).SetSkin(look2007, look2010);
    EXPECT_EQ(as<TMenu>(bar).l2007.logical(), look2007);
    EXPECT_EQ(as<TMenu>(bar).l2010.logical(), look2010);
    const Value both = begin({.lPopup = true, .l2007 = look2007, .l2010 = look2010});
    MENUEND();
    EXPECT_EQ(as<TMenu>(both).l2010.logical(), look2010) << look2007;
    as<TMenu>(both).End();
  }

  const int count = GetMenuItemCount(GetSystemMenu(hwnd(), FALSE));
  const Value sys = begin({.lSystem = true, .oWnd = owner});
  add({.cPrompt = "&Extra", .bAction = runs.action()});
  MENUEND();
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(hwnd(), FALSE)), count + 1);
  as<TMenu>(sys).Reset();
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(hwnd(), FALSE)), count);
  EXPECT_EQ(as<TMenu>(sys).handle(), GetSystemMenu(hwnd(), FALSE));
  as<TMenu>(sys).End();
}

// The entries of a menu as the system holds them: identifier (a submenu entry's is its handle),
// text and the check and grey bits.
struct SysEntry {
  long long id;
  std::string text;
  UINT state;
  bool operator==(const SysEntry&) const = default;
};
std::ostream& operator<<(std::ostream& out, const SysEntry& e) {
  return out << "{" << e.id << " \"" << e.text << "\" " << e.state << "}";
}
std::vector<SysEntry> sysEntries(HMENU menu) {
  std::vector<SysEntry> entries;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    const auto at = static_cast<UINT>(i);
    const HMENU sub = GetSubMenu(menu, i);
    entries.push_back(
        {sub ? handleNumber(sub) : static_cast<long long>(GetMenuItemID(menu, i)),
         menuString(menu, at, MF_BYPOSITION),
         GetMenuState(menu, at, MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED | MF_DISABLED)});
  }
  return entries;
}

// The system menu holds Restore, Move, ... Close before the program's items: an item changes,
// leaves and takes in only its own entries, found by identifier.
TEST_F(Menus, SystemMenuItemsActOnTheirOwnEntries) {
  Runs runs;
  const HMENU system = GetSystemMenu(hwnd(), FALSE);
  std::vector<SysEntry> expected = sysEntries(system);
  ASSERT_GE(expected.size(), 5u);
  const Value sys = begin({.lSystem = true, .oWnd = owner});
  const Value first = add({.cPrompt = "&First", .bAction = runs.action()});
  const Value second = add({.cPrompt = "&Second", .bAction = runs.action(), .bWhen = fixed(false)});
  const Value third = add({.cPrompt = "&Third", .bAction = runs.action()});
  const Value more = add({.cPrompt = "&More"});
  begin(true);
  add({.cPrompt = "&Deep", .bAction = runs.action()});
  const Value moreMenu = MENUEND();
  MENUEND();

  as<TMenu>(sys).Initiate();
  as<TMenuItem>(third).SetCheck(true);
  as<TMenuItem>(third)._cCaption("&Renamed");
  as<TMenuItem>(more).Disable();
  const Value inserted = lanmere::construct<TMenuItem>({.cPrompt = "&Inserted"});
  as<TMenu>(sys).Insert(inserted, 2);
  as<TMenuItem>(first).Destroy();

  const auto id = [](const Value& item) { return as<TMenuItem>(item).nId.integer(); };
  expected.push_back({id(inserted), "&Inserted", 0});
  expected.push_back({id(second), "&Second", MF_GRAYED});
  expected.push_back({id(third), "&Renamed", MF_CHECKED});
  expected.push_back({handleNumber(as<TMenu>(moreMenu).handle()), "&More", MF_GRAYED});
  EXPECT_EQ(sysEntries(system), expected);
  as<TMenu>(sys).End();
}

// Add's flags as the system's entries carry them, for every kind of item in every kind of menu:
// a pop-up (drawn by us on this system family), a bar (drawn by the system), the system menu and
// a pop-up in the 2007 look.
TEST_F(Menus, EntryFlagsFollowTheTable) {
  TempFolder folder;
  const std::string picture = folder / "item.bmp";
  ASSERT_TRUE(writeBitmapFile(picture, 12, 12, [](int, int) { return RGB(0, 0, 255); }));
  enum Kind { kPopup, kBar, kSystem, kSkinned };
  const auto newMenu = [&](Kind kind) {
    auto menu = lanmere::make<TMenu>();
    if (kind == kSystem) {
      menu->NewSys(owner);
    } else {
      menu->New(kind != kBar, {}, kind == kSkinned);
    }
    return Value(menu);
  };
  const struct Row {
    const char* what;
    TMenuItem::NewArgs args;
    bool submenu;
    UINT flags[4];  // pop-up, bar, system menu, skinned
  } rows[] = {
      {"command: checked, help, break",
       {.cPrompt = "&Go", .lChecked = true, .lHelp = true, .lBreak = true},
       false,
       {16712, 16456, 16456, 16712}},
      {"command, disabled", {.cPrompt = "&Off", .lActive = false}, false, {259, 259, 259, 259}},
      {"bitmap item with break", {.cBmpFile = picture, .lBreak = true}, false, {68, 68, 68, 68}},
      {"separator", {}, false, {2048, 2048, 2048, 2304}},
      {"submenu: help, greyed",
       {.cPrompt = "&Sub", .lActive = false, .lHelp = true},
       true,
       {16657, 16401, 16401, 16657}},
      {"submenu as a bitmap, checked",
       {.lChecked = true, .cBmpFile = picture},
       true,
       {28, 28, 28, 28}},
  };
  for (Kind kind : {kPopup, kBar, kSystem, kSkinned}) {
    const Value menu = newMenu(kind);
    const HMENU handle = as<TMenu>(menu).handle();
    for (const Row& row : rows) {
      const Value item = lanmere::construct<TMenuItem>(row.args);
      if (row.submenu) as<TMenuItem>(item).bAction = newMenu(kPopup);
      as<TMenu>(menu).Add(item, kind == kBar);
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_ID | MIIM_BITMAP;
      ASSERT_TRUE(
          GetMenuItemInfoA(handle, static_cast<UINT>(GetMenuItemCount(handle) - 1), TRUE, &info));
      UINT flags = (info.fType & ~MF_POPUP) | info.fState | (info.hSubMenu ? MF_POPUP : 0) |
                   (info.hbmpItem ? MF_BITMAP : 0);
      if (flags & MF_SEPARATOR) flags &= ~(MF_GRAYED | MF_DISABLED);  // the system greys these
      EXPECT_EQ(flags, row.flags[kind]) << row.what << " in menu kind " << kind;
      const TMenuItem& made = as<TMenuItem>(item);
      const long long wanted =
          row.submenu ? handleNumber(as<TMenu>(made.bAction).handle()) : made.nId.integer();
      EXPECT_EQ(info.hSubMenu ? handleNumber(info.hSubMenu) : static_cast<long long>(info.wID),
                wanted)
          << row.what;
    }
    as<TMenu>(menu).End();
  }
}

// A command with no action runs the item's OnClick with the menu's window and the item; one with
// neither, or whose bWhen says no, is ignored. The class remembers the last item that ran.
TEST_F(Menus, OnClickStandsInForAMissingActionAndTheLastItemIsKept) {
  Runs runs;
  std::vector<std::pair<const void*, const void*>> clicks;
  const Value bar = begin(false, owner);
  const Value clicked = add({.cPrompt = "&Clicked"});
  as<TMenuItem>(clicked).OnClick = closure([&clicks](Args a) {
    clicks.emplace_back(a[0].identity(), a[1].identity());
    return Value();
  });
  const Value idle = add({.cPrompt = "&Idle"});
  const Value refused =
      add({.cPrompt = "&Refused", .bAction = runs.action(), .bWhen = fixed(false)});
  MENUEND();
  const auto command = [&](const Value& item) {
    SendMessageA(hwnd(), WM_COMMAND, static_cast<WPARAM>(as<TMenuItem>(item).nId.integer()), 0);
    return lanmere::send(bar, "oLastItem");
  };
  EXPECT_TRUE(command(clicked).sharesStorageWith(clicked));
  EXPECT_TRUE(command(idle).sharesStorageWith(clicked)) << "an item with no closure is ignored";
  EXPECT_TRUE(command(refused).sharesStorageWith(clicked)) << "bWhen refused it";
  EXPECT_EQ(
      clicks,
      (std::vector<std::pair<const void*, const void*>>{{owner.identity(), clicked.identity()}}));
  EXPECT_TRUE(runs.items.empty());
}

// Activate with lEnd (its default) ends the pop-up the window still shows, runs the chosen item
// and ends itself.
TEST_F(Menus, ActivateWithEndEndsTheShownPopupAndItself) {
  Runs runs;
  const Value shown = begin(true);
  add({.cPrompt = "&Old"});
  MENUEND();
  as<TWindow>(owner).oPopup = shown;
  const Value popup = begin(true);
  const Value alpha = add({.cPrompt = "&Alpha", .bAction = runs.action()});
  MENUEND();
  const Value oldHandle = as<TMenu>(shown).hMenu, handle = as<TMenu>(popup).hMenu;
  SetForegroundWindow(hwnd());
  bool oldEnded = false;
  DialogSteps steps({[&](HWND) { return currentMenu() != nullptr; },
                     [&](HWND) {
                       oldEnded = !ISMENU(oldHandle);
                       pressKeys({'A'});
                       return true;
                     }},
                    40, 5000);
  lanmere::send(popup, "Activate", {30, 40, owner});
  steps.rethrow();
  EXPECT_TRUE(steps.done());
  EXPECT_TRUE(oldEnded) << "the shown pop-up ends before this one shows";
  EXPECT_EQ(runs.items, std::vector<const void*>{alpha.identity()});
  EXPECT_FALSE(ISMENU(handle));
  EXPECT_EQ(as<TMenu>(popup).hMenu.integer(), 0);
  EXPECT_TRUE(as<TWindow>(owner).oPopup.isNil());
}

// The user's path: Alt and a letter open the bar's menu, an arrow and Enter run the item.
TEST_F(Menus, AltLetterArrowsAndEnterOnTheBar) {
  Runs runs;
  Value quitAllowed = true;
  buildBar(runs, quitAllowed);
  SetForegroundWindow(hwnd());
  SetFocus(hwnd());
  bool opened = false;
  DialogSteps steps({[&](HWND) {
                       pressKeys({VK_MENU, 'F'});
                       return true;
                     },
                     [&](HWND) { return (opened = currentMenu() != nullptr); },
                     [&](HWND) {
                       saveScreenshot("menus_bar_open.bmp");
                       pressKeys({VK_DOWN});
                       return true;
                     },
                     [&](HWND) {
                       pressKeys({VK_RETURN});
                       return true;
                     }},
                    40, 5000);
  EXPECT_TRUE(pumpUntil([&] { return !runs.items.empty() || steps.done(); }, 8000));
  pumpUntil([&] { return !runs.items.empty(); }, 1000);
  steps.rethrow();
  EXPECT_TRUE(opened);
  ASSERT_EQ(runs.items.size(), 1u);
  // The first entry is selected when the menu opens from the keyboard; Down skips the separator.
  EXPECT_EQ(runs.items[0], quit.identity());
}

TEST_F(Menus, PopupsRunTheChosenItemAfterTheMenuHasClosed) {
  Runs runs;
  Value popup = begin(true);
  Value alpha = add({.cPrompt = "&Alpha", .bAction = runs.action()});
  Value beta = add({.cPrompt = "&Beta\tCtrl+B", .bAction = runs.action()});
  MENUEND();
  SetForegroundWindow(hwnd());
  struct Case {
    std::vector<WORD> keys;
    const void* expected;
  };
  for (const Case& c :
       {Case{{VK_DOWN, VK_DOWN, VK_RETURN}, beta.identity()}, Case{{VK_ESCAPE}, nullptr},
        Case{{'B'}, beta.identity()}, Case{{'A'}, alpha.identity()}}) {
    runs.items.clear();
    std::vector<DialogSteps::Step> keys{[&](HWND) { return currentMenu() != nullptr; }};
    if (c.keys.size() > 1) {
      keys.push_back([](HWND) { return saveScreenshot("menus_popup_open.bmp") || true; });
    }
    for (WORD key : c.keys) {
      keys.push_back([key](HWND) {
        pressKeys({key});
        return true;
      });
    }
    DialogSteps steps(keys, 40, 5000);
    as<TMenu>(popup).Activate(30, 40, owner, false);
    steps.rethrow();
    EXPECT_TRUE(steps.done());
    EXPECT_EQ(currentMenu(), nullptr);
    if (c.expected) {
      ASSERT_EQ(runs.items.size(), 1u) << c.keys[0];
      EXPECT_EQ(runs.items[0], c.expected) << c.keys[0];
    } else {
      EXPECT_TRUE(runs.items.empty());
    }
    EXPECT_TRUE(as<TWindow>(owner).oPopup.isNil()) << "the window routes commands to its bar again";
  }
  EXPECT_FALSE(runs.menuShown) << "an action ran while the menu was still shown";
  EXPECT_TRUE(ISMENU(as<TMenu>(popup).hMenu)) << "lEnd false keeps the menu";
  as<TMenu>(popup).End();
  EXPECT_FALSE(ISMENU(as<TMenu>(popup).hMenu));
}

TEST_F(Menus, MenuCharAnswersThePositionToRun) {
  Runs runs;
  Value quitAllowed = true;
  const HMENU bar = as<TMenu>(buildBar(runs, quitAllowed)).handle();
  const auto ask = [&](char key, HMENU handle) {
    return SendMessageA(hwnd(), WM_MENUCHAR, MAKEWPARAM(key, MF_POPUP),
                        reinterpret_cast<LPARAM>(handle));
  };
  EXPECT_EQ(ask('e', bar), 1 | 2 << 16);
  EXPECT_EQ(ask('F', bar), 0 | 2 << 16);
  EXPECT_EQ(ask('q', as<TMenu>(sub).handle()), 2 | 2 << 16);
  EXPECT_EQ(ask('z', bar), 0);
}

TEST_F(Menus, MenuSelectShowsTheMessageAndTheDefaultAfterwards) {
  Runs runs;
  Value quitAllowed = true;
  buildBar(runs, quitAllowed);
  auto bar = lanmere::make<TTextBar>();
  as<TWindow>(owner).oMsgBar = Value(bar);
  std::vector<long long> selected;
  as<TWindow>(owner).bMenuSelect = closure([&](Args a) {
    selected.push_back(as<TMenuItem>(a[0]).nId.integer());
    return Value();
  });
  SendMessageA(hwnd(), WM_MENUSELECT, MAKEWPARAM(as<TMenuItem>(open).nId.integer(), MF_OWNERDRAW),
               reinterpret_cast<LPARAM>(as<TMenu>(sub).handle()));
  EXPECT_TRUE(lanmere::send(owner, "oMItemSelect").sharesStorageWith(open));
  SendMessageA(hwnd(), WM_MENUSELECT, MAKEWPARAM(0xFFFF, 0xFFFF), 0);
  EXPECT_TRUE(lanmere::send(owner, "oMItemSelect").isNil());
  EXPECT_EQ(bar->shown, (std::vector<std::string>{"Opens a file", ""}));
  EXPECT_EQ(selected, std::vector<long long>{as<TMenuItem>(open).nId.integer()});
  as<TWindow>(owner).oMsgBar = Value();
}

// HELPTOPIC as the help module would answer it: the topics asked, in order.
std::vector<long long> topicsAsked;
Value recordTopic(const Value& topic) {
  topicsAsked.push_back(topic.integer());
  return {};
}

TEST_F(Menus, HelpF1AsksTheSelectedItemsTopicElseTheWindows) {
  static const lanmere::ModuleTable help{__FILE__, {lanmere::fn<&recordTopic>("HELPTOPIC")}};
  static const bool registered = (lanmere::registerModule(help), true);
  (void)registered;
  Runs runs;
  Value quitAllowed = true;
  buildBar(runs, quitAllowed);
  as<TMenuItem>(open).nHelpId = 42;
  as<TWindow>(owner).nHelpId = 7;
  topicsAsked.clear();
  SendMessageA(hwnd(), WM_MENUSELECT, MAKEWPARAM(as<TMenuItem>(open).nId.integer(), MF_OWNERDRAW),
               reinterpret_cast<LPARAM>(as<TMenu>(sub).handle()));
  SendMessageA(hwnd(), kWmFrameworkHelpF1, 0, 0);
  SendMessageA(hwnd(), WM_MENUSELECT, MAKEWPARAM(0xFFFF, 0xFFFF), 0);
  SendMessageA(hwnd(), kWmFrameworkHelpF1, 0, 0);
  EXPECT_EQ(topicsAsked, (std::vector<long long>{42, 7}));
}

// A draw request as the system sends it, into a memory device context; the pixels come back.
struct Canvas {
  static constexpr int kWidth = 160, kHeight = 24;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap;
  HGDIOBJ previous;
  Canvas() {
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    ReleaseDC(nullptr, screen);
    previous = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  DRAWITEMSTRUCT request(long long id, UINT state) const {
    DRAWITEMSTRUCT record{};
    record.CtlType = ODT_MENU;
    record.itemID = static_cast<UINT>(id);
    record.itemAction = ODA_DRAWENTIRE;
    record.itemState = state;
    record.hDC = dc;
    record.rcItem = {0, 0, kWidth, kHeight};
    record.itemData = static_cast<ULONG_PTR>(id);
    return record;
  }
  std::vector<COLORREF> pixels() const {
    std::vector<COLORREF> all;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) all.push_back(GetPixel(dc, x, y));
    }
    return all;
  }
};

TEST_F(Menus, OwnerDrawnEntriesMeasureAndPaint) {
  Value popup = begin(true);
  Value shortOne = add({.cPrompt = "&Go"});
  Value longOne = add({.cPrompt = "&Go somewhere far away\tCtrl+G"});
  MENUEND();
  as<TWindow>(owner).oPopup = popup;  // as while Activate shows it
  const auto width = [&](const Value& i) {
    MEASUREITEMSTRUCT record{ODT_MENU, 0, 0,
                             0,        0, static_cast<ULONG_PTR>(as<TMenuItem>(i).nId.integer())};
    EXPECT_EQ(SendMessageA(hwnd(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&record)), 1);
    EXPECT_GT(record.itemHeight, 0u);
    return record.itemWidth;
  };
  EXPECT_GT(width(longOne), width(shortOne) + 50);

  Canvas byWindow, direct;
  DRAWITEMSTRUCT record = byWindow.request(as<TMenuItem>(longOne).nId.integer(), ODS_SELECTED);
  EXPECT_EQ(SendMessageA(hwnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&record)), 1);
  EXPECT_EQ(GetPixel(byWindow.dc, 1, 1), GetSysColor(COLOR_HIGHLIGHT));
  const auto paintDirect = [&](const char* prompt) {
    DRAWITEMSTRUCT own = direct.request(as<TMenuItem>(longOne).nId.integer(), ODS_SELECTED);
    Value args[] = {Value(static_cast<long long>(reinterpret_cast<std::intptr_t>(&own))), prompt, 0,
                    0, number(hwnd())};
    MENUDRAWITEM(Args(args));
    return direct.pixels();
  };
  EXPECT_EQ(byWindow.pixels(), paintDirect("&Go somewhere far away\tCtrl+G"));
  EXPECT_NE(byWindow.pixels(), paintDirect("&Go"));
  as<TWindow>(owner).oPopup = Value();
  as<TMenu>(popup).End();
}

TEST_F(Menus, TheFlatLookSharesOneCheckBitmap) {
  clearTrackedResources();
  Value popup = begin(true, {}, true);
  add({.cPrompt = "&Sub"});
  begin(true);  // nested: inherits the look
  Value checked = add({.cPrompt = "&Checked", .lChecked = true});
  Value sub = MENUEND();
  EXPECT_TRUE(as<TMenu>(sub).l2007.logical());
  MENUEND();
  as<TWindow>(owner).oPopup = popup;
  Canvas canvas;
  for (int i = 0; i < 2; ++i) {
    DRAWITEMSTRUCT record = canvas.request(as<TMenuItem>(checked).nId.integer(), ODS_CHECKED);
    EXPECT_EQ(SendMessageA(hwnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&record)), 1);
  }
  const FlatMenuColors colours = flatMenuColors(false);
  EXPECT_EQ(GetPixel(canvas.dc, Canvas::kWidth - 2, 2), colours.background);
  EXPECT_EQ(GetPixel(canvas.dc, 1, 1), colours.gutter);
  ASSERT_NE(check2007Bitmap(), nullptr);
  std::size_t bitmaps = 0;
  for (const TrackedResource& r : trackedResources()) bitmaps += r.type == "BMP";
  EXPECT_EQ(bitmaps, 1u) << "made once";
  for (const lanmere::FunctionEntry& entry : menuModule().entries) {
    if (std::string_view(entry.name) == "KS_MENUEXIT$") entry.call({});
  }
  EXPECT_EQ(check2007Bitmap(), nullptr);
  EXPECT_TRUE(trackedResources().empty());
  as<TWindow>(owner).oPopup = Value();
  as<TMenu>(popup).End();
}

TEST_F(Menus, ShortcutsWorkOnceAttachedAndStopAfterEnd) {
  Runs runs;
  SETWNDAPP(number(hwnd()));
  Value bar = begin(false, owner);
  add({.cPrompt = "&File"});
  begin(true);
  add({.cPrompt = "&Save\tCtrl+S",
       .bAction = runs.action(),
       .nVKState = FCONTROL,
       .nVirtKey = 'S'});
  MENUEND();
  MENUEND();
  ASSERT_TRUE(as<TMenu>(bar).oAccTable.isObject());
  EXPECT_NE(installedAccelerators().table, nullptr);
  postCtrlKey(hwnd(), 'S');
  EXPECT_TRUE(refreshUntil([&] { return runs.items.size() == 1; }));
  as<TMenu>(bar).End();
  EXPECT_EQ(installedAccelerators().table, nullptr);
  postCtrlKey(hwnd(), 'S');
  refreshUntil([] { return false; }, 30);
  EXPECT_EQ(runs.items.size(), 1u);
  releaseKeys();
}

TEST_F(Menus, ReDefineFromAResourceAndAsAPopupCopy) {
  for (bool popup : {false, true}) {
    auto m = lanmere::make<TMenu>();
    m->ReDefine(kTestMenu, popup);
    ASSERT_TRUE(ISMENU(m->hMenu)) << popup;
    ASSERT_EQ(m->aMenuItems.length(), 1u);
    const TMenuItem& fileEntry = as<TMenuItem>(m->aMenuItems.item(1));
    EXPECT_EQ(fileEntry.cPrompt.text(), "&File");
    const TMenu& fileMenu = as<TMenu>(fileEntry.bAction);
    ASSERT_EQ(fileMenu.aMenuItems.length(), 6u) << popup;
    const auto at = [&](std::size_t i) -> const TMenuItem& {
      return as<TMenuItem>(fileMenu.aMenuItems.item(i));
    };
    EXPECT_EQ(at(1).nId.integer(), kIdNew);
    EXPECT_TRUE(at(2).isSeparator());
    EXPECT_TRUE(at(3).lChecked.logical());
    EXPECT_FALSE(at(4).lActive.logical());
    EXPECT_TRUE(at(5).lBreak.logical());
    const TMenu& more = as<TMenu>(at(6).bAction);
    EXPECT_EQ(as<TMenuItem>(more.aMenuItems.item(1)).nId.integer(), kIdDeep);
    // The pop-up copy keeps the state's flags.
    EXPECT_TRUE(GETMENUSTATE(fileMenu.hMenu, kIdChecked, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GETMENUSTATE(fileMenu.hMenu, kIdGrey, MF_BYCOMMAND) & MF_GRAYED);
    int ran = 0;
    as<TMenuItem>(more.aMenuItems.item(1)).bAction = counter(ran);
    m->lPopup = false;  // run at once, as a bar does
    m->Command(kIdDeep);
    EXPECT_EQ(ran, 1);
    const Value deepMenu = more.hMenu;
    m->End();
    EXPECT_FALSE(ISMENU(deepMenu));
  }
}

TEST(MenuItemIds, NeverAnIdentifierALivingItemHoldsNorAMenuHandle) {
  struct Case {
    long long counter;
    std::set<long long> menus, live;
    long long expected;
  };
  for (const Case& c : {Case{20000, {}, {}, 20001}, Case{20001, {20002}, {}, 20003},
                        Case{20002, {}, {20003, 20004}, 20005}, Case{65535, {}, {}, 20001},
                        Case{65534, {20001}, {65535}, 20002}, Case{10, {}, {}, 20001}}) {
    EXPECT_EQ(nextMenuItemId(
                  c.counter, [&](long long v) { return c.menus.count(v) > 0; },
                  [&](long long v) { return c.live.count(v) > 0; }),
              c.expected)
        << c.counter;
  }
  lanmere::send(TMENUITEM(), "_nInitId", {20000});
  std::vector<lanmere::Ref<TMenuItem>> three;
  for (int i = 0; i < 3; ++i) {
    three.push_back(lanmere::make<TMenuItem>());
    three.back()->New({});
  }
  EXPECT_EQ(three[2]->nId.integer(), 20003);
  three[0]->End();
  auto next = lanmere::make<TMenuItem>();
  next->New({});
  EXPECT_EQ(next->nId.integer(), 20004) << "20003 is still live";
  EXPECT_FALSE(menuItemIdLive(20001));
}

// End lowers the class counter; an item freed without End gives its identifier back but leaves
// the counter. Refresh and Inspect are understood and do nothing.
TEST(MenuItemIds, OnlyEndLowersTheCounter) {
  const auto count = [] { return lanmere::send(TMENUITEM(), "nInitId").integer(); };
  lanmere::send(TMENUITEM(), "_nInitId", {20000});
  Value kept = TMENUITEM();
  lanmere::send(kept, "New", {"&Kept"});
  {
    Value dropped = TMENUITEM();
    lanmere::send(dropped, "New", {"&Dropped"});
    EXPECT_EQ(count(), 20002);
  }
  EXPECT_EQ(count(), 20002) << "freed without End";
  EXPECT_FALSE(menuItemIdLive(20002));
  for (const char* noOp : {"Refresh", "Inspect"}) {
    EXPECT_TRUE(lanmere::send(kept, noOp).isNil()) << noOp;
  }
  EXPECT_EQ(as<TMenuItem>(kept).cPrompt.string(), "&Kept");
  lanmere::send(kept, "End");
  EXPECT_EQ(count(), 20001);
  EXPECT_FALSE(menuItemIdLive(20001));
}

}  // namespace
}  // namespace kestrel::test
