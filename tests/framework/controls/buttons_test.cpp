// Push buttons and static texts in real windows and dialogs, driven with real keys and clicks:
// placement and styles, the click with its guards and validation, the default-push look, the
// label's captions (pictures through TRANSFORM), widening, and the generated source texts.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "framework/controls/fontapi.h"
#include "framework/controls/tbutton.h"
#include "framework/controls/ticon.h"
#include "framework/controls/tsay.h"
#include "framework/core/dialogbox.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "runtime/error.h"
#include "tests/framework/controls/buttons_test_ids.h"
#include "tests/framework/core/dialog_fixture.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

TButton& btn(const Value& button) {
  return static_cast<TButton&>(*button.object());
}

TSay& say(const Value& label) {
  return static_cast<TSay&>(*label.object());
}

Value newButton(const TButton::NewArgs& args) {
  return lanmere::construct<TButton>(args);
}

Value newSay(const TSay::NewArgs& args) {
  return lanmere::construct<TSay>(args);
}

Value fixed(Value answer) {
  return closure([answer](lanmere::Args) { return answer; });
}

Value counter(int& count, Value answer = {}) {
  return closure([&count, answer](lanmere::Args) {
    ++count;
    return answer;
  });
}

// The window's rectangle in its parent's client coordinates.
RECT placement(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string windowText(HWND hwnd) {
  char text[256] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

LONG_PTR styleOf(HWND hwnd) {
  return GetWindowLongPtrA(hwnd, GWL_STYLE);
}

bool looksDefault(const Value& button) {
  return (styleOf(btn(button).hwnd()) & BS_DEFPUSHBUTTON) != 0;
}

void click(HWND window) {
  postMouse(window, WM_LBUTTONDOWN, 3, 3, MK_LBUTTON);
  postMouse(window, WM_LBUTTONUP, 3, 3);
}

// Lets every posted message run.
void settle() {
  int rounds = 0;
  pumpUntil([&] { return ++rounds > 5; }, 500);
}

class Buttons : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    ShowWindow(hwnd, SW_SHOWNORMAL);
  }
  void TearDown() override {
    destroy(window);
    DialogTest::TearDown();
  }
  Value window = pixelWindow(100, 100, 400, 500, "Buttons");
  HWND hwnd = hwndOf(window);
};

// ---- Buttons ----

TEST_F(Buttons, PlacementSizeAndStyle) {
  struct Case {
    TButton::NewArgs args;
    std::string caption;
    long top, left, width, height;
    bool defaultPush, clipSiblings;
  } cases[] = {
      {{}, "&Button", 0, 0, 42, 13, false, false},
      {{.nRow = 0, .nCol = 0, .cCaption = "OK"}, "OK", 0, 0, 30, 13, false, false},
      {{.nRow = 2, .nCol = 3, .cCaption = "Go"}, "Go", 36, 18, 30, 13, false, false},
      {{.nRow = 5,
        .nCol = 7,
        .cCaption = "Wide",
        .nWidth = 80,
        .nHeight = 25,
        .lDefault = true,
        .lPixel = true},
       "Wide",
       5,
       7,
       80,
       25,
       true,
       false},
      {{.nRow = 1, .nCol = 1, .cCaption = "D", .lPixel = true, .lDesign = true},
       "D",
       1,
       1,
       30,
       13,
       false,
       true},
  };
  for (Case& c : cases) {
    c.args.oWnd = window;
    const Value button = newButton(c.args);
    const HWND made = btn(button).hwnd();
    ASSERT_TRUE(made) << c.caption;
    const RECT rect = placement(made);
    EXPECT_EQ(windowClassName(made), "Button");
    EXPECT_EQ(windowText(made), c.caption);
    EXPECT_EQ(rect.top, c.top) << c.caption;
    EXPECT_EQ(rect.left, c.left) << c.caption;
    EXPECT_EQ(rect.right - rect.left, c.width) << c.caption;
    EXPECT_EQ(rect.bottom - rect.top, c.height) << c.caption;
    EXPECT_EQ((styleOf(made) & BS_DEFPUSHBUTTON) != 0, c.defaultPush) << c.caption;
    EXPECT_EQ((styleOf(made) & WS_CLIPSIBLINGS) != 0, c.clipSiblings) << c.caption;
    EXPECT_EQ(btn(button).lDrag.logical(), c.clipSiblings);
    bool listed = false;
    for (const Value& each : as(window).aControls.items()) listed |= each.sharesStorageWith(button);
    EXPECT_TRUE(listed) << c.caption;
  }
}

