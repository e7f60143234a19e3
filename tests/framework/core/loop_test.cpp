// The event loop, requests raised inside window procedures, and the dialog tables, with real
// windows and dialogs driven from inside their loops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/dlgregistry.h"
#include "framework/core/handles.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndproc.h"
#include "runtime/error.h"
#include "tests/support/recorder.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Value;
using Strings = std::vector<std::string>;

constexpr WORD kFirstEdit = 101;
constexpr WORD kSecondEdit = 102;
constexpr WORD kBreakButton = 103;
constexpr UINT kAcceleratorCommand = 4242;

// Two tab-stop edit fields and a button.
DialogTemplate twoEdits(DWORD style) {
  DialogTemplate dialog("Fields", style | WS_CAPTION | WS_VISIBLE, 10, 10, 160, 80);
  dialog.item(DialogTemplate::kEdit, kFirstEdit, "", WS_BORDER | WS_TABSTOP, 5, 5, 100, 12)
      .item(DialogTemplate::kEdit, kSecondEdit, "", WS_BORDER | WS_TABSTOP, 5, 25, 100, 12)
      .item(DialogTemplate::kButton, kBreakButton, "Go", WS_TABSTOP, 5, 45, 40, 14);
  return dialog;
}

INT_PTR CALLBACK plainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

// Runs WINRUN for `hwnd` inside a protected sequence; answers the BREAK value, nil when none.
Value runLoop(HWND hwnd, bool* broke = nullptr) {
  Value caught;
  lanmere::beginSequence([&] { WINRUN(number(hwnd)); },
                         [&](const Value& value) {
                           caught = value;
                           if (broke) *broke = true;
                         });
  return caught;
}

TEST(Requests, ABreakInAnEventMethodLeavesWinrunAtOnce) {
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  linkWindow(*object);
  object->onEvent = [](const std::string& event) {
    if (event == "LBUTTONDOWN") lanmere::doBreak(Value("stop"));
    return Value();
  };
  TimedSteps steps({[&] {
    postMouse(hwnd, WM_LBUTTONDOWN, 1, 1);
    postMouse(hwnd, WM_LBUTTONUP, 1, 1);
  }});
  bool broke = false;
  EXPECT_EQ(runLoop(hwnd, &broke).string(), "stop");
  EXPECT_TRUE(broke);
  EXPECT_FALSE(LWRUNNING());
  EXPECT_EQ(GETWNDAPP(), 0);
  // The button-up is still queued.
  EXPECT_EQ(only(object->log, {"LBUTTONDOWN", "LBUTTONUP"}), Strings{"LBUTTONDOWN 1 1 0"});
  pumpUntil([] { return false; }, 50);
  unlinkWindow(*object);
  DestroyWindow(hwnd);
}

TEST(Requests, ABreakBehindSendMessageIsRaisedRightAfterIt) {
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  linkWindow(*object);
  object->onEvent = [](const std::string&) -> Value { lanmere::doBreak(Value(5)); };
  bool after = false;
  Value caught;
  lanmere::beginSequence(
      [&] {
        callWindows([&] { return SendMessageA(hwnd, WM_COMMAND, 1, 0); });
        after = true;
      },
      [&](const Value& value) { caught = value; });
  EXPECT_FALSE(after);
  EXPECT_EQ(caught.integer(), 5);
  unlinkWindow(*object);
  DestroyWindow(hwnd);
}

// A modal dialog as the dialog class runs it: enter, the system's modal call, leave.
INT_PTR runModal(const DialogTemplate& dialog, const Value& object, HWND owner = nullptr) {
  enterModal(object);
  struct Leave {
    ~Leave() { leaveModal(); }
  } leave;
  return callWindows([&] {
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialog.get(), owner, modalDialogProc,
                                   0);
  });
}

TEST(Modal, InitDialogCarriesTheDialogsHandleAndABreakEndsTheDialog) {
  auto object = recorder(nullptr);
  HWND initHandle = nullptr;
  HWND dialogHandle = nullptr;
  object->onMessage = [&](UINT message, WPARAM wParam, LPARAM lParam) -> Value {
    if (message == WM_INITDIALOG) {
      initHandle = reinterpret_cast<HWND>(lParam);
      return Value(true);
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kBreakButton) lanmere::doBreak(Value("out"));
    return Value();
  };
  TimedSteps steps({[&] {
    dialogHandle = FindWindowA("#32770", "Fields");
    pressButton(dialogHandle, kBreakButton);
  }});
  INT_PTR result = 0;
  Value caught;
  lanmere::beginSequence([&] { result = runModal(twoEdits(DS_MODALFRAME), Value(object)); },
                         [&](const Value& value) { caught = value; });
  EXPECT_EQ(caught.text(), "out");
  EXPECT_EQ(result, 0);  // the break left before the answer was stored
  EXPECT_NE(initHandle, nullptr);
  EXPECT_EQ(initHandle, dialogHandle);
  EXPECT_EQ(modalDepth(), 0u);
}

