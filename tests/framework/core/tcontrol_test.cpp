// The control base class in real dialogs and windows, driven from inside their loops with real
// keys and clicks: binding to dialog items, navigation, the validation protocol, mnemonics,
// colours, drag-and-drop, design mode, removal and what is left once a dialog is gone.
#include "framework/core/tcontrol.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "errors/kserror.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/winlist.h"
#include "framework/core/wndproc.h"
#include "tests/framework/core/tcontrol_test_ids.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/help_standin.h"

namespace kestrel::test {

// A control that counts the framework clicks it gets.
class TCountingCtl : public TControl {
  LM_CLASS(TCountingCtl, TControl)
  Value Click() override {
    ++clicks;
    return TControl::Click();
  }
  int clicks = 0;
};
LM_DEFINE_CLASS(TCountingCtl) {
  c.creatable();
}

// A cursor as a control uses one: its handle, and End.
class TTestCursor : public lanmere::Object {
  LM_CLASS(TTestCursor, lanmere::Object)
  Value hCursor = handleNumber(LoadCursorA(nullptr, IDC_HAND));
  Value End() { return {}; }
};
LM_DEFINE_CLASS(TTestCursor) {
  c.data(LM_FIELDS(hCursor));
  c.methods(LM_METHODS(End));
}

// Stands for a folder: its pages, the page shown (1-based) and the page SetOption turned to.
class TTestFolder : public lanmere::Object {
  LM_CLASS(TTestFolder, lanmere::Object)
  Value aDialogs = Value::list({1, 2, 3});
  Value nOption = 1;
  Value SetOption(const Value& nPage) {
    nOption = nPage;
    return {};
  }
};
LM_DEFINE_CLASS_AS(TTestFolder, "TFOLDER") {
  c.data(LM_FIELDS(aDialogs, nOption));
  c.methods(LM_METHODS(SetOption));
  c.creatable();
}

namespace {

Value bind(const Value& parent, const Value& id, const char* className = "TCONTROL") {
  const Value control = lanmere::createObject(className);
  lanmere::send(control, "Redefine", {id, parent});
  return control;
}

void focusOn(HWND dialog, int id) {
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

Step moveFocus(int id) {
  return [id](HWND dialog) {
    focusOn(dialog, id);
    return true;
  };
}

// A step that waits for the focus on control `id` (and an extra condition).
Step focusIs(
    int id, std::function<bool()> also = [] { return true; }) {
  return [id, also](HWND dialog) { return focusedId(dialog) == id && also(); };
}

class Controls : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    TCountingCtl::Class();
    TTestCursor::Class();
    lanmere::callFunction("SETGRIDSIZE", {8, 8});
  }
  Value resource(const Value& owner = {}) {
    return newDialog({.cResName = "CTLDLG", .oWnd = owner});
  }
};

// A plain window (no dialog manager) with edit fields and a default push button as children,
// each bound to a control.
struct Panel {
  Value window = shownWindow(120, 120, 360, 460, "Panel");
  HWND hwnd = hwndOf(window);
  ~Panel() { destroy(window); }
  HWND child(const char* windowClass, int id, DWORD style, int top, int left, int width = 150,
             int height = 24, const char* text = "") {
    return CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, left, top, width,
                           height, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                           nullptr);
  }
  Value control(const char* windowClass, int id, DWORD style, int top, int left,
                const char* className = "TCONTROL", const char* text = "") {
    child(windowClass, id, style, top, left, 150, 24, text);
    const Value made = bind(window, id, className);
    lanmere::send(made, "Initiate", {number(hwnd)});
    return made;
  }
};

bool pump(const std::function<bool()>& condition) {
  return pumpUntil(condition, 3000);
}

// ---- Binding ----

TEST_F(Controls, RedefinedControlsBindToTheirDialogItems) {
  const Value dialog = resource();
  const Value edit = bind(dialog, kIdFirst);
  const Value button = bind(dialog, kIdGo);
  const Value text = bind(dialog, kIdText);
  const Value missing = bind(dialog, 999);
  as<TControl>(button).lActive = false;
  int gotFocus = 0;
  as<TControl>(edit).bGotFocus = counter(gotFocus);
  std::vector<int> items;
  bool enabled = true;
  bool threadMessage = true;
  constexpr UINT kProbe = WM_APP + 7;
  std::vector<bool> sameFont;
  HWND before = nullptr;
  const Value result = runModal(
      dialog, {ready,
               [&](HWND hwnd) {
                 focusOn(hwnd, kIdSecond);
                 focusOn(hwnd, kIdFirst);
                 enabled = IsWindowEnabled(as<TControl>(button).hwnd());
                 for (const Value& each : {edit, button, text}) {
                   items.push_back(GetDlgCtrlID(as<TControl>(each).hwnd()));
                   sameFont.push_back(
                       as<TControl>(each).oFont.sharesStorageWith(as<TDialog>(dialog).oFont));
                 }
                 return true;
               },
               focusIs(kIdFirst),
               [&](HWND) {
                 before = GetFocus();
                 lanmere::send(missing, "SetFocus");
                 lanmere::send(missing, "PostMsg", {static_cast<long long>(kProbe)});
                 MSG probe;
                 threadMessage = PeekMessageA(&probe, reinterpret_cast<HWND>(-1), kProbe, kProbe,
                                              PM_REMOVE) != 0;
                 return true;
               },
               [&](HWND) { return GetFocus() == before; }, endWith(dialog, 1)});
  EXPECT_EQ(result.integer(), 1);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items, (std::vector<int>{kIdFirst, kIdGo, kIdText}));
  EXPECT_FALSE(enabled);
  EXPECT_EQ(sameFont, (std::vector<bool>{true, true, true}));
  EXPECT_GE(gotFocus, 1);
  EXPECT_EQ(as<TControl>(missing).hWnd.integer(), 0);
  EXPECT_FALSE(threadMessage);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].subCode, kErrNonDefinedId);
  EXPECT_EQ(errors[0].operation, "No:    999");
}