TEST_F(Buttons, ClickRunsTheActionOnceAndRecovers) {
  Value got;
  int actions = 0;
  int siblingWhens = 0;
  bool when = true;
  const Value sibling = newButton({.nRow = 3, .nCol = 0, .cCaption = "Sibling", .oWnd = window});
  btn(sibling).bWhen = counter(siblingWhens, true);
  const Value button = newButton({.nRow = 0, .nCol = 0, .cCaption = "Go", .oWnd = window});
  auto clickIt = [&] {
    callWindows([&] { return SendMessageA(btn(button).hwnd(), kWmFrameworkClick, 0, 0); });
  };
  btn(button).bWhen = closure([&](lanmere::Args) { return Value(when); });
  btn(button).bAction = closure([&](lanmere::Args args) {
    got = lanmere::arg(args, 1);
    ++actions;
    clickIt();  // a click while the action runs is ignored
    return Value();
  });
  clickIt();
  EXPECT_EQ(actions, 1);
  EXPECT_TRUE(got.sharesStorageWith(button));
  EXPECT_EQ(siblingWhens, 1);  // the parent's controls were re-evaluated
  EXPECT_FALSE(btn(button).lProcessing.logical());

  when = false;
  clickIt();
  EXPECT_EQ(actions, 1);
  when = true;

  btn(button).lCancel = true;
  clickIt();
  EXPECT_EQ(actions, 2);
  EXPECT_EQ(siblingWhens, 1);  // not after a cancel button
  btn(button).lCancel = false;

  // An action whose error is BREAKed out of leaves the button working.
  btn(button).bAction = closure([&](lanmere::Args) -> Value {
    if (++actions == 3) lanmere::doBreak();
    return {};
  });
  bool broke = false;
  lanmere::beginSequence(clickIt, [&](const Value&) { broke = true; });
  EXPECT_TRUE(broke);
  EXPECT_FALSE(btn(button).lProcessing.logical());
  clickIt();
  EXPECT_EQ(actions, 4);

  // A real click of the mouse, through the system's input queue.
  clickCenter(btn(button).hwnd());
  EXPECT_TRUE(pumpUntil([&] { return actions == 5; }));
}