TEST(Modal, AMessageToTheOuterDialogReachesTheOuterObjectWhileTheInnerIsOpen) {
  auto outer = recorder(nullptr);
  auto inner = recorder(nullptr);
  HWND outerHandle = nullptr;
  HWND innerHandle = nullptr;
  constexpr UINT kProbe = WM_USER + 7;
  std::vector<std::string> reached;
  for (auto* object : {outer.get(), inner.get()}) {
    const std::string name = object == outer.get() ? "outer" : "inner";
    object->onMessage = [&, name, object](UINT message, WPARAM, LPARAM lParam) -> Value {
      if (message == WM_INITDIALOG) {
        (object == outer.get() ? outerHandle : innerHandle) = reinterpret_cast<HWND>(lParam);
        return Value(true);
      }
      if (message == kProbe) reached.push_back(name);
      return Value();
    };
  }
  TimedSteps steps({[&] {
                      DialogTemplate nested("Inner", WS_CAPTION | WS_VISIBLE, 20, 20, 80, 40);
                      runModal(nested, Value(inner), outerHandle);
                    },
                    [&] {
                      SendMessageA(outerHandle, kProbe, 0, 0);
                      SendMessageA(innerHandle, kProbe, 0, 0);
                      EXPECT_EQ(modalDepth(), 2u);
                      EndDialog(innerHandle, 1);
                    },
                    [&] { EndDialog(outerHandle, 1); }});
  DialogTemplate dialog("Outer", WS_CAPTION | WS_VISIBLE, 10, 10, 120, 60);
  EXPECT_EQ(runModal(dialog, Value(outer)), 1);
  EXPECT_EQ(reached, (Strings{"outer", "inner"}));
  EXPECT_EQ(modalDepth(), 0u);
}

// The stack has no fixed depth: enter, lookup and leave bind and pop at any depth.
TEST(Modal, TheStackBindsAndPopsAtAnyDepth) {
  for (std::size_t depth : {49u, 50u, 51u, 60u}) {
    SCOPED_TRACE(depth);
    std::vector<lanmere::Ref<TRecorder>> objects;
    for (std::size_t i = 1; i <= depth; ++i) {
      objects.push_back(recorder(nullptr));
      enterModal(Value(objects.back()));
      const HWND fake = reinterpret_cast<HWND>(static_cast<std::intptr_t>(i * 4));
      const Value found = modalDialogObject(fake);  // binds the new top
      EXPECT_EQ(found.object(), objects.back().get());
    }
    EXPECT_EQ(modalDepth(), depth);
    // Every entry is found by its handle, the top one first.
    const Value first = modalDialogObject(reinterpret_cast<HWND>(4));
    EXPECT_EQ(first.object(), objects.front().get());
    EXPECT_TRUE(modalDialogObject(reinterpret_cast<HWND>(2)).isNil());
    for (std::size_t i = depth; i > 0; --i) leaveModal();
    EXPECT_EQ(modalDepth(), 0u);
  }
}

TEST(Modeless, TheTableHoldsFifteenHundredAndAnyDeregistrationFreesOne) {
  std::vector<Value> handles;
  for (std::size_t i = 1; i <= kModelessSlots; ++i) {
    handles.push_back(Value(static_cast<long long>(i * 4)));
    ASSERT_TRUE(REGDIALOG(handles.back()));
  }
  EXPECT_TRUE(REGDIALOG(handles[7]));  // present already: no second entry
  EXPECT_FALSE(CANREGDIALOG());
  EXPECT_FALSE(REGDIALOG(Value(6004 * 4)));
  EXPECT_TRUE(DEREGDIALOG(handles[700]));
  EXPECT_FALSE(DEREGDIALOG(handles[700]));
  EXPECT_TRUE(CANREGDIALOG());
  for (const Value& handle : handles) DEREGDIALOG(handle);
  EXPECT_FALSE(DEREGDIALOG(handles[7]));  // the repeated registration left nothing behind
}

// Tab moves the focus in a registered modeless dialog inside WINRUN; not in an unregistered one.
TEST(Modeless, ARegisteredDialogGetsTabNavigationInTheMainLoop) {
  for (bool registered : {true, false}) {
    SCOPED_TRACE(registered);
    const DialogTemplate dialog = twoEdits(0);
    HWND hwnd = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog.get(), nullptr,
                                           plainDialogProc, 0);
    ASSERT_NE(hwnd, nullptr);
    if (registered) REGDIALOG(number(hwnd));
    HWND first = GetDlgItem(hwnd, kFirstEdit);
    HWND focused = nullptr;
    TimedSteps steps({[&] {
                        SetForegroundWindow(hwnd);
                        SetFocus(first);
                        postKey(first, VK_TAB);
                      },
                      [&] {
                        focused = GetFocus();
                        PostQuitMessage(0);
                      }});
    runLoop(nullptr);
    EXPECT_EQ(focused == GetDlgItem(hwnd, kSecondEdit), registered);
    DEREGDIALOG(number(hwnd));
    DestroyWindow(hwnd);
  }
}

