// MDI frames, clients and children with real windows: the default menu and the window list,
// creation, activation and menus, arrangement, keys, closing and the layout between the bars.
// Every test leaves nothing behind (checked in TearDown).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "errors/kserror.h"
#include "framework/controls/tbutton.h"
#include "framework/controls/tget.h"
#include "framework/controls/ticon.h"
#include "framework/core/tdialog.h"
#include "framework/core/tracked.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndfuncs.h"
#include "framework/services/mdiapi.h"
#include "framework/services/menubuild.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "framework/services/tbar.h"
#include "framework/services/tmdichild.h"
#include "framework/services/tmdiclient.h"
#include "framework/services/tmdiframe.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmsgbar.h"
#include "runtime/closure.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/errors.h"
#include "tests/support/files.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Value;

// A program's own child class: the core's rules for children hold for it too.
class TMyChild : public TMdiChild {
  LM_CLASS(TMyChild, TMdiChild)
};
LM_DEFINE_CLASS(TMyChild) {
  c.creatable();
}

// A child that says it closed but stays open.
class TStubbornChild : public TMdiChild {
  LM_CLASS(TStubbornChild, TMdiChild)
  Value End() override { return true; }
};
LM_DEFINE_CLASS(TStubbornChild) {
  c.methods(LM_METHODS(End));
  c.creatable();
}

BOOL CALLBACK countWindow(HWND, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

int threadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Tracked resources with a handle: a failed creation keeps its record with handle 0, which no
// leak report counts.
std::size_t liveTracked() {
  return static_cast<std::size_t>(
      std::count_if(trackedResources().begin(), trackedResources().end(),
                    [](const TrackedResource& r) { return r.handle != 0; }));
}

long long usedSlots() {
  long long used = 0;
  for (const Value& slot : windowList().items()) used += slot.isObject() ? 1 : 0;
  return used;
}

std::string menuText(HMENU menu, UINT position) {
  char text[128] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

std::vector<std::string> prompts(HMENU menu) {
  std::vector<std::string> texts;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) texts.push_back(menuText(menu, i));
  return texts;
}

RECT inParent(const Value& window) {
  return rectInParent(hwndOf(window));
}

void settle() {
  refreshUntil([] { return false; }, 20);
}

class Mdi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      registerModules({servicesModules()});
      TMyChild::Class();
      TStubbornChild::Class();
      TIcon::Class();  // icons named by text
      return true;
    }();
    (void)registered;
  }
  void SetUp() override {
    windowsBefore = threadWindows();
    liveBefore = TWindow::liveCount();
    slotsBefore = usedSlots();
    trackedBefore = liveTracked();
    popupsBefore = popupMenuCount();
  }
  void TearDown() override {
    releaseKeys();
    if (frame.isObject() && IsWindow(hwndOf(frame))) destroy(frame);
    frame = Value();
    settle();
    dropQuitMessages();
    for (const Value& menu : kept) as<TMenu>(menu).End();
    EXPECT_EQ(threadWindows(), windowsBefore) << "windows left";
    EXPECT_EQ(usedSlots(), slotsBefore) << "window-list slots left";
    EXPECT_EQ(TWindow::liveCount(), liveBefore) << "window objects left";
    EXPECT_EQ(liveTracked(), trackedBefore) << "tracked resources left";
    EXPECT_EQ(popupMenuCount(), popupsBefore) << "menus left";
    for (HMENU handle : menusMade) EXPECT_FALSE(IsMenu(handle)) << "a menu outlived its window";
    EXPECT_EQ(installedAccelerators().table, nullptr);
    EXPECT_TRUE(GETWNDFRAME().isNil());
    EXPECT_TRUE(GETWNDDEFAULT().isNil());
  }

  // A shown frame in pixels, 640 x 440 unless the arguments say otherwise.
  Value newFrame(TMdiFrame::NewArgs a = {}) {
    if (a.nTop.isNil() && a.lPixel.isNil()) {
      a.nTop = 20;
      a.nLeft = 20;
      a.nBottom = 459;
      a.nRight = 659;
      a.lPixel = true;
    }
    if (a.cTitle.isNil()) a.cTitle = "Frame";
    frame = lanmere::construct<TMdiFrame>(a);
    if (frame.isObject()) {
      SETWNDAPP(number(hwndOf(frame)));  // as Activate makes it: the shortcuts' window
      ShowWindow(hwndOf(frame), SW_SHOW);
      SetForegroundWindow(hwndOf(frame));
      settle();
    }
    return frame;
  }
  TMdiFrame& f() { return as<TMdiFrame>(frame); }
  TMdiClient& client() { return as<TMdiClient>(f().oWndClient); }
  HWND clientHwnd() { return client().hwnd(); }
  // A child in pixels at (top, left), 200 x 120 by default.
  Value newChild(TMdiChild::NewArgs a = {}) {
    if (a.nTop.isNil() && a.lPixel.isNil()) {
      const std::size_t listed = frame.isObject() ? client().aWnd.length() : 0;
      a.nTop = 10 + 20 * static_cast<long long>(listed);
      a.nLeft = a.nTop;
      a.nBottom = a.nTop.integer() + 119;
      a.nRight = a.nLeft.integer() + 199;
      a.lPixel = true;
    }
    const Value child = lanmere::construct<TMdiChild>(a);
    settle();
    return child;
  }
  // A bar with one pop-up "&Edit" ("&Copy\tCtrl+K" runs `action`), remembered so TearDown can
  // check it is gone.
  Value newMenu(const char* popup = "&Edit", Value action = {}) {
    auto item = [](MENUADDITEMArgs a) {
      auto arguments = a.list();
      MENUADDITEM(Args(arguments));
    };
    MENUBEGIN(Args());
    item({.cPrompt = popup});
    MENUBEGIN(Args());
    item({.cPrompt = "&Copy\tCtrl+K", .bAction = action, .nVKState = FCONTROL, .nVirtKey = 'K'});
    MENUEND();
    item({.cPrompt = "&Window"});
    MENUBEGIN(Args());
    item({.cPrompt = "&Tile"});
    MENUEND();
    const Value bar = MENUEND();
    menusMade.push_back(as<TMenu>(bar).handle());
    return bar;
  }
  HMENU bar() { return GetMenu(hwndOf(frame)); }
  Value active() { return client().GetActive(); }

  Value frame;
  std::vector<Value> kept;
  std::vector<HMENU> menusMade;
  int windowsBefore = 0;
  long liveBefore = 0;
  long long slotsBefore = 0;
  std::size_t trackedBefore = 0;
  std::size_t popupsBefore = 0;
};

