// Edit fields in real dialogs, typed into with real keys and clicks: pictures, leaving and
// validation, read-only and password fields, the clipboard, resource fields, geometry and the
// generated texts, and that dialogs full of fields leak nothing.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/tbutton.h"
#include "framework/controls/tget.h"
#include "framework/core/handles.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/editsettings.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/files.h"

namespace kestrel::test {
namespace {

constexpr int kIdText = 301, kIdPhone = 302, kIdSecret = 303, kIdFixed = 304;

// A field placed in pixels unless the arguments say otherwise.
Value newGet(TGet::NewArgs a) {
  if (a.lPixel.isNil()) a.lPixel = true;
  return lanmere::construct<TGet>(a);
}

int caretOf(HWND hwnd) {
  return LOWORD(SendMessageA(hwnd, EM_GETSEL, 0, 0));
}

class Gets : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    lanmere::setInsertMode(false);
    lanmere::setConfirmSetting(false);
  }
  Value dialog = pixelDialog(40, 40, 560, 600, "Fields");
  // A second field to move to.
  Var other{Value("          ")};
  Value next() {
    return newGet({.nRow = 40, .nCol = 10, .bSetGet = other.block(), .oWnd = dialog});
  }
  Value at(int row, TGet::NewArgs args) {
    args.nRow = row;
    args.nCol = 10;
    args.oWnd = dialog;
    if (args.nWidth.isNil()) args.nWidth = 150;
    if (args.nHeight.isNil()) args.nHeight = 20;
    return newGet(args);
  }
};

// ---- Typing under pictures ----