TEST_F(Buttons, KeysAndTheDefaultLook) {
  const Value first = newButton({.nRow = 0, .nCol = 0, .cCaption = "First", .oWnd = window});
  const Value second =
      newButton({.nRow = 2, .nCol = 0, .cCaption = "Second", .oWnd = window, .lDefault = true});
  int actions = 0;
  btn(first).bAction = counter(actions);
  SetFocus(btn(first).hwnd());
  ASSERT_TRUE(pumpUntil([&] { return looksDefault(first); }));
  // Enter posts the click: the action runs after the key handler returned.
  SendMessageA(btn(first).hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(actions, 0);
  EXPECT_TRUE(pumpUntil([&] { return actions == 1; }));
  EXPECT_EQ(as(window).nLastKey.integer(), VK_RETURN);
  // Arrows move the focus; the button left loses the look, the declared default keeps it.
  SendMessageA(btn(first).hwnd(), WM_KEYDOWN, VK_DOWN, 0);
  ASSERT_TRUE(pumpUntil([&] { return GetFocus() == btn(second).hwnd(); }));
  settle();
  EXPECT_FALSE(looksDefault(first));
  EXPECT_TRUE(looksDefault(second));
  SendMessageA(btn(second).hwnd(), WM_KEYDOWN, VK_UP, 0);
  ASSERT_TRUE(pumpUntil([&] { return GetFocus() == btn(first).hwnd(); }));
  settle();
  EXPECT_TRUE(looksDefault(first));
  EXPECT_TRUE(looksDefault(second));
  // bKeyDown takes the keys of the table.
  int keys = 0;
  btn(first).bKeyDown = counter(keys);
  SendMessageA(btn(first).hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  SendMessageA(btn(first).hwnd(), WM_KEYDOWN, VK_RIGHT, 0);
  settle();
  EXPECT_EQ(keys, 2);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(GetFocus(), btn(first).hwnd());
}

TEST_F(Buttons, ButtonsAndLabelsInDialogs) {
  // Built in memory: the controls write their own template items.
  const Value built = pixelDialog(100, 100, 300, 400, "Built");
  const Value button =
      newButton({.nRow = 10, .nCol = 10, .cCaption = "&Run", .oWnd = built, .lPixel = true});
  const Value label = newSay({.nRow = 40,
                              .nCol = 10,
                              .bText = fixed("Label"),
                              .oWnd = built,
                              .lPixel = true,
                              .nWidth = 60});
  std::vector<std::string> classes, texts;
  runModal(built, {[&](HWND dialog) {
                     if (!dialog) return false;
                     for (HWND each : {btn(button).hwnd(), say(label).hwnd()}) {
                       classes.push_back(windowClassName(each));
                       texts.push_back(windowText(each));
                     }
                     return true;
                   },
                   [&](HWND) {
                     lanmere::send(built, "End", {1});
                     return true;
                   }});
  EXPECT_EQ(classes, (std::vector<std::string>{"Button", "Static"}));
  EXPECT_EQ(texts, (std::vector<std::string>{"&Run", "Label"}));

  // Bound from the resource.
  const Value dialog = resourceDialog("BTNDLG");
  const Value ok = lanmere::construct<TButton>(TButton::ReDefineArgs{.nId = IDOK, .oWnd = dialog});
  const Value go = lanmere::construct<TButton>(
      TButton::ReDefineArgs{.nId = kIdGoButton, .oWnd = dialog, .cPrompt = "&Start"});
  const Value kept = lanmere::construct<TSay>(TSay::ReDefineArgs{.nId = kIdLabel, .oWnd = dialog});
  const Value shown = lanmere::construct<TSay>(TSay::ReDefineArgs{
      .nId = kIdEmptyLabel, .bText = fixed("abc"), .oWnd = dialog, .cPicture = "@!"});
  runModal(dialog, {[&](HWND hwnd) {
                      if (!hwnd) return false;
                      texts = {windowText(btn(go).hwnd()), windowText(say(kept).hwnd()),
                               windowText(say(shown).hwnd())};
                      return true;
                    },
                    [&](HWND) {
                      lanmere::send(dialog, "End", {1});
                      return true;
                    }});
  EXPECT_TRUE(btn(ok).lDefault.logical());
  EXPECT_FALSE(btn(go).lDefault.logical());
  EXPECT_EQ(texts, (std::vector<std::string>{"&Start", "Resource text", "ABC"}));
  EXPECT_EQ(say(kept).cCaption.string(), "Resource text");
  EXPECT_TRUE(errors.empty());
}

// With an invalid field: a cancel button takes the focus without validating and runs its
// action; Enter in the field (handed to the default button by the field) and a click on OK
// each validate once, leave the focus on the field and run no action.
TEST_F(Buttons, ButtonsInTheValidationProtocol) {
  const Value dialog = newDialog({.cResName = "BTNDLG", .oWnd = window});
  const Value field = lanmere::createObject("TCONTROL");
  lanmere::send(field, "Redefine", {kIdField, dialog});
  int checks = 0;
  static_cast<TControl&>(*field.object()).bValid = counter(checks, false);
  int okActions = 0;
  int cancelActions = 0;
  lanmere::construct<TButton>(
      TButton::ReDefineArgs{.nId = IDOK, .bAction = counter(okActions), .oWnd = dialog});
  lanmere::construct<TButton>(TButton::ReDefineArgs{
      .nId = IDCANCEL, .bAction = counter(cancelActions), .oWnd = dialog, .lCancel = true});
  auto focusIs = [](int id, std::function<bool()> also) {
    return [id, also](HWND hwnd) { return focusedId(hwnd) == id && also(); };
  };
  auto onField = [](HWND hwnd) {
    SendMessageA(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd, kIdField)), TRUE);
    return true;
  };
  int settled = 0;
  auto settleSteps = [&settled](HWND) { return ++settled % 10 == 0; };
  runModal(dialog, {[](HWND hwnd) { return hwnd && focusedId(hwnd) != 0; }, onField,
                    focusIs(kIdField, [] { return true; }),
                    [](HWND hwnd) {
                      click(GetDlgItem(hwnd, IDCANCEL));
                      return true;
                    },
                    focusIs(IDCANCEL, [&] { return cancelActions == 1 && checks == 0; }),
                    [](HWND hwnd) {
                      click(GetDlgItem(hwnd, kIdField));
                      return true;
                    },
                    focusIs(kIdField, [] { return true; }),
                    [](HWND) {
                      pressKeys({VK_RETURN});
                      return true;
                    },
                    focusIs(kIdField, [&] { return checks == 1; }), settleSteps,
                    [&](HWND hwnd) {
                      EXPECT_EQ(okActions, 0);
                      EXPECT_EQ(checks, 1);
                      postMouse(GetDlgItem(hwnd, IDOK), WM_LBUTTONDOWN, 3, 3, MK_LBUTTON);
                      return true;
                    },
                    // the user releases the button after the focus change was handled
                    focusIs(kIdField, [&] { return checks >= 2; }),
                    [](HWND hwnd) {
                      postMouse(GetDlgItem(hwnd, IDOK), WM_LBUTTONUP, 3, 3);
                      return true;
                    },
                    settleSteps,
                    [&](HWND) {
                      lanmere::send(dialog, "End", {1});
                      return true;
                    }});
  EXPECT_EQ(checks, 2);
  EXPECT_EQ(okActions, 0);
  EXPECT_EQ(cancelActions, 1);
}