// ---- Default menu and window list ----

TEST_F(Mdi, DefaultMenuNewChildrenAndTheWindowList) {
  newFrame();
  menusMade.push_back(bar());
  EXPECT_EQ(prompts(bar()), (std::vector<std::string>{"&Childs", "&Window", "&Help"}));
  EXPECT_EQ(f().nMenuInfo.integer(), 2);
  EXPECT_TRUE(GETWNDFRAME().sharesStorageWith(frame));
  // "New..." through the real menu, twice.
  for (std::size_t n = 1; n <= 2; ++n) {
    DialogSteps steps({[&](HWND) {
                         pressKeys({VK_MENU, 'C'});
                         return true;
                       },
                       [&](HWND) { return currentMenu() != nullptr; },
                       [&](HWND) {
                         pressKeys({VK_RETURN});
                         return true;
                       }},
                      40, 5000);
    EXPECT_TRUE(pumpUntil([&] { return client().aWnd.length() == n; }, 8000)) << n;
    steps.rethrow();
  }
  ASSERT_EQ(client().aWnd.length(), 2u);
  EXPECT_EQ(as<TWindow>(client().aWnd.item(1)).GetText().string(), "MDI Child 1");
  EXPECT_EQ(as<TWindow>(client().aWnd.item(2)).GetText().string(), "MDI Child 2");
  const HMENU windows = GetSubMenu(bar(), 1);
  const Value second = client().aWnd.item(2);
  EXPECT_TRUE(active().sharesStorageWith(second));
  // The system lists both under "&Window", the active one checked.
  auto listed = [&](const std::string& title) {
    for (int i = 0; i < GetMenuItemCount(windows); ++i) {
      if (menuText(windows, i).find(title) != std::string::npos) return i;
    }
    return -1;
  };
  const int one = listed("MDI Child 1"), two = listed("MDI Child 2");
  ASSERT_GE(one, 0);
  ASSERT_GE(two, 0);
  EXPECT_TRUE(GetMenuState(windows, two, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(windows, one, MF_BYPOSITION) & MF_CHECKED);
  // Choosing an entry activates its child; also once a bar made after the client is on top of
  // the frame's children.
  const Value msgBar = lanmere::construct<TMsgBar>({.oWnd = frame, .cMsg = "Ready"});
  as<TWindow>(msgBar).GoTop();
  EXPECT_EQ(GetWindow(hwndOf(frame), GW_CHILD), hwndOf(msgBar));
  for (int entry : {one, two, one}) {
    const UINT id = GetMenuItemID(windows, entry);
    PostMessageA(hwndOf(frame), WM_COMMAND, id, 0);
    const Value wanted = client().aWnd.item(entry == one ? 1 : 2);
    EXPECT_TRUE(refreshUntil([&] { return active().sharesStorageWith(wanted); })) << entry;
  }
}

// ---- Creation ----

TEST_F(Mdi, ChildCoordinatesAsGivenOrTheSystemsDefault) {
  newFrame();
  struct Row {
    const char* name;
    Value top, left, bottom, right;
    bool pixel;
    RECT expected;  // all zero: the system's default
  };
  const Row rows[] = {
      {"pixels", 10, 20, 109, 219, true, {20, 10, 220, 110}},
      {"cells", 1, 2, 6, 22, false, {16, 16, 177, 97}},
      {"no top", Value(), 20, 109, 219, true, {}},
      {"no right", 10, 20, 109, Value(), true, {}},
      {"no bottom", 10, 20, Value(), 219, true, {}},
      {"text", "10", 20, 109, 219, true, {}},
      {"nothing", Value(), Value(), Value(), Value(), false, {}},
  };
  for (const Row& row : rows) {
    const Value child = newChild({.nTop = row.top,
                                  .nLeft = row.left,
                                  .nBottom = row.bottom,
                                  .nRight = row.right,
                                  .lPixel = row.pixel});
    ASSERT_TRUE(child.isObject()) << row.name;
    const RECT r = inParent(child);
    if (row.expected.right) {
      EXPECT_EQ(r.left, row.expected.left) << row.name;
      EXPECT_EQ(r.top, row.expected.top) << row.name;
      EXPECT_EQ(r.right, row.expected.right) << row.name;
      EXPECT_EQ(r.bottom, row.expected.bottom) << row.name;
    } else {
      EXPECT_GT(r.right - r.left, 0) << row.name;
      EXPECT_GT(r.bottom - r.top, 0) << row.name;
      EXPECT_LT(r.right - r.left, 32768 - 100) << row.name;
      EXPECT_LT(r.bottom - r.top, 32768 - 100) << row.name;
    }
    EXPECT_EQ(as<TWindow>(child).nRight.integer() + 1, r.right) << row.name;
  }
}

TEST_F(Mdi, FrameCoordinatesAsGivenOrTheSystemsDefault) {
  struct Row {
    const char* name;
    Value top, left, bottom, right;
  };
  const Row rows[] = {{"no top", Value(), 10, 300, 400},
                      {"no bottom", 10, 10, Value(), 400},
                      {"not numbers", "a", 10, 300, "b"}};
  for (const Row& row : rows) {
    newFrame({.nTop = row.top,
              .nLeft = row.left,
              .nBottom = row.bottom,
              .nRight = row.right,
              .lPixel = true});
    RECT r{};
    GetWindowRect(hwndOf(frame), &r);
    EXPECT_GT(r.right - r.left, 0) << row.name;
    EXPECT_GT(r.bottom - r.top, 0) << row.name;
    EXPECT_LT(r.right - r.left, 32768 - 100) << row.name;
    EXPECT_LT(r.bottom - r.top, 32768 - 100) << row.name;
    destroy(frame);
    frame = Value();
    settle();
  }
  newFrame({.nTop = 2, .nLeft = 3, .nBottom = 20, .nRight = 60});
  RECT r{};
  GetWindowRect(hwndOf(frame), &r);
  EXPECT_EQ(r.left, 24);
  EXPECT_EQ(r.top, 32);
  EXPECT_EQ(r.right, 481);
  EXPECT_EQ(r.bottom, 321);
}

HHOOK refusingHook = nullptr;
LRESULT CALLBACK refuseChildren(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
    const LPCSTR name = create->lpcs->lpszClass;
    if (!IS_INTRESOURCE(name) && std::string(name) == "TMDICHILD") return 1;
  }
  return CallNextHookEx(refusingHook, code, wParam, lParam);
}