TEST_F(Gets, TypingUnderPictures) {
  struct Case {
    const char* picture;
    Value start;
    std::vector<Step> (*input)();
    std::string whileFocused;
    Value stored;
    std::string shownAfter;
  };
  const Case cases[] = {
      // literals are skipped; the variable waits for the Tab
      {"@R 999-9999", "       ", [] { return std::vector<Step>{type("555123")}; }, "555-123 ",
       "555123 ", "555-123 "},
      {"@!", "abcd", [] { return std::vector<Step>{type("xy")}; }, "XYCD", "XYCD", "XYCD"},
      // no separators while focused; "." jumps behind the point
      {"999,999.99", 1234.5,
       [] {
         return std::vector<Step>{keys({VK_RIGHT}), type(".2")};
       },
       "  1234.20", 1234.2, "  1,234.20"},
      // the first digit replaces the whole number
      {"999,999.99", 1234.5, [] { return std::vector<Step>{type("7")}; }, "7     .  ", 7.0,
       "      7.00"},
      // Home, End, Left, Delete and Backspace edit as the GET says
      {"@R 999-9999", "5551234",
       [] {
         return std::vector<Step>{keys({VK_END}),    keys({VK_BACK}),  keys({VK_HOME}),
                                  keys({VK_DELETE}), keys({VK_RIGHT}), keys({VK_RIGHT}),
                                  keys({VK_RIGHT}),  type("9")};
       },
       "55 -923 ", "55 923 ", "55 -923 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    dialog = pixelDialog(40, 40, 560, 600, "Fields");
    Var v{c.start};
    const Value get = at(10, {.bSetGet = v.block(), .cPicture = c.picture});
    const Value after = next();
    std::string focusedText, shown;
    Value beforeTab;
    std::vector<Step> steps{focusOn(get), focused(get)};
    for (Step& s : c.input()) steps.push_back(s);
    steps.push_back(settle());
    steps.push_back(check([&] {
      focusedText = windowText(as<TGet>(get).hwnd());
      beforeTab = *v;
    }));
    steps.push_back(keys({VK_TAB}));
    steps.push_back(focused(after));
    steps.push_back(check([&] { shown = windowText(as<TGet>(get).hwnd()); }));
    steps.push_back(endWith(dialog));
    runModal(dialog, steps);
    EXPECT_EQ(focusedText, c.whileFocused);
    EXPECT_TRUE(lanmere::exactlyEqual(beforeTab, c.start));
    EXPECT_TRUE(sameValue(*v, c.stored)) << kestrel::textForm(*v);
    EXPECT_EQ(shown, c.shownAfter);
  }
}

// Behind the last character (after End, Right at the end, or typing the last place) Delete has
// nothing to remove, Backspace removes the last character and typing is ignored.
TEST_F(Gets, DeleteAndBackspacePastTheEnd) {
  lanmere::setConfirmSetting(true);  // typing the last place keeps the focus
  struct Case {
    const char* title;
    std::vector<Step> (*input)();
    std::string shown;
  };
  const Case cases[] = {
      {"End, Backspace",
       [] {
         return std::vector<Step>{keys({VK_END}), keys({VK_BACK})};
       },
       "ab "},
      {"End, Delete",
       [] {
         return std::vector<Step>{keys({VK_END}), keys({VK_DELETE})};
       },
       "abc"},
      {"End, typing",
       [] {
         return std::vector<Step>{keys({VK_END}), type("x")};
       },
       "abc"},
      {"Right to the end, Backspace",
       [] {
         return std::vector<Step>{keys({VK_RIGHT}), keys({VK_RIGHT}), keys({VK_RIGHT}),
                                  keys({VK_BACK})};
       },
       "ab "},
      {"Right to the end, Delete",
       [] {
         return std::vector<Step>{keys({VK_RIGHT}), keys({VK_RIGHT}), keys({VK_RIGHT}),
                                  keys({VK_DELETE})};
       },
       "abc"},
      {"End, Left, Backspace",
       [] {
         return std::vector<Step>{keys({VK_END}), keys({VK_LEFT}), keys({VK_BACK})};
       },
       "ac "},
      {"typing the last place, Backspace",
       [] {
         return std::vector<Step>{keys({VK_END}), keys({VK_LEFT}), type("x"), keys({VK_BACK})};
       },
       "ab "},
      {"typing the last place, Delete, typing",
       [] {
         return std::vector<Step>{keys({VK_END}), keys({VK_LEFT}), type("x"), keys({VK_DELETE}),
                                  type("y")};
       },
       "abx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    dialog = pixelDialog(40, 40, 560, 600, "Fields");
    Var v{Value("abc")};
    const Value get = at(10, {.bSetGet = v.block()});
    next();
    std::string shown;
    std::vector<Step> steps{focusOn(get), focused(get)};
    for (Step& s : c.input()) steps.push_back(s);
    steps.push_back(settle());
    steps.push_back(check([&] { shown = windowText(as<TGet>(get).hwnd()); }));
    steps.push_back(endWith(dialog));
    runModal(dialog, steps);
    EXPECT_EQ(shown, c.shown);
  }
  lanmere::setConfirmSetting(false);
}

// A refused character changes nothing; the last position moves on with Enter as the last key,
// unless confirm is on; Insert switches every field.
TEST_F(Gets, RefusedTypedOutAndInsertMode) {
  for (const bool confirm : {false, true}) {
    SCOPED_TRACE(confirm);
    lanmere::setConfirmSetting(confirm);
    dialog = pixelDialog(40, 40, 560, 600, "Fields");
    Var phone{Value("5551234")};
    long long lastKey = -1;
    const Value get = at(10, {.bSetGet = phone.block(),
                              .cPicture = "@R 999-9999",
                              .bChanged = closure([&](auto) {
                                lastKey = as<TWindow>(dialog).nLastKey.integer();
                                return Value(true);
                              })});
    const Value after = next();
    std::string refused;
    int caret = -1;
    bool stayed = false;
    runModal(dialog,
             {focusOn(get), focused(get), type("a"), settle(), check([&] {
                refused = windowText(as<TGet>(get).hwnd());
                caret = caretOf(as<TGet>(get).hwnd());
              }),
              keys({VK_END}), keys({VK_LEFT}), type("8"), settle(),
              check([&] { stayed = GetFocus() == as<TGet>(get).hwnd(); }), endWith(dialog)});
    EXPECT_EQ(refused, "555-1234");
    EXPECT_EQ(caret, 0);
    EXPECT_EQ(stayed, confirm);
    if (!confirm) {
      EXPECT_EQ(lastKey, VK_RETURN);
      EXPECT_EQ((*phone).string(), "5551238");
    }
    (void)after;
  }
  lanmere::setConfirmSetting(false);
  // Insert mode is the process's: switched in one field, the next one inserts.
  Var a{Value("abc   ")}, b{Value("xyz   ")};
  const Value first = at(10, {.bSetGet = a.block()});
  const Value second = at(40, {.bSetGet = b.block()});
  std::string shown;
  runModal(dialog, {focusOn(first), focused(first), keys({VK_INSERT}), focusOn(second),
                    focused(second), type("Q"), settle(),
                    check([&] { shown = windowText(as<TGet>(second).hwnd()); }), endWith(dialog)});
  EXPECT_TRUE(lanmere::insertMode());
  EXPECT_EQ(shown, "Qxyz  ");
  lanmere::setInsertMode(false);
}

// ---- Leaving and validation ----

TEST_F(Gets, LeavingAndValidation) {
  // Tabbing through a rounded display stores nothing.
  Var precise{Value(1.234, 3)};
  int validCalls = 0;
  bool answer = false;
  Var checked{Value("     ")};
  const Value rounded = at(10, {.bSetGet = precise.block(), .cPicture = "9.99"});
  const Value guarded = at(40, {.bSetGet = checked.block(), .bValid = closure([&](auto) {
                                                              ++validCalls;
                                                              return Value(answer);
                                                            })});
  const Value after = next();
  Value cancel = lanmere::construct<TButton>({.nRow = 150,
                                              .nCol = 10,
                                              .cCaption = "Cancel",
                                              .oWnd = dialog,
                                              .nWidth = 60,
                                              .nHeight = 20,
                                              .lPixel = true,
                                              .lCancel = true});
  bool backInField = false;
  int caretAfterCheck = -1;
  runModal(dialog, {focusOn(rounded), focused(rounded), keys({VK_TAB}), focused(guarded), type("x"),
                    keys({VK_TAB}), settle(), check([&] {
                      backInField = GetFocus() == as<TGet>(guarded).hwnd();
                      caretAfterCheck = validCalls;
                    }),
                    type("y"),
                    // a cancel button takes the focus without asking
                    [&](HWND) { return clickCenter(as<TWindow>(cancel).hwnd()), true; }, settle(),
                    [&](HWND) { return GetFocus() == as<TWindow>(cancel).hwnd(); }, settle(),
                    endWith(dialog)});
  EXPECT_EQ((*precise).number(), 1.234);
  EXPECT_TRUE(backInField);
  EXPECT_EQ(caretAfterCheck, 1);
  EXPECT_EQ(validCalls, 1);
  EXPECT_EQ((*checked).string(), "xy   ");
  (void)after;

  // An invalid date keeps the focus with the caret at 1.
  dialog = pixelDialog(40, 40, 560, 600, "Fields");
  Var when{lanmere::ctod("01/31/24")};
  const Value date = at(10, {.bSetGet = when.block()});
  next();
  bool kept = false;
  int caret = -1;
  runModal(dialog, {focusOn(date), focused(date), type("13"), keys({VK_TAB}), settle(), check([&] {
                      kept = GetFocus() == as<TGet>(date).hwnd();
                      caret = caretOf(as<TGet>(date).hwnd());
                    }),
                    endWith(dialog)});
  EXPECT_TRUE(kept);
  EXPECT_EQ(caret, 0);
  EXPECT_EQ((*when).julian(), lanmere::ctod("01/31/24").julian());

  // bChange: false keeps the focus on Tab only when the buffer changed; nil keeps it on
  // Shift+Tab after a change, and Tab moves.
  struct Case {
    Value answer;
    bool edit, shift, stays;
  };
  const Case cases[] = {{false, false, false, false},
                        {false, true, false, true},
                        {Value(), true, true, true},
                        {Value(), true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.edit) + std::to_string(c.shift));
    dialog = pixelDialog(40, 40, 560, 600, "Fields");
    next();
    Var text{Value("abc")};
    const Value get =
        at(40, {.bSetGet = text.block(), .bChanged = closure([&](auto) { return c.answer; })});
    bool stays = false;
    std::vector<Step> steps{focusOn(get), focused(get)};
    if (c.edit) steps.push_back(type("z"));
    steps.push_back(c.shift ? keys({VK_SHIFT, VK_TAB}) : keys({VK_TAB}));
    steps.push_back(settle());
    steps.push_back(check([&] { stays = GetFocus() == as<TGet>(get).hwnd(); }));
    steps.push_back(endWith(dialog));
    runModal(dialog, steps);
    EXPECT_EQ(stays, c.stays);
  }
}

// A click in a blank date or a number starting with "(" puts the caret where typing starts.
TEST_F(Gets, ClicksPlaceTheCaret) {
  Var blank{Value::date(0)}, phone{Value("5551234567")};
  const Value date = at(10, {.bSetGet = blank.block()});
  const Value area = at(40, {.bSetGet = phone.block(), .cPicture = "@R (999) 999-9999"});
  std::vector<int> carets;
  auto clickAndRead = [&](const Value& get) {
    return std::vector<Step>{
        [get](HWND d) { return d && (clickCenter(as<TGet>(get).hwnd()), true); }, settle(),
        check([&, get] { carets.push_back(caretOf(as<TGet>(get).hwnd())); })};
  };
  std::vector<Step> steps;
  for (const Value& get : {date, area}) {
    for (Step& s : clickAndRead(get)) steps.push_back(s);
  }
  steps.push_back(endWith(dialog));
  runModal(dialog, steps);
  EXPECT_EQ(carets, (std::vector<int>{0, 1}));
}

// ---- Read-only and password ----

TEST_F(Gets, ReadOnlyAndPassword) {
  Var fixedText{Value("keep")}, secret{Value("        ")};
  const Value fixed = at(10, {.bSetGet = fixedText.block(), .lReadOnly = true});
  const Value password = at(40, {.bSetGet = secret.block(), .lPassword = true});
  next();
  std::string fixedShown;
  std::vector<std::string> masks;
  COLORREF ink = CLR_INVALID;
  std::vector<std::string> boxes;
  ModalDriver driver([&](const BoxInfo& box) {
    if (box.title != "Can't cut") return 0;
    boxes.push_back(box.title + ": " + box.text);
    return IDOK;
  });
  const Value result = runModal(
      dialog, {[&](HWND d) { return d && IsWindowVisible(d); },
               [&](HWND) { return clickCenter(as<TGet>(fixed).hwnd()), true; },
               focused(fixed),
               type("abc"),
               keys({VK_DELETE}),
               keys({VK_BACK}),
               settle(),
               check([&] {
                 fixedShown = windowText(as<TGet>(fixed).hwnd());
                 HideCaret(as<TGet>(fixed).hwnd());
                 // the darkest pixel of the text is the grey text colour
                 RedrawWindow(as<TGet>(fixed).hwnd(), nullptr, nullptr,
                              RDW_INVALIDATE | RDW_UPDATENOW);
                 COLORREF darkest = RGB(255, 255, 255);
                 for (int x = 0; x < 40; ++x) {
                   for (int y = 0; y < 18; ++y) {
                     const COLORREF c = windowPixel(as<TGet>(fixed).hwnd(), x, y);
                     if (GetRValue(c) + GetGValue(c) < GetRValue(darkest) + GetGValue(darkest))
                       darkest = c;
                   }
                 }
                 ink = darkest;
               }),
               check([&] { lanmere::send(fixed, "Cut"); }),
               [&](HWND d) { return d == as<TWindow>(dialog).hwnd(); },  // the box is gone
               focusOn(password),
               focused(password),
               type("s"),
               check([&] { masks.push_back(windowText(as<TGet>(password).hwnd())); }),
               type("ecret"),
               settle(),
               check([&] { masks.push_back(windowText(as<TGet>(password).hwnd())); }),
               keys({VK_TAB}),
               settle(),
               check([&] { masks.push_back(windowText(as<TGet>(password).hwnd())); }),
               focusOn(fixed),
               focused(fixed),
               keys({VK_ESCAPE})});
  EXPECT_EQ(fixedShown, "keep");
  EXPECT_EQ((*fixedText).string(), "keep");
  EXPECT_EQ(ink, GetSysColor(COLOR_GRAYTEXT));
  EXPECT_EQ(boxes, (std::vector<std::string>{"Can't cut: The get is read only!"}));
  const char bullet = ISAPPTHEMED() ? '\x95' : '*';
  EXPECT_EQ(masks, (std::vector<std::string>{std::string(1, bullet), std::string(6, bullet),
                                             std::string(6, bullet)}));
  EXPECT_EQ((*secret).string(), "secret  ");
  EXPECT_EQ(result.integer(), IDCANCEL);
}

// ---- Clipboard ----

TEST_F(Gets, ClipboardThroughTheGet) {
  Var phone{Value("       ")}, amount{Value(0LL)}, note{Value("      ")}, copied{Value("abcdef")};
  const Value phoneGet = at(10, {.bSetGet = phone.block(), .cPicture = "@R 999-9999"});
  const Value amountGet = at(35, {.bSetGet = amount.block(), .cPicture = "9999"});
  const Value noteGet = at(60, {.bSetGet = note.block()});
  const Value copyGet = at(85, {.bSetGet = copied.block()});
  int pastes = 0;
  const Value button = lanmere::construct<TButton>({.nRow = 150,
                                                    .nCol = 10,
                                                    .cCaption = "Paste",
                                                    .oWnd = dialog,
                                                    .bAction = closure([&](auto) {
                                                      ++pastes;
                                                      return lanmere::send(noteGet, "Paste");
                                                    }),
                                                    .nWidth = 60,
                                                    .nHeight = 20,
                                                    .lPixel = true});
  std::string phoneShown, cut, afterCut, shiftDeleted, afterShiftDelete;
  runModal(dialog,
           {focusOn(phoneGet), focused(phoneGet), check([] { setClipboard("5551234"); }),
            keys({VK_CONTROL, 'V'}), settle(),
            check([&] { phoneShown = windowText(as<TGet>(phoneGet).hwnd()); }), focusOn(amountGet),
            focused(amountGet), check([] { setClipboard("12ab"); }), keys({VK_SHIFT, VK_INSERT}),
            focusOn(copyGet), focused(copyGet), keys({VK_HOME}), keys({VK_SHIFT, VK_RIGHT}),
            keys({VK_SHIFT, VK_RIGHT}), keys({VK_CONTROL, 'X'}), settle(), check([&] {
              cut = clipboardText();
              afterCut = (*copied).string();
            }),
            // Shift+Delete deletes the selection and lets the system control cut it
            keys({VK_SHIFT, VK_RIGHT}), keys({VK_SHIFT, VK_RIGHT}), keys({VK_SHIFT, VK_DELETE}),
            settle(), check([&] {
              shiftDeleted = clipboardText();
              afterShiftDelete = windowText(as<TGet>(copyGet).hwnd());
            }),
            check([] { setClipboard("hello"); }),
            [&](HWND) { return clickCenter(as<TWindow>(button).hwnd()), true; }, settle(),
            endWith(dialog)});
  EXPECT_EQ(phoneShown, "555-1234");
  EXPECT_EQ((*phone).string(), "5551234");
  EXPECT_EQ((*amount).integer(), 12);
  EXPECT_EQ(cut, "ab");
  EXPECT_EQ(afterCut, "cdef  ");
  EXPECT_EQ(shiftDeleted, "cd");
  EXPECT_EQ(afterShiftDelete, "ef    ");
  EXPECT_EQ((*copied).string(), "ef    ");
  EXPECT_EQ(pastes, 1);
  EXPECT_EQ((*note).string(), "hello ");
}

// ---- Spinner steps ----

// Page Down steps up as the caret says, rounded to the field's decimals; a step past bMax
// stores nothing; months and years keep the day inside the month.
TEST_F(Gets, SpinnerStepsByTheCaret) {
  struct Case {
    const char* picture;
    Value start;
    int rights, presses;
    Value expected;
    int changes;
  };
  const Case cases[] = {
      {"9.99", Value(0.0, 2), 0, 1, 1.0, 1},    // the integer part: 1
      {"9.99", Value(0.0, 2), 1, 11, 1.0, 10},  // on the point: 0.1, up to bMax exactly
      {"9.999", Value(0.0, 3), 3, 1, 0.01, 1},  // the third place: 0.01
      {"", lanmere::ctod("01/31/24"), 0, 1, lanmere::ctod("02/29/24"), 1},  // month
      {"", lanmere::ctod("02/29/24"), 4, 1, lanmere::ctod("02/28/25"), 1},  // year
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + std::to_string(c.rights));
    dialog = pixelDialog(40, 40, 560, 600, "Fields");
    Var v{c.start};
    int changes = 0;
    const Value get = at(10, {.bSetGet = v.block(),
                              .cPicture = *c.picture ? Value(c.picture) : Value(),
                              .bChanged = closure([&](auto) { return ++changes, Value(true); }),
                              .lSpinner = true,
                              .bMax = closure([](auto) { return Value(1.0, 2); })});
    next();
    std::vector<Step> steps{focusOn(get), focused(get)};
    for (int i = 0; i < c.rights; ++i) steps.push_back(keys({VK_RIGHT}));
    for (int i = 0; i < c.presses; ++i) steps.push_back(keys({VK_NEXT}));
    steps.push_back(settle());
    steps.push_back(endWith(dialog));
    runModal(dialog, steps);
    EXPECT_TRUE(sameValue(*v, c.expected)) << kestrel::textForm(*v);
    EXPECT_EQ(changes, c.changes);
  }
}