TEST_F(Controls, IdentifiersCountUpAndWrapAfter30000) {
  const Value control = lanmere::createObject("TCONTROL");
  lanmere::send(control, "_nInitID", {Value()});
  EXPECT_EQ(as<TControl>(control).GetNewId().integer(), 101);
  EXPECT_EQ(as<TControl>(control).GetNewId().integer(), 102);
  long long last = 0;
  for (int i = 3; i <= 29901; ++i) last = as<TControl>(control).GetNewId().integer();
  EXPECT_EQ(last, 100);
  lanmere::send(control, "_nInitID", {Value()});
}

// A dialog built in memory from three controls: each writes its item and is bound to it.
TEST_F(Controls, ACodeBuiltDialogCreatesAndBindsItsControls) {
  const Value dialog = pixelDialog(100, 100, 300, 400, "Built");
  std::vector<Value> controls;
  for (long long top : {10, 40, 70}) {
    const Value control = bind(dialog, Value());
    as<TControl>(control).nTop = top;
    as<TControl>(control).nLeft = 10;
    as<TControl>(control).nBottom = top + 20;
    as<TControl>(control).nRight = 150;
    controls.push_back(control);
  }
  std::vector<std::string> classes;
  runModal(dialog, {[&](HWND hwnd) {
                      if (!hwnd) return false;
                      for (const Value& each : controls) {
                        classes.push_back(windowClassName(as<TControl>(each).hwnd()));
                      }
                      return true;
                    },
                    endWith(dialog, 1)});
  EXPECT_EQ(classes, (std::vector<std::string>{"TCONTROL", "TCONTROL", "TCONTROL"}));
  EXPECT_NE(as<TControl>(controls[0]).nId.integer(), as<TControl>(controls[1]).nId.integer());
  EXPECT_TRUE(errors.empty());
}

// ---- Navigation ----

TEST_F(Controls, TabWrapsInATopLevelDialog) {
  const Value dialog = resource();
  for (int id : {kIdFirst, kIdSecond, kIdGo, IDOK, IDCANCEL}) bind(dialog, id);
  runModal(dialog,
           {ready, moveFocus(IDCANCEL), focusIs(IDCANCEL), keys({VK_TAB}), focusIs(kIdFirst),
            keys({VK_SHIFT, VK_TAB}), focusIs(IDCANCEL), endWith(dialog, 1)});
}

// In a dialog with a parent window object the controls want every key: they navigate, Enter
// reaches the default push button and Esc the dialog, which does not end.
TEST_F(Controls, ControlsNavigateInADialogWithAParentWindow) {
  const Value owner = pixelWindow(50, 50, 400, 500, "Owner");
  const Value dialog = resource(owner);
  std::vector<Value> controls;
  for (int id : {kIdFirst, kIdSecond, kIdGo, IDOK, IDCANCEL}) controls.push_back(bind(dialog, id));
  int okKeys = 0;
  int dialogEscapes = 0;
  as<TControl>(controls[3]).bKeyDown = closure([&](lanmere::Args args) {
    if (lanmere::arg(args, 1).integer() == VK_RETURN) ++okKeys;
    return Value();
  });
  as<TDialog>(dialog).bKeyDown = closure([&](lanmere::Args args) {
    if (lanmere::arg(args, 1).integer() == VK_ESCAPE) ++dialogEscapes;
    return Value();
  });
  long long dialogCode = 0;
  runModal(dialog, {ready, moveFocus(IDCANCEL), focusIs(IDCANCEL),
                    [&](HWND hwnd) {
                      dialogCode = SendMessageA(GetDlgItem(hwnd, kIdFirst), WM_GETDLGCODE, 0, 0);
                      return true;
                    },
                    keys({VK_TAB}), focusIs(kIdFirst), keys({VK_SHIFT, VK_TAB}), focusIs(IDCANCEL),
                    moveFocus(kIdFirst), focusIs(kIdFirst), keys({VK_RETURN}),
                    [&](HWND) { return okKeys == 1; }, keys({VK_ESCAPE}),
                    [&](HWND) { return dialogEscapes == 1; }, endWith(dialog, 1)});
  EXPECT_EQ(dialogCode, DLGC_WANTALLKEYS);
  EXPECT_EQ(okKeys, 1);
  destroy(owner);
}