TEST_F(Mdi, RefusedOrFramelessChildrenRaiseAndListNothing) {
  {
    ErrorCatcher errors;
    EXPECT_TRUE(newChild({}).isNil()) << "no frame at all";
    ASSERT_EQ(errors.records.size(), 1u);
    EXPECT_EQ(errors.last().genCode.integer(), 1);
    EXPECT_EQ(errors.last().subCode.integer(), kMdiNoFrameSubCode);
  }
  newFrame();
  {
    ErrorCatcher errors;
    const Value plain = shownWindow(10, 10, 100, 100);
    EXPECT_TRUE(newChild({.oWnd = plain}).isNil()) << "not a frame";
    destroy(plain);
    EXPECT_EQ(errors.records.size(), 1u);
  }
  {
    ErrorCatcher errors;
    refusingHook = SetWindowsHookExA(WH_CBT, refuseChildren, nullptr, GetCurrentThreadId());
    const Value child = newChild({});
    UnhookWindowsHookEx(refusingHook);
    EXPECT_TRUE(child.isNil());
    ASSERT_EQ(errors.records.size(), 1u);
    EXPECT_EQ(errors.last().subCode.integer(), kErrCannotCreateWindow);
    EXPECT_EQ(client().aWnd.length(), 0u);
  }
  // A destroyed frame is no frame either.
  const Value gone = frame;
  destroy(frame);
  frame = Value();
  settle();
  {
    ErrorCatcher errors;
    EXPECT_TRUE(newChild({.oWnd = gone}).isNil());
    EXPECT_EQ(errors.records.size(), 1u);
  }
}

std::vector<UINT> erases;
HHOOK eraseHook = nullptr;
HWND eraseTarget = nullptr;
LRESULT CALLBACK recordErases(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->hwnd == eraseTarget &&
      (sent->message == WM_ERASEBKGND || sent->message == WM_ICONERASEBKGND)) {
    erases.push_back(sent->message);
  }
  return CallNextHookEx(eraseHook, code, wParam, lParam);
}

// The core's rules for MDI children hold for a program's subclass: Ctrl+F4 from a control, Esc
// in a dialog on it, the iconic paint.
TEST_F(Mdi, AProgramsChildClassGetsTheChildRules) {
  newFrame();
  const Value mine = lanmere::construct<TMyChild>(
      {.nTop = 10, .nLeft = 10, .nBottom = 200, .nRight = 300, .lPixel = true});
  ASSERT_TRUE(mine.isObject());
  EXPECT_EQ(client().aWnd.length(), 1u);
  // Esc ends a modeless dialog whose parent is the child.
  const Value dialog = pixelDialog(20, 20, 120, 220, "On a child");
  as<TDialog>(dialog).oWnd = mine;
  TDialog::ActivateArgs{.lModal = false}.sendTo(dialog);
  const HWND box = as<TDialog>(dialog).hwnd();
  ASSERT_TRUE(IsWindow(box));
  SendMessageA(box, WM_CHAR, VK_ESCAPE, 0x00010001);
  EXPECT_TRUE(refreshUntil([&] { return !IsWindow(box); })) << "Esc";
  // The iconic child is erased with the erase message, not the icon's.
  as<TWindow>(mine).Iconize();
  settle();
  eraseTarget = hwndOf(mine);
  erases.clear();
  eraseHook = SetWindowsHookExA(WH_CALLWNDPROC, recordErases, nullptr, GetCurrentThreadId());
  as<TWindow>(mine).Paint();
  UnhookWindowsHookEx(eraseHook);
  EXPECT_EQ(erases, std::vector<UINT>{WM_ERASEBKGND});
  as<TMdiChild>(mine).Restore();
  settle();
  // Ctrl+F4 in a control of the child closes the child.
  const Value control = childWindow(mine, 10);
  postCtrlKey(hwndOf(control), VK_F4);
  EXPECT_TRUE(refreshUntil([&] { return client().aWnd.length() == 0; })) << "Ctrl+F4";
  releaseKeys();
}