// ---- Spinner arrows and the action button ----

// A click on a spinner field's up or down arrow, which lie right of the client area, in the
// non-client scroll bar.
Step clickArrow(const Value& field, bool up) {
  return [field, up](HWND) {
    const HWND hwnd = as<TGet>(field).hwnd();
    RECT window{};
    GetWindowRect(hwnd, &window);
    POINT at{window.right - 4, up ? window.top + 4 : window.bottom - 4};
    ScreenToClient(hwnd, &at);
    clickAt(hwnd, at.x, at.y);
    return true;
  };
}

// The field's own arrows step the value (the up arrow increments), or run the field's own bUp
// and bDown though the dialog had no window when the field was made; the action button runs
// its action with the field, hands the focus back and never validates the field.
TEST_F(Gets, SpinnerArrowsAndActionButton) {
  Var count{Value(5LL)}, path{Value("      ")}, own{Value(5LL)};
  int validCalls = 0, actions = 0;
  std::vector<std::string> arrows;
  Value actedOn;
  const Value spin = at(10, {.bSetGet = count.block(), .cPicture = "99", .lSpinner = true});
  const Value custom =
      at(70, {.bSetGet = own.block(),
              .cPicture = "99",
              .lSpinner = true,
              .bUp = closure([&](auto) { return arrows.push_back("up"), Value(); }),
              .bDown = closure([&](auto) { return arrows.push_back("down"), Value(); })});
  const Value pick = at(40, {.bSetGet = path.block(),
                             .bValid = closure([&](auto) {
                               ++validCalls;
                               return Value(false);
                             }),
                             .bAction = closure([&](lanmere::Args args) {
                               ++actions;
                               actedOn = lanmere::arg(args, 1);
                               return Value();
                             })});
  next();
  bool backInField = false;
  runModal(dialog, {focusOn(spin), focused(spin), clickArrow(spin, true), settle(), focusOn(custom),
                    focused(custom), clickArrow(custom, true), settle(), clickArrow(custom, false),
                    settle(), focusOn(pick), focused(pick),
                    [&](HWND) {
                      return as<TGet>(pick).oBtn.isObject() &&
                             (clickCenter(as<TWindow>(as<TGet>(pick).oBtn).hwnd()), true);
                    },
                    settle(), check([&] { backInField = GetFocus() == as<TGet>(pick).hwnd(); }),
                    endWith(dialog)});
  EXPECT_EQ((*count).integer(), 6);
  EXPECT_EQ(arrows, (std::vector<std::string>{"up", "down"}));
  EXPECT_EQ((*own).integer(), 5);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(actedOn.identity(), pick.identity());
  EXPECT_TRUE(backInField);
  EXPECT_EQ(validCalls, 0);
}

