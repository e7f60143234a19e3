// The dialog and its controls, reached only by message; modeless dialogs in the main loop; the
// end-session query; nothing left behind once a dialog is gone.
#include <windows.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "errors/kserror.h"
#include "framework/core/dlgregistry.h"
#include "framework/core/handles.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "tests/framework/core/dialog_test_ids.h"
#include "tests/support/dialog_fixture.h"

namespace kestrel::test {
namespace {

class Controls : public DialogTest {};

TEST_F(Controls, DefControlNumbersAndRefusesATakenId) {
  const Value dialog = pixelDialog(0, 0, 100, 100);
  const Value first = addControl(dialog, "Edit", Value(), "", 0, 0, 10, 10);
  const Value second = addControl(dialog, "Edit", Value(), "", 0, 0, 10, 10);
  EXPECT_EQ(as<TTestCtrl>(first).nId.integer(), 101);
  EXPECT_EQ(as<TTestCtrl>(second).nId.integer(), 102);
  EXPECT_EQ(as<TTestCtrl>(first).hWnd.integer(), 0);
  EXPECT_TRUE(errors.empty());
  addControl(dialog, "Edit", 101, "", 0, 0, 10, 10);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].subCode, kErrDuplicatedId);
  EXPECT_EQ(errors[0].operation, "No:    101");
  EXPECT_EQ(as<TDialog>(dialog).aControls.length(), 2u);
}

// A click reaches the control with that id; while another control awaits validation and refuses
// it, a click is stopped unless its sender is a cancel control. Afterwards nothing is left: no
// window-list slot holds the dialog's objects and they are released.
TEST_F(Controls, ClicksReachTheirControlsUnlessValidationStopsThem) {
  constexpr int kPlain = 10;
  constexpr int kCancelLike = 11;
  const int liveControls = TTestCtrl::live;
  const long liveDialogs = TDialog::liveCount();
  std::vector<std::string> plainLog, cancelLog;
  {
    const Value dialog = pixelDialog(100, 100, 260, 400, "Clicks");
    const Value edit =
        addControl(dialog, "Edit", kIdFirstEdit, "", 10, 10, 35, 200, WS_TABSTOP | WS_BORDER);
    const Value plain = addControl(dialog, "Button", kPlain, "Plain", 60, 10, 85, 90, WS_TABSTOP);
    const Value cancel =
        addControl(dialog, "Button", kCancelLike, "Cancel", 60, 100, 85, 180, WS_TABSTOP);
    as<TTestCtrl>(cancel).lCancel = true;
    as<TTestCtrl>(edit).bValid = closure([](lanmere::Args) { return Value(false); });
    auto press = [](int id) {
      return [id](HWND hwnd) {
        pressButton(hwnd, id);
        return true;
      };
    };
    auto clicks = [](const Value& control, std::size_t count) {
      return [control, count](HWND) { return as<TTestCtrl>(control).log.size() == count; };
    };
    runModal(dialog, {ready, press(kPlain), clicks(plain, 1),
                      [&](HWND) {
                        as<TDialog>(dialog).nResult = edit;  // as the edit's GotFocus does
                        return true;
                      },
                      press(kPlain), press(kCancelLike), clicks(cancel, 1),
                      [&](HWND) {
                        plainLog = as<TTestCtrl>(plain).log;
                        cancelLog = as<TTestCtrl>(cancel).log;
                        lanmere::send(dialog, "End", {1});
                        return true;
                      }});
    for (const Value& slot : windowList().items()) {
      EXPECT_FALSE(slot.sharesStorageWith(edit) || slot.sharesStorageWith(plain) ||
                   slot.sharesStorageWith(cancel));
    }
    EXPECT_EQ(as<TDialog>(dialog).aControls.length(), 0u);
  }
  EXPECT_EQ(plainLog, std::vector<std::string>{"CLICK"});
  EXPECT_EQ(cancelLog, std::vector<std::string>{"CLICK"});
  lanmere::callFunction("SETWNDDEFAULT", {Value()});  // the default window holds the last one
  EXPECT_EQ(TTestCtrl::live, liveControls);
  EXPECT_EQ(TDialog::liveCount(), liveDialogs);
}

