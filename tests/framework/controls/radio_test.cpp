// Radio buttons and their groups in real dialogs and windows, driven with real clicks and keys:
// the bound value, the check marks and the change closures agree after every move, once per
// change; the keyboard reaches a group on its checked button; a refused click changes nothing;
// positions outside the group are no choice; the generated texts; and nothing is left behind.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "framework/controls/tget.h"
#include "framework/controls/tradio.h"
#include "framework/controls/tradmenu.h"
#include "framework/core/dlgtemplate.h"
#include "framework/core/handles.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winrun.h"
#include "framework/services/restrack.h"
#include "runtime/error.h"
#include "runtime/memory.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/values.h"

namespace kestrel::test {
namespace {

constexpr int kIdField = 400, kIdRed = 401;

bool isNumber(const Value& value, long long wanted) {
  return value.isNumber() && value.number() == static_cast<double>(wanted);
}

// A group of three captions on `owner` with the closures counting.
struct Group {
  Var value;
  int changes = 0, onChanges = 0;
  Value menu;

  Group(const Value& owner, Value initial) : value(std::move(initial)) {
    menu = lanmere::construct<TRadMenu>({.nRow = 40,
                                         .nCol = 10,
                                         .acItems = Value::list({"One", "Two", "Three"}),
                                         .bSetGet = value.block(),
                                         .oWnd = owner,
                                         .bChange = counter(changes),
                                         .nWidth = 80,
                                         .nHeight = 20,
                                         .lPixel = true});
    as<TRadMenu>(menu).OnChange = counter(onChanges);
  }
  TRadio& at(int pos) const { return as<TRadio>(as<TRadMenu>(menu).aItems.items()[pos - 1]); }
  HWND hwndAt(int pos) const { return at(pos).hwnd(); }
  // Which buttons show a mark, by the get-check message.
  std::vector<int> marks() const {
    std::vector<int> shown;
    for (int i = 1; i <= 3; ++i) {
      if (SendMessageA(hwndAt(i), BM_GETCHECK, 0, 0) == BST_CHECKED) shown.push_back(i);
    }
    return shown;
  }
  // Value, marks and closure counts agree.
  void expect(long long wanted, int closures) const {
    EXPECT_TRUE(isNumber(*value, wanted)) << textForm(*value);
    const bool inGroup = wanted >= 1 && wanted <= 3;
    EXPECT_EQ(marks(), inGroup ? std::vector<int>{static_cast<int>(wanted)} : std::vector<int>{});
    EXPECT_EQ(changes, closures);
    EXPECT_EQ(onChanges, closures);
  }
  void setWhen(std::vector<bool> when) {
    for (int i = 1; i <= 3; ++i) at(i).bWhen = fixed(Value(static_cast<bool>(when[i - 1])));
  }
};

// Waits until the value is `wanted` (or a quiet while passed), then checks the group.
Step expectAfter(const Group& group, long long wanted, int closures) {
  auto ticks = std::make_shared<int>(0);
  return [&group, wanted, closures, ticks](HWND) {
    if (inputPending()) return false;
    if (!isNumber(*group.value, wanted) && ++*ticks < 100) return false;
    if (++*ticks < 4) return false;
    *ticks = 0;
    group.expect(wanted, closures);
    return true;
  };
}

Step clickOn(const Group& group, int pos) {
  return [&group, pos](HWND) { return clickAt(group.hwndAt(pos), 4, 6), true; };
}

Step focusIs(std::function<HWND()> wanted) {
  return [wanted](HWND) { return !inputPending() && GetFocus() == wanted(); };
}

using Radios = WindowTest;
using RadioDialogs = ControlTest;

// ---- A dialog built in code ----

TEST_F(RadioDialogs, ClicksArrowsAndTabInADialog) {
  const Value dialog = pixelDialog(20, 20, 460, 460, "Radios");
  Var text("abc");
  const Value field = lanmere::construct<TGet>({.nRow = 5,
                                                .nCol = 10,
                                                .bSetGet = text.block(),
                                                .oWnd = dialog,
                                                .nWidth = 100,
                                                .nHeight = 20,
                                                .lPixel = true});
  Group group(dialog, 2);
  auto checkedHwnd = [&] { return group.hwndAt(static_cast<int>((*group.value).integer())); };
  runModal(dialog,
           {ready, check([&] { group.expect(2, 0); }),
            // a click picks the third: value, marks and closures once
            clickOn(group, 3), expectAfter(group, 3, 1),
            // the arrows skip the first (its bWhen refuses) and wrap
            [&](HWND) {
              return group.setWhen({false, true, true}), true;
            },
            focusOn(field), [&](HWND) { return SetFocus(group.hwndAt(3)), true; }, keys({VK_DOWN}),
            expectAfter(group, 2, 2), focusIs([&] { return group.hwndAt(2); }), keys({VK_UP}),
            expectAfter(group, 3, 3),
            // with every button refusing, an arrow changes nothing
            [&](HWND) {
              return group.setWhen({false, false, false}), true;
            },
            keys({VK_DOWN}), settle(), check([&] { group.expect(3, 3); }),
            [&](HWND) {
              return group.setWhen({true, true, true}), true;
            },
            // Tab from the field lands on the checked button; Shift+Tab out and back likewise
            focusOn(field), focused(field), keys({VK_TAB}), focusIs(checkedHwnd),
            keys({VK_SHIFT, VK_TAB}), focused(field), keys({VK_TAB}), focusIs(checkedHwnd),
            settle(), check([&] { group.expect(3, 3); }), endWith(dialog)});
  EXPECT_TRUE(errors.empty());
}

// A refusing field keeps the value, marks and closures as they were; a group whose buttons refuse
// a value keeps the focus.
TEST_F(RadioDialogs, ValidationRefusesTheClickAndTheExit) {
  const Value dialog = pixelDialog(20, 20, 460, 460, "Radios");
  Var text("abc");
  bool fieldValid = true;
  const Value field =
      lanmere::construct<TGet>({.nRow = 5,
                                .nCol = 10,
                                .bSetGet = text.block(),
                                .oWnd = dialog,
                                .nWidth = 100,
                                .nHeight = 20,
                                .bValid = closure([&](lanmere::Args) { return Value(fieldValid); }),
                                .lPixel = true});
  Group group(dialog, 1);
  for (int i = 1; i <= 3; ++i) {
    group.at(i).bValid =
        closure([&](lanmere::Args) { return Value((*group.value).integer() != 2); });
  }
  // The system checks an automatic radio button before the dialog hears the click. Without any
  // focus move, the refused command alone must put the marks back.
  auto systemClick = [&](int pos) {
    return [&group, pos](HWND dialog) {
      for (int i = 1; i <= 3; ++i)
        SendMessageA(group.hwndAt(i), BM_SETCHECK, i == pos ? BST_CHECKED : BST_UNCHECKED, 0);
      const HWND button = group.hwndAt(pos);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
      return true;
    };
  };
  runModal(dialog, {ready,
                    focusOn(field),
                    focused(field),
                    [&](HWND) { return fieldValid = false, true; },
                    systemClick(3),
                    settle(),
                    focused(field),
                    check([&] { group.expect(1, 0); }),
                    clickOn(group, 3),
                    settle(),
                    settle(),
                    focused(field),
                    check([&] { group.expect(1, 0); }),
                    [&](HWND) { return fieldValid = true, true; },
                    clickOn(group, 2),
                    expectAfter(group, 2, 1),
                    keys({VK_TAB}),
                    settle(),
                    settle(),
                    check([&] { EXPECT_EQ(GetFocus(), group.hwndAt(2)); }),
                    endWith(dialog)});
  EXPECT_TRUE(errors.empty());
}

// ---- A plain window ----

TEST_F(Radios, ClicksArrowsAndTabInAWindow) {
  Var text("abc");
  const Value field = lanmere::construct<TGet>({.nRow = 5,
                                                .nCol = 10,
                                                .bSetGet = text.block(),
                                                .oWnd = window,
                                                .nWidth = 100,
                                                .nHeight = 20,
                                                .lPixel = true});
  Group group(window, 2);
  const HWND fieldHwnd = as<TGet>(field).hwnd();
  auto focusTo = [](std::function<HWND()> target) {
    return [target](HWND) { return SetFocus(target()), true; };
  };
  auto checkedHwnd = [&] { return group.hwndAt(static_cast<int>((*group.value).integer())); };
  // The same moves as in a dialog, typed into the window's WINRUN: the arrows reach the button's
  // KeyDown, Tab reaches GoNextCtrl and Shift+Tab GoPrevCtrl.
  DialogSteps driver({check([&] { group.expect(2, 0); }),
                      clickOn(group, 1),
                      expectAfter(group, 1, 1),
                      [&](HWND) {
                        return group.setWhen({true, false, true}), true;
                      },
                      keys({VK_DOWN}),
                      expectAfter(group, 3, 2),
                      focusIs([&] { return group.hwndAt(3); }),
                      keys({VK_UP}),
                      expectAfter(group, 1, 3),
                      focusTo([&] { return fieldHwnd; }),
                      focusIs([&] { return fieldHwnd; }),
                      keys({VK_TAB}),
                      focusIs(checkedHwnd),
                      [&](HWND) { return lanmere::send(group.menu, "SetOption", {3}), true; },
                      keys({VK_SHIFT, VK_TAB}),
                      focusIs([&] { return fieldHwnd; }),
                      keys({VK_TAB}),
                      focusIs(checkedHwnd),
                      settle(),
                      check([&] { group.expect(3, 4); }),
                      [](HWND) {
                        PostQuitMessage(0);
                        return true;
                      }});
  WINRUN(number(hwnd));
  driver.rethrow();
  EXPECT_TRUE(driver.done());
  EXPECT_TRUE(errors.empty());
}

// ---- A resource dialog ----

TEST_F(RadioDialogs, RedefineBindsTheResourceButtons) {
  for (const Value& start : {Value(0), Value("x")}) {
    SCOPED_TRACE(textForm(start));
    const Value dialog = resourceDialog("RADIODLG");
    Var value(start);
    int changes = 0;
    const Value menu = lanmere::construct<TRadMenu>(
        TRadMenu::RedefineArgs{.bSetGet = value.block(),
                               .oWnd = dialog,
                               .acIds = Value::list({kIdRed, kIdRed + 1, kIdRed + 2}),
                               .bChange = counter(changes)});
    EXPECT_TRUE(isNumber(*value, 1));
    EXPECT_EQ(changes, 1);
    std::vector<int> marks;
    runModal(dialog,
             {ready,
              [&](HWND hwnd) {
                for (int id = kIdRed; id < kIdRed + 3; ++id) {
                  marks.push_back(
                      static_cast<int>(SendMessageA(GetDlgItem(hwnd, id), BM_GETCHECK, 0, 0)));
                }
                clickAt(GetDlgItem(hwnd, kIdRed + 2), 4, 6);
                return true;
              },
              [&](HWND) { return !inputPending() && (*value).integer() == 3; }, endWith(dialog)});
    EXPECT_EQ(marks, (std::vector<int>{BST_CHECKED, 0, 0}));
    EXPECT_EQ(changes, 2);
  }
  // An identifier the resource lacks: the control base class's framework error 1.
  const Value dialog = resourceDialog("RADIODLG");
  Var value(1);
  lanmere::construct<TRadMenu>(TRadMenu::RedefineArgs{
      .bSetGet = value.block(), .oWnd = dialog, .acIds = Value::list({kIdRed, 499})});
  runModal(dialog, {ready, endWith(dialog)});
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].subCode, 1);
}