// An icon named by text: a file of that name, else a resource of that name, becomes the child's
// small icon; a name that is neither leaves the system's default and raises nothing. Each icon
// is given back with its child (the failed load keeps only its record with handle 0).
TEST_F(Mdi, AChildsIconByFileResourceOrNothing) {
  newFrame();
  const std::size_t withFrame = liveTracked();
  TempFolder folder;
  const std::string file = folder / "child icon.ico";
  ASSERT_TRUE(writeFile(file, resourceBytes("MDIICONFILE")));
  struct Row {
    std::string icon;
    bool found;
  };
  for (const Row& row : {Row{file, true}, Row{"MDIICON", true}, Row{"NO SUCH ICON", false}}) {
    SCOPED_TRACE(row.icon);
    ErrorCatcher errors;
    const Value child = newChild({.oIcon = row.icon});
    ASSERT_TRUE(child.isObject());
    EXPECT_TRUE(errors.records.empty());
    const Value loaded = lanmere::send(as<TWindow>(child).oIcon, "hIcon");
    EXPECT_EQ(loaded.integer() != 0, row.found);
    const LRESULT small = SendMessageA(hwndOf(child), WM_GETICON, ICON_SMALL, 0);
    EXPECT_EQ(static_cast<long long>(small), loaded.integer()) << "0: the system's default";
    as<TWindow>(child).Paint();  // the caption drawn with whatever icon it has
    EXPECT_TRUE(as<TMdiChild>(child).End().logical());
    settle();
    EXPECT_EQ(client().aWnd.length(), 0u);
    EXPECT_EQ(liveTracked(), withFrame) << "the icon given back";
  }
}

// ---- Activation ----

TEST_F(Mdi, TheActiveChildFollowsClicksAndFocus) {
  newFrame();
  std::vector<const void*> copied;
  std::vector<Value> children;
  for (int i = 0; i < 3; ++i) {
    children.push_back(newChild({}));
    as<TWindow>(children.back()).bCopy = lanmere::block([&copied](Args args) {
      copied.push_back(lanmere::arg(args, 1).identity());
      return Value();
    });
  }
  auto expectActive = [&](const Value& child, const char* how) {
    EXPECT_TRUE(active().sharesStorageWith(child)) << how;
    EXPECT_TRUE(f().oWndActive.sharesStorageWith(child)) << how;
    copied.clear();
    f().Copy();
    ASSERT_EQ(copied.size(), 1u) << how;
    EXPECT_EQ(copied[0], child.identity()) << how;
  };
  expectActive(children[2], "the last made");
  int clicks = 0;
  as<TWindow>(children[0]).bLClicked = lanmere::block([&clicks](Args) {
    ++clicks;
    return Value();
  });
  clickAt(hwndOf(children[0]), 5, 5);  // clear of the children above it
  pumpUntil([&] { return active().sharesStorageWith(children[0]); }, 3000);
  EXPECT_EQ(clicks, 1);
  expectActive(children[0], "a click");
  ::SetFocus(hwndOf(children[1]));
  settle();
  expectActive(children[1], "the focus");
  // A frame made active again passes the focus to the active child's control.
  const Value control = childWindow(children[1], 10);
  as<TWindow>(children[1]).hCtlFocus = number(hwndOf(control));
  ::SetFocus(hwndOf(control));
  const Value other = shownWindow(300, 300, 400, 400, "other");
  SetActiveWindow(hwndOf(other));
  settle();
  SetActiveWindow(hwndOf(frame));
  settle();
  EXPECT_EQ(GetFocus(), hwndOf(control));
  destroy(other);
}

// Minimising the active child, by the program or by the user's minimise command: the frame's
// active child, the edit commands' target and the window menu's check follow the system's
// active child, and the minimised one is iconic.
TEST_F(Mdi, MinimisingTheActiveChild) {
  newFrame();
  menusMade.push_back(bar());
  const HMENU windows = GetSubMenu(bar(), 1);
  auto checkedTitle = [&] {
    for (int i = 0; i < GetMenuItemCount(windows); ++i) {
      const std::string text = menuText(windows, i);
      if (text.find("MDI Child") != std::string::npos &&
          (GetMenuState(windows, i, MF_BYPOSITION) & MF_CHECKED)) {
        return text;
      }
    }
    return std::string();
  };
  struct Row {
    const char* how;
    std::function<void(const Value&)> minimise;
  };
  const Row rows[] = {
      {"Iconize", [](const Value& child) { as<TWindow>(child).Iconize(); }},
      {"minimise command",
       [](const Value& child) { SendMessageA(hwndOf(child), WM_SYSCOMMAND, SC_MINIMIZE, 0); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    std::vector<const void*> copied;
    for (int i = 0; i < 3; ++i) {
      const Value child = newChild({});
      as<TWindow>(child).bCopy = lanmere::block([&copied](Args args) {
        copied.push_back(lanmere::arg(args, 1).identity());
        return Value();
      });
    }
    const Value last = active();
    ASSERT_TRUE(last.sharesStorageWith(client().aWnd.item(3)));
    row.minimise(last);
    settle();
    EXPECT_TRUE(IsIconic(hwndOf(last)));
    const Value now = active();
    ASSERT_TRUE(now.isObject());
    EXPECT_TRUE(f().oWndActive.sharesStorageWith(now));
    copied.clear();
    f().Copy();
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0], now.identity());
    EXPECT_NE(checkedTitle().find(as<TWindow>(now).GetText().string()), std::string::npos)
        << checkedTitle();
    // Restored, it is the active one again, checked in the menu.
    as<TMdiChild>(last).Restore();
    settle();
    EXPECT_FALSE(IsIconic(hwndOf(last)));
    EXPECT_TRUE(active().sharesStorageWith(last));
    EXPECT_TRUE(f().oWndActive.sharesStorageWith(last));
    EXPECT_NE(checkedTitle().find(as<TWindow>(last).GetText().string()), std::string::npos);
    EXPECT_TRUE(client().lCloseAll().logical());
    settle();
  }
}