// ---- Resource fields ----

TEST_F(Gets, ResourceFields) {
  const Value resource = resourceDialog("GETDLG");
  Var text{Value()}, phone{Value("5551234")}, secret{Value("pw  ")}, fixed{Value("ro")};
  auto redefine = [&](int id, const Value& block, const Value& picture, bool readOnly = false) {
    return lanmere::construct<TGet>(TGet::ReDefineArgs{
        .nId = id, .bSetGet = block, .oWnd = resource, .cPicture = picture, .lReadOnly = readOnly});
  };
  const Value t = redefine(kIdText, text.block(), {});
  // The function letters in any order: "R" after "!" still starts at the first editable place.
  const Value p = redefine(kIdPhone, phone.block(), "@!R (999)-9999");
  const Value s = redefine(kIdSecret, secret.block(), {});
  const Value f = redefine(kIdFixed, fixed.block(), {}, true);
  std::vector<std::string> shown;
  runModal(resource, {[&](HWND d) { return d && as<TGet>(f).hwnd(); }, check([&] {
                        for (const Value& each : {t, p, s, f})
                          shown.push_back(windowText(as<TGet>(each).hwnd()));
                      }),
                      endWith(resource)});
  EXPECT_EQ((*text).string(), std::string(30, ' '));
  const std::string mask(2, ISAPPTHEMED() ? '\x95' : '*');
  EXPECT_EQ(shown, (std::vector<std::string>{std::string(30, ' '), "(555)-1234", mask, "ro"}));
  EXPECT_EQ(as<TGet>(p).nPos.integer(), 2);
  EXPECT_TRUE(as<TGet>(s).lPassword.logical());
  EXPECT_EQ(as<TGet>(f).nClrText.integer(), static_cast<long long>(GetSysColor(COLOR_GRAYTEXT)));
  EXPECT_TRUE(errors.empty());
}

