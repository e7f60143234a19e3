// Timers and accelerator tables with real windows, real timer messages and real key messages,
// through the real loops (WINRUN, SYSREFRESH, a message box's modal loop).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/winrun.h"
#include "framework/display/msgbox.h"
#include "framework/services/tacctable.h"
#include "framework/services/ttimer.h"
#include "runtime/error.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Ref;
using lanmere::Value;

// A main window that records the commands it gets.
class TCommandLog : public TWindow {
  LM_CLASS(TCommandLog, TWindow)
  std::vector<long long> commands;
  std::function<void(long long)> onCommand;
  Value Command(const Value& nWParam, const Value& nLParam) override {
    commands.push_back(nWParam.integer());
    if (onCommand) onCommand(nWParam.integer());
    return TWindow::Command(nWParam, nLParam);
  }
};
LM_DEFINE_CLASS(TCommandLog) {
  c.creatable();
}

// Rounds of SYSREFRESH that show nothing happens: several ticks of a 10 ms timer.
constexpr int kQuietRounds = 60;
// Rounds allowed for ticks that must come: timer messages are slow under emulation.
constexpr int kTickRounds = 4000;

class Timers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      lanmere::registerModule(timerModule());
      lanmere::registerModule(accTableModule());
      TCommandLog::Class();  // known by name for New
      return true;
    }();
    (void)registered;
  }
  void SetUp() override { owner = shownWindow(10, 10, 200, 300, "timers", "TCOMMANDLOG"); }
  void TearDown() override {
    for (const Ref<TTimer>& timer : made) timer->End();
    installAccelerators({});
    destroy(owner);
    dropQuitMessages();
  }
  // A timer owned by the test window (or by `ownerWindow`) counting its ticks in `ticks`.
  Ref<TTimer> timer(int& ticks, long long interval = 10, Value ownerWindow = {}) {
    Ref<TTimer> t = lanmere::make<TTimer>();
    t->New(interval, counter(ticks), ownerWindow.isNil() ? owner : ownerWindow);
    made.push_back(t);
    return t;
  }
  TCommandLog& log() { return as<TCommandLog>(owner); }

  Value owner;
  std::vector<Ref<TTimer>> made;
};

TEST_F(Timers, NewActivateDeActivate) {
  int ticksA = 0;
  Ref<TTimer> a = timer(ticksA), b = lanmere::make<TTimer>();
  b->New({}, {}, {});
  made.push_back(b);
  EXPECT_EQ(b->nId.integer(), a->nId.integer() + 1);
  EXPECT_EQ(b->nInterval.integer(), 18);
  EXPECT_TRUE(lanmere::eval(b->bAction).isNil());
  EXPECT_EQ(b->hWndOwner.integer(), handleNumber(GetActiveWindow()));
  EXPECT_FALSE(a->lActive.logical());
  EXPECT_FALSE(refreshUntil([&] { return ticksA > 0; }, kQuietRounds)) << "no tick before Activate";

  a->Activate();
  EXPECT_TRUE(a->lActive.logical());
  ASSERT_TRUE(refreshUntil([&] { return ticksA >= 3; }, kTickRounds));
  EXPECT_TRUE(a->DeActivate());
  EXPECT_FALSE(a->lActive.logical());
  const int before = ticksA;
  // A late tick (already queued) runs nothing; the window answers a timer message with 0.
  PostMessageA(hwndOf(owner), WM_TIMER, static_cast<WPARAM>(a->nId.integer()), 0);
  refreshUntil([] { return false; }, kQuietRounds);
  EXPECT_EQ(ticksA, before);
  EXPECT_EQ(SendMessageA(hwndOf(owner), WM_TIMER, static_cast<WPARAM>(a->nId.integer()), 0), 0);
}

TEST_F(Timers, RegistryOrderAndTheFirstOfASharedIdentifier) {
  std::vector<int> ran;
  std::vector<Ref<TTimer>> three;
  for (int i = 0; i < 3; ++i) {
    Ref<TTimer> t = lanmere::make<TTimer>();
    t->New({}, closure([&ran, i](Args) {
             ran.push_back(i);
             return Value();
           }),
           owner);
    t->nId = 99999;  // one identifier for all three, as with different owner windows
    t->lActive = true;
    three.push_back(t);
    made.push_back(t);
  }
  for (int expected = 0; expected < 3; ++expected) {
    EXPECT_EQ(TIMEREVENT(99999).integer(), 0);
    three[expected]->End();  // never activated: harmless
  }
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(TIMEREVENT(99999).integer(), 0);
  EXPECT_EQ(TIMEREVENT("x").integer(), 0);
  EXPECT_EQ(ran.size(), 3u);
}