TEST_F(Mdi, AChildsMenuIsOnTheBarWhileItIsActive) {
  newFrame();
  const HMENU start = bar();
  menusMade.push_back(start);
  const HACCEL startKeys = installedAccelerators().table;
  int copies = 0;
  const Value menu = newMenu("&Edit", lanmere::block([&](Args) {
                               ++copies;
                               return Value();
                             }));
  const Value plain = newChild({});
  EXPECT_EQ(bar(), start) << "a child without a menu leaves the bar";
  const Value withMenu = newChild({.oMenu = menu});
  EXPECT_EQ(bar(), as<TMenu>(menu).handle()) << "made active with its menu";
  EXPECT_EQ(prompts(bar())[0], "&Edit");
  EXPECT_NE(installedAccelerators().table, startKeys);
  postCtrlKey(hwndOf(withMenu), 'K');
  EXPECT_TRUE(refreshUntil([&] { return copies == 1; })) << "the child menu's shortcut";
  releaseKeys();
  as<TMdiChild>(plain).SetFocus();
  settle();
  EXPECT_EQ(bar(), start) << "deactivated";
  as<TMdiChild>(withMenu).SetFocus();
  settle();
  EXPECT_EQ(bar(), as<TMenu>(menu).handle()) << "activated again";
  // Closed: the frame's own bar and shortcut come back; the menu ends with the child.
  EXPECT_TRUE(as<TMdiChild>(withMenu).End().logical());
  settle();
  EXPECT_EQ(bar(), start);
  EXPECT_EQ(installedAccelerators().table, startKeys);
  EXPECT_FALSE(IsMenu(as<TMenu>(menu).handle()));
}

// ---- Arrangement ----

TEST_F(Mdi, CascadeTileAndIcons) {
  newFrame();
  std::vector<Value> children;
  for (int i = 0; i < 3; ++i) children.push_back(newChild({}));
  RECT area{};
  GetClientRect(clientHwnd(), &area);
  auto rects = [&] {
    std::vector<RECT> all;
    for (const Value& child : children) all.push_back(inParent(child));
    return all;
  };
  f().Cascade();
  settle();
  std::vector<RECT> r = rects();
  std::sort(r.begin(), r.end(), [](const RECT& a, const RECT& b) { return a.top < b.top; });
  const LONG step = r[1].top - r[0].top;
  EXPECT_GT(step, 0);
  EXPECT_EQ(r[2].top - r[1].top, step);
  EXPECT_EQ(r[2].left - r[1].left, r[1].left - r[0].left);
  for (const RECT& one : r) {
    EXPECT_GE(one.left, 0);
    EXPECT_GE(one.top, 0);
    EXPECT_LE(one.right, area.right);
    EXPECT_LE(one.bottom, area.bottom);
  }
  int sideBySide = 0;
  for (const Value& horizontal : {Value(true), Value(false), Value("yes")}) {
    f().Tile(horizontal);
    settle();
    r = rects();
    long covered = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
      covered += (r[i].right - r[i].left) * (r[i].bottom - r[i].top);
      for (std::size_t j = i + 1; j < r.size(); ++j) {
        RECT overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &r[i], &r[j])) << i << " " << j;
      }
    }
    const long whole = area.right * area.bottom;
    EXPECT_LE(covered, whole);
    EXPECT_GE(covered, whole - 3 * (area.right + area.bottom));
    if (r[0].top == r[1].top && r[1].top == r[2].top) ++sideBySide;
    if (horizontal.isText()) {
      EXPECT_EQ(r[0].top, r[1].top) << "a flag that is no logical tiles vertically";
    }
  }
  EXPECT_EQ(sideBySide, 2) << "vertical tiling twice, horizontal never";
  f().IconizeAll();
  f().ArrangeIcons();
  settle();
  r = rects();
  for (std::size_t i = 0; i < r.size(); ++i) {
    EXPECT_TRUE(IsIconic(hwndOf(children[i])));
    EXPECT_EQ(r[i].top, r[0].top);
    EXPECT_EQ(r[i].bottom, area.bottom) << "one row at the bottom";
  }
}

TEST_F(Mdi, VisitingOrders) {
  newFrame();
  std::vector<Value> children;
  for (int i = 0; i < 3; ++i) children.push_back(newChild({}));
  auto index = [&] {
    for (std::size_t i = 0; i < children.size(); ++i) {
      if (active().sharesStorageWith(children[i])) return static_cast<int>(i) + 1;
    }
    return 0;
  };
  auto visit = [&](const std::function<void()>& move) {
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) {
      move();
      settle();
      order.push_back(index());
    }
    return order;
  };
  struct Row {
    const char* name;
    std::function<void()> move;
    std::vector<int> expected;
  };
  const Row rows[] = {
      {"NextWindow", [&] { f().NextWindow(); }, {1, 2, 3}},
      {"PrevWindow", [&] { f().PrevWindow(); }, {2, 1, 3}},
      {"ChildNext", [&] { client().ChildNext(active()); }, {2, 1, 3}},
      {"ChildNext back", [&] { client().ChildNext(active(), true); }, {1, 2, 3}},
      {"Ctrl+F6",
       [&] {
         postCtrlKey(GetFocus(), VK_F6);
         settle();
         releaseKeys();
       },
       {2, 1, 3}},
  };
  for (const Row& row : rows) {
    as<TMdiChild>(children[2]).SetFocus();
    settle();
    EXPECT_EQ(visit(row.move), row.expected) << row.name;
  }
  f().Select(1);
  settle();
  EXPECT_EQ(index(), 1);
  // Out of range: the activate message with no child, which the system ignores.
  for (const Value& n : {Value(9), Value(0), Value("2")}) {
    f().Select(n);
    settle();
    EXPECT_EQ(index(), 1);
  }
}