// ---- Geometry and texts ----

TEST_F(Gets, GeometryTextsAndFocusColour) {
  const Value window = pixelWindow(100, 100, 400, 500, "Fields");
  Var caption{Value("0123456789")};
  const Value placed =
      lanmere::construct<TGet>({.nRow = 2, .nCol = 10, .bSetGet = caption.block(), .oWnd = window});
  EXPECT_EQ(as<TGet>(placed).nTop.integer(), 26);
  EXPECT_EQ(as<TGet>(placed).nLeft.integer(), 80);
  EXPECT_EQ(as<TGet>(placed).nRight.number(), 118.5);
  const Value sized = newGet({.nRow = 10,
                              .nCol = 20,
                              .bSetGet = caption.block(),
                              .oWnd = window,
                              .nWidth = 100,
                              .nHeight = 20});
  EXPECT_EQ(lanmere::send(sized, "cGenPrg").string(),
            "\r\n   @  10,  20 GET oGet SIZE 100,  20 PIXEL OF oWnd \r\n");
  EXPECT_EQ(lanmere::send(sized, "SaveToRC", {2}).string(),
            "  EDITTEXT " + std::to_string(as<TGet>(sized).nId.integer()) + ", 10, 20, 100, 20");
  EXPECT_EQ(lanmere::send(sized, "cToChar").isText(), true);
  destroy(window);
  // A window the system refuses is the framework's window-creation error.
  ASSERT_TRUE(errors.empty());
  lanmere::send(lanmere::createObject("TGET"), "Create", {"NoSuchClass"});
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].subCode, 6);
  errors.clear();

  const Value previous =
      lanmere::callFunction("SETGETCOLORFOCUS", {Value(static_cast<long long>(RGB(1, 2, 3)))});
  EXPECT_EQ(previous.integer(), RGB(235, 235, 145));
  Var text{Value("abc")};
  const Value get = at(10, {.bSetGet = text.block()});
  next();
  long long whileFocused = 0, afterwards = 0;
  runModal(dialog, {focusOn(get), focused(get),
                    check([&] { whileFocused = as<TGet>(get).nClrPane.integer(); }), keys({VK_TAB}),
                    settle(), check([&] { afterwards = as<TGet>(get).nClrPane.integer(); }),
                    endWith(dialog)});
  *TGet::Class().resolve(lanmere::symbol("lClrFocus"))->classValue = false;
  *TGet::Class().resolve(lanmere::symbol("nClrFocus"))->classValue = previous;
  EXPECT_EQ(whileFocused, RGB(1, 2, 3));
  EXPECT_EQ(afterwards, GetSysColor(COLOR_WINDOW));
}

