// Combo boxes in real dialogs, driven with real keys: the bound variable keeps its kind, the
// incremental search, the drop-down list and Escape, the editable field (typing under its
// picture, leaving, a refused validation), combo boxes of a dialog resource, the defaults and the
// generated text, and dialogs of coloured combo boxes leaving no drawing object behind.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/tcombobox.h"
#include "framework/controls/tget.h"
#include "framework/core/handles.h"
#include "framework/core/twindow_msgs.h"
#include "framework/services/menubuild.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "framework/services/tmenu.h"
#include "runtime/editsettings.h"
#include "tests/framework/controls/combobox_test_ids.h"
#include "tests/support/dialog_fixture.h"

namespace kestrel::test {
namespace {

HWND editOf(const Value& object) {
  return FindWindowExA(as<TComboBox>(object).hwnd(), nullptr, "Edit", nullptr);
}

// A combo box of 150 x 80 pixels unless the arguments say otherwise.
Value newCombo(TComboBox::NewArgs a) {
  if (a.nWidth.isNil()) a.nWidth = 150;
  if (a.nHeight.isNil()) a.nHeight = 80;
  if (a.lPixel.isNil()) a.lPixel = true;
  return lanmere::construct<TComboBox>(a);
}

Value greek() {
  return Value::list({"ALPHA", "BETA", "GAMMA"});
}

long long selected(const Value& object) {
  return SendMessageA(as<TComboBox>(object).hwnd(), CB_GETCURSEL, 0, 0);
}

class Combos : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    lanmere::setInsertMode(false);
  }
  Value dialog = pixelDialog(40, 40, 400, 500, "Combos");
  Var other{Value(std::string(10, ' '))};
  // A field to move to.
  Value next() {
    return lanmere::construct<TGet>({.nRow = 150,
                                     .nCol = 10,
                                     .bSetGet = other.block(),
                                     .oWnd = dialog,
                                     .nWidth = 150,
                                     .nHeight = 20,
                                     .lPixel = true});
  }
  Value at(int row, TComboBox::NewArgs args) {
    args.nRow = row;
    args.nCol = 10;
    args.oWnd = dialog;
    return newCombo(args);
  }
};

// ---- The bound variable ----

// What the control selects, stores and shows for a variable, and what a Down arrow stores.
TEST_F(Combos, TheVariableKeepsItsKind) {
  struct Case {
    Value start;
    long long style;
    long long selectedFirst;
    Value storedFirst;
    std::string shown;
    Value afterDown;  // nil: no key pressed
  } cases[] = {
      {2, 3, 1, 2, "BETA", 3},
      {"beta ", 3, 1, "beta ", "BETA", "GAMMA"},
      {Value(), 3, 0, "ALPHA", "ALPHA", "BETA"},
      {"DELTA", 3, 0, "DELTA", "ALPHA", "BETA"},             // no item: the first is selected
      {9, 3, 0, 1, "ALPHA", 2},                              // beyond the list: the first item
      {"DELTA     ", 2, 0, "DELTA     ", "DELTA     ", {}},  // editable: stored and shown
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(textForm(c.start) + " style " + std::to_string(c.style));
    dialog = pixelDialog(40, 40, 400, 500, "Combos");
    Var v{c.start};
    const Value made = at(10, {.bSetGet = v.block(), .aItems = greek(), .nStyle = c.style});
    next();
    std::vector<Step> steps{[&](HWND d) { return d && as<TComboBox>(made).hwnd(); }, check([&] {
                              EXPECT_EQ(selected(made), c.selectedFirst);
                              EXPECT_TRUE(sameValue(*v, c.storedFirst)) << textForm(*v);
                              EXPECT_EQ(windowText(as<TComboBox>(made).hwnd()), c.shown);
                            })};
    if (!c.afterDown.isNil()) {
      for (Step s : {focusOn(made), focused(made), keys({VK_DOWN}), settle(),
                     check([&] { EXPECT_TRUE(sameValue(*v, c.afterDown)) << textForm(*v); })}) {
        steps.push_back(s);
      }
    }
    steps.push_back(endWith(dialog));
    runModal(dialog, steps);
  }
}