// The mnemonic's letter in either case; a label stands for the control after it; "&&" is a
// literal ampersand.
TEST_F(Controls, GetHotPosFindsTheMnemonic) {
  const Value dialog = pixelDialog(100, 100, 260, 400, "Hot keys");
  addControl(dialog, "Static", kIdLabel, "&Name", 10, 10, 30, 60, SS_LEFT);
  addControl(dialog, "Edit", kIdFirstEdit, "", 10, 70, 30, 200, WS_TABSTOP | WS_BORDER);
  addControl(dialog, "Button", 10, "&Save", 60, 10, 85, 90, WS_TABSTOP);
  addControl(dialog, "Button", 11, "A&&B", 60, 100, 85, 180, WS_TABSTOP);
  struct Case {
    Value key;
    int id;  // 0: none
  };
  auto key = [](char c) { return Value(static_cast<long long>(c)); };
  const Case cases[] = {{key('S'), 10},           {key('s'), 10}, {Value("s"), 10},
                        {key('N'), kIdFirstEdit}, {key('B'), 0},  {key('X'), 0}};
  std::vector<int> found;
  runModal(dialog, {ready, [&](HWND) {
                      for (const Case& each : cases) {
                        const HWND hot = handleFrom<HWND>(
                            lanmere::send(dialog, "GetHotPos", {each.key, Value()}));
                        found.push_back(hot ? GetDlgCtrlID(hot) : 0);
                      }
                      lanmere::send(dialog, "End", {1});
                      return true;
                    }});
  ASSERT_EQ(found.size(), std::size(cases));
  for (std::size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i], cases[i].id) << i;
}

// A gradient (here the process-wide one) makes the dialog transparent: its controls are told so,
// and its own plain labels paint on its brush.
TEST_F(Controls, AGradientMakesTheDialogTransparent) {
  const Value shade = Value::list({Value::list({1, 0x0000C8LL, 0xC80000LL})});
  EXPECT_TRUE(lanmere::callFunction("SETDLGGRADIENT", {shade}).isNil());
  const Value dialog = pixelDialog(100, 100, 260, 400, "Shaded");
  EXPECT_TRUE(lanmere::callFunction("SETDLGGRADIENT", {Value()}).sharesStorageWith(shade));
  EXPECT_TRUE(as<TDialog>(dialog).lTransparent.logical());
  const Value edit =
      addControl(dialog, "Edit", kIdFirstEdit, "", 10, 10, 35, 200, WS_TABSTOP | WS_BORDER);
  LRESULT labelBrush = 0;
  long long dialogBrush = -1;
  runModal(dialog, {ready, [&](HWND hwnd) {
                      const HWND label = CreateWindowExA(0, "STATIC", "plain", WS_CHILD, 0, 0, 50,
                                                         20, hwnd, nullptr, nullptr, nullptr);
                      const HDC dc = GetDC(label);
                      labelBrush =
                          SendMessageA(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(label));
                      ReleaseDC(label, dc);
                      dialogBrush = lanmere::send(as<TDialog>(dialog).oBrush, "hBrush").integer();
                      lanmere::send(dialog, "End", {1});
                      return true;
                    }});
  EXPECT_TRUE(as<TTestCtrl>(edit).lTransparent.logical());
  EXPECT_EQ(static_cast<long long>(labelBrush), dialogBrush);
}

TEST_F(Controls, SettingsChangeOnlyWithOneLogical) {
  const struct {
    const char* function;
    bool initial;
  } settings[] = {{"SETDIALOGESC", true}, {"SETCENTERONPARENT", false}};
  for (const auto& [function, initial] : settings) {
    SCOPED_TRACE(function);
    auto call = [function](std::initializer_list<Value> args) {
      return lanmere::callFunction(function, args).logical();
    };
    EXPECT_EQ(call({}), initial);
    EXPECT_EQ(call({1}), initial);
    EXPECT_EQ(call({!initial, !initial}), initial);
    EXPECT_EQ(call({!initial}), initial);
    EXPECT_EQ(call({initial}), !initial);
    EXPECT_EQ(call({}), initial);
  }
}