// ---- File selection ----

TEST_F(Gets, SelFileStoresTheChosenName) {
  const Value window = pixelWindow(100, 100, 400, 500, "Fields");
  Var name{Value(std::string(20, ' '))};
  const Value get = newGet({.nRow = 10, .nCol = 10, .bSetGet = name.block(), .oWnd = window});
  const std::string self = thisProgram();
  std::vector<std::string> titles;
  bool choose = false;
  ModalDriver driver([&](const BoxInfo& box) {
    titles.push_back(box.title);
    if (!choose) return IDCANCEL;
    for (int id : {1148, 1152}) SetDlgItemTextA(box.hwnd, id, self.c_str());  // the file name field
    return IDOK;
  });
  EXPECT_EQ(lanmere::send(get, "SelFile").string(), "");
  EXPECT_EQ((*name).string(), std::string(20, ' '));
  choose = true;
  EXPECT_EQ(lanmere::send(get, "SelFile", {"*.exe"}).string(), self);
  EXPECT_EQ((*name).string(), self);
  EXPECT_EQ(windowText(as<TGet>(get).hwnd()), self);
  EXPECT_EQ(titles, (std::vector<std::string>{"Please select a file", "Please select a file"}));
  destroy(window);
}

// ---- Frame ----

// The frame both edit fields share: the border style, under visual styles only inside a dialog,
// the client edge under visual styles, and nothing at all with lNoBorder.
TEST_F(Gets, TheFrameFollowsTheThemeTheParentAndNoBorder) {
  const Value window = pixelWindow(100, 100, 400, 500, "Frames");
  struct Case {
    bool themed, inDialog, noBorder;
    LONG_PTR border, edge;
  };
  const Case cases[] = {
      {false, true, false, WS_BORDER, 0},
      {false, false, false, WS_BORDER, 0},
      {true, true, false, WS_BORDER, WS_EX_CLIENTEDGE},
      {true, false, false, 0, WS_EX_CLIENTEDGE},
      {false, true, true, 0, 0},
      {true, true, true, 0, 0},
      {true, false, true, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.themed) + std::to_string(c.inDialog) +
                 std::to_string(c.noBorder));
    overrideAppThemed(c.themed);
    Var text{Value("abc")};
    const Value get = newGet({.nRow = 10,
                              .nCol = 10,
                              .bSetGet = text.block(),
                              .oWnd = c.inDialog ? dialog : window,
                              .lNoBorder = c.noBorder});
    EXPECT_EQ(as<TGet>(get).nStyle.integer() & WS_BORDER, c.border);
    EXPECT_EQ(as<TGet>(get).nExStyle.integer() & WS_EX_CLIENTEDGE, c.edge);
    if (const HWND hwnd = as<TGet>(get).hwnd()) {
      EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, c.edge);
    }
  }
  overrideAppThemed(std::nullopt);
  destroy(window);
}