TEST_F(Timers, ActionsThatEndAndCreateTimers) {
  int ownTicks = 0, nextTicks = 0, newTicks = 0, killerTicks = 0;
  Ref<TTimer> ownEnder = timer(ownTicks), next = timer(nextTicks), killer = timer(killerTicks);
  Ref<TTimer> created;
  ownEnder->bAction = closure([&](Args) {
    ++ownTicks;
    ownEnder->End();
    return Value();
  });
  killer->bAction = closure([&](Args) {
    if (++killerTicks == 1) {
      next->End();
      created = timer(newTicks);
      created->Activate();
    }
    return Value();
  });
  for (const auto& t : {ownEnder, next, killer}) t->Activate();
  ASSERT_TRUE(refreshUntil([&] { return newTicks >= 3 && killerTicks >= 3; }, kTickRounds));
  EXPECT_EQ(ownTicks, 1);
  EXPECT_LE(nextTicks, 1);
  EXPECT_FALSE(ownEnder->lActive.logical());
  EXPECT_FALSE(next->lActive.logical());
}

TEST_F(Timers, ErrorsAndModalLoops) {
  ErrorCatcher errors(Value(false));
  int ticks = 0, boxTicks = 0;
  Ref<TTimer> failing = timer(ticks);
  failing->bAction = closure([&](Args) {
    ++ticks;
    lanmere::argumentError(1);  // raised to the error block, which answers and goes on
    return Value();
  });
  failing->Activate();
  ASSERT_TRUE(refreshUntil([&] { return ticks >= 3; }, kTickRounds)) << "the loop goes on after an error";
  EXPECT_GE(errors.records.size(), 3u);
  failing->DeActivate();

  // Ticks arrive while a message box of the action is open; the driver closes it after some.
  Ref<TTimer> opener = timer(boxTicks);
  int opened = 0;
  opener->bAction = closure([&](Args) {
    ++boxTicks;
    if (opened++ == 0) MessageBoxA(hwndOf(owner), "tick", "Alert", MB_OK);
    return Value();
  });
  int polls = 0;
  ModalDriver driver([&](const BoxInfo&) { return boxTicks >= 4 || ++polls > 2000 ? IDOK : 0; });
  opener->Activate();
  ASSERT_TRUE(refreshUntil([&] { return driver.seen().size() == 1; }, kTickRounds));
  EXPECT_GE(boxTicks, 4);
}

TEST_F(Timers, OwnerlessTimersAndFailedStarts) {
  int ticks = 0;
  Ref<TTimer> ownerless = timer(ticks, 10, Value(0));
  EXPECT_EQ(ownerless->hWndOwner.integer(), 0);
  ownerless->Activate();
  ASSERT_TRUE(ownerless->lActive.logical());
  EXPECT_TRUE(refreshUntil([&] { return ticks >= 2; }, kTickRounds))
      << "ticks through the framework's procedure";

  Value dead = pixelWindow(10, 10, 50, 50);
  int deadTicks = 0;
  Ref<TTimer> orphan = timer(deadTicks, 10, dead);
  const long long id = orphan->nId.integer();
  destroy(dead);
  orphan->Activate();
  EXPECT_FALSE(orphan->lActive.logical());
  EXPECT_EQ(orphan->nId.integer(), id);

  const Value hwnd = number(hwndOf(owner));
  EXPECT_EQ(SETTIMER(hwnd, 77, 10, 12345).integer(), 0) << "a callback number is refused";
  EXPECT_FALSE(KillTimer(hwndOf(owner), 77)) << "nothing was started";
  EXPECT_NE(SETTIMER(hwnd, 77, 10, {}).integer(), 0);
  EXPECT_TRUE(KILLTIMER(hwnd, 77));
  EXPECT_FALSE(KILLTIMER(hwnd, 77));
}

// Ctrl+K: the modifier's state set with SetKeyboardState, the key posted (SendInput needs the
// foreground window, which Wine's unmanaged display does not always give a test window).
void pressKey(HWND hwnd, UINT key, bool control) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_CONTROL] = control ? 0x80 : 0;
  SetKeyboardState(state);
  postKey(hwnd, key);
}

constexpr long long kCtrlKCommand = 901;
const long long kCtrlKParam = MAKEWPARAM(kCtrlKCommand, 1);