TEST_F(Controls, ControlsNavigateOnAPlainWindow) {
  Panel panel;
  const Value first = panel.control("EDIT", kIdFirst, WS_TABSTOP | WS_BORDER, 10, 10);
  const Value second = panel.control("EDIT", kIdSecond, WS_TABSTOP | WS_BORDER, 40, 10);
  const Value ok = panel.control("BUTTON", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 80, 10);
  int okKeys = 0;
  int escapes = 0;
  as<TControl>(ok).bKeyDown = closure([&](lanmere::Args args) {
    okKeys += lanmere::arg(args, 1).integer() == VK_RETURN;
    return Value();
  });
  as<TWindow>(panel.window).bKeyDown = closure([&](lanmere::Args args) {
    escapes += lanmere::arg(args, 1).integer() == VK_ESCAPE;
    return Value();
  });
  auto focused = [](const Value& control) {
    return [control] { return GetFocus() == as<TControl>(control).hwnd(); };
  };
  SetFocus(as<TControl>(ok).hwnd());
  postKey(as<TControl>(ok).hwnd(), VK_TAB);
  EXPECT_TRUE(pump(focused(first)));
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = 0x80;
  SetKeyboardState(state);
  postKey(as<TControl>(first).hwnd(), VK_TAB);
  const bool wrappedBack = pump(focused(ok));
  state[VK_SHIFT] = 0;
  SetKeyboardState(state);
  EXPECT_TRUE(wrappedBack);
  SetFocus(as<TControl>(first).hwnd());
  postKey(as<TControl>(first).hwnd(), VK_RETURN);
  EXPECT_TRUE(pump([&] { return okKeys == 1; }));
  postKey(as<TControl>(first).hwnd(), VK_ESCAPE);
  EXPECT_TRUE(pump([&] { return escapes == 1; }));
  EXPECT_EQ(lanmere::send(second, "GetDlgCode", {VK_TAB}).isNil(), true);
}

// ---- Validation ----

TEST_F(Controls, AnInvalidFieldKeepsTheFocus) {
  const Value dialog = resource();
  const Value first = bind(dialog, kIdFirst);
  bind(dialog, kIdSecond);
  const Value go = bind(dialog, kIdGo);
  int checks = 0;
  bool valid = false;
  as<TControl>(first).bValid = closure([&](lanmere::Args) {
    ++checks;
    return Value(valid);
  });
  auto checked = [&](int count) { return [&checks, count] { return checks == count; }; };
  runModal(dialog, {ready, moveFocus(kIdFirst), focusIs(kIdFirst), keys({VK_TAB}),
                    focusIs(kIdFirst, checked(1)), keys({VK_TAB}), focusIs(kIdFirst, checked(2)),
                    [](HWND hwnd) {
                      postClick(GetDlgItem(hwnd, kIdSecond));
                      return true;
                    },
                    focusIs(kIdFirst, checked(3)),
                    [&](HWND hwnd) {
                      valid = true;
                      postClick(GetDlgItem(hwnd, kIdSecond));
                      return true;
                    },
                    focusIs(kIdSecond, checked(4)),
                    // a click moves the focus once: nothing moves it on after the validation
                    [](HWND hwnd) { return PostMessageA(hwnd, WM_NULL, 0, 0) != 0; },
                    focusIs(kIdSecond), moveFocus(kIdFirst), focusIs(kIdFirst),
                    [&](HWND) {
                      as<TControl>(first).oJump = go;
                      pressKeys({VK_TAB});
                      return true;
                    },
                    focusIs(kIdGo, checked(5)), endWith(dialog, 1)});
  EXPECT_EQ(checks, 5);
  EXPECT_TRUE(as<TControl>(first).oJump.isNil());
}

TEST_F(Controls, ABoxInBValidLeavesTheFocusOnTheField) {
  const Value dialog = resource();
  const Value first = bind(dialog, kIdFirst);
  bind(dialog, kIdSecond);
  int checks = 0;
  as<TControl>(first).bValid = closure([&](lanmere::Args) {
    ++checks;
    lanmere::callFunction("MSGALERT", {Value("Not valid")});
    return Value(false);
  });
  int boxes = 0;
  ModalDriver driver([&](const BoxInfo& box) {
    if (box.text != "Not valid") return 0;
    ++boxes;
    return IDOK;
  });
  runModal(dialog, {ready, moveFocus(kIdFirst), focusIs(kIdFirst), keys({VK_TAB}),
                    [&](HWND hwnd) {
                      if (checks != 1) return false;
                      // Wine's display may take the focus from the dialog as the box goes; the
                      // dialog then gives it to its remembered control when it gets it back.
                      if (!IsChild(hwnd, GetFocus())) {
                        SetFocus(nullptr);
                        SetFocus(hwnd);
                      }
                      return focusedId(hwnd) == kIdFirst;
                    },
                    endWith(dialog, 1)});
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(checks, 1);
}