// ---- Labels ----

TEST_F(Buttons, LabelPlacementWidthAndColours) {
  const Value font = newFont("Arial", 20);
  const Value label =
      newSay({.nRow = 1, .nCol = 10, .bText = fixed("Hello"), .oWnd = window, .nHeight = 15});
  RECT rect = placement(say(label).hwnd());
  EXPECT_EQ(rect.top, 17);
  EXPECT_EQ(rect.bottom - 1, 31);
  EXPECT_EQ(rect.left, 60);
  EXPECT_EQ(windowClassName(say(label).hwnd()), "Static");
  EXPECT_EQ(say(label).nClrPane.integer(), as(window).nClrPane.integer());

  const Value measured = newSay({.bText = fixed("Measured text"), .oWnd = window, .oFont = font});
  rect = placement(say(measured).hwnd());
  EXPECT_EQ(rect.right - rect.left,
            textWidth(nullptr, "Measured text", handleOfMember<HFONT>(font, msg::hFont)));
  EXPECT_EQ(rect.bottom - rect.top, 20);

  const Value nothing = newSay({.bText = fixed(Value()), .oWnd = window, .nWidth = 40});
  EXPECT_EQ(windowText(say(nothing).hwnd()), "");

  // A label on a dialog takes the button face; a transparent one the parent's brush.
  const Value dialog = pixelDialog(10, 10, 100, 100);
  const Value onDialog = newSay({.bText = fixed("x"), .oWnd = dialog, .nWidth = 20});
  EXPECT_EQ(say(onDialog).nClrPane.integer(), static_cast<long long>(GetSysColor(COLOR_BTNFACE)));
  as(window).SetBrush(newBrush(RGB(10, 200, 30)));
  const Value clear =
      newSay({.bText = fixed("x"), .oWnd = window, .nWidth = 20, .lTransparent = true});
  EXPECT_TRUE(say(clear).oBrush.sharesStorageWith(as(window).oBrush));

  // The hit test lets clicks through only with lWantClick.
  RECT screen{};
  GetWindowRect(say(label).hwnd(), &screen);
  const LPARAM point = MAKELPARAM(screen.left + 2, screen.top + 2);
  auto hit = [&] {
    return callWindows([&] { return SendMessageA(say(label).hwnd(), WM_NCHITTEST, 0, point); });
  };
  EXPECT_NE(hit(), HTCLIENT);
  say(label).lWantClick = true;
  EXPECT_EQ(hit(), HTCLIENT);
}