// ---- Positions and bad input ----

TEST_F(Radios, OnlyWholePositionsOfTheGroupChoose) {
  Group group(window, 2);
  for (const Value& n : {Value(0), Value(4), Value(-1), Value(2.5), Value("2"), Value(2)}) {
    lanmere::send(group.menu, "SetOption", {n});
    group.expect(2, 0);
  }
  // A bound value outside the group checks nothing and indexes nothing.
  *group.value = 7;
  lanmere::send(group.menu, "Refresh");
  group.expect(7, 0);
  lanmere::send(group.menu, "GoNext");  // from no choice, the first that qualifies
  group.expect(1, 1);
  // A button not yet bound (handle 0) is found by identity, not as the first handle-0 button.
  const Value dialog = pixelDialog(10, 10, 200, 200);
  Group pending(dialog, 1);
  lanmere::send(pending.menu, "Select", {as<TRadMenu>(pending.menu).aItems.items()[2]});
  EXPECT_EQ((*pending.value).integer(), 3);
  lanmere::send(pending.menu, "Select", {as<TRadMenu>(group.menu).aItems.items()[0]});  // foreign
  EXPECT_EQ((*pending.value).integer(), 3);
  // A value that is no number at New becomes 1, with the change closure once.
  Group text(window, "x");
  EXPECT_TRUE(isNumber(*text.value, 1));
  EXPECT_EQ(text.marks(), std::vector<int>{1});
  EXPECT_EQ(text.changes, 1);
  // Wrong kinds are argument errors and make nothing.
  const long groupsBefore = TRadMenu::liveCount();
  const struct {
    TRadMenu::NewArgs args;
  } bad[] = {{{.acItems = "One"}},
             {{.acItems = Value::list({"a"}), .aHelpIds = 5}},
             {{.acItems = Value::list({"a"}), .bSetGet = 3}}};
  for (const auto& b : bad) {
    TRadMenu::NewArgs args = b.args;
    args.oWnd = window;
    EXPECT_FALSE(lanmere::construct<TRadMenu>(args).isObject());
  }
  lanmere::send(group.menu, "AddRadio", {window});
  EXPECT_EQ(as<TRadMenu>(group.menu).count(), 3);
  ASSERT_EQ(errors.size(), 4u);
  for (const auto& e : errors) EXPECT_EQ(e.subCode, 6130);
  EXPECT_EQ(TRadMenu::liveCount(), groupsBefore);
}