// A field inside a panel of the dialog is validated when the focus goes to a field of the dialog
// itself; the dialog is marked validating meanwhile, so that field does not validate in turn.
TEST_F(Controls, ValidationAcrossParents) {
  const Value dialog = resource();
  const Value second = bind(dialog, kIdSecond);
  int inner = 0;
  int outer = 0;
  as<TControl>(second).bValid = counter(outer, false);
  Value field;
  runModal(dialog, {ready,
                    [&](HWND hwnd) {
                      const Value panel = childWindow(dialog, 150);
                      CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 100,
                                      18, hwndOf(panel), reinterpret_cast<HMENU>(301), nullptr,
                                      nullptr);
                      field = bind(panel, 301);
                      as<TControl>(field).Initiate(number(hwndOf(panel)));
                      as<TControl>(field).bValid = counter(inner, false);
                      SetFocus(as<TControl>(field).hwnd());
                      return hwnd != nullptr;
                    },
                    [&](HWND hwnd) {
                      if (GetFocus() != as<TControl>(field).hwnd()) return false;
                      postClick(GetDlgItem(hwnd, kIdSecond));
                      return true;
                    },
                    [&](HWND) { return inner == 1 && GetFocus() == as<TControl>(field).hwnd(); },
                    endWith(dialog, 1)});
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(outer, 0);
}

// A BREAK out of bValid leaves no parent validating: the next validation runs.
TEST_F(Controls, ABreakInBValidDoesNotSwitchValidationOff) {
  Panel panel;
  const Value first = panel.control("EDIT", kIdFirst, WS_TABSTOP | WS_BORDER, 10, 10);
  const Value second = panel.control("EDIT", kIdSecond, WS_TABSTOP | WS_BORDER, 40, 10);
  int checks = 0;
  as<TControl>(first).bValid = closure([&](lanmere::Args) -> Value {
    if (++checks == 1) lanmere::doBreak();
    return false;
  });
  auto validate = [&] {
    callWindows([&] {
      return SendMessageA(as<TControl>(first).hwnd(), kWmFrameworkLostFocus,
                          reinterpret_cast<WPARAM>(as<TControl>(second).hwnd()), 0);
    });
  };
  bool broke = false;
  lanmere::beginSequence(validate, [&](const Value&) { broke = true; });
  EXPECT_TRUE(broke);
  EXPECT_FALSE(as<TWindow>(panel.window).lValidating.logical());
  validate();
  EXPECT_EQ(checks, 2);
  EXPECT_EQ(GetFocus(), as<TControl>(first).hwnd());
}

// ---- Mnemonics ----

// Ctrl+Tab on a folder's page turns to the next page and Ctrl+Shift+Tab to the previous one,
// wrapping around at both ends; the key goes no further (0).
TEST_F(Controls, CtrlTabTurnsTheFoldersPagesWithWrapAround) {
  TTestFolder::Class();
  Panel panel;
  const Value folder = lanmere::createObject("TFOLDER");
  as<TWindow>(panel.window).oWnd = folder;
  const Value control = panel.control("EDIT", kIdFirst, WS_TABSTOP, 10, 10);
  struct Case {
    long long from;
    bool shift;
    long long to;
  };
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE saved[2] = {keys[VK_CONTROL], keys[VK_SHIFT]};
  for (const Case& c : {Case{1, false, 2}, Case{3, false, 1}, Case{1, true, 3}, Case{2, true, 1}}) {
    as<TTestFolder>(folder).nOption = c.from;
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = c.shift ? 0x80 : 0;
    SetKeyboardState(keys);
    const Value answer = lanmere::send(control, "KeyDown", {VK_TAB, 0});
    EXPECT_EQ(as<TTestFolder>(folder).nOption.integer(), c.to)
        << c.from << (c.shift ? " back" : "");
    EXPECT_EQ(answer.integer(), 0);
    EXPECT_TRUE(answer.isNumber());
  }
  keys[VK_CONTROL] = saved[0];
  keys[VK_SHIFT] = saved[1];
  SetKeyboardState(keys);
  as<TWindow>(panel.window).oWnd = Value();
}

TEST_F(Controls, TheKeyMenuCommandFindsTheHotControl) {
  const Value dialog = resource();
  const Value first = bind(dialog, kIdFirst);
  bind(dialog, kIdSecond);
  const Value go = bind(dialog, kIdGo, "TCOUNTINGCTL");
  auto& clicks = as<TCountingCtl>(go).clicks;
  bool valid = true;
  as<TControl>(first).bValid = closure([&](lanmere::Args) { return Value(valid); });
  auto keyMenu = [](int letter) {
    return [letter](HWND hwnd) {
      SendMessageA(GetFocus(), WM_SYSCOMMAND, SC_KEYMENU, letter);
      return hwnd != nullptr;
    };
  };
  auto focusFirst = moveFocus(kIdFirst);
  runModal(dialog, {ready, focusFirst, focusIs(kIdFirst), keyMenu('s'), focusIs(kIdSecond),
                    focusFirst, focusIs(kIdFirst), keyMenu('g'),
                    focusIs(kIdGo, [&] { return clicks == 1; }), focusFirst, focusIs(kIdFirst),
                    [&](HWND hwnd) {
                      valid = false;
                      return keyMenu('g')(hwnd);
                    },
                    focusIs(kIdFirst),
                    [&](HWND) {
                      valid = true;
                      pressKeys({VK_MENU, 'S'});
                      return true;
                    },
                    focusIs(kIdSecond), endWith(dialog, 1)});
  EXPECT_EQ(clicks, 1);
}