// Without line closures the client's bars scroll the children 20 pixels a line.
TEST_F(Mdi, TheClientScrollsTwentyPixelsALine) {
  newFrame({.nTop = 20,
            .nLeft = 20,
            .nBottom = 459,
            .nRight = 659,
            .lVScroll = true,
            .lHScroll = true,
            .lPixel = true});
  ASSERT_TRUE(client().oVScroll.isObject());
  ASSERT_TRUE(client().oHScroll.isObject());
  const Value child = newChild({});
  struct Row {
    UINT message;
    WPARAM code;
    int dx, dy;
  };
  std::vector<std::string> failures;
  TimedSteps steps(
      {[&] {
         for (const Row& row :
              {Row{WM_VSCROLL, SB_LINEDOWN, 0, -20}, Row{WM_VSCROLL, SB_LINEUP, 0, 20},
               Row{WM_HSCROLL, SB_LINEDOWN, -20, 0}, Row{WM_HSCROLL, SB_LINEUP, 20, 0}}) {
           const RECT before = inParent(child);
           SetCapture(clientHwnd());
           SendMessageA(clientHwnd(), row.message, row.code, 0);
           const RECT after = inParent(child);
           if (after.left - before.left != row.dx || after.top - before.top != row.dy) {
             failures.push_back(std::to_string(row.message) + "/" + std::to_string(row.code));
           }
           if (GetCapture()) failures.push_back("the capture stays");
         }
       },
       [&] { f().End(); }});
  TWindow::ActivateArgs{}.sendTo(frame);
  steps.rethrow();
  EXPECT_TRUE(steps.done());
  EXPECT_EQ(failures, std::vector<std::string>{});
  EXPECT_FALSE(IsWindow(hwndOf(frame)));
  frame = Value();
}

// ---- Maximise and restore ----

TEST_F(Mdi, AMaximisedChildMergesIntoTheFramesBar) {
  newFrame();
  menusMade.push_back(bar());
  const Value menu = newMenu();
  int asked = 0;
  const Value child = newChild({.cTitle = "Doc", .oMenu = menu});
  as<TWindow>(child).bValid = lanmere::block([&](Args) {
    ++asked;
    return Value(false);
  });
  const std::string title = as<TWindow>(frame).GetText().string();
  const int items = GetMenuItemCount(as<TMenu>(menu).handle());
  as<TMdiChild>(child).Maximize();
  settle();
  EXPECT_TRUE(as<TMdiChild>(child).IsZoomed().logical());
  EXPECT_EQ(bar(), as<TMenu>(menu).handle());
  EXPECT_GT(GetMenuItemCount(bar()), items);
  EXPECT_EQ(GetSubMenu(bar(), 0), GetSystemMenu(hwndOf(child), FALSE)) << "the system menu first";
  for (UINT command : {SC_MINIMIZE, SC_RESTORE, SC_CLOSE}) {
    EXPECT_NE(GetMenuState(bar(), command, MF_BYCOMMAND), static_cast<UINT>(-1)) << command;
  }
  EXPECT_NE(as<TWindow>(frame).GetText().string().find("Doc"), std::string::npos);
  // The merged close is the child's close: bValid refuses it.
  SendMessageA(hwndOf(frame), WM_COMMAND, SC_CLOSE, 0);
  settle();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(IsWindow(hwndOf(child)));
  as<TMdiChild>(child).Restore();
  settle();
  EXPECT_FALSE(as<TMdiChild>(child).IsZoomed().logical());
  EXPECT_EQ(GetMenuItemCount(bar()), items);
  EXPECT_EQ(as<TWindow>(frame).GetText().string(), title);
  as<TWindow>(child).bValid = Value();
}

// ---- Keys ----

TEST_F(Mdi, CtrlF4CtrlF6EnterAndEsc) {
  newFrame();
  struct Row {
    const char* name;
    bool onGet;     // the focus on an edit field in the child
    bool onClient;  // the focus on the client, the active child iconic
  };
  for (const Row& row :
       {Row{"child", false, false}, Row{"field", true, false}, Row{"client", false, true}}) {
    std::vector<Value> children;
    int ends = 0;
    for (int i = 0; i < 3; ++i) {
      children.push_back(newChild({}));
      as<TMdiChild>(children.back()).bPostEnd = lanmere::block([&ends](Args) {
        ++ends;
        return Value();
      });
    }
    const Var text(Value("abc"));
    auto focusTarget = [&]() -> HWND {
      const Value now = active();
      if (row.onClient) {
        as<TWindow>(now).Iconize();
        settle();
        ::SetFocus(clientHwnd());
        return clientHwnd();
      }
      if (row.onGet) {
        const Value get = lanmere::construct<TGet>({.nRow = 5,
                                                    .nCol = 5,
                                                    .bSetGet = text.block(),
                                                    .oWnd = now,
                                                    .nWidth = 80,
                                                    .nHeight = 20,
                                                    .lPixel = true});
        ::SetFocus(as<TWindow>(get).hwnd());
        return as<TWindow>(get).hwnd();
      }
      ::SetFocus(hwndOf(now));
      return hwndOf(now);
    };
    HWND target = focusTarget();
    const Value first = active();
    postCtrlKey(target, VK_F6);
    settle();
    releaseKeys();
    EXPECT_FALSE(active().sharesStorageWith(first)) << row.name << ": Ctrl+F6 moves on";
    target = focusTarget();
    const Value closing = active();
    postCtrlKey(target, VK_F4);
    settle();
    releaseKeys();
    EXPECT_FALSE(IsWindow(hwndOf(closing))) << row.name << ": Ctrl+F4";
    EXPECT_EQ(client().aWnd.length(), 2u) << row.name;
    EXPECT_EQ(ends, 1) << row.name << ": through End";
    if (row.onClient) {
      as<TWindow>(active()).Iconize();
      settle();
      ::SetFocus(clientHwnd());
      postKey(clientHwnd(), VK_RETURN);
      settle();
      EXPECT_FALSE(IsIconic(hwndOf(active()))) << "Enter restores";
    } else {
      postKey(focusTarget(), VK_ESCAPE);
      settle();
      EXPECT_EQ(client().aWnd.length(), 1u) << row.name << ": Esc";
      EXPECT_EQ(ends, 2) << row.name;
    }
    client().lCloseAll();
    settle();
  }
}

