// List boxes in real dialogs and windows: binding to numeric and text variables through real
// clicks and keys, the item operations against the control's own list (a random sequence
// included), multiple selection, file masks, owner-drawn items read back from the screen, and
// the generated texts.
#include <windows.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/controls/tlistbox.h"
#include "framework/core/twindow_msgs.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "runtime/closure.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/files.h"

namespace kestrel::test {
namespace {

using Texts = std::vector<std::string>;

// A list of 120 x 90 pixels unless the arguments say otherwise.
Value newList(TListBox::NewArgs a) {
  if (a.nWidth.isNil()) a.nWidth = 120;
  if (a.nHeight.isNil()) a.nHeight = 90;
  if (a.lPixel.isNil()) a.lPixel = true;
  return lanmere::construct<TListBox>(a);
}

Value list(const Texts& texts) {
  Value made = Value::list();
  for (const std::string& t : texts) made.listData()->items.push_back(t);
  return made;
}

// The control's own list, read with LB_GETTEXT (never through the object).
Texts controlTexts(HWND hwnd) {
  Texts out;
  const LRESULT count = SendMessageA(hwnd, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::string text(static_cast<std::size_t>(SendMessageA(hwnd, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        SendMessageA(hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
    out.push_back(text);
  }
  return out;
}

void clickItem(HWND hwnd, int index) {
  RECT item{};
  SendMessageA(hwnd, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  clickAt(hwnd, item.left + 5, (item.top + item.bottom) / 2);
}

class ListBoxes : public ControlTest {
 protected:
  Value dialog = pixelDialog(40, 40, 400, 420, "Lists");
  const Texts numbers4{"one", "two", "three", "four"};
};

// ---- Binding ----

// A list made in code for a dialog at pixel coordinates: the item the variable names is
// selected when the dialog opens; a click, the Down arrow and leaving with Tab store a number
// or a text, the kind the variable holds.
TEST_F(ListBoxes, BindingStoresNumbersOrTextsFromClicksKeysAndTab) {
  struct Case {
    Value start;
    long long shownFirst;
    Value clicked, down, tabbed;
  } cases[] = {
      {Value("two "), 2, "three", "four", "one"}, {Value(2), 2, 3, 4, 1},
      {Value(), 1, "three", "four", "one"},  // nil is the text ""
      {Value("none"), 1, "three", "four", "one"}, {Value(9), 1, 3, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(textForm(c.start));
    dialog = pixelDialog(40, 40, 400, 420, "Lists");
    Var v{c.start};
    int changes = 0;
    const Value made =
        newList({.nRow = 10,
                 .nCol = 10,
                 .bSetGet = v.block(),
                 .aItems = list(numbers4),
                 .bChange = closure([&](lanmere::Args) { return ++changes, Value(); }),
                 .oWnd = dialog});
    const Value after = newList({.nRow = 10, .nCol = 200, .aItems = list({"x"}), .oWnd = dialog});
    long long shown = -1;
    Value clicked, down, tabbed;
    runModal(
        dialog,
        {[&](HWND hwnd) { return hwnd && IsWindowVisible(hwnd) && as<TListBox>(made).hwnd(); },
         check([&] { shown = as<TListBox>(made).GetPos().integer(); }),
         check([&] { clickItem(as<TListBox>(made).hwnd(), 2); }), settle(),
         check([&] { clicked = *v; }), check([&] { pressKeys({VK_DOWN}); }), settle(), check([&] {
           down = *v;
           // moved without a notification: only leaving stores it
           SendMessageA(as<TListBox>(made).hwnd(), LB_SETCURSEL, 0, 0);
           pressKeys({VK_TAB});
         }),
         [&](HWND) { return GetFocus() == as<TListBox>(after).hwnd(); }, settle(),
         check([&] { tabbed = *v; }), check([&] { lanmere::send(dialog, "End", {1}); })});
    EXPECT_EQ(shown, c.shownFirst);
    EXPECT_TRUE(lanmere::exactlyEqual(clicked, c.clicked)) << textForm(clicked);
    EXPECT_TRUE(lanmere::exactlyEqual(down, c.down)) << textForm(down);
    EXPECT_TRUE(lanmere::exactlyEqual(tabbed, c.tabbed)) << textForm(tabbed);
    EXPECT_EQ(changes, 2);
  }
}

// Enter on a list in a dialog without a default button: the validation sees that the key was
// Enter, the focus moves on to the next control and the variable holds the current item.
TEST_F(ListBoxes, EnterMovesOnFromTheList) {
  Var v{Value(1)};
  std::vector<long long> keysSeen;
  const Value made = newList({.nRow = 10,
                              .nCol = 10,
                              .bSetGet = v.block(),
                              .aItems = list(numbers4),
                              .oWnd = dialog,
                              .bValid = closure([&](lanmere::Args) {
                                keysSeen.push_back(as<TWindow>(dialog).nLastKey.integer());
                                return Value(true);
                              })});
  const Value after = newList({.nRow = 10, .nCol = 200, .aItems = list({"x"}), .oWnd = dialog});
  runModal(dialog,
           {[&](HWND hwnd) { return hwnd && IsWindowVisible(hwnd) && as<TListBox>(made).hwnd(); },
            [&](HWND) { return GetFocus() == as<TListBox>(made).hwnd(); },
            check([&] { pressKeys({VK_DOWN}); }), settle(), check([&] { pressKeys({VK_RETURN}); }),
            [&](HWND) { return GetFocus() == as<TListBox>(after).hwnd(); }, settle(),
            check([&] { lanmere::send(dialog, "End", {1}); })});
  EXPECT_EQ(keysSeen, std::vector<long long>{VK_RETURN});
  EXPECT_EQ((*v).integer(), 2);
}

// ---- Operations ----

TEST_F(ListBoxes, OperationsKeepTheItemsAndTheCurrentItem) {
  const Value window = shownWindow(50, 50, 400, 400, "Lists");
  using Op = std::function<void(TListBox&)>;
  struct Case {
    const char* name;
    long long startAt;
    Op op;
    Texts items;
    long long current;
  } cases[] = {
      {"Add appends", 1, [](TListBox& l) { l.Add("e"); }, {"a", "b", "c", "d", "e"}, 5},
      {"Add at 0", 3, [](TListBox& l) { l.Add("e", 0); }, {"e", "a", "b", "c", "d"}, 1},
      {"Add after 2", 1, [](TListBox& l) { l.Add("e", 2); }, {"a", "b", "e", "c", "d"}, 3},
      {"Add past the end", 1, [](TListBox& l) { l.Add("e", 9); }, {"a", "b", "c", "d", "e"}, 5},
      {"Insert before current",
       3,
       [](TListBox& l) { l.Insert("e"); },
       {"a", "b", "e", "c", "d"},
       4},
      {"Insert at 1", 2, [](TListBox& l) { l.Insert("e", 1); }, {"e", "a", "b", "c", "d"}, 3},
      {"Insert past the end",
       2,
       [](TListBox& l) { l.Insert("e", 7); },
       {"a", "b", "c", "d", "e"},
       2},
      {"Insert at 0", 2, [](TListBox& l) { l.Insert("e", 0); }, {"a", "b", "c", "d"}, 2},
      {"Modify current", 2, [](TListBox& l) { l.Modify("B"); }, {"a", "B", "c", "d"}, 2},
      {"Modify 4", 1, [](TListBox& l) { l.Modify("D", 4); }, {"a", "b", "c", "D"}, 4},
      {"Modify 5", 1, [](TListBox& l) { l.Modify("E", 5); }, {"a", "b", "c", "d"}, 1},
      {"Del current", 2, [](TListBox& l) { l.Del(); }, {"a", "c", "d"}, 2},
      {"Del last", 4, [](TListBox& l) { l.Del(); }, {"a", "b", "c"}, 3},
      {"Del 9", 4, [](TListBox& l) { l.Del(9); }, {"a", "b", "c", "d"}, 4},
      {"SwapUp first", 1, [](TListBox& l) { l.SwapUp(); }, {"a", "b", "c", "d"}, 1},
      {"SwapUp", 3, [](TListBox& l) { l.SwapUp(); }, {"a", "c", "b", "d"}, 2},
      {"SwapDown last", 4, [](TListBox& l) { l.SwapDown(); }, {"a", "b", "c", "d"}, 4},
      {"SwapDown", 1, [](TListBox& l) { l.SwapDown(); }, {"b", "a", "c", "d"}, 2},
      {"GoBottom", 1, [](TListBox& l) { l.GoBottom(); }, {"a", "b", "c", "d"}, 4},
      {"Select 7", 2, [](TListBox& l) { l.Select(7); }, {"a", "b", "c", "d"}, 2},
      {"Set",
       1,
       [](TListBox& l) { EXPECT_EQ(l.Set(" C ").integer(), 3); },
       {"a", "b", "c", "d"},
       3},
      {"SetItems",
       3,
       [](TListBox& l) {
         l.SetItems(list({"x", "y"}));
       },
       {"x", "y"},
       1},
      {"Reset", 3, [](TListBox& l) { l.Reset(); }, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Var v{Value("")};
    const Value made =
        newList({.bSetGet = v.block(), .aItems = list({"a", "b", "c", "d"}), .oWnd = window});
    TListBox& l = as<TListBox>(made);
    l.Select(c.startAt);
    c.op(l);
    EXPECT_EQ(textsOf(l.aItems), c.items);
    EXPECT_EQ(controlTexts(l.hwnd()), c.items);
    EXPECT_EQ(l.GetPos().integer(), c.current);
    EXPECT_EQ(l.GetSelText().string(), c.current ? c.items[c.current - 1] : "");
    EXPECT_EQ(l.GetItem(9).string(), "");
  }
  // Deleting the only item leaves nothing current, and Change stores nothing then.
  Var v{Value("kept")};
  const Value single = newList({.bSetGet = v.block(), .aItems = list({"only"}), .oWnd = window});
  as<TListBox>(single).Del();
  EXPECT_EQ(as<TListBox>(single).Len().integer(), 0);
  EXPECT_EQ(as<TListBox>(single).GetPos().integer(), 0);
  as<TListBox>(single).Change();
  EXPECT_EQ((*v).string(), "kept");
  destroy(window);
}

// After every operation of a random sequence the object's list and the control's are the same,
// in a plain list, a sorted one with mixed case and an owner-drawn one.
TEST_F(ListBoxes, RandomOperationsKeepTheListsInStep) {
  const Value window = shownWindow(50, 50, 400, 400, "Lists");
  const auto bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
  struct Case {
    const char* name;
    TListBox::NewArgs args;
  } cases[] = {{"plain", {}},
               {"sorted", {.lSort = true}},
               {"owner-drawn", {.aBitmaps = Value::list({handleNumber(bitmap)})}}};
  const Texts start{"banana", "Apple", "cherry", "apple pie", "Banana split", "date"};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.args.aItems = list(start);
    c.args.oWnd = window;
    const Value made = newList(c.args);
    TListBox& l = as<TListBox>(made);
    if (c.args.lSort.logical()) {
      // the order the control itself sorts into
      const HWND scratch = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_SORT | LBS_HASSTRINGS,
                                           0, 0, 10, 10, hwndOf(window), nullptr, nullptr, nullptr);
      for (const std::string& s : start) {
        SendMessageA(scratch, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
      }
      EXPECT_EQ(textsOf(l.aItems), controlTexts(scratch));
      DestroyWindow(scratch);
    }
    std::mt19937 random(22);
    for (int step = 0; step < 100; ++step) {
      const long long n = static_cast<long long>(random() % 9);
      const Value text = "item " + std::to_string(step) + (step % 2 ? "a" : "B");
      switch (random() % 7) {
        case 0:
          l.Add(text, n == 8 ? Value() : Value(n));
          break;
        case 1:
          l.Insert(text, n == 8 ? Value() : Value(n));
          break;
        case 2:
          l.Modify(text, n == 8 ? Value() : Value(n));
          break;
        case 3:
          l.Del(n == 8 ? Value() : Value(n));
          break;
        case 4:
          l.SwapUp();
          break;
        case 5:
          l.SwapDown();
          break;
        default:
          l.Select(n);
          break;
      }
      ASSERT_EQ(textsOf(l.aItems), controlTexts(l.hwnd())) << "step " << step;
      ASSERT_EQ(l.Len().integer(), static_cast<long long>(l.aItems.length()));
    }
  }
  destroy(window);
}

TEST_F(ListBoxes, MultipleSelection) {
  const Value window = pixelWindow(50, 50, 400, 400, "Lists");
  const Value multi = newList({.aItems = list(numbers4), .oWnd = window, .lMulti = true});
  TListBox& m = as<TListBox>(multi);
  EXPECT_TRUE(m.IsMultipleSel().logical());
  m.SetSel(3);
  m.SetSelItems(Value::list({4, 1}));
  EXPECT_EQ(m.GetSelCount().integer(), 3);
  EXPECT_EQ(integersOf(m.GetSelItems()), std::vector<long long>({1, 3, 4}));
  EXPECT_EQ(textsOf(m.aSelections()), Texts({"one", "three", "four"}));
  m.SetSel(3, false);
  EXPECT_EQ(integersOf(m.GetSelItems()), std::vector<long long>({1, 4}));
  // the caret item is the current one, selected or not
  m.Select(2);
  m.SetSel(2, false);
  EXPECT_EQ(m.GetPos().integer(), 2);
  EXPECT_FALSE(m.GetSel().logical());

  const Value single = newList({.aItems = list(numbers4), .oWnd = window});
  TListBox& s = as<TListBox>(single);
  s.Select(2);
  EXPECT_FALSE(s.IsMultipleSel().logical());
  EXPECT_EQ(s.GetSelCount().integer(), 0);
  EXPECT_TRUE(s.GetSelItems().isNumber());
  EXPECT_EQ(s.GetSelItems().integer(), 0);
  EXPECT_EQ(textsOf(s.aSelections()), Texts({"two"}));
  EXPECT_TRUE(s.GetSel().logical());
  destroy(window);
}

// Resource lists: a file mask adds the folder's names in lower case, sorted; the
// multiple-selection list takes its style from the resource; the owner-drawn list without the
// has-strings style still answers its texts.
TEST_F(ListBoxes, RedefinedListsWithAFileMask) {
  const TempFolder folder;
  for (const char* name : {"Beta.TXT", "alpha.txt", "gamma.Txt", "skip.dat"}) {
    ASSERT_TRUE(writeFile(folder / name, ""));
  }
  const Value resource = resourceDialog("LBDLG");
  Var file{Value("BETA.TXT")};
  auto redefine = [&](int id, Value setGet, Value items, Value mask) {
    return lanmere::construct<TListBox>(TListBox::ReDefineArgs{
        .nId = id, .bSetGet = setGet, .aItems = items, .oWnd = resource, .cFileSpec = mask});
  };
  const Value masked = redefine(401, file.block(), list({"Zeta"}), folder / "*.txt");
  const Value multi = redefine(402, {}, list(numbers4), {});
  const Value drawn = redefine(403, {}, list({"a", "b"}), {});
  Texts seen, drawnTexts;
  long long pos = 0;
  bool multiple = false;
  runModal(resource, {[&](HWND hwnd) { return hwnd && as<TListBox>(drawn).hwnd(); }, check([&] {
                        seen = controlTexts(as<TListBox>(masked).hwnd());
                        pos = as<TListBox>(masked).GetPos().integer();
                        multiple = as<TListBox>(multi).IsMultipleSel().logical();
                        drawnTexts = {as<TListBox>(drawn).GetItem(1).string(),
                                      as<TListBox>(drawn).GetItem(2).string()};
                      }),
                      check([&] { lanmere::send(resource, "End", {2}); })});
  const Texts expected{"alpha.txt", "beta.txt", "gamma.txt", "Zeta"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(textsOf(as<TListBox>(masked).aItems), expected);
  EXPECT_EQ(pos, 2);
  EXPECT_TRUE(multiple);
  EXPECT_EQ(drawnTexts, Texts({"a", "b"}));
}

// ---- Owner drawing ----

// Items of 16 x 16 bitmaps whose key colour (magenta, the top-left pixel) is left out: the text
// starts at left + 16 + 3, the bitmap's blue square is drawn and no magenta pixel reaches the
// screen. Destroying the list deletes the bitmaps and their records.
TEST_F(ListBoxes, OwnerDrawnItemsShowTextBesideKeyedBitmaps) {
  const TempFolder folder;
  const std::string path = folder / "lbkeyed.bmp";
  const COLORREF magenta = RGB(255, 0, 255), blue = RGB(0, 0, 255);
  ASSERT_TRUE(writeBitmapFile(path, 16, 16, [&](int x, int y) {
    return x >= 6 && x < 10 && y >= 6 && y < 10 ? blue : magenta;
  }));
  const Value window = shownWindow(50, 50, 300, 300, "Drawn");
  const Value made = newList({.aItems = list({"MMMM", "NNNN", "HHHH"}),
                              .nWidth = 150,
                              .nHeight = 80,
                              .oWnd = window,
                              .aBitmaps = list({path, path, path})});
  TListBox& l = as<TListBox>(made);
  const HWND hwnd = l.hwnd();
  ASSERT_TRUE(hwnd);
  EXPECT_EQ(SendMessageA(hwnd, LB_GETITEMHEIGHT, 0, 0), 16);
  EXPECT_EQ(l.GetItem(2).string(), "NNNN");
  l.Select(1);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT item{};
  SendMessageA(hwnd, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));  // not selected
  const COLORREF pane = GetSysColor(COLOR_WINDOW);
  int firstText = -1;
  bool keyShown = false;
  for (int x = item.left; x < item.right; ++x) {
    for (int y = item.top; y < item.bottom; ++y) {
      const COLORREF pixel = windowPixel(hwnd, x, y);
      keyShown = keyShown || pixel == magenta;
      if (x >= item.left + 16 && pixel != pane && firstText < 0) firstText = x;
    }
  }
  EXPECT_FALSE(keyShown);
  EXPECT_EQ(windowPixel(hwnd, item.left + 7, item.top + 7), blue);
  EXPECT_EQ(windowPixel(hwnd, item.left + 1, item.top + 1), pane);
  EXPECT_GE(firstText, item.left + 16 + 3);
  EXPECT_LE(firstText, item.left + 16 + 3 + 2);

  std::vector<long long> handles = integersOf(l.aBitmaps);
  ASSERT_EQ(handles.size(), 3u);
  destroy(window);
  for (long long h : handles) {
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(h))), 0u);
    for (const TrackedResource& r : trackedResources()) EXPECT_NE(r.handle, h);
  }
}

// ---- Colours and generated texts ----

TEST_F(ListBoxes, ColoursAndGeneratedTexts) {
  struct Case {
    Value fore, back;
    COLORREF text, pane;
  } cases[] = {
      {{},
       Value(static_cast<long long>(RGB(200, 0, 0))),
       GetSysColor(COLOR_WINDOWTEXT),
       GetSysColor(COLOR_WINDOW)},
      {Value(static_cast<long long>(RGB(0, 90, 0))), Value(static_cast<long long>(RGB(1, 2, 3))),
       RGB(0, 90, 0), RGB(1, 2, 3)},
  };
  for (const Case& c : cases) {
    const Value made = newList({.oWnd = dialog, .nClrFore = c.fore, .nClrBack = c.back});
    EXPECT_EQ(as<TListBox>(made).nClrText.integer(), static_cast<long long>(c.text));
    EXPECT_EQ(as<TListBox>(made).nClrPane.integer(), static_cast<long long>(c.pane));
  }
  const Value made = newList({.nRow = 10,
                              .nCol = 200,
                              .aItems = list({"a", "b c"}),
                              .nWidth = 100,
                              .nHeight = 60,
                              .oWnd = dialog});
  EXPECT_EQ(as<TListBox>(made).cGenPrg().string(),
            "\r\n   @  10, 200 LISTBOX oLbx ITEMS { \"a\", \"b c\" } ;\r\n"
            "      SIZE 100,  60 PIXEL OF oWnd\r\n");
  EXPECT_EQ(as<TListBox>(made).saveToRC(2).string(),
            "  LISTBOX " + std::to_string(as<TListBox>(made).nId.integer()) +
                ", 10, 200, 100, 60, LBS_NOTIFY | WS_BORDER | LBS_USETABSTOPS | "
                "LBS_DISABLENOSCROLL | WS_BORDER | WS_VSCROLL | WS_TABSTOP");
  // Rows and columns of 14 and 8 pixels; 40 by 40 when no size is given.
  const Value placed = lanmere::construct<TListBox>({.nRow = 2, .nCol = 3, .oWnd = dialog});
  EXPECT_EQ(as<TListBox>(placed).nTop.integer(), 28);
  EXPECT_EQ(as<TListBox>(placed).nLeft.integer(), 24);
  EXPECT_EQ(as<TListBox>(placed).nBottom.integer(), 28 + 40 - 1);
  EXPECT_EQ(as<TListBox>(placed).nRight.integer(), 24 + 40 - 1);
}

}  // namespace
}  // namespace kestrel::test