// On a plain window the key-menu command is the system's; a system key names a control by its
// caption's mnemonic, after bSysKeyDown.
TEST_F(Controls, SystemKeysOnAPlainWindow) {
  Panel panel;
  const Value first = panel.control("EDIT", kIdFirst, WS_TABSTOP | WS_BORDER, 10, 10);
  const Value go = panel.control("BUTTON", kIdGo, WS_TABSTOP, 50, 10, "TCOUNTINGCTL", "&Go");
  EXPECT_TRUE(as<TControl>(first).SysCommand(SC_KEYMENU, 's', 0).isNil());
  SetFocus(as<TControl>(first).hwnd());
  callWindows(
      [&] { return SendMessageA(as<TControl>(first).hwnd(), WM_SYSCOMMAND, SC_KEYMENU, 's'); });
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(GetFocus(), as<TControl>(first).hwnd());
  std::vector<long long> seen;
  as<TControl>(first).bSysKeyDown = closure([&](lanmere::Args args) {
    seen.push_back(lanmere::arg(args, 1).integer());
    return Value();
  });
  callWindows([&] { return SendMessageA(as<TControl>(first).hwnd(), WM_SYSKEYDOWN, 'G', 0); });
  auto& clicks = as<TCountingCtl>(go).clicks;
  EXPECT_TRUE(pump([&] { return clicks == 1; }));
  EXPECT_EQ(seen, std::vector<long long>{'G'});
}

// The value goes through bSetGet; the alignments dock the control to a side of its parent.
TEST_F(Controls, ValueLookAndAlignment) {
  Panel panel;
  const Value control = panel.control("EDIT", kIdFirst, WS_BORDER, 50, 50);
  auto cell = lanmere::make<lanmere::Cell>(Value("old"));
  as<TControl>(control).bSetGet = lanmere::setGet(cell);
  EXPECT_EQ(as<TControl>(control).VarGet().string(), "old");
  as<TControl>(control).VarPut("new");
  EXPECT_EQ(cell->value.string(), "new");
  as<TControl>(control).Set3DLook(true);
  EXPECT_TRUE(as<TControl>(control).l3D().logical());
  as<TControl>(control).Set3DLook(false);
  EXPECT_FALSE(as<TControl>(control).l3D().logical());
  RECT client{};
  GetClientRect(panel.hwnd, &client);
  const HWND hwnd = as<TControl>(control).hwnd();
  struct Case {
    long long align;
    bool fullWidth, fullHeight, atTop, atLeft;
  };
  // Each side keeps the control's own width (150) or height (24).
  const Case cases[] = {{3, false, true, true, true},
                        {4, false, true, true, false},
                        {1, true, false, true, true},
                        {2, true, false, false, true},
                        {5, true, true, true, true}};
  for (const Case& each : cases) {
    MoveWindow(hwnd, 50, 50, 150, 24, TRUE);
    lanmere::send(control, "_nAlign", {each.align});
    EXPECT_EQ(lanmere::send(control, "nAlign").integer(), each.align);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(nullptr, panel.hwnd, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.right - rect.left == client.right, each.fullWidth) << each.align;
    EXPECT_EQ(rect.bottom - rect.top == client.bottom, each.fullHeight) << each.align;
    EXPECT_EQ(rect.top == 0, each.atTop) << each.align;
    EXPECT_EQ(rect.left == 0, each.atLeft) << each.align;
  }
  lanmere::send(control, "_nAlign", {0});
  EXPECT_TRUE(as<TWindow>(panel.window).oClient.isNil());
}

// ---- Colours ----