// Alt+letter typed in a child's edit field presses the child's control with that hot key once
// (the key-down finds it; the character the system makes of it must not press it again) and
// opens no menu of the frame. A system character that comes alone (no key-down of that letter,
// as an input method sends it) presses it too.
TEST_F(Mdi, AltLetterInAChildPressesItsControl) {
  newFrame();
  menusMade.push_back(bar());
  const Value child =
      newChild({.nTop = 10, .nLeft = 10, .nBottom = 209, .nRight = 309, .lPixel = true});
  int saves = 0;
  lanmere::construct<TButton>({.nRow = 40,
                               .nCol = 10,
                               .cCaption = "&Save",
                               .oWnd = child,
                               .bAction = lanmere::block([&saves](Args) {
                                 ++saves;
                                 return Value();
                               }),
                               .nWidth = 80,
                               .nHeight = 24,
                               .lPixel = true});
  const Var text(Value("abc"));
  const Value get = lanmere::construct<TGet>({.nRow = 5,
                                              .nCol = 10,
                                              .bSetGet = text.block(),
                                              .oWnd = child,
                                              .nWidth = 80,
                                              .nHeight = 20,
                                              .lPixel = true});
  const HWND field = as<TWindow>(get).hwnd();
  struct Row {
    const char* how;
    std::function<void()> press;
  };
  const Row rows[] = {
      {"Alt+S", [] { pressKeys({VK_MENU, 'S'}); }},
      {"the system character alone", [&] { PostMessageA(field, WM_SYSCHAR, 's', 1 << 29); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    saves = 0;
    SetForegroundWindow(hwndOf(frame));
    ::SetFocus(field);
    settle();
    ASSERT_EQ(GetFocus(), field);
    row.press();
    EXPECT_TRUE(pumpUntil([&] { return saves > 0; }, 3000)) << "the hot key reached the button";
    settle();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(currentMenu(), nullptr) << "no menu opened";
    char typed[16] = {};
    GetWindowTextA(field, typed, sizeof typed);
    EXPECT_STREQ(typed, "abc") << "nothing typed into the field";
  }
}

// ---- Closing ----

TEST_F(Mdi, EndAsksTheLastFirstAndStopsAtARefusal) {
  newFrame();
  std::vector<int> asked;
  std::vector<int> postEnds;
  bool refuse = true;
  std::vector<Value> menus;
  for (int i = 1; i <= 3; ++i) {
    menus.push_back(newMenu());
    const Value child = newChild({.oMenu = menus.back()});
    as<TMdiChild>(child).lKeepMenu = i == 1;
    as<TWindow>(child).bValid = lanmere::block([&asked, &refuse, i](Args) {
      asked.push_back(i);
      return Value(!(refuse && i == 2));
    });
    as<TMdiChild>(child).bPostEnd = lanmere::block([&postEnds, i](Args) {
      postEnds.push_back(i);
      return Value();
    });
  }
  kept.push_back(menus[0]);
  const Value one = client().aWnd.item(1), two = client().aWnd.item(2);
  EXPECT_FALSE(f().End().logical());
  EXPECT_EQ(asked, (std::vector<int>{3, 2}));
  ASSERT_EQ(client().aWnd.length(), 2u);
  EXPECT_TRUE(client().aWnd.item(1).sharesStorageWith(one));
  EXPECT_TRUE(client().aWnd.item(2).sharesStorageWith(two));
  refuse = false;
  asked.clear();
  EXPECT_TRUE(f().End().logical());
  EXPECT_EQ(asked, (std::vector<int>{2, 1}));
  EXPECT_EQ(postEnds, (std::vector<int>{3, 2, 1}));
  EXPECT_TRUE(IsMenu(as<TMenu>(menus[0]).handle())) << "kept";
  EXPECT_FALSE(IsMenu(as<TMenu>(menus[1]).handle()));
  EXPECT_TRUE(pumpUntil([&] { return !IsWindow(hwndOf(frame)); })) << "the posted close";
  frame = Value();
  settle();
}

TEST_F(Mdi, AValidBoxIsAskedOnceWhateverIsPressedMeanwhile) {
  newFrame();
  const Value child = newChild({});
  int asked = 0, postEnds = 0;
  as<TMdiChild>(child).bPostEnd = lanmere::block([&](Args) {
    ++postEnds;
    return Value();
  });
  as<TWindow>(child).bValid = lanmere::block([&](Args) {
    ++asked;
    // The user presses Ctrl+F4, Esc and the frame's close while the box is up.
    ModalDriver driver([&](const BoxInfo&) {
      SendMessageA(hwndOf(child), WM_SYSCOMMAND, SC_CLOSE, 0);
      SendMessageA(hwndOf(child), WM_CHAR, VK_ESCAPE, 1);
      SendMessageA(hwndOf(frame), WM_SYSCOMMAND, SC_CLOSE, 0);
      return IDOK;
    });
    MessageBoxA(hwndOf(frame), "Close?", "MDI", MB_OK);
    return Value(true);
  });
  EXPECT_TRUE(as<TMdiChild>(child).End().logical());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(postEnds, 1);
  EXPECT_EQ(client().aWnd.length(), 0u);
}

TEST_F(Mdi, AChildThatStaysDoesNotHoldCloseAll) {
  newFrame();
  const Value stubborn = lanmere::construct<TStubbornChild>(
      {.nTop = 10, .nLeft = 10, .nBottom = 100, .nRight = 100, .lPixel = true});
  newChild({});
  EXPECT_FALSE(client().lCloseAll().logical());
  EXPECT_EQ(client().aWnd.length(), 1u);
  EXPECT_TRUE(client().aWnd.item(1).sharesStorageWith(stubborn));
}

TEST_F(Mdi, ACloseMessageToTheFrameLeavesNothing) {
  newFrame();
  const Value menu = newMenu();
  newChild({.oMenu = menu});
  newChild({.oMenu = menu});
  newChild({});
  // A close message posted to a child: it leaves the lists.
  const Value third = client().aWnd.item(3);
  PostMessageA(hwndOf(third), WM_CLOSE, 0, 0);
  settle();
  EXPECT_EQ(client().aWnd.length(), 2u);
  EXPECT_FALSE(f().oWndActive.sharesStorageWith(third));
  // Two children share one menu: it ends with the last of them.
  as<TMdiChild>(client().aWnd.item(1)).End();
  settle();
  EXPECT_TRUE(IsMenu(as<TMenu>(menu).handle()));
  PostMessageA(hwndOf(frame), WM_CLOSE, 0, 0);
  EXPECT_TRUE(pumpUntil([&] { return !IsWindow(hwndOf(frame)); }));
  frame = Value();
  settle();
}

// Twenty frames, each with three menu children cascaded, one maximised, all closed with the
// frame's End: the counts are back after every cycle.
TEST_F(Mdi, TwentyCyclesLeaveExactlyNothing) {
  for (int cycle = 1; cycle <= 20; ++cycle) {
    newFrame();
    menusMade.push_back(bar());
    for (int i = 0; i < 3; ++i) newChild({.oMenu = newMenu()});
    f().Cascade();
    f().Zoom();
    settle();
    ASSERT_TRUE(f().End().logical()) << cycle;
    ASSERT_TRUE(pumpUntil([&] { return !IsWindow(hwndOf(frame)); })) << cycle;
    frame = Value();
    settle();
    dropQuitMessages();
    ASSERT_EQ(TWindow::liveCount(), liveBefore) << cycle;
    ASSERT_EQ(usedSlots(), slotsBefore) << cycle;
    ASSERT_EQ(liveTracked(), trackedBefore) << cycle;
    ASSERT_EQ(popupMenuCount(), popupsBefore) << cycle;
    ASSERT_TRUE(std::none_of(menusMade.begin(), menusMade.end(), IsMenu)) << cycle;
    ASSERT_EQ(installedAccelerators().table, nullptr) << cycle;
  }
}

// ---- Layout ----

// A button bar at the top and a message bar at the bottom, through several sizes.
TEST_F(Mdi, TheClientSpansBetweenTheBars) {
  newFrame();
  const Value msgBar = lanmere::construct<TMsgBar>({.oWnd = frame, .cMsg = "Ready"});
  const Value top = lanmere::construct<TBar>({.oWnd = frame, .nBtnHeight = 30});
  ASSERT_TRUE(top.isObject());
  ASSERT_TRUE(f().oBar.sharesStorageWith(top)) << "the bar docks at the top";
  for (SIZE size : {SIZE{500, 400}, SIZE{700, 300}, SIZE{300, 500}}) {
    SetWindowPos(hwndOf(frame), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    settle();
    RECT area{};
    GetClientRect(hwndOf(frame), &area);
    const RECT c = rectInParent(clientHwnd());
    EXPECT_EQ(c.top, rectInParent(hwndOf(top)).bottom) << size.cx;
    EXPECT_EQ(c.bottom, rectInParent(hwndOf(msgBar)).top) << size.cx;
    EXPECT_EQ(c.left, 0) << size.cx;
    EXPECT_EQ(c.right, area.right) << size.cx;
  }
}

// ---- Bad input ----

TEST_F(Mdi, MenusAndChildrenThatDoNotFit) {
  newFrame();
  menusMade.push_back(bar());
  const HMENU start = bar();
  f().SetMenu(Value(42), 1);
  EXPECT_EQ(bar(), start) << "no menu, no change";
  const Value menu = newMenu();
  const Value child = newChild({});
  for (long long position : {0LL, 3LL, -5LL, 99LL}) {
    // Outside the items: no window-menu pop-up; the children are listed nowhere in the menu.
    f().SetMenu(menu, position);
    settle();
    EXPECT_EQ(bar(), as<TMenu>(menu).handle()) << position;
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar(), 1)), 1) << position;
  }
  // Given a window menu, the system moves the list there (Wine ignores a repeat of the bar it
  // shows already, so the frame's own comes first).
  const HMENU startWindow = GetSubMenu(as<TMenu>(f().oMenuStart).handle(), 1);
  const int startItems = GetMenuItemCount(startWindow);
  f().showStartMenu();
  settle();
  f().SetMenu(menu, 2);
  settle();
  EXPECT_GT(GetMenuItemCount(GetSubMenu(bar(), 1)), 1) << "the children listed";
  EXPECT_LT(GetMenuItemCount(startWindow), startItems) << "and no longer in the frame's";
  f().showStartMenu();
  settle();
  const Value stranger = lanmere::construct<TMdiChild>({.oWnd = frame});
  client().forget(stranger);
  const std::size_t before = client().aWnd.length();
  client().ChildClose(stranger);
  EXPECT_TRUE(IsWindow(hwndOf(stranger))) << "not listed: left alone";
  EXPECT_EQ(client().aWnd.length(), before);
  destroy(stranger);
  as<TMenu>(menu).End();
}

}  // namespace
}  // namespace kestrel::test