TEST_F(Buttons, LabelTextsPicturesAndWidening) {
  struct Case {
    Value value;
    Value picture;
    std::string shown;
  } cases[] = {
      {"abc", "@!", "ABC"},
      {3.14159, "999.99", "  3.14"},
      {42, "", "42"},
      {"plain", Value(), "plain"},
  };
  for (const Case& c : cases) {
    const Value label =
        newSay({.bText = fixed(c.value), .oWnd = window, .cPicture = c.picture, .nWidth = 80});
    EXPECT_EQ(windowText(say(label).hwnd()), c.shown);
    lanmere::send(label, "SetText", {c.value});
    EXPECT_EQ(windowText(say(label).hwnd()), c.shown);
    lanmere::send(label, "VarPut", {c.value});
    lanmere::send(label, "SetText", {"other"});
    lanmere::send(label, "Refresh");
    EXPECT_EQ(windowText(say(label).hwnd()), c.shown);
  }

  // Refresh follows bGet.
  std::string source = "one";
  const Value live = newSay({.bText = closure([&](lanmere::Args) { return Value(source); }),
                             .oWnd = window,
                             .nWidth = 80});
  source = "two";
  lanmere::send(live, "Refresh");
  EXPECT_EQ(windowText(say(live).hwnd()), "two");

  // lAdjust widens a left-aligned label to the text + 20, never shrinks, never a centred one.
  const std::string longer = "A much longer text than before";
  for (bool centered : {false, true}) {
    const Value label = newSay({.bText = fixed("Hi"),
                                .oWnd = window,
                                .lCentered = centered,
                                .nWidth = 30,
                                .lAdjust = true});
    lanmere::send(label, "SetText", {Value(longer)});
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(say(label).hwnd(), WM_GETFONT, 0, 0));
    const long wide = textWidth(nullptr, longer, font) + 20;
    RECT rect = placement(say(label).hwnd());
    EXPECT_EQ(rect.right - rect.left, centered ? 30 : wide);
    lanmere::send(label, "SetText", {"x"});
    rect = placement(say(label).hwnd());
    EXPECT_EQ(rect.right - rect.left, centered ? 30 : wide);
  }
}

TEST_F(Buttons, GeneratedTexts) {
  const Value button =
      newButton({.nRow = 10, .nCol = 20, .cCaption = "&Button", .oWnd = window, .lPixel = true});
  const long long id = btn(button).nId.integer();
  EXPECT_EQ(lanmere::send(button, "cGenPRG").string(),
            "\r\n   @ 10, 20 BUTTON \"&Button\" SIZE 42, 13 PIXEL OF oWnd ;\r\n"
            "      ACTION MsgInfo( \"Not defined yet!\" )\r\n");
  const long long units = GETDLGBASEUNITS();
  const long long bx = units & 0xFFFF;
  const long long by = (units >> 16) & 0xFFFF;
  EXPECT_EQ(lanmere::send(button, "cGenPRG", {true}).string(),
            "\r\n   @ " + std::to_string(10 * 8 / by) + ", " + std::to_string(20 * 4 / bx) +
                " BUTTON \"&Button\" SIZE " + std::to_string(42 * 4 / bx) + ", " +
                std::to_string(13 * 8 / by) +
                " PIXEL OF oWnd ;\r\n      ACTION MsgInfo( \"Not defined yet!\" )\r\n");
  EXPECT_EQ(lanmere::send(button, "SaveToRC", {2}).string(),
            "  PUSHBUTTON \"&Button\", " + std::to_string(id) + ", 10, 20, 42, 13");

  const Value label = newSay(
      {.nRow = 5, .nCol = 60, .bText = fixed("Hi"), .oWnd = window, .lPixel = true, .nWidth = 50});
  EXPECT_EQ(lanmere::send(label, "cGenPrg").string(),
            "\r\n   @   5,  60 SAY \"Hi\" SIZE  50,  15 PIXEL OF oWnd\r\n");
  EXPECT_EQ(lanmere::send(label, "SaveToRC").string(),
            "LTEXT \"Hi\", " + std::to_string(say(label).nId.integer()) + ", 5, 60, 50, 15");
  // Built again from its own numbers, the label has the same size.
  const Value again = newSay({.nRow = 5,
                              .nCol = 60,
                              .bText = fixed("Hi"),
                              .oWnd = window,
                              .lPixel = true,
                              .nWidth = 50,
                              .nHeight = 15});
  EXPECT_EQ(lanmere::send(again, "cGenPrg").string(), lanmere::send(label, "cGenPrg").string());
}

// ---- Icons ----

// Rows and columns in text cells may be fractional: every control places itself at the whole
// pixel of row x its row height and column x its column width.
TEST_F(Buttons, FractionalRowsAndColumnsCount) {
  for (const lanmere::ModuleTable* module : servicesModules()) lanmere::registerModule(*module);
  SETWNDDEFAULT(window);
  const struct {
    const char* className;
    long long top, left;
  } cases[] = {{"TSAY", 22 + 2, 15},  {"TBUTTON", 27, 15},  {"TGET", 19, 20},
               {"TCOMBOBOX", 21, 20}, {"TLISTBOX", 21, 20}, {"TSCROLLBAR", 21, 20},
               {"TICON", 21, 20}};
  for (const auto& c : cases) {
    Value at[] = {1.5, 2.5};
    const Value control = lanmere::send(lanmere::createObject(c.className), lanmere::symbol("New"),
                                        lanmere::Args(at));
    EXPECT_EQ(lanmere::send(control, "nTop").integer(), c.top) << c.className;
    EXPECT_EQ(lanmere::send(control, "nLeft").integer(), c.left) << c.className;
  }
}