// ---- No leaks ----

// The warm-up has no password field: the first password field's own font must go with it too.
TEST_F(Gets, DialogsOfFieldsLeaveNothing) {
  auto once = [&](bool password) {
    dialog = pixelDialog(40, 40, 560, 600, "Fields");
    Var t{Value("text")}, n{Value(1.5)}, pw{Value("pw")}, ro{Value("ro")};
    at(10, {.bSetGet = t.block(), .cPicture = "@!"});
    at(35, {.bSetGet = n.block(), .cPicture = "999.99"});
    if (password) at(60, {.bSetGet = pw.block(), .lPassword = true});
    at(85, {.bSetGet = ro.block(), .lReadOnly = true});
    runModal(dialog, {[](HWND d) { return d != nullptr; }, endWith(dialog)});
  };
  once(false);  // fonts and brushes shared for the process are made once
  const Leftovers before;
  for (int i = 0; i < 20; ++i) once(true);
  dialog = Value();
  before.expectNoMore();
  // A password field on a window that exists gives its font back as well.
  const Leftovers again;
  {  // the window object and the variable go before the count
    const Value window = pixelWindow(100, 100, 400, 500, "Fields");
    Var secret{Value("pw")};
    newGet({.nRow = 10, .nCol = 10, .bSetGet = secret.block(), .oWnd = window, .lPassword = true});
    destroy(window);
  }
  again.expectNoMore();
}

// A numeric field in design mode keeps its separators however often it takes the focus.
TEST_F(Gets, DesignModeKeepsTheSeparators) {
  Var amount{Value(1234.5)};
  const Value get = at(10, {.bSetGet = amount.block(), .cPicture = "999,999.99", .lDesign = true});
  const Value after = next();
  std::string picture;
  runModal(dialog, {focusOn(get), focused(get), focusOn(after), focused(after),
                    check([&] { picture = lanmere::send(as<TGet>(get).oGet, "Picture").string(); }),
                    endWith(dialog)});
  EXPECT_EQ(picture, "999,999.99");
}

}  // namespace
}  // namespace kestrel::test