TEST_F(Timers, AcceleratorsThroughWinrunAndSysrefresh) {
  const HWND hwnd = hwndOf(owner);
  Ref<TAccTable> table = lanmere::make<TAccTable>();
  table->New();
  table->Add('K', FCONTROL, kCtrlKCommand);
  table->Activate();
  ASSERT_NE(table->nHandle.integer(), 0);
  TimedSteps steps({[&] { pressKey(hwnd, 'K', false); }, [&] { pressKey(hwnd, 'K', true); },
                    [&] { pressKey(hwnd, 'K', false); }, [&] { PostQuitMessage(0); }});
  WINRUN(number(hwnd));
  EXPECT_EQ(log().commands, (std::vector<long long>{kCtrlKParam}));

  SETWNDAPP(number(hwnd));  // SYSREFRESH translates for the application window
  pressKey(hwnd, 'K', true);
  EXPECT_TRUE(refreshUntil([&] { return log().commands.size() == 2; }, kTickRounds));
  pressKey(hwnd, 'K', false);
  refreshUntil([] { return false; }, kQuietRounds);
  EXPECT_EQ(log().commands.size(), 2u);
  SetKeyboardState(std::vector<BYTE>(256).data());
  table->End();
  EXPECT_EQ(installedAccelerators().table, nullptr);
}

TEST_F(Timers, AccTableItemsAndOwnership) {
  Ref<TAccTable> t = lanmere::make<TAccTable>();
  t->New();
  t->Add('K', FCONTROL, 1);
  t->Add('K', FCONTROL, 2);
  t->Add('L', 0, 3);
  ASSERT_EQ(t->aItems.length(), 2u);
  EXPECT_EQ(t->aItems.item(1).item(3).integer(), 2);
  t->Del('K', FCONTROL);
  ASSERT_EQ(t->aItems.length(), 1u);
  EXPECT_EQ(t->aItems.item(1).item(1).integer(), 'L');

  Ref<TAccTable> empty = lanmere::make<TAccTable>();
  empty->New();
  empty->Activate();
  EXPECT_EQ(empty->nHandle.integer(), 0);
  EXPECT_EQ(currentAccelerators(), nullptr);

  // SETACCTABLE replaces and destroys; invalid items are skipped, the valid one still works.
  Value items = Value::list({Value::list({'A', 0, 10})});
  const HACCEL first = handleFrom<HACCEL>(lanmere::callFunction("SETACCTABLE", {items}));
  ASSERT_NE(first, nullptr);
  Value mixed = Value::list({Value::list({'B', 0, 70000}), Value::list({'C', 256, 1}),
                             Value::list({"x", 0, 1}), Value::list({'D', FSHIFT, 11})});
  const HACCEL second = handleFrom<HACCEL>(lanmere::callFunction("SETACCTABLE", {mixed}));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(CopyAcceleratorTableA(first, nullptr, 0), 0) << "the replaced table is destroyed";
  ACCEL entries[4];
  ASSERT_EQ(CopyAcceleratorTableA(second, entries, 4), 1);
  EXPECT_EQ(entries[0].key, 'D');
  EXPECT_EQ(entries[0].fVirt, FSHIFT | FVIRTKEY);
  EXPECT_TRUE(lanmere::callFunction("SETACCTABLE", {Value("no list")}).isNil());
  EXPECT_EQ(currentAccelerators(), second);

  // End of a table that is not current leaves the current one; SETACCTABLE() destroys it.
  t->Activate();
  const HACCEL mine = currentAccelerators();
  lanmere::callFunction("SETACCTABLE", {items});
  t->End();
  EXPECT_NE(currentAccelerators(), nullptr);
  EXPECT_EQ(CopyAcceleratorTableA(mine, nullptr, 0), 0);
  const HACCEL last = currentAccelerators();
  lanmere::callFunction("SETACCTABLE", Args{});
  EXPECT_EQ(currentAccelerators(), nullptr);
  EXPECT_EQ(CopyAcceleratorTableA(last, nullptr, 0), 0);
}

TEST_F(Timers, TablesChangedDuringADrain) {
  const HWND hwnd = hwndOf(owner);
  Ref<TAccTable> held = lanmere::make<TAccTable>(), other = lanmere::make<TAccTable>();
  held->New();
  held->Add('K', FCONTROL, kCtrlKCommand);
  other->New();
  other->Add('M', FCONTROL, 902);
  struct Case {
    const char* what;
    std::function<void()> inHandler;
    std::function<bool()> afterwards;
  };
  const std::vector<Case> cases = {
      {"nothing", [] {},
       [&] {
         return currentAccelerators() == installedAccelerators().table &&
                installedAccelerators().table != nullptr;
       }},
      {"another set", [&] { other->Activate(); },
       [&] { return currentAccelerators() == handleFrom<HACCEL>(other->nHandle); }},
      {"ended", [&] { held->End(); }, [] { return currentAccelerators() == nullptr; }},
      {"deactivated", [&] { held->DeActivate(); }, [] { return currentAccelerators() == nullptr; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    held->Activate();
    log().onCommand = [&](long long) { c.inHandler(); };
    PostMessageA(hwnd, WM_COMMAND, 5, 0);
    SYSREFRESH();
    log().onCommand = nullptr;
    EXPECT_TRUE(c.afterwards());
  }
}

}  // namespace
}  // namespace kestrel::test