// ALPHA and BETA: the key is compared as a whole text, Backspace shortens it, Space goes back to
// the first item; bChange runs when the item changed.
TEST_F(Combos, IncrementalSearchComparesWholeTexts) {
  Var v{Value("ALPHA")};
  int changes = 0;
  const Value made = at(10, {.bSetGet = v.block(),
                             .aItems = Value::list({"ALPHA", "BETA"}),
                             .bChange = counter(changes)});
  as<TComboBox>(made).lIncSearch = true;
  struct Press {
    WORD key;
    long long selected;
    const char* searchKey;
  } presses[] = {{'B', 0, "B"},    {'E', 0, "BE"},      {'T', 0, "BET"},
                 {'A', 1, "BETA"}, {VK_BACK, 1, "BET"}, {VK_SPACE, 0, ""}};
  std::vector<Step> steps{focusOn(made), focused(made)};
  for (const Press& p : presses) {
    steps.push_back(keys({p.key}));
    steps.push_back(settle());
    steps.push_back(check([&made, p] {
      EXPECT_EQ(selected(made), p.selected) << p.searchKey;
      EXPECT_EQ(as<TComboBox>(made).cSearchKey.string(), p.searchKey);
    }));
  }
  steps.push_back(endWith(dialog));
  runModal(dialog, steps);
  EXPECT_EQ((*v).string(), "ALPHA");
  EXPECT_EQ(changes, 2);
}

// Change does nothing while the item stays; Escape with the list open closes the list (bCloseUp
// runs) and leaves the dialog open; the next Escape cancels it.
TEST_F(Combos, EscapeClosesTheOpenListBeforeTheDialog) {
  Var v{Value(1)};
  int changes = 0;
  int closeUps = 0;
  Value changedWith;
  const Value made =
      at(10, {.bSetGet = v.block(), .aItems = greek(), .bChange = closure([&](lanmere::Args a) {
                                                         ++changes;
                                                         changedWith = lanmere::arg(a, 1);
                                                         return Value();
                                                       })});
  as<TComboBox>(made).bCloseUp = counter(closeUps);
  bool stayed = false;
  const Value result =
      runModal(dialog, {focusOn(made), focused(made), check([&] {
                          as<TComboBox>(made).Change();
                          EXPECT_EQ(changes, 0);
                          SendMessageA(as<TComboBox>(made).hwnd(), CB_SETCURSEL, 2, 0);
                          as<TComboBox>(made).Change();
                          EXPECT_EQ(changes, 1);
                          EXPECT_TRUE(changedWith.sharesStorageWith(made));
                          EXPECT_EQ((*v).integer(), 3);
                          as<TComboBox>(made).Open();
                        }),
                        [&](HWND) { return as<TComboBox>(made).IsOpen().logical(); },
                        keys({VK_ESCAPE}), settle(), check([&] {
                          EXPECT_TRUE(as<TComboBox>(made).IsClosed().logical());
                          EXPECT_EQ(closeUps, 1);
                          stayed = IsWindowVisible(hwndOf(dialog));
                        }),
                        keys({VK_ESCAPE})});
  EXPECT_TRUE(stayed);
  EXPECT_EQ(result.integer(), IDCANCEL);
}

// ---- The editable combo box ----

// Typing goes through the field's picture; leaving stores the text as typed and selects the
// first item beginning with it; an emptied field selects no item and stores the blanks.
TEST_F(Combos, EditableComboTypesThroughItsField) {
  const std::string blanks(10, ' ');
  Var v{Value(blanks)};
  const Value made =
      at(10, {.bSetGet = v.block(), .aItems = greek(), .nStyle = 2, .cEditPict = "@!"});
  const Value after = next();
  runModal(dialog, {focusOn(made), focused(made), type("be"), settle(), check([&] {
                      EXPECT_EQ(windowText(editOf(made)), "BE        ");
                      EXPECT_EQ((*v).string(), blanks);
                    }),
                    keys({VK_TAB}), focused(after), settle(), check([&] {
                      EXPECT_EQ((*v).string(), "BE        ");
                      EXPECT_EQ(selected(made), 1);
                      EXPECT_EQ(windowText(editOf(made)), "BE        ");
                    }),
                    focusOn(made), focused(made), keys({VK_HOME}), keys({VK_DELETE}),
                    keys({VK_DELETE}), keys({VK_TAB}), focused(after), settle(), check([&] {
                      EXPECT_EQ((*v).string(), blanks);
                      EXPECT_EQ(selected(made), CB_ERR);
                    }),
                    endWith(dialog)});
}