TEST(Loop, SysrefreshDispatchesAndStopsAtTheQuitMessage) {
  EXPECT_TRUE(SYSREFRESH());
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  linkWindow(*object);
  postMouse(hwnd, WM_LBUTTONDOWN, 2, 3);
  PostQuitMessage(0);  // taken after the posted messages
  EXPECT_FALSE(SYSREFRESH());
  EXPECT_EQ(only(object->log, {"LBUTTONDOWN"}), Strings{"LBUTTONDOWN 3 2 0"});
  EXPECT_TRUE(SYSREFRESH());  // not running: the quit message was not posted again

  // Inside WINRUN the quit message taken by SYSREFRESH is posted again, so the loop ends.
  object->onEvent = [](const std::string& event) {
    if (event == "COMMAND") {
      PostQuitMessage(0);
      EXPECT_FALSE(SYSREFRESH());
    }
    return Value();
  };
  TimedSteps steps({[&] { PostMessageA(hwnd, WM_COMMAND, 1, 0); }});
  runLoop(hwnd);
  EXPECT_FALSE(LWRUNNING());
  unlinkWindow(*object);
  DestroyWindow(hwnd);
}

// An accelerator of the current table reaches the application window as a command, in WINRUN
// and in a SYSREFRESH called from a handler; the table is back afterwards.
TEST(Loop, AcceleratorsReachTheApplicationWindow) {
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  linkWindow(*object);
  ACCEL entry{FVIRTKEY, VK_F5, kAcceleratorCommand};
  HACCEL table = CreateAcceleratorTableA(&entry, 1);
  installAccelerators({table, 0});
  std::vector<HACCEL> tableAtCommand;  // the state reads "no table" during SYSREFRESH
  object->onEvent = [&](const std::string& event) {
    if (event == "COMMAND") tableAtCommand.push_back(currentAccelerators());
    if (event == "TIMER") {
      KillTimer(hwnd, 1);
      postKey(hwnd, VK_F5);
      SYSREFRESH();
    }
    return Value();
  };
  TimedSteps steps({[&] { postKey(hwnd, VK_F5); }, [&] { SetTimer(hwnd, 1, 10, nullptr); },
                    [&] { PostQuitMessage(0); }},
                   60);
  runLoop(hwnd);
  const std::string command =
      "COMMAND " + std::to_string(MAKEWPARAM(kAcceleratorCommand, 1)) + " 0";
  EXPECT_EQ(only(object->log, {"COMMAND"}), (Strings{command, command}));
  EXPECT_EQ(tableAtCommand, (std::vector<HACCEL>{table, nullptr}));
  EXPECT_EQ(installedAccelerators().table, table);
  installAccelerators({});
  EXPECT_FALSE(DestroyAcceleratorTable(table)) << "removing the table destroys it";
  unlinkWindow(*object);
  DestroyWindow(hwnd);
}

TEST(Loop, AfterWinrunTheDestroyedApplicationWindowReadsAsNone) {
  HWND hwnd = createTestWindow();
  TimedSteps steps({[&] {
    EXPECT_TRUE(LWRUNNING());
    EXPECT_EQ(GETWNDAPP(), handleNumber(hwnd));
    SETWNDAPP(Value(12345));  // set only when none is set
    EXPECT_EQ(GETWNDAPP(), handleNumber(hwnd));
    DestroyWindow(hwnd);
    EXPECT_EQ(GETWNDAPP(), 0);
    PostQuitMessage(0);
  }});
  runLoop(hwnd);
  steps.rethrow();
  EXPECT_FALSE(LWRUNNING());
  EXPECT_EQ(GETWNDAPP(), 0);
  SETWNDAPP(number(hwnd));  // a dead handle is no application window
  EXPECT_EQ(GETWNDAPP(), 0);
}

// WINRUN inside a loop that already runs (a modal dialog's) puts back the running flag it found,
// true; WNDMAIN by name answers the object of the application window meanwhile.
TEST(Loop, WinrunPutsBackARunningFlagThatWasTrueAndWndmainAnswersTheMainWindow) {
  lanmere::registerModule(winListModule());  // WNDMAIN by name
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  linkWindow(*object);
  Value main;
  {
    RunningMarker outer;
    TimedSteps steps({[&] {
      main = lanmere::callFunction("WNDMAIN", {});
      PostQuitMessage(0);
    }});
    runLoop(hwnd);
    steps.rethrow();
    EXPECT_TRUE(LWRUNNING());
  }
  EXPECT_FALSE(LWRUNNING());
  EXPECT_EQ(main.object(), object.get());
  EXPECT_TRUE(lanmere::callFunction("WNDMAIN", {}).isNil());  // the application window went back
  unlinkWindow(*object);
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace kestrel::test