// A setter-getter that raises: the error reaches the handler, and value, marks and closures stay
// as they were, whether the choice came from the program or from a click.
TEST_F(Radios, ARaisingSetterGetterChangesNothing) {
  Value stored = 2;
  int changes = 0;
  const Value setGet = closure([&](lanmere::Args a) {
    if (!a.empty() && !a[0].isNil()) {
      const auto record = lanmere::errorNew();
      record->subSystem = "TEST";
      record->subCode = 77;
      record->operation = "store";
      record->setFlag(lanmere::kCanDefault, true);
      lanmere::launchError(record.get());
    }
    return stored;
  });
  const Value menu = lanmere::construct<TRadMenu>({.nRow = 40,
                                                   .nCol = 10,
                                                   .acItems = Value::list({"One", "Two", "Three"}),
                                                   .bSetGet = setGet,
                                                   .oWnd = window,
                                                   .bChange = counter(changes),
                                                   .nWidth = 80,
                                                   .nHeight = 20,
                                                   .lPixel = true});
  auto& items = as<TRadMenu>(menu).aItems;
  auto marks = [&] {
    std::vector<int> shown;
    for (int i = 0; i < 3; ++i) {
      if (SendMessageA(as<TRadio>(items.items()[i]).hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED)
        shown.push_back(i + 1);
    }
    return shown;
  };
  lanmere::send(menu, "SetOption", {3});
  clickAt(as<TRadio>(items.items()[0]).hwnd(), 4, 6);
  pumpUntil([&] { return errors.size() >= 2; });
  pumpUntil([] { return false; }, 100);
  EXPECT_TRUE(isNumber(stored, 2));
  EXPECT_EQ(marks(), std::vector<int>{2});
  EXPECT_EQ(changes, 0);
  ASSERT_EQ(errors.size(), 2u);
  for (const auto& e : errors) EXPECT_EQ(e.operation, "store");
}

// ---- Texts and look ----

// Counts the parent's erases into the button's own device context before the button takes a
// new text.
struct ThemedTextProbe {
  static inline int erasesFirst = 0;
  static inline bool textTaken = false;
  static inline HWND button = nullptr;
  static inline WNDPROC parentProcedure = nullptr, buttonProcedure = nullptr;
  static LRESULT CALLBACK parent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_ERASEBKGND && !textTaken && WindowFromDC(reinterpret_cast<HDC>(w)) == button)
      ++erasesFirst;
    return CallWindowProcA(parentProcedure, h, m, w, l);
  }
  static LRESULT CALLBACK buttonWindow(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_SETTEXT) textTaken = true;
    return CallWindowProcA(buttonProcedure, h, m, w, l);
  }
};