// bValid gets the field and the combo box; a refusal gives the keyboard focus back to the
// combo box's edit area, and the keys typed next land there.
TEST_F(Combos, RefusedValidationGivesTheKeyboardFocusBack) {
  Var v{Value(std::string(10, ' '))};
  int checks = 0;
  Value field, control;
  const Value made = at(10, {.bSetGet = v.block(),
                             .aItems = greek(),
                             .bValid = closure([&](lanmere::Args a) {
                               field = lanmere::arg(a, 1);
                               control = lanmere::arg(a, 2);
                               return Value(++checks > 1);
                             }),
                             .nStyle = 2});
  const Value after = next();
  runModal(dialog, {focusOn(made), focused(made), type("a"), keys({VK_TAB}),
                    [&](HWND) { return checks == 1; }, settle(), check([&] {
                      EXPECT_EQ(GetFocus(), editOf(made));
                      EXPECT_TRUE(field.sharesStorageWith(as<TComboBox>(made).oGet));
                      EXPECT_TRUE(control.sharesStorageWith(made));
                    }),
                    type("b"), settle(), check([&] {
                      EXPECT_NE(windowText(editOf(made)).find('b'), std::string::npos);
                      EXPECT_EQ((*other).string(), std::string(10, ' '));
                    }),
                    keys({VK_TAB}), focused(after), settle(), check([&] { EXPECT_EQ(checks, 2); }),
                    endWith(dialog)});
}

// ---- Dialog resources ----

// Both redefined with the default style: the real style is read from the window, the one with an
// edit area binds the field to it, the drop-down list binds none and raises nothing; the field
// is not one of the dialog's controls.
TEST_F(Combos, ResourceCombosBindAnEditFieldOnlyWhereThereIsOne) {
  const Value resource = resourceDialog("CBDLG");
  Var number{Value(2)}, text{Value("GAMMA")};
  auto redefine = [&](int id, const Var& var) {
    return lanmere::construct<TComboBox>(TComboBox::ReDefineArgs{
        .nId = id, .bSetGet = var.block(), .aItems = greek(), .oWnd = resource});
  };
  const Value editable = redefine(kIdEditCombo, number);
  const Value list = redefine(kIdListCombo, text);
  runModal(resource, {[&](HWND d) { return d && as<TComboBox>(list).hwnd(); }, check([&] {
                        EXPECT_TRUE(errors.empty());
                        EXPECT_EQ(as<TComboBox>(editable).nStyle.integer() & 3, 2);
                        ASSERT_TRUE(as<TComboBox>(editable).oGet.isObject());
                        EXPECT_EQ(as<TGet>(as<TComboBox>(editable).oGet).hwnd(), editOf(editable));
                        EXPECT_EQ(windowText(editOf(editable)), "BETA");
                        EXPECT_EQ(as<TComboBox>(list).nStyle.integer() & 3, 3);
                        EXPECT_TRUE(as<TComboBox>(list).oGet.isNil());
                        EXPECT_EQ(selected(list), 2);
                        EXPECT_EQ(as<TWindow>(resource).aControls.length(), 2u);
                      }),
                      endWith(resource)});
}

// ---- Defaults and the generated text ----