// A program passes constructor arguments by position, in the documented order (C++ callers name
// them): a value at a late position lands in the member the documentation names, so a list
// declared with a name missing, added or moved shows here.
TEST_F(Buttons, ConstructorsTakeTheDocumentedPositions) {
  for (const lanmere::ModuleTable* module : servicesModules()) lanmere::registerModule(*module);
  SETWNDDEFAULT(window);
  const Value dialog = resourceDialog("BTNDLG");
  const Value u;  // a left-out argument
  const struct {
    const char* className;
    const char* method;
    std::vector<Value> args;
    const char* member;
    Value expected;
  } cases[] = {
      {"TWINDOW",
       "New",
       {10, 10, 50, 90, "probe", u, u, u, u, u,    u,
        u,  u,  u,  u,  u,       u, u, u, u, true, WS_EX_TOOLWINDOW},
       "nExStyle",
       WS_EX_TOOLWINDOW},
      {"TDIALOG",
       "New",
       {u, u, u, u, "probe", u, u, u, u, u, u, u, u, u, u, u, 4242},
       "nHelpId",
       4242},
      {"TBUTTON",
       "New",
       {u, u, u, u, u, u, u, u, u, u, u, u, "probe", u, u, u, true},
       "lCancel",
       true},
      {"TBUTTON", "ReDefine", {9001, u, dialog, u, u, u, u, u, "probe"}, "cCaption", "probe"},
      {"TSAY", "New", {u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, true}, "lUpdate", true},
      {"TSAY", "ReDefine", {9002, u, dialog, u, u, u, true}, "lUpdate", true},
      {"TGET",
       "New",
       {u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u,      u,
        u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, "probe"},
       "cCueText",
       "probe"},
      {"TGET",
       "ReDefine",
       {9003, u, dialog, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, "probe"},
       "cCueText",
       "probe"},
      {"TMULTIGET", "New", {u, u, u, u, u, u, u, u, u, u, u, u, "probe"}, "cMsg", "probe"},
      {"TMULTIGET", "ReDefine", {9004, u, dialog, u, u, u, u, u, u, u, u, true}, "lReadOnly", true},
      {"TLISTBOX", "New", {u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, "probe"}, "cMsg", "probe"},
      {"TLISTBOX", "ReDefine", {9005, u, u, u, dialog, u, u, u, "*.probe"}, "cFileSpec", "*.probe"},
      {"TCOMBOBOX", "New", {u, u, u, u, u, u, u, u, u, u, u, u, u, u, "probe"}, "cMsg", "probe"},
      {"TCOMBOBOX", "ReDefine", {9006, u, u, dialog, 4242}, "nHelpId", 4242},
      {"TSCROLLBAR",
       "New",
       {u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, u, "probe"},
       "cMsg",
       "probe"},
      {"TSCROLLBAR", "WinNew", {u, u, u, true, window, u, u, u, u, u, u, u, true}, "lUpdate", true},
      {"TSCROLLBAR",
       "ReDefine",
       {9007, u, u, u, dialog, u, u, u, u, u, u, u, "probe"},
       "cMsg",
       "probe"},
      {"TICON", "New", {u, u, u, u, u, u, u, true}, "lUpdate", true},
      {"TICON", "ReDefine", {9008, u, u, u, true, dialog}, "lUpdate", true},
      {"TBTNBMP", "New", {u, u, u, u, u, u, u, u, u, u, true}, "lGroup", true},
      {"TMSGBAR", "New", {window, u, u, u, u, u, u, u, u, u, u, true}, "l2010", true},
      {"TMENUITEM", "New", {"probe", u, u, u, u, u, u, u, u, u, u, 4242}, "nHelpId", 4242},
      {"TFONT",
       "New",
       {"Arial", u, -13, u, u, u, u, u, u, u, u, u, u, u, u, u, 2},
       "nPitchFamily",
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.className) + ":" + c.method);
    std::vector<Value> args = c.args;
    const Value made = lanmere::send(lanmere::createObject(c.className), lanmere::symbol(c.method),
                                     lanmere::Args(args));
    ASSERT_TRUE(made.isObject());
    EXPECT_TRUE(lanmere::exactlyEqual(lanmere::send(made, c.member), c.expected));
    if (std::string(c.className) == "TWINDOW") {
      EXPECT_EQ(lanmere::send(made, "cCaption").string(), "probe");
      destroy(made);
    }
    if (std::string(c.className) == "TFONT") lanmere::send(made, "End");
  }
}