TEST_F(Controls, ColoursAnswerTheBrushOfTheControlOrOfItsParent) {
  Panel panel;
  panel.child("EDIT", kIdFirst, WS_BORDER, 10, 10);
  const Value control = lanmere::createObject("TCONTROL");
  as<TControl>(control).nId = kIdFirst;
  as<TControl>(control).oWnd = panel.window;
  as<TWindow>(panel.window).AddControl(control);
  as<TControl>(control).Initiate(number(panel.hwnd));
  const HDC dc = CreateCompatibleDC(nullptr);
  auto request = [&] {
    return static_cast<long long>(callWindows([&] {
      return SendMessageA(panel.hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(as<TControl>(control).hwnd()));
    }));
  };
  auto brushOf = [](const Value& object) {
    return lanmere::send(lanmere::send(object, "oBrush"), "hBrush").integer();
  };
  overrideAppThemed(false);
  // Missing colours come from the device context.
  SetTextColor(dc, RGB(10, 20, 30));
  SetBkColor(dc, RGB(200, 210, 220));
  long long answer = request();
  EXPECT_EQ(answer, brushOf(control));
  EXPECT_EQ(as<TControl>(control).nClrText.integer(), RGB(10, 20, 30));
  EXPECT_EQ(as<TControl>(control).nClrPane.integer(), RGB(200, 210, 220));
  // The control's colours go into the context.
  as<TControl>(control).nClrText = static_cast<long long>(RGB(1, 2, 3));
  as<TControl>(control).nClrPane = static_cast<long long>(RGB(4, 5, 6));
  answer = request();
  EXPECT_EQ(answer, brushOf(control));
  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(GetBkColor(dc), RGB(4, 5, 6));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  // A transparent control answers the parent's brush.
  as<TControl>(control).lTransparent = true;
  answer = request();
  EXPECT_EQ(answer, brushOf(panel.window));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  // Without a theme a transparent control paints its background itself; themed, it does not.
  // The test switch stands for the theme: whether Wine has one active depends on its prefix.
  EXPECT_EQ(as<TControl>(control).EraseBkGnd(number(dc)).integer(), 1);
  EXPECT_FALSE(lanmere::callFunction("ISAPPTHEMED").logical());
  overrideAppThemed(true);
  EXPECT_TRUE(lanmere::callFunction("ISAPPTHEMED").logical());
  EXPECT_TRUE(as<TControl>(control).EraseBkGnd(number(dc)).isNil());
  answer = request();
  EXPECT_EQ(answer, brushOf(panel.window));
  overrideAppThemed(std::nullopt);
  DeleteDC(dc);
}

// ---- Mouse ----

// A position left of the control (a captured mouse) reaches the closures as a negative column,
// through every mouse message a control answers.
TEST_F(Controls, MouseColumnsAreSigned) {
  Panel panel;
  const Value control = panel.control("EDIT", kIdFirst, WS_BORDER, 10, 10);
  std::vector<long long> columns;
  const Value record = closure([&](lanmere::Args args) {
    columns.push_back(lanmere::arg(args, 2).integer());
    return Value(0);
  });
  as<TControl>(control).bMMoved = record;
  as<TControl>(control).bLClicked = record;
  as<TControl>(control).bLButtonUp = record;
  for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}) {
    for (int column : {-1, -32768}) {
      SendMessageA(as<TControl>(control).hwnd(), message, 0, mousePosition(column, 5));
    }
  }
  EXPECT_EQ(columns, (std::vector<long long>{-1, -32768, -1, -32768, -1, -32768}));
}

TEST_F(Controls, DragAndDrop) {
  Panel panel;
  const Value source = panel.control("EDIT", kIdFirst, WS_BORDER, 10, 10);
  const Value target = childWindow(panel.window, 100);
  as<TControl>(source).oDragCursor = Value(lanmere::make<TTestCursor>());
  int begun = 0;
  as<TControl>(source).bDragBegin = counter(begun);
  std::vector<long long> drop;
  as<TWindow>(target).bDropOver = closure([&](lanmere::Args args) {
    drop = {lanmere::arg(args, 1).integer(), lanmere::arg(args, 2).integer()};
    return Value();
  });
  const HWND hwnd = as<TControl>(source).hwnd();
  auto send = [&](UINT message, int x, int y, WPARAM flags) {
    callWindows([&] { return SendMessageA(hwnd, message, flags, mousePosition(x, y)); });
  };
  send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  send(WM_MOUSEMOVE, 13, 10, MK_LBUTTON);
  EXPECT_EQ(begun, 0);
  send(WM_MOUSEMOVE, 20, 10, MK_LBUTTON);
  send(WM_MOUSEMOVE, 25, 12, MK_LBUTTON);
  EXPECT_EQ(begun, 1);
  EXPECT_EQ(GetCapture(), hwnd);
  // Released over the target's client point (x 12, y 6).
  POINT at{12, 6};
  MapWindowPoints(hwndOf(target), hwnd, &at, 1);
  send(WM_LBUTTONUP, at.x, at.y, 0);
  EXPECT_EQ(drop, (std::vector<long long>{6, 12}));
  EXPECT_EQ(GetCapture(), nullptr);
  // A capture taken away mid-drag ends the drag: the release drops nothing.
  drop.clear();
  send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  send(WM_MOUSEMOVE, 30, 10, MK_LBUTTON);
  EXPECT_EQ(begun, 2);
  SetCapture(panel.hwnd);
  ReleaseCapture();
  send(WM_LBUTTONUP, at.x, at.y, 0);
  EXPECT_TRUE(drop.empty());
}

// ---- Design mode ----