TEST_F(Combos, DefaultsAndGeneratedText) {
  const Value window = pixelWindow(100, 100, 400, 500, "Combos");
  Var v{Value("BETA")};
  const Value made = newCombo({.nRow = 10,
                               .nCol = 20,
                               .bSetGet = v.block(),
                               .aItems = Value::list({"ALPHA", "BETA"}),
                               .nWidth = 120,
                               .oWnd = window,
                               .nClrBack = static_cast<long long>(RGB(1, 2, 3))});
  TComboBox& c = as<TComboBox>(made);
  ASSERT_TRUE(c.hwnd());
  // A parent without a font (a dialog still to be made): the framework's dialog font.
  const Value defined = at(10, {.bSetGet = v.block(), .aItems = greek()});
  EXPECT_EQ(lanmere::send(as<TComboBox>(defined).oFont, "cFaceName").string(), "Ms Sans Serif");
  EXPECT_EQ(lanmere::send(as<TComboBox>(defined).oFont, "nInpHeight").integer(), -12);
  // A background without a foreground gives the system's colours.
  EXPECT_EQ(c.nClrPane.integer(), static_cast<long long>(GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(c.nClrText.integer(), static_cast<long long>(GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_EQ(GetWindowLongPtrA(c.hwnd(), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(c.cGenPrg().string(),
            "\r\n   @  10,  20 COMBOBOX oCbx VAR cItem ITEMS { \"ALPHA\", \"BETA\" } ;\r\n"
            "      SIZE 120,  80 PIXEL OF oWnd\r\n");
  destroy(window);
}

// Owner-drawn: the control keeps the texts, the item height is the bitmap's, the parent's draw
// requests reach the painter (bDrawItem gets the item and the combo box), and Destroy releases
// the bitmaps.
TEST_F(Combos, OwnerDrawnItemsKeepTheirTextsAndBitmaps) {
  const Value window = shownWindow(100, 100, 400, 500, "Combos");
  Var v{Value(2)};
  std::vector<long long> asked;
  Value askedBy;
  const Value made = newCombo({.bSetGet = v.block(),
                               .aItems = Value::list({"ALPHA", "BETA"}),
                               .oWnd = window,
                               .acBitmaps = Value::list({"CBBMP"}),
                               .bDrawItem = closure([&](lanmere::Args a) {
                                 asked.push_back(lanmere::arg(a, 1).integer());
                                 askedBy = lanmere::arg(a, 2);
                                 return Value(1);
                               })});
  TComboBox& c = as<TComboBox>(made);
  const long long bitmap = c.aBitmaps.item(1).integer();
  auto tracked = [bitmap] {
    for (const TrackedResource& r : trackedResources()) {
      if (r.handle == bitmap) return true;
    }
    return false;
  };
  const LONG_PTR ownerDraw = CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
  EXPECT_EQ(GetWindowLongPtrA(c.hwnd(), GWL_STYLE) & ownerDraw, ownerDraw);
  char text[16] = {};
  SendMessageA(c.hwnd(), CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "BETA");
  EXPECT_EQ(SendMessageA(c.hwnd(), CB_GETITEMHEIGHT, 0, 0), 4);
  RedrawWindow(c.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(), 2);  // the closed combo box shows its current item
  EXPECT_TRUE(askedBy.sharesStorageWith(made));
  EXPECT_TRUE(tracked());
  destroy(window);
  EXPECT_FALSE(tracked());
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(bitmap))), 0u);
}

// A pop-up menu shown over the combo box sends its entries' measure and draw requests to the
// combo box, which hands them to the menu painter: the open menu shows its prompts.
TEST_F(Combos, APopupOverTheComboPaintsItsEntries) {
  const Value window = shownWindow(100, 100, 400, 500, "Combos");
  const Value made = newCombo({.aItems = greek(), .oWnd = window});
  Value begin[] = {true};
  const Value popup = MENUBEGIN(lanmere::Args(begin));
  for (const char* prompt : {"&Alpha entry", "&Beta entry"}) {
    Value item[15] = {prompt};
    MENUADDITEM(lanmere::Args(item));
  }
  MENUEND();
  TMenu& menu = as<TMenu>(popup);
  // Pixels of the menu's text colour inside the first entry.
  const auto inked = [&] {
    const HWND shown = currentMenu();
    RECT entry{};
    if (!shown || !GetMenuItemRect(nullptr, handleFrom<HMENU>(menu.hMenu), 0, &entry)) return 0;
    MapWindowPoints(nullptr, shown, reinterpret_cast<POINT*>(&entry), 2);
    int count = 0;
    for (LONG y = entry.top; y < entry.bottom; ++y) {
      for (LONG x = entry.left; x < entry.right; ++x) {
        count += windowPixel(shown, x, y) == GetSysColor(COLOR_MENUTEXT);
      }
    }
    return count;
  };
  DialogSteps open({[&](HWND) { return inked() > 0; }, [](HWND) { return menuKeys({VK_ESCAPE}); }},
                   40, 5000);
  menu.Activate(10, 10, made, true);
  open.rethrow();
  EXPECT_TRUE(open.done()) << "the entries were never painted";
  EXPECT_TRUE(as<TComboBox>(made).oPopup.isNil());
  destroy(window);
}

// ---- No leaks ----

// The edit area of the first dialog shows the combo box's background (its CtlColor brush); two
// hundred dialogs later the process holds the drawing objects it held before.
TEST_F(Combos, ColouredDialogsLeaveNoDrawingObjects) {
  const COLORREF pane = RGB(0, 0, 200);
  COLORREF seen = CLR_INVALID;
  auto once = [&](bool look) {
    dialog = pixelDialog(40, 40, 400, 500, "Combos");
    Var t{Value("ALPHA     ")}, n{Value(2)};
    const Value editable = at(10, {.bSetGet = t.block(),
                                   .aItems = greek(),
                                   .nClrFore = static_cast<long long>(RGB(255, 255, 0)),
                                   .nClrBack = static_cast<long long>(pane),
                                   .nStyle = 2});
    at(60, {.bSetGet = n.block(),
            .aItems = greek(),
            .nClrFore = static_cast<long long>(RGB(255, 255, 0)),
            .nClrBack = static_cast<long long>(pane)});
    runModal(dialog,
             {[&](HWND d) { return d && IsWindowVisible(d) && editOf(editable); }, check([&] {
                if (!look) return;
                const HWND edit = editOf(editable);
                RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                RECT client{};
                GetClientRect(edit, &client);
                seen = windowPixel(edit, client.right - 3, client.bottom / 2);
              }),
              endWith(dialog)});
  };
  once(true);
  EXPECT_EQ(seen, pane);
  const Leftovers before;
  for (int i = 0; i < 20; ++i) once(false);
  dialog = Value();
  before.expectNoMore();
}

}  // namespace
}  // namespace kestrel::test
