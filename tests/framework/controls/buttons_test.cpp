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
#include "tests/support/dialog_fixture.h"
#include "tests/support/files.h"

namespace kestrel::test {
namespace {

LONG_PTR styleOf(HWND hwnd) {
  return GetWindowLongPtrA(hwnd, GWL_STYLE);
}

bool looksDefault(const Value& button) {
  return (styleOf(as<TButton>(button).hwnd()) & BS_DEFPUSHBUTTON) != 0;
}

// Lets every posted message run.
void runPosted() {
  int rounds = 0;
  pumpUntil([&] { return ++rounds > 5; }, 500);
}

using Buttons = WindowTest;

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
    const Value button = lanmere::construct<TButton>(c.args);
    const HWND made = as<TButton>(button).hwnd();
    ASSERT_TRUE(made) << c.caption;
    const RECT rect = rectInParent(made);
    EXPECT_EQ(windowClassName(made), "Button");
    EXPECT_EQ(windowText(made), c.caption);
    EXPECT_EQ(rect.top, c.top) << c.caption;
    EXPECT_EQ(rect.left, c.left) << c.caption;
    EXPECT_EQ(rect.right - rect.left, c.width) << c.caption;
    EXPECT_EQ(rect.bottom - rect.top, c.height) << c.caption;
    EXPECT_EQ((styleOf(made) & BS_DEFPUSHBUTTON) != 0, c.defaultPush) << c.caption;
    EXPECT_EQ((styleOf(made) & WS_CLIPSIBLINGS) != 0, c.clipSiblings) << c.caption;
    EXPECT_EQ(as<TButton>(button).lDrag.logical(), c.clipSiblings);
    bool listed = false;
    for (const Value& each : as<TWindow>(window).aControls.items())
      listed |= each.sharesStorageWith(button);
    EXPECT_TRUE(listed) << c.caption;
  }
}

TEST_F(Buttons, ClickRunsTheActionOnceAndRecovers) {
  Value got;
  int actions = 0;
  int siblingWhens = 0;
  bool when = true;
  const Value sibling =
      lanmere::construct<TButton>({.nRow = 3, .nCol = 0, .cCaption = "Sibling", .oWnd = window});
  as<TButton>(sibling).bWhen = counter(siblingWhens, true);
  const Value button =
      lanmere::construct<TButton>({.nRow = 0, .nCol = 0, .cCaption = "Go", .oWnd = window});
  auto clickIt = [&] {
    callWindows([&] { return SendMessageA(as<TButton>(button).hwnd(), kWmFrameworkClick, 0, 0); });
  };
  as<TButton>(button).bWhen = closure([&](lanmere::Args) { return Value(when); });
  as<TButton>(button).bAction = closure([&](lanmere::Args args) {
    got = lanmere::arg(args, 1);
    ++actions;
    clickIt();  // a click while the action runs is ignored
    return Value();
  });
  clickIt();
  EXPECT_EQ(actions, 1);
  EXPECT_TRUE(got.sharesStorageWith(button));
  EXPECT_EQ(siblingWhens, 1);  // the parent's controls were re-evaluated
  EXPECT_FALSE(as<TButton>(button).lProcessing.logical());

  when = false;
  clickIt();
  EXPECT_EQ(actions, 1);
  when = true;

  as<TButton>(button).lCancel = true;
  clickIt();
  EXPECT_EQ(actions, 2);
  EXPECT_EQ(siblingWhens, 1);  // not after a cancel button
  as<TButton>(button).lCancel = false;

  // An action whose error is BREAKed out of leaves the button working.
  as<TButton>(button).bAction = closure([&](lanmere::Args) -> Value {
    if (++actions == 3) lanmere::doBreak();
    return {};
  });
  bool broke = false;
  lanmere::beginSequence(clickIt, [&](const Value&) { broke = true; });
  EXPECT_TRUE(broke);
  EXPECT_FALSE(as<TButton>(button).lProcessing.logical());
  clickIt();
  EXPECT_EQ(actions, 4);

  // A real click of the mouse, through the system's input queue.
  clickCenter(as<TButton>(button).hwnd());
  EXPECT_TRUE(pumpUntil([&] { return actions == 5; }));
}

