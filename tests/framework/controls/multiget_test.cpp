// Multi-line fields in real dialogs, typed into with real keys and clicks: the write-back after
// every change, lines and positions, the context menu, the "Go To" dialog, saving and printing,
// the alert's read-only text box, and that dialogs full of fields leak nothing.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/tmultiget.h"
#include "framework/core/themes.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "runtime/closure.h"
#include "tests/framework/controls/multiget_test_ids.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/files.h"

namespace kestrel::test {
namespace {

// A program variable that records every value written to it.
struct Variable {
  Value value;
  std::vector<std::string> writes;
  Value block() {
    return closure([this](lanmere::Args args) {
      if (!args.empty()) {
        value = lanmere::arg(args, 1);
        writes.push_back(value.string());
      }
      return value;
    });
  }
};

// A field of 200 x 80 pixels unless the arguments say otherwise.
Value newMemo(TMultiGet::NewArgs a) {
  if (a.nWidth.isNil()) a.nWidth = 200;
  if (a.nHeight.isNil()) a.nHeight = 80;
  if (a.lPixel.isNil()) a.lPixel = true;
  return lanmere::construct<TMultiGet>(a);
}

class Memos : public ControlTest {
 protected:
  Value dialog = pixelDialog(40, 40, 400, 500, "Notes");
};

// ---- The write-back ----

// Each change writes the whole text back once the control has made it; bChange sees the text
// after a character, Ctrl+X and Ctrl+V, and before Enter and Delete.
TEST_F(Memos, EveryChangeWritesTheWholeTextBack) {
  struct Case {
    const char* name;
    std::string start, clipboard;
    std::vector<Step> (*input)();
    std::vector<std::string> writes, changeSaw;
  };
  const Case cases[] = {
      {"lines",
       "",
       "",
       [] {
         return std::vector<Step>{type("ab"), keys({VK_RETURN}), type("c")};
       },
       {"a", "ab", "ab\r\n", "ab\r\nc"},
       {"a", "ab", "ab", "ab\r\nc"}},
      {"delete",
       "xyz",
       "",
       [] {
         return std::vector<Step>{keys({VK_HOME}), keys({VK_DELETE})};
       },
       {"yz"},
       {"xyz"}},
      {"cut",
       "xyz",
       "",
       [] {
         return std::vector<Step>{keys({VK_CONTROL, 'X'})};
       },
       {""},
       {""}},
      {"paste",
       "ab",
       "12",
       [] {
         return std::vector<Step>{keys({VK_END}), keys({VK_CONTROL, 'V'})};
       },
       {"ab12"},
       {"ab12"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialog = pixelDialog(40, 40, 400, 500, "Notes");
    Variable text{Value(c.start)};
    std::vector<std::string> changeSaw;
    Value field;
    field = newMemo({.nRow = 10,
                     .nCol = 10,
                     .bSetGet = text.block(),
                     .oWnd = dialog,
                     .bChanged = closure([&](lanmere::Args) {
                       changeSaw.push_back(windowText(as<TMultiGet>(field).hwnd()));
                       return Value(true);
                     })});
    if (!c.clipboard.empty()) setClipboard(c.clipboard);
    std::vector<Step> steps{focusOn(field), focused(field)};
    for (Step& s : c.input()) {
      steps.push_back(s);
      steps.push_back(settle());
    }
    std::string shown;
    steps.push_back(check([&] { shown = windowText(as<TMultiGet>(field).hwnd()); }));
    steps.push_back(endWith(dialog));
    runModal(dialog, steps);
    EXPECT_EQ(text.writes, c.writes);
    EXPECT_EQ(changeSaw, c.changeSaw);
    EXPECT_EQ(shown, c.writes.back());
  }
}

// ---- Lines and positions ----

TEST_F(Memos, LinesAndPositions) {
  const Value window = pixelWindow(100, 100, 400, 500, "Notes");
  Variable text{Value("one\r\ntwo\r\nthree\r\nfour")};
  int changes = 0;
  const Value field =
      newMemo({.bSetGet = text.block(), .oWnd = window, .bChanged = counter(changes)});
  auto rowCol = [&] {
    return std::vector<long long>{lanmere::send(field, "GetRow").integer(),
                                  lanmere::send(field, "GetCol").integer()};
  };
  lanmere::send(field, "GoTo", {2});
  EXPECT_EQ(rowCol(), (std::vector<long long>{3, 1}));
  lanmere::send(field, "SetPos", {6});
  EXPECT_EQ(rowCol(), (std::vector<long long>{2, 2}));
  EXPECT_EQ(lanmere::send(field, "GetLine", {3}).string(), "three");
  EXPECT_EQ(lanmere::send(field, "GetLineCount").integer(), 4);
  // The current line goes with its line end; the last line up to the end of the text.
  lanmere::send(field, "DelLine");
  EXPECT_EQ(windowText(as<TMultiGet>(field).hwnd()), "one\r\nthree\r\nfour");
  lanmere::send(field, "DelLine", {3});
  EXPECT_EQ(windowText(as<TMultiGet>(field).hwnd()), "one\r\nthree\r\n");
  EXPECT_EQ(text.writes, (std::vector<std::string>{"one\r\nthree\r\nfour", "one\r\nthree\r\n"}));
  EXPECT_EQ(changes, 2);
  destroy(window);
}

// ---- Context menu ----

struct MenuItem {
  std::string caption;
  bool grayed;
  bool operator==(const MenuItem&) const = default;
};
void PrintTo(const MenuItem& item, std::ostream* out) {
  *out << item.caption << (item.grayed ? " (grayed)" : "");
}

std::vector<MenuItem> itemsOf(HWND menuWindow) {
  constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU
  const auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, kGetMenuHandle, 0, 0));
  std::vector<MenuItem> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char caption[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if (state & MF_SEPARATOR) continue;
    items.push_back({caption, (state & MF_GRAYED) != 0});
  }
  return items;
}

// Read from inside the menu's loop. A read-only field offers no cut, paste or delete, though
// text is selected and the clipboard holds text, and ignores typing and Delete.
TEST_F(Memos, ContextMenuEnablesWhatCanAct) {
  for (const bool readOnly : {true, false}) {
    SCOPED_TRACE(readOnly);
    dialog = pixelDialog(40, 40, 400, 500, "Notes");
    Variable text{Value("hello world")};
    const Value field = newMemo(
        {.nRow = 10, .nCol = 10, .bSetGet = text.block(), .oWnd = dialog, .lReadOnly = readOnly});
    setClipboard("clip");
    std::vector<MenuItem> items;
    std::string afterTyping;
    runModal(dialog,
             {focusOn(field), focused(field), type("x"), keys({VK_DELETE}), settle(), check([&] {
                afterTyping = windowText(as<TMultiGet>(field).hwnd());
                lanmere::send(field, "SetSel", {0, 5});
              }),
              [&](HWND) { return clickAt(as<TMultiGet>(field).hwnd(), 100, 30, true), true; },
              [&](HWND) {
                const HWND menu = currentMenu();
                if (!menu) return false;
                items = itemsOf(menu);
                EndMenu();
                return true;
              },
              settle(), endWith(dialog)});
    // typing replaced the selection in the editable field, so it can undo
    const std::vector<MenuItem> expected{
        {"&Undo", readOnly},   {"Cu&t", readOnly}, {"&Copy", false},      {"&Paste", readOnly},
        {"&Delete", readOnly}, {"P&rint", false},  {"Select &All", false}};
    EXPECT_EQ(items, expected);
    if (readOnly) {
      EXPECT_EQ(afterTyping, "hello world");
      EXPECT_TRUE(text.writes.empty());
    }
  }
}

// ---- Go To ----

// The row is offered; Ok goes to the line entered (within the text), Cancel stays.
TEST_F(Memos, GoToDialog) {
  struct Case {
    const char* name;
    std::string typed;
    bool ok;
    long long rowAfter;
  };
  const Case cases[] = {{"third line", "3", true, 3},
                        {"unchanged", "", true, 2},
                        {"past the end", "99", true, 5},
                        {"cancelled", "3", false, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialog = pixelDialog(40, 40, 400, 500, "Notes");
    Variable text{Value("a\r\nb\r\nc\r\nd\r\ne")};
    const Value field = newMemo({.nRow = 10, .nCol = 10, .bSetGet = text.block(), .oWnd = dialog});
    std::string title, offered;
    long long row = 0;
    std::vector<Step> steps{focusOn(field), focused(field),
                            check([&] { lanmere::send(field, "GoTo", {1}); }),
                            [&](HWND) { return lanmere::send(field, "DlgGoLine"), true; },
                            // inside the Go To dialog
                            [&](HWND d) {
                              if (!d || d == as<TWindow>(dialog).hwnd() || !IsWindowVisible(d))
                                return false;
                              title = windowText(d);
                              HWND edit = FindWindowExA(d, nullptr, "Edit", nullptr);
                              offered = edit ? windowText(edit) : "";
                              return true;
                            }};
    if (!c.typed.empty()) steps.push_back(type(c.typed));
    steps.push_back(settle());
    steps.push_back([&](HWND d) {
      const char* caption = c.ok ? "&Ok" : "&Cancel";
      HWND button = FindWindowExA(d, nullptr, "Button", caption);
      return button && (clickCenter(button), true);
    });
    // back in the notes dialog
    steps.push_back([&](HWND d) { return d == as<TWindow>(dialog).hwnd(); });
    steps.push_back(check([&] { row = lanmere::send(field, "GetRow").integer(); }));
    steps.push_back(endWith(dialog));
    runModal(dialog, steps);
    EXPECT_EQ(title, "Go To");
    EXPECT_EQ(offered, "    2");
    EXPECT_EQ(row, c.rowAfter);
  }
}

// ---- Find ----

// Each "Find Next" selects the next match after the selection; with "Match case" only the
// exact spelling matches.
TEST_F(Memos, FindSelectsTheNextMatch) {
  constexpr int kMatchCase = 1041;  // the find dialog's check box
  struct Case {
    bool matchCase;
    std::vector<std::pair<long long, long long>> selections;
  };
  const Case cases[] = {{false, {{0, 5}, {14, 19}}}, {true, {{14, 19}, {14, 19}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.matchCase);
    dialog = pixelDialog(40, 40, 400, 500, "Notes");
    Variable text{Value("Alpha\r\nbeta\r\n alpha")};
    const Value field = newMemo({.nRow = 10, .nCol = 10, .bSetGet = text.block(), .oWnd = dialog});
    std::vector<std::pair<long long, long long>> selections;
    bool found = false;
    auto findNext = [&](HWND d) {
      return d && d != as<TWindow>(dialog).hwnd() && (pressButton(d, IDOK), true);
    };
    auto readSelection = [&](HWND) {
      DWORD from = 0, to = 0;
      SendMessageA(as<TMultiGet>(field).hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                   reinterpret_cast<LPARAM>(&to));
      selections.emplace_back(from, to);
      return true;
    };
    std::vector<Step> steps{focusOn(field), focused(field),
                            check([&] { lanmere::send(field, "SetPos", {0}); }), [&](HWND) {
                              found = lanmere::send(field, "Find", {"alpha"}).logical();
                              return true;
                            }};
    if (c.matchCase) {
      steps.push_back([&](HWND d) {
        return d && d != as<TWindow>(dialog).hwnd() &&
               (clickCenter(GetDlgItem(d, kMatchCase)), true);
      });
      steps.push_back(settle());
    }
    for (int i = 0; i < 2; ++i) {
      steps.push_back(findNext);
      steps.push_back(settle());
      steps.push_back(readSelection);
    }
    steps.push_back([&](HWND d) { return pressButton(d, IDCANCEL), true; });
    steps.push_back([&](HWND d) { return d == as<TWindow>(dialog).hwnd(); });
    steps.push_back(endWith(dialog));
    runModal(dialog, steps);
    EXPECT_TRUE(found);
    EXPECT_EQ(selections, c.selections);
  }
}

// ---- Saving and printing ----

TEST_F(Memos, SaveToFileWritesTheBytes) {
  const Value window = pixelWindow(100, 100, 400, 500, "Notes");
  const std::string written = "line 1\r\n\tline 2 \xE9\r\n";
  Variable text{Value(written)};
  const Value field = newMemo({.bSetGet = text.block(), .oWnd = window});
  const TempFolder folder;
  const std::string path = folder / "multiget_test.txt";
  struct Case {
    std::string path;
    bool saved;
  };
  for (const Case& c : {Case{path, true}, Case{folder / "no such\\dir\\x.txt", false}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(lanmere::send(field, "SaveToFile", {c.path}).logical(), c.saved);
  }
  EXPECT_EQ(readFile(path), written);
  destroy(window);
}

TEST_F(Memos, PrintWithoutAPrinterSaysSo) {
  const Value window = pixelWindow(100, 100, 400, 500, "Notes");
  Variable text{Value("to print")};
  const Value field = newMemo({.bSetGet = text.block(), .oWnd = window});
  std::vector<std::string> boxes;
  ModalDriver driver([&](const BoxInfo& box) {
    boxes.push_back(box.text);
    return IDOK;
  });
  EXPECT_FALSE(lanmere::send(field, "Print").logical());
  EXPECT_EQ(boxes, std::vector<std::string>{"Printer not ready!"});
  destroy(window);
}

// Sixty lines to a page, a sixtieth of the page apart, and no blank page after a full one.
TEST(NotesLayout, SixtyLinesToAPage) {
  struct Case {
    std::size_t lines, pages;
    std::size_t lastPage;
    long long lastTop;
  };
  const Case cases[] = {{0, 1, 0, 0}, {60, 1, 0, 5900}, {61, 2, 1, 0}, {121, 3, 2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    const NotesLayout layout = notesLayout(c.lines, 6000);
    EXPECT_EQ(layout.pages, c.pages);
    ASSERT_EQ(layout.lines.size(), c.lines);
    if (c.lines == 0) continue;
    EXPECT_EQ(layout.lines.back().page, c.lastPage);
    EXPECT_EQ(layout.lines.back().top, c.lastTop);
    EXPECT_EQ(layout.lines[59].top, 5900);
  }
}

// ---- The alert's text box ----

// Made in a running dialog at pixels: exactly the size asked for, no frame, never editable, the
// button-face background, scroll bars only as asked.
TEST_F(Memos, ReadOnlyTextBoxAsTheAlertMakesIt) {
  struct Case {
    bool noVScroll, hScroll;
    LONG_PTR bars;
  };
  const Case cases[] = {
      {true, false, 0}, {false, false, WS_VSCROLL}, {false, true, WS_VSCROLL | WS_HSCROLL}};
  for (const bool themed : {false, true}) {
    overrideAppThemed(themed);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(themed) + std::to_string(c.bars));
      dialog = pixelDialog(40, 40, 400, 500, "Attention");
      Variable text{Value("Alert text")};
      Value field;
      RECT box{};
      LONG_PTR style = 0, exStyle = 0;
      COLORREF back = CLR_INVALID;
      bool enabled = true;
      TDialog::ActivateArgs how;
      how.bInit = closure([&](lanmere::Args) {
        field = newMemo({.nRow = 25,
                         .nCol = 70,
                         .bSetGet = text.block(),
                         .oWnd = dialog,
                         .nWidth = 150,
                         .nHeight = 60,
                         .lHScroll = c.hScroll,
                         .nClrBack = static_cast<long long>(GetSysColor(COLOR_BTNFACE)),
                         .bWhen = closure([](lanmere::Args) { return Value(false); }),
                         .lReadOnly = true,
                         .lNoBorder = true,
                         .lNoVScroll = c.noVScroll});
        return Value();
      });
      runModal(dialog,
               {[&](HWND d) { return d && field.isObject() && IsWindowVisible(d); }, settle(),
                check([&] {
                  const HWND hwnd = as<TMultiGet>(field).hwnd();
                  lanmere::send(dialog, "AEvalWhen");
                  GetWindowRect(hwnd, &box);
                  style = GetWindowLongPtrA(hwnd, GWL_STYLE);
                  exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
                  enabled = IsWindowEnabled(hwnd);
                  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                  RECT client{};
                  GetClientRect(hwnd, &client);
                  back = windowPixel(hwnd, client.right - 4, client.bottom - 4);
                }),
                endWith(dialog)},
               how);
      EXPECT_EQ(box.right - box.left, 150);
      EXPECT_EQ(box.bottom - box.top, 60);
      EXPECT_EQ(style & (WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_READONLY | WS_TABSTOP),
                c.bars | ES_READONLY);
      EXPECT_EQ(exStyle & WS_EX_CLIENTEDGE, 0);
      EXPECT_FALSE(enabled);
      EXPECT_EQ(back, GetSysColor(COLOR_BTNFACE));
      EXPECT_TRUE(text.writes.empty());
    }
  }
  overrideAppThemed(std::nullopt);
}

// Fields of a dialog resource: each shows its variable once the dialog has made it, typing writes
// the whole text back, and the read-only one takes no typing and writes nothing.
TEST_F(Memos, ResourceFieldsShowTypeAndStayReadOnly) {
  const Value resource = resourceDialog("MEMODLG");
  Variable notes{Value("one\r\ntwo")}, view{Value("fixed")};
  int changes = 0;
  auto redefine = [&](int id, Variable& var, bool readOnly, Value changed) {
    return lanmere::construct<TMultiGet>(TMultiGet::ReDefineArgs{.nId = id,
                                                                 .bSetGet = var.block(),
                                                                 .oWnd = resource,
                                                                 .lReadOnly = readOnly,
                                                                 .bChanged = changed});
  };
  const Value edit = redefine(kIdMemoEdit, notes, false, counter(changes));
  const Value fixed = redefine(kIdMemoView, view, true, Value());
  runModal(resource,
           {[&](HWND d) { return d && as<TMultiGet>(fixed).hwnd(); }, check([&] {
              EXPECT_TRUE(errors.empty());
              EXPECT_EQ(windowText(as<TMultiGet>(edit).hwnd()), "one\r\ntwo");
              EXPECT_EQ(windowText(as<TMultiGet>(fixed).hwnd()), "fixed");
              EXPECT_TRUE(GetWindowLongPtrA(as<TMultiGet>(fixed).hwnd(), GWL_STYLE) & ES_READONLY);
              EXPECT_EQ(as<TWindow>(resource).aControls.length(), 2u);
            }),
            focusOn(edit), focused(edit), keys({VK_CONTROL, VK_END}), keys({VK_RETURN}), type("3"),
            focusOn(fixed), focused(fixed), type("zz"), settle(), endWith(resource)});
  EXPECT_EQ(notes.value.string(), "one\r\ntwo\r\n3");
  EXPECT_GE(changes, 2);
  EXPECT_TRUE(view.writes.empty());
  EXPECT_EQ(view.value.string(), "fixed");
}

// ---- No leaks ----

TEST_F(Memos, DialogsOfMemosLeaveNothing) {
  auto once = [&] {
    dialog = pixelDialog(40, 40, 400, 500, "Notes");
    Variable a{Value("text\r\nmore")}, b{Value("read only")}, c{Value("alert")};
    newMemo({.nRow = 10, .nCol = 10, .bSetGet = a.block(), .oWnd = dialog});
    newMemo({.nRow = 100,
             .nCol = 10,
             .bSetGet = b.block(),
             .oWnd = dialog,
             .lHScroll = true,
             .lReadOnly = true});
    const Value font = newFont("Arial", -14);
    TDialog::ActivateArgs how;
    how.bInit = closure([&](lanmere::Args) {
      newMemo({.nRow = 200,
               .nCol = 10,
               .bSetGet = c.block(),
               .oWnd = dialog,
               .oFont = font,
               .nClrBack = static_cast<long long>(GetSysColor(COLOR_BTNFACE)),
               .bWhen = closure([](lanmere::Args) { return Value(false); }),
               .lReadOnly = true,
               .lNoBorder = true});
      return Value();
    });
    runModal(dialog, {[](HWND d) { return d != nullptr; }, endWith(dialog)}, how);
    lanmere::send(font, "End");  // the alert releases its font once the dialog is gone
  };
  once();  // fonts and brushes shared for the process are made once
  const Leftovers before;
  for (int i = 0; i < 20; ++i) once();
  dialog = Value();
  before.expectNoMore();
}

}  // namespace
}  // namespace kestrel::test