TEST_F(Buttons, IconControls) {
  auto newIcon = [&](Value row, Value col, Value resName, Value file) {
    return lanmere::construct<TIcon>(
        {.nRow = row, .nCol = col, .cResName = resName, .cIcoFile = file, .oWnd = window});
  };
  auto icon = [](const Value& control) -> TIcon& { return static_cast<TIcon&>(*control.object()); };
  auto pixel = [](HWND hwnd, int x, int y) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const HDC dc = GetDC(hwnd);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return color;
  };
  // Our icon (red square, green centre) from a file (the program's own) and a resource: the
  // resource's shows, and the file's is not leaked.
  // The resource records live in the services layer.
  for (const lanmere::ModuleTable* module : servicesModules()) lanmere::registerModule(*module);
  auto icons = [] {
    const auto& all = trackedResources();
    return std::count_if(all.begin(), all.end(), [](const TrackedResource& r) {
      return r.type == "ICON" && r.handle != 0;
    });
  };
  const auto iconsBefore = icons();
  char file[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, file, MAX_PATH);
  const Value ours = newIcon(2, 3, "TESTICON", Value(std::string(file)));
  const HWND made = icon(ours).hwnd();
  ASSERT_TRUE(made);
  const RECT rect = placement(made);
  EXPECT_EQ(icons(), iconsBefore + 1);  // the file's icon went when the resource's came
  EXPECT_EQ(rect.top, 28);
  EXPECT_EQ(rect.left, 24);
  EXPECT_EQ(rect.right - rect.left, 32);
  EXPECT_EQ(rect.bottom - rect.top, 32);
  EXPECT_EQ(windowClassName(made), "TICON");
  EXPECT_EQ(pixel(made, 6, 6), RGB(255, 0, 0));
  EXPECT_EQ(pixel(made, 16, 16), RGB(0, 128, 0));  // the 16-colour green
  // A missing file leaves the icon as it is.
  const Value before = icon(ours).hIcon;
  lanmere::send(ours, "SetFile", {"no such file.ico"});
  EXPECT_TRUE(icon(ours).hIcon.sharesStorageWith(before) ||
              icon(ours).hIcon.integer() == before.integer());
  // A system icon is shared: the control shows it and never destroys it.
  const Value system = newIcon(0, 0, 32515, {});
  const HICON shared = LoadIconA(nullptr, MAKEINTRESOURCEA(32515));
  EXPECT_EQ(handleFrom<HICON>(icon(system).hIcon), shared);
  lanmere::send(system, "End");
  lanmere::send(ours, "End");
  EXPECT_TRUE(pumpUntil([&] { return !IsWindow(made); }));
  EXPECT_EQ(icons(), iconsBefore);
  // A window's icon given as text is an icon object without a window of its own.
  const Value windowIcon = iconFromText("TESTICON");
  EXPECT_EQ(icon(windowIcon).hWnd.integer(), 0);
  EXPECT_NE(icon(windowIcon).hIcon.integer(), 0);
  lanmere::send(windowIcon, "End");
  EXPECT_EQ(icons(), iconsBefore);

  // Bound from a dialog item of class "TIcon" (ReDefine registers the class first).
  const Value dialog = resourceDialog("ICONDLG");
  const Value bound = lanmere::construct<TIcon>(
      TIcon::ReDefineArgs{.nId = kIdIcon, .cResName = "TESTICON", .oWnd = dialog});
  COLORREF shown = 0;
  runModal(dialog, {[&](HWND hwnd) {
                      if (!hwnd || !IsWindowVisible(hwnd) || !icon(bound).hwnd()) return false;
                      shown = pixel(icon(bound).hwnd(), 6, 6);
                      return true;
                    },
                    [&](HWND) {
                      lanmere::send(dialog, "End", {1});
                      return true;
                    }});
  EXPECT_EQ(shown, RGB(255, 0, 0));
  EXPECT_EQ(icons(), iconsBefore);
  ICONINFO info{};
  EXPECT_TRUE(GetIconInfo(shared, &info));
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace kestrel::test