TEST_F(Controls, DesignModeMovesSnapsAndDeletes) {
  Panel panel;
  const Value control = panel.control("EDIT", kIdFirst, WS_BORDER, 16, 24);
  const Value kept = panel.control("EDIT", kIdSecond, WS_BORDER, 80, 24);
  const HWND hwnd = as<TControl>(control).hwnd();
  MoveWindow(hwnd, 24, 16, 40, 24, TRUE);
  as<TControl>(control).lDrag = true;
  as<TControl>(kept).lDrag = true;
  std::vector<std::string> log;
  auto note = [&](const char* what) {
    return closure([&log, what](lanmere::Args) {
      log.push_back(what);
      return Value();
    });
  };
  as<TControl>(control).bPostDrag = note("post");
  as<TControl>(control).bDrag = note("drag");
  auto send = [&](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    callWindows([&] { return SendMessageA(window, message, wParam, lParam); });
  };
  send(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, mousePosition(20, 10));
  send(hwnd, WM_MOUSEMOVE, MK_LBUTTON, mousePosition(33, 31));
  send(hwnd, WM_LBUTTONUP, 0, mousePosition(33, 31));
  // (16, 24) dragged by (21, 13): both snap to 40.
  EXPECT_EQ(lanmere::send(control, "nTop").integer(), 40);
  EXPECT_EQ(lanmere::send(control, "nLeft").integer(), 40);
  EXPECT_EQ(log, (std::vector<std::string>{"drag", "post"}));
  EXPECT_EQ(GetFocus(), hwnd);
  EXPECT_EQ(lanmere::send(control, "aDots").length(), 8u);
  send(hwnd, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(lanmere::send(control, "nLeft").integer(), 48);
  EXPECT_EQ(log.back(), "post");
  // The bottom-right handle sizes: 40 by 24 dragged by (+9, +19) snaps to the edges 72 and 104.
  RECT inside{};
  GetClientRect(hwnd, &inside);
  send(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, mousePosition(inside.right - 1, inside.bottom - 1));
  EXPECT_EQ(as<TControl>(control).nMResize.integer(), 5);
  send(hwnd, WM_LBUTTONUP, 0, mousePosition(inside.right + 18, inside.bottom + 8));
  EXPECT_EQ(lanmere::send(control, "nWidth").integer(), 104 - 48);
  EXPECT_EQ(lanmere::send(control, "nHeight").integer(), 72 - 40);
  // Delete asks; No keeps the control, Yes removes it: bPreDelControl runs after the Yes.
  std::vector<int> answers = {IDNO, IDYES};
  ModalDriver driver([&](const BoxInfo& box) {
    if (box.text != "Delete this control ?" || answers.empty()) return 0;
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  for (const Value& each : {kept, control}) {
    as<TControl>(each).bPreDelControl = note("pre");
    as<TControl>(each).bPostDelControl = note("deleted");
  }
  log.clear();
  send(as<TControl>(kept).hwnd(), WM_KEYDOWN, VK_DELETE, 0);
  send(hwnd, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_TRUE(pump([&] { return !IsWindow(hwnd); }));
  EXPECT_EQ(log, (std::vector<std::string>{"pre", "deleted"}));
  EXPECT_TRUE(IsWindow(as<TControl>(kept).hwnd()));
  const Value& controls = as<TWindow>(panel.window).aControls;
  ASSERT_EQ(controls.length(), 1u);
  EXPECT_TRUE(controls.item(1).sharesStorageWith(kept));
  EXPECT_EQ(lanmere::send(control, "aDots").length(), 0u);
}

// ---- Removal ----

TEST_F(Controls, EndAndAClosedDialogLeaveNothingBehind) {
  const long before = TControl::liveCount();
  {
    const Value dialog = resource();
    const Value first = bind(dialog, kIdFirst);
    const Value second = bind(dialog, kIdSecond);
    as<TControl>(first).oJump = second;
    as<TControl>(first).bValid = closure([first](lanmere::Args) { return Value(true); });
    as<TControl>(second).bValid = closure([second](lanmere::Args) { return Value(true); });
    bool removed = false;
    runModal(dialog, {ready, moveFocus(kIdSecond), focusIs(kIdSecond),
                      [&](HWND) {
                        lanmere::send(second, "End");
                        const TDialog& parent = as<TDialog>(dialog);
                        removed = parent.aControls.length() == 1 && parent.oCtlFocus.isNil();
                        return true;
                      },
                      moveFocus(kIdFirst), focusIs(kIdFirst), endWith(dialog, 1)});
    EXPECT_TRUE(removed);
    for (const Value& slot : windowList().items()) {
      EXPECT_FALSE(slot.sharesStorageWith(first) || slot.sharesStorageWith(second));
    }
  }
  lanmere::callFunction("SETWNDDEFAULT", {Value()});
  EXPECT_EQ(TControl::liveCount(), before);
}

// AEvalWhen asks every control the window had when it started exactly once, whatever a closure
// does to the list meanwhile: one adds controls (the list outgrows its storage), one ends its own
// control (the rest move up a place).
TEST_F(Controls, AEvalWhenAsksEachControlOnceWhileAClosureAddsOrEndsOne) {
  struct Case {
    const char* what;
    std::function<void(const Value& window, const Value& first)> act;
    std::size_t controlsAfter;
  };
  const Case cases[] = {
      {"adds",
       [](const Value& window, const Value&) {
         for (int i = 0; i < 40; ++i) bind(window, 500 + i);
       },
       46},
      {"ends", [](const Value&, const Value& first) { lanmere::send(first, "End"); }, 5},
  };
  for (const Case& c : cases) {
    Panel panel;
    std::vector<int> asked(6, 0);
    std::vector<Value> controls;
    for (int i = 0; i < 6; ++i) {
      controls.push_back(bind(panel.window, 400 + i));
      as<TControl>(controls.back()).bWhen = closure([&, i](lanmere::Args) {
        ++asked[i];
        if (i == 0) c.act(panel.window, controls[0]);
        return Value(true);
      });
    }
    lanmere::send(panel.window, "AEvalWhen");
    EXPECT_EQ(asked, std::vector<int>(6, 1)) << c.what;
    EXPECT_EQ(as<TWindow>(panel.window).aControls.length(), c.controlsAfter) << c.what;
  }
}

// What a dialog does for its controls and its frame: the top control docked by AdjTop, the
// client control filling the rest after SetControl, help for the focused control or else the
// dialog, the context-help button unless lHelpIcon says no, and bNcActivate.
TEST_F(Controls, DockingHelpAndTheFrame) {
  const lanmere::ModuleTable& helpModule = helpStandIn();
  lanmere::registerModule(helpModule);
  for (const Value& helpIcon : {Value(), Value(false)}) {
    SCOPED_TRACE(helpIcon.isNil() ? "help icon" : "no help icon");
    helpTopics.clear();
    const Value dialog = pixelDialog(100, 100, 300, 400, "Docked");
    as<TDialog>(dialog).lHelpIcon = helpIcon;
    as<TDialog>(dialog).nHelpId = 5;
    std::vector<bool> activations;
    as<TDialog>(dialog).bNcActivate = closure([&](lanmere::Args args) {
      activations.push_back(lanmere::arg(args, 1).logical());
      return Value();
    });
    Value top, client;
    for (const long long row : {10, 40}) {
      Value& control = row == 10 ? top : client;
      control = bind(dialog, Value());
      as<TControl>(control).nTop = row;
      as<TControl>(control).nLeft = 10;
      as<TControl>(control).nBottom = row + 20;
      as<TControl>(control).nRight = 150;
    }
    as<TControl>(client).nHelpId = 77;
    LONG_PTR exStyle = 0;
    RECT area{}, topRect{}, clientRect{}, before{};
    runModal(dialog,
             {[&](HWND hwnd) { return hwnd && as<TControl>(client).hwnd(); },
              [&](HWND hwnd) {
                exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
                GetWindowRect(as<TControl>(top).hwnd(), &before);
                as<TDialog>(dialog).oTop = top;
                lanmere::send(dialog, "AdjTop");
                lanmere::send(dialog, "SetControl", {client});
                GetClientRect(hwnd, &area);
                for (auto [control, rect] : {std::pair{&top, &topRect}, {&client, &clientRect}}) {
                  GetWindowRect(as<TControl>(*control).hwnd(), rect);
                  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(rect), 2);
                }
                SetFocus(as<TControl>(client).hwnd());
                lanmere::send(dialog, "Help");
                SetFocus(as<TControl>(top).hwnd());
                lanmere::send(dialog, "Help");
                SendMessageA(hwnd, WM_NCACTIVATE, FALSE, 0);
                return true;
              },
              endWith(dialog, 1)});
    EXPECT_EQ((exStyle & WS_EX_CONTEXTHELP) != 0, helpIcon.isNil());
    EXPECT_EQ(topRect.top, 0);
    EXPECT_EQ(topRect.left, 0);
    EXPECT_EQ(topRect.right, area.right);
    EXPECT_EQ(topRect.bottom, before.bottom - before.top);
    EXPECT_EQ(clientRect.top, topRect.bottom);
    EXPECT_EQ(clientRect.left, 0);
    EXPECT_EQ(clientRect.right, area.right);
    EXPECT_EQ(clientRect.bottom, area.bottom);
    EXPECT_EQ(helpTopics, (std::vector<long long>{77, 5}));
    ASSERT_FALSE(activations.empty());
    EXPECT_FALSE(std::find(activations.begin(), activations.end(), false) == activations.end());
  }
}

TEST_F(Controls, GridSize) {
  auto pair = [](const Value& list) {
    return std::vector<long long>{list.item(1).integer(), list.item(2).integer()};
  };
  using Pair = std::vector<long long>;
  EXPECT_EQ(pair(lanmere::callFunction("SETGRIDSIZE", {10, 12})), (Pair{8, 8}));
  EXPECT_EQ(pair(lanmere::callFunction("GETGRIDSIZE")), (Pair{10, 12}));
  EXPECT_EQ(pair(lanmere::callFunction("SETGRIDSIZE", {0, Value()})), (Pair{10, 12}));
  EXPECT_EQ(pair(lanmere::callFunction("GETGRIDSIZE")), (Pair{10, 12}));
  EXPECT_EQ(snapToGrid(37, 8), 40);
  EXPECT_EQ(snapToGrid(-5, 8), -8);
  EXPECT_EQ(snapToGrid(3, 8), 0);
}

}  // namespace
}  // namespace kestrel::test