TEST_F(Buttons, KeysAndTheDefaultLook) {
  const Value first =
      lanmere::construct<TButton>({.nRow = 0, .nCol = 0, .cCaption = "First", .oWnd = window});
  const Value second = lanmere::construct<TButton>(
      {.nRow = 2, .nCol = 0, .cCaption = "Second", .oWnd = window, .lDefault = true});
  int actions = 0;
  as<TButton>(first).bAction = counter(actions);
  SetFocus(as<TButton>(first).hwnd());
  ASSERT_TRUE(pumpUntil([&] { return looksDefault(first); }));
  // Enter posts the click: the action runs after the key handler returned.
  SendMessageA(as<TButton>(first).hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(actions, 0);
  EXPECT_TRUE(pumpUntil([&] { return actions == 1; }));
  EXPECT_EQ(as<TWindow>(window).nLastKey.integer(), VK_RETURN);
  // Arrows move the focus; the button left loses the look, the declared default keeps it.
  SendMessageA(as<TButton>(first).hwnd(), WM_KEYDOWN, VK_DOWN, 0);
  ASSERT_TRUE(pumpUntil([&] { return GetFocus() == as<TButton>(second).hwnd(); }));
  runPosted();
  EXPECT_FALSE(looksDefault(first));
  EXPECT_TRUE(looksDefault(second));
  SendMessageA(as<TButton>(second).hwnd(), WM_KEYDOWN, VK_UP, 0);
  ASSERT_TRUE(pumpUntil([&] { return GetFocus() == as<TButton>(first).hwnd(); }));
  runPosted();
  EXPECT_TRUE(looksDefault(first));
  EXPECT_TRUE(looksDefault(second));
  // bKeyDown takes the keys of the table.
  int keys = 0;
  as<TButton>(first).bKeyDown = counter(keys);
  SendMessageA(as<TButton>(first).hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  SendMessageA(as<TButton>(first).hwnd(), WM_KEYDOWN, VK_RIGHT, 0);
  runPosted();
  EXPECT_EQ(keys, 2);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(GetFocus(), as<TButton>(first).hwnd());
}

TEST_F(Buttons, ButtonsAndLabelsInDialogs) {
  // Built in memory: the controls write their own template items.
  const Value built = pixelDialog(100, 100, 300, 400, "Built");
  const Value button = lanmere::construct<TButton>(
      {.nRow = 10, .nCol = 10, .cCaption = "&Run", .oWnd = built, .lPixel = true});
  const Value label = lanmere::construct<TSay>({.nRow = 40,
                                                .nCol = 10,
                                                .bText = fixed("Label"),
                                                .oWnd = built,
                                                .lPixel = true,
                                                .nWidth = 60});
  std::vector<std::string> classes, texts;
  runModal(built, {[&](HWND dialog) {
                     if (!dialog) return false;
                     for (HWND each : {as<TButton>(button).hwnd(), as<TSay>(label).hwnd()}) {
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
                      texts = {windowText(as<TButton>(go).hwnd()),
                               windowText(as<TSay>(kept).hwnd()),
                               windowText(as<TSay>(shown).hwnd())};
                      return true;
                    },
                    [&](HWND) {
                      lanmere::send(dialog, "End", {1});
                      return true;
                    }});
  EXPECT_TRUE(as<TButton>(ok).lDefault.logical());
  EXPECT_FALSE(as<TButton>(go).lDefault.logical());
  EXPECT_EQ(texts, (std::vector<std::string>{"&Start", "Resource text", "ABC"}));
  EXPECT_EQ(as<TSay>(kept).cCaption.string(), "Resource text");
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
  as<TControl>(field).bValid = counter(checks, false);
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
                      postClick(GetDlgItem(hwnd, IDCANCEL));
                      return true;
                    },
                    focusIs(IDCANCEL, [&] { return cancelActions == 1 && checks == 0; }),
                    [](HWND hwnd) {
                      postClick(GetDlgItem(hwnd, kIdField));
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
  const Value label = lanmere::construct<TSay>(
      {.nRow = 1, .nCol = 10, .bText = fixed("Hello"), .oWnd = window, .nHeight = 15});
  RECT rect = rectInParent(as<TSay>(label).hwnd());
  EXPECT_EQ(rect.top, 17);
  EXPECT_EQ(rect.bottom - 1, 31);
  EXPECT_EQ(rect.left, 60);
  EXPECT_EQ(windowClassName(as<TSay>(label).hwnd()), "Static");
  EXPECT_EQ(as<TSay>(label).nClrPane.integer(), as<TWindow>(window).nClrPane.integer());

  const Value measured =
      lanmere::construct<TSay>({.bText = fixed("Measured text"), .oWnd = window, .oFont = font});
  rect = rectInParent(as<TSay>(measured).hwnd());
  EXPECT_EQ(rect.right - rect.left,
            textWidth(nullptr, "Measured text", handleOfMember<HFONT>(font, msg::hFont)));
  EXPECT_EQ(rect.bottom - rect.top, 20);

  const Value nothing =
      lanmere::construct<TSay>({.bText = fixed(Value()), .oWnd = window, .nWidth = 40});
  EXPECT_EQ(windowText(as<TSay>(nothing).hwnd()), "");

  // The frame flags are the static control's styles 4, 5 and 6.
  const struct {
    TSay::NewArgs args;
    LONG_PTR type;
  } frames[] = {{{.lShaded = true}, SS_BLACKRECT},
                {{.lBox = true}, SS_GRAYRECT},
                {{.lRaised = true}, SS_WHITERECT}};
  for (const auto& f : frames) {
    TSay::NewArgs args = f.args;
    args.bText = fixed("x");
    args.oWnd = window;
    args.nWidth = 20;
    const Value framed = lanmere::construct<TSay>(args);
    EXPECT_EQ(as<TSay>(framed).nStyle.integer() & SS_TYPEMASK, f.type);
    EXPECT_EQ(styleOf(as<TSay>(framed).hwnd()) & SS_TYPEMASK, f.type);
  }
  // Redefined, even on a plain window, a label takes the button face.
  ASSERT_NE(as<TWindow>(window).nClrPane.integer(),
            static_cast<long long>(GetSysColor(COLOR_BTNFACE)));
  const Value redefined =
      lanmere::construct<TSay>(TSay::ReDefineArgs{.nId = 900, .bText = fixed("r"), .oWnd = window});
  EXPECT_EQ(as<TSay>(redefined).nClrPane.integer(),
            static_cast<long long>(GetSysColor(COLOR_BTNFACE)));

  // A label on a dialog takes the button face; a transparent one the parent's brush.
  const Value dialog = pixelDialog(10, 10, 100, 100);
  const Value onDialog =
      lanmere::construct<TSay>({.bText = fixed("x"), .oWnd = dialog, .nWidth = 20});
  EXPECT_EQ(as<TSay>(onDialog).nClrPane.integer(),
            static_cast<long long>(GetSysColor(COLOR_BTNFACE)));
  as<TWindow>(window).SetBrush(newBrush(RGB(10, 200, 30)));
  const Value clear = lanmere::construct<TSay>(
      {.bText = fixed("x"), .oWnd = window, .nWidth = 20, .lTransparent = true});
  EXPECT_TRUE(as<TSay>(clear).oBrush.sharesStorageWith(as<TWindow>(window).oBrush));

  // The hit test lets clicks through only with lWantClick.
  RECT screen{};
  GetWindowRect(as<TSay>(label).hwnd(), &screen);
  const LPARAM point = MAKELPARAM(screen.left + 2, screen.top + 2);
  auto hit = [&] {
    return callWindows(
        [&] { return SendMessageA(as<TSay>(label).hwnd(), WM_NCHITTEST, 0, point); });
  };
  EXPECT_NE(hit(), HTCLIENT);
  as<TSay>(label).lWantClick = true;
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
    const Value label = lanmere::construct<TSay>(
        {.bText = fixed(c.value), .oWnd = window, .cPicture = c.picture, .nWidth = 80});
    EXPECT_EQ(windowText(as<TSay>(label).hwnd()), c.shown);
    lanmere::send(label, "SetText", {c.value});
    EXPECT_EQ(windowText(as<TSay>(label).hwnd()), c.shown);
    lanmere::send(label, "VarPut", {c.value});
    lanmere::send(label, "SetText", {"other"});
    lanmere::send(label, "Refresh");
    EXPECT_EQ(windowText(as<TSay>(label).hwnd()), c.shown);
  }

  // Refresh follows bGet.
  std::string source = "one";
  const Value live =
      lanmere::construct<TSay>({.bText = closure([&](lanmere::Args) { return Value(source); }),
                                .oWnd = window,
                                .nWidth = 80});
  source = "two";
  lanmere::send(live, "Refresh");
  EXPECT_EQ(windowText(as<TSay>(live).hwnd()), "two");

  // lAdjust widens a left-aligned label to the text + 20, never shrinks, never a centred one.
  const std::string longer = "A much longer text than before";
  for (bool centered : {false, true}) {
    const Value label = lanmere::construct<TSay>({.bText = fixed("Hi"),
                                                  .oWnd = window,
                                                  .lCentered = centered,
                                                  .nWidth = 30,
                                                  .lAdjust = true});
    lanmere::send(label, "SetText", {Value(longer)});
    const HFONT font =
        reinterpret_cast<HFONT>(SendMessageA(as<TSay>(label).hwnd(), WM_GETFONT, 0, 0));
    const long wide = textWidth(nullptr, longer, font) + 20;
    RECT rect = rectInParent(as<TSay>(label).hwnd());
    EXPECT_EQ(rect.right - rect.left, centered ? 30 : wide);
    lanmere::send(label, "SetText", {"x"});
    rect = rectInParent(as<TSay>(label).hwnd());
    EXPECT_EQ(rect.right - rect.left, centered ? 30 : wide);
  }
}

TEST_F(Buttons, GeneratedTexts) {
  const Value button = lanmere::construct<TButton>(
      {.nRow = 10, .nCol = 20, .cCaption = "&Button", .oWnd = window, .lPixel = true});
  const long long id = as<TButton>(button).nId.integer();
  EXPECT_EQ(lanmere::send(button, "cGenPRG").string(),
            "\r\n   @ 10, 20 BUTTON \"&Button\" SIZE 42, 13 PIXEL OF oWnd ;\r\n"
            "      ACTION MsgInfo( \"Not defined yet!\" )\r\n");
  // In whole dialog units, here those of the system font's 7 x 16 cells (a unit is 7/4 pixels
  // across and 2 down): 20 pixels across are 11 units, 13 down are 6.
  ASSERT_EQ(GETDLGBASEUNITS(), MAKELONG(7, 16));
  EXPECT_EQ(lanmere::send(button, "cGenPRG", {true}).string(),
            "\r\n   @ 5, 11 BUTTON \"&Button\" SIZE 24, 6 PIXEL OF oWnd ;\r\n"
            "      ACTION MsgInfo( \"Not defined yet!\" )\r\n");
  EXPECT_EQ(lanmere::send(button, "SaveToRC", {2}).string(),
            "  PUSHBUTTON \"&Button\", " + std::to_string(id) + ", 10, 20, 42, 13");

  const Value label = lanmere::construct<TSay>(
      {.nRow = 5, .nCol = 60, .bText = fixed("Hi"), .oWnd = window, .lPixel = true, .nWidth = 50});
  EXPECT_EQ(lanmere::send(label, "cGenPrg").string(),
            "\r\n   @   5,  60 SAY \"Hi\" SIZE  50,  15 PIXEL OF oWnd\r\n");
  EXPECT_EQ(lanmere::send(label, "SaveToRC").string(),
            "LTEXT \"Hi\", " + std::to_string(as<TSay>(label).nId.integer()) + ", 5, 60, 50, 15");
  // Built again from its own numbers, the label has the same size.
  const Value again = lanmere::construct<TSay>({.nRow = 5,
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
  registerModules({servicesModules()});
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
  registerModules({servicesModules()});
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
  auto icon = [](const Value& control) -> TIcon& { return as<TIcon>(control); };
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
  registerModules({servicesModules()});
  auto icons = [] {
    const auto& all = trackedResources();
    return std::count_if(all.begin(), all.end(), [](const TrackedResource& r) {
      return r.type == "ICON" && r.handle != 0;
    });
  };
  const auto iconsBefore = icons();
  const Value ours = newIcon(2, 3, "TESTICON", Value(thisProgram()));
  const HWND made = icon(ours).hwnd();
  ASSERT_TRUE(made);
  const RECT rect = rectInParent(made);
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
  // Made with New in a dialog that has no window yet: one icon while the dialog shows, none after.
  const Value early = pixelDialog(40, 40, 200, 200, "Icons");
  const Value late =
      lanmere::construct<TIcon>({.nRow = 1, .nCol = 1, .cResName = "TESTICON", .oWnd = early});
  long long whileShown = -1;
  runModal(early, {[&](HWND hwnd) { return hwnd && icon(late).hwnd(); },
                   check([&] { whileShown = icons() - iconsBefore; }), endWith(early)});
  EXPECT_EQ(whileShown, 1);
  EXPECT_EQ(icons(), iconsBefore);
  ICONINFO info{};
  EXPECT_TRUE(GetIconInfo(shared, &info));
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace kestrel::test