TEST_F(Radios, ResourceLineTemplateItemAndThemedLook) {
  Group group(window, 1);
  TRadio& red = group.at(1);
  red.SetText("&Red");
  const long long id = red.nId.integer();
  EXPECT_EQ(lanmere::send(group.at(1).self(), "SaveToRC", {3}).string(),
            "   CONTROL \"&Red\", " + std::to_string(id) +
                ", \"BUTTON\", BS_AUTORADIOBUTTON | WS_CHILD | WS_VISIBLE, 40, 14, 80, 20");
  // The items a dialog built in memory gets: class "BUTTON", automatic radio, the group and the
  // tab stop on the first button only.
  std::string bytes =
      lanmere::callFunction(lanmere::symbol("CDLG2CHR"),
                            {3, 0, 0, 100, 100, "x", static_cast<long long>(WS_POPUP)})
          .string();
  for (int i = 1; i <= 3; ++i) bytes += lanmere::send(group.at(i).self(), "cToChar").string();
  const auto reading = readDialogTemplate(bytes);
  ASSERT_TRUE(std::holds_alternative<ParsedTemplate>(reading));
  const auto& items = std::get<ParsedTemplate>(reading).items;
  ASSERT_EQ(items.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(items[i].windowClass.text, u"BUTTON");
    EXPECT_EQ(items[i].style & BS_TYPEMASK, static_cast<std::uint32_t>(BS_AUTORADIOBUTTON));
    EXPECT_EQ((items[i].style & (WS_GROUP | WS_TABSTOP)) != 0, i == 0) << i;
  }

  // Under visual styles a new text first has the parent draw its background into the button
  // (the parent is asked to erase with the button's own device context) before the button takes
  // the text; without them, nothing is drawn first.
  ThemedTextProbe::button = red.hwnd();
  auto subclass = [](HWND target, WNDPROC procedure) {
    const LONG_PTR previous =
        SetWindowLongPtrA(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    return handleFrom<WNDPROC>(Value(static_cast<long long>(previous)));
  };

  ThemedTextProbe::parentProcedure = subclass(hwnd, ThemedTextProbe::parent);
  ThemedTextProbe::buttonProcedure = subclass(red.hwnd(), ThemedTextProbe::buttonWindow);
  std::vector<int> erases;
  for (const bool themed : {false, true}) {
    overrideAppThemed(themed);
    ThemedTextProbe::erasesFirst = 0;
    ThemedTextProbe::textTaken = false;
    red.SetText(themed ? "&Green" : "&Blue");
    erases.push_back(ThemedTextProbe::erasesFirst);
  }
  subclass(red.hwnd(), ThemedTextProbe::buttonProcedure);
  subclass(hwnd, ThemedTextProbe::parentProcedure);
  EXPECT_EQ(erases, (std::vector<int>{0, 1}));
  EXPECT_EQ(windowText(red.hwnd()), "&Green");

  // Under visual styles the button erases nothing; without, the base class erases.
  const HDC dc = GetDC(red.hwnd());
  overrideAppThemed(true);
  EXPECT_TRUE(lanmere::exactlyEqual(red.EraseBkGnd(handleNumber(dc)), Value(1)));
  overrideAppThemed(false);
  EXPECT_TRUE(red.EraseBkGnd(handleNumber(dc)).isNil());
  ReleaseDC(red.hwnd(), dc);
  overrideAppThemed(std::nullopt);
}

// ---- Nothing left behind ----

// Opens and closes the three-button dialog `cycles` times with a click and an arrow each time;
// answers the growth of the live controls, groups, tracked resources, the process's window
// handles and the run-time's memory.
std::vector<long long> leftAfter(int cycles) {
  auto counts = [] {
    return std::vector<long long>{
        TControl::liveCount(), TRadMenu::liveCount(),
        static_cast<long long>(trackedResources().size()),
        static_cast<long long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)),
        static_cast<long long>(lanmere::memoryCounters().inUse)};
  };
  auto once = [] {
    const Value dialog = pixelDialog(20, 20, 460, 460, "Radios");
    Group group(dialog, 2);
    runModal(dialog, {ready, settle(), clickOn(group, 3),
                      [&](HWND) { return !inputPending() && (*group.value).integer() == 3; },
                      [&](HWND) { return SetFocus(group.hwndAt(3)), true; }, keys({VK_DOWN}),
                      [&](HWND) { return !inputPending() && (*group.value).integer() == 1; },
                      endWith(dialog)});
  };
  once();  // the first dialog makes what every later one shares (classes, symbols)
  const std::vector<long long> before = counts();
  for (int i = 0; i < cycles; ++i) once();
  std::vector<long long> after = counts();
  for (std::size_t i = 0; i < after.size(); ++i) after[i] -= before[i];
  return after;
}

TEST_F(RadioDialogs, ClosedDialogsLeaveNothing) {
  const char* wanted = std::getenv("KESTREL_RADIO_CYCLES");
  const int cycles = wanted ? std::atoi(wanted) : 2;
  const std::vector<long long> grown = leftAfter(cycles);
  std::printf(
      "after %d cycles: controls %+lld, groups %+lld, tracked %+lld, user handles %+lld, "
      "memory %+lld\n",
      cycles, grown[0], grown[1], grown[2], grown[3], grown[4]);
  EXPECT_EQ(grown, (std::vector<long long>{0, 0, 0, 0, 0}));
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace kestrel::test