TEST_F(Controls, TheSourceTextIsTheWindowsWithDialogWords) {
  const std::string text = lanmere::send(pixelDialog(1, 2, 3, 4, "Title"), "cGenPrg").string();
  EXPECT_NE(text.find("   DEFINE DIALOG oDlg FROM 1, 2 TO 3, 4 PIXEL TITLE \"Title\""),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("   ACTIVATE DIALOG oDlg\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("WINDOW"), std::string::npos);
  EXPECT_EQ(text.find("oWnd"), std::string::npos);
}

// ---- Modeless ----

bool registered(HWND dialog) {
  const Value handle = handleNumber(dialog);
  if (!DEREGDIALOG(handle)) return false;
  REGDIALOG(handle);
  return true;
}

// Created hidden and then shown, registered because it has controls, navigated with Tab from the
// main loop; Enter without a default button keeps it; End asks bValid, then destroys and
// deregisters it.
TEST_F(Controls, AModelessDialogInTheMainLoop) {
  const Value dialog = pixelDialog(100, 100, 260, 400, "Modeless");
  addControl(dialog, "Edit", kIdFirstEdit, "", 10, 10, 35, 200, WS_TABSTOP | WS_BORDER);
  addControl(dialog, "Edit", kIdSecondEdit, "", 45, 10, 70, 200, WS_TABSTOP | WS_BORDER);
  bool visibleAtInit = true;
  bool agree = false;
  activate(dialog, {.bValid = closure([&](lanmere::Args) { return Value(agree); }),
                    .lModal = false,
                    .bInit = closure([&](lanmere::Args args) {
                      visibleAtInit = IsWindowVisible(as<TDialog>(args[0]).hwnd());
                      return Value();
                    })});
  const HWND hwnd = as<TDialog>(dialog).hwnd();
  ASSERT_TRUE(IsWindow(hwnd));
  EXPECT_FALSE(visibleAtInit);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_TRUE(registered(hwnd));
  int ticks = 0;
  DialogSteps driver({[&](HWND) {
                        SetForegroundWindow(hwnd);
                        SetFocus(GetDlgItem(hwnd, kIdFirstEdit));
                        return true;
                      },
                      [](HWND) {
                        pressKeys({VK_TAB});
                        return true;
                      },
                      [&](HWND) { return focusedId(hwnd) == kIdSecondEdit; },
                      [](HWND) {
                        pressKeys({VK_RETURN});
                        return true;
                      },
                      [&](HWND) { return ++ticks > 5; },
                      [&](HWND) {
                        EXPECT_TRUE(IsWindowVisible(hwnd)) << "Enter hid the dialog";
                        EXPECT_TRUE(lanmere::send(dialog, "End", {}).logical());
                        return true;
                      },
                      [&](HWND) { return ++ticks > 10; },
                      [&](HWND) {
                        EXPECT_TRUE(IsWindowVisible(hwnd)) << "bValid refused";
                        agree = true;
                        lanmere::send(dialog, "End", {4});
                        return true;
                      },
                      [&](HWND) { return !IsWindow(hwnd); },
                      [](HWND) {
                        PostQuitMessage(0);
                        return true;
                      }});
  WINRUN();
  driver.rethrow();
  EXPECT_TRUE(driver.done());
  EXPECT_FALSE(registered(hwnd));
  EXPECT_EQ(as<TDialog>(dialog).nResult.integer(), 4);
  EXPECT_EQ(as<TDialog>(dialog).hWnd.integer(), 0);
}

TEST_F(Controls, AModelessDialogWithoutControlsIsNotRegistered) {
  const Value dialog = pixelDialog(100, 100, 200, 300, "Bare");
  activate(dialog, {.lModal = false});
  const HWND hwnd = as<TDialog>(dialog).hwnd();
  ASSERT_TRUE(IsWindow(hwnd));
  EXPECT_FALSE(registered(hwnd));
  DestroyWindow(hwnd);
}

// With every slot of the modeless table taken, a dialog with controls is refused with the alert
// and never created.
TEST_F(Controls, AFullModelessTableRefusesTheDialog) {
  constexpr long long kFirstFake = 0x10000;
  long long taken = 0;
  while (REGDIALOG(kFirstFake + taken)) ++taken;
  const Value dialog = pixelDialog(100, 100, 200, 300, "One too many");
  addControl(dialog, "Edit", kIdFirstEdit, "", 10, 10, 35, 200, WS_TABSTOP | WS_BORDER);
  ModalDriver answer([](const BoxInfo&) { return IDOK; });
  activate(dialog, {.lModal = false});
  for (long long i = 0; i < taken; ++i) DEREGDIALOG(kFirstFake + i);
  ASSERT_EQ(answer.seen().size(), 1u);
  EXPECT_EQ(answer.seen()[0].text, "Not possible to create more non-modal Dialogs");
  EXPECT_EQ(as<TDialog>(dialog).hWnd.integer(), 0);
  EXPECT_TRUE(CANREGDIALOG());
}

// Fills the modeless table when the first window of the thread is created: the slot the dialog
// was promised before its creation is gone once the window exists.
constexpr long long kFirstFakeDialog = 0x20000;
long long fakesTaken = 0;
LRESULT CALLBACK fillTableAtCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && fakesTaken == 0) {
    while (REGDIALOG(kFirstFakeDialog + fakesTaken)) ++fakesTaken;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// REGDIALOG failing after the dialog was created: the window is closed with the alert, and the
// dialog is neither registered nor initiated.
TEST_F(Controls, AModelessDialogWhoseSlotWentDuringCreationIsClosed) {
  const Value dialog = pixelDialog(100, 100, 200, 300, "Slot gone");
  addControl(dialog, "Edit", kIdFirstEdit, "", 10, 10, 35, 200, WS_TABSTOP | WS_BORDER);
  int initiated = 0;
  ModalDriver answer([](const BoxInfo&) { return IDOK; });
  fakesTaken = 0;
  const HHOOK hook = SetWindowsHookExA(WH_CBT, fillTableAtCreation, nullptr, GetCurrentThreadId());
  activate(dialog, {.lModal = false, .bInit = counter(initiated)});
  UnhookWindowsHookEx(hook);
  const HWND hwnd = as<TDialog>(dialog).hwnd();
  EXPECT_TRUE(pumpUntil([&] { return !IsWindow(hwnd); }));
  EXPECT_FALSE(registered(hwnd));
  for (long long i = 0; i < fakesTaken; ++i) DEREGDIALOG(kFirstFakeDialog + i);
  EXPECT_GT(fakesTaken, 0);
  ASSERT_EQ(answer.seen().size(), 1u);
  EXPECT_EQ(answer.seen()[0].text, "Not possible to create more non-modal Dialogs");
  EXPECT_EQ(initiated, 0);
}

// The end-session query: 1 when the dialog agrees to end (and it ends), 0 when bValid refuses;
// bValid is asked once (a second "Save changes?" could refuse after the answer was given).
TEST_F(Controls, QueryEndSessionAnswersWhetherTheDialogEnds) {
  for (bool modal : {true, false}) {
    for (bool refuse : {false, true}) {
      SCOPED_TRACE(std::string(modal ? "modal" : "modeless") + (refuse ? " refusing" : ""));
      const Value dialog = resourceDialog("NAMEDDLG");
      bool agree = !refuse;
      int asked = 0;
      const Value valid = closure([&](lanmere::Args) {
        ++asked;
        return Value(agree);
      });
      LRESULT answer = -1;
      int askedByQuery = 0;
      HWND hwnd = nullptr;
      std::vector<std::function<bool(HWND)>> steps = {
          [&](HWND current) {
            hwnd = modal ? current : as<TDialog>(dialog).hwnd();
            return hwnd && IsWindowVisible(hwnd);
          },
          [&](HWND) {
            answer = SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0);
            askedByQuery = asked;
            agree = true;
            if (refuse) lanmere::send(dialog, "End", {2});
            return true;
          }};
      if (modal) {
        runModal(dialog, steps, {.bValid = valid});
      } else {
        steps.push_back([&](HWND) { return !IsWindow(hwnd); });
        steps.push_back([](HWND) {
          PostQuitMessage(0);
          return true;
        });
        DialogSteps driver(steps);
        activate(dialog, {.bValid = valid, .lModal = false});
        WINRUN();
        driver.rethrow();
      }
      EXPECT_EQ(answer, refuse ? 0 : 1);
      EXPECT_EQ(askedByQuery, 1);
      EXPECT_FALSE(IsWindow(hwnd));
    }
  }
}

}  // namespace
}  // namespace kestrel::test
