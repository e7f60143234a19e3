// Forms through records and files with real windows: what a user sees survives SaveFile and
// LoadFile (title, place, colours, font, controls, menu and its events), hostile files change
// nothing and leave nothing behind, file errors are raised, and Save neither makes windows nor
// moves the default window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "framework/controls/tbutton.h"
#include "framework/controls/tlistbox.h"
#include "framework/controls/tsay.h"
#include "framework/core/persist.h"
#include "framework/core/tcontrol.h"
#include "framework/core/wndfuncs.h"
#include "framework/display/modules.h"
#include "framework/services/menuapi.h"
#include "framework/services/modules.h"
#include "framework/services/menubuild.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmenuitem.h"
#include "framework/services/tmsgitem.h"
#include "runtime/builtins.h"
#include "runtime/memory.h"
#include "tests/framework/core/persist_classes.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/files.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Value;

// A program's window class: a method a menu event names, and a member cVarName may bind.
class TFormWnd : public TWindow {
  LM_CLASS(TFormWnd, TWindow)
  Value nChosen = 0;
  Value oPartner;
  void Chosen() { nChosen = nChosen.integer() + 1; }
};

LM_DEFINE_CLASS(TFormWnd) {
  c.data(LM_FIELDS(nChosen, oPartner));
  c.methods(LM_METHODS(Chosen));
  c.creatable();
}

constexpr COLORREF kText = RGB(0, 0, 128);
constexpr COLORREF kPane = RGB(200, 220, 240);

Value addItem(const char* prompt, bool checked = false, bool active = true) {
  Value args[] = {Value(prompt), Value(), Value(checked), Value(active)};
  return MENUADDITEM(Args(args));
}

std::string windowText(HWND hwnd) {
  char text[256] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

std::string className(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

// What Load reads of a record: the object body past its letter, length and class name.
std::string bodyOf(const std::string& record) {
  const std::size_t nameLength =
      static_cast<unsigned char>(record[3]) |
      (static_cast<std::size_t>(static_cast<unsigned char>(record[4])) << 8);
  return record.substr(5 + nameLength);
}

// What a user sees of a form, read from the system, never from the objects.
struct Seen {
  std::string title;
  RECT rect{};
  COLORREF pane = 0;
  std::vector<std::string> menu;  // "prompt:state" of each entry, submenus after their entry
  std::vector<std::string> children;
  std::string face;
  LONG fontHeight = 0;
  std::vector<std::string> listItems;
  LRESULT listRow = 0;  // a list box's item height
};

void readMenu(HMENU menu, std::vector<std::string>& out, int depth = 0) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count && depth < 4; ++i) {
    const Value handle(handleNumber(menu));
    const Value position(static_cast<long long>(i));
    const Value byPosition(static_cast<long long>(MF_BYPOSITION));
    const long long state = GETMENUSTATE(handle, position, byPosition);
    out.push_back(GETMENUSTRING(handle, position, byPosition) + ":" +
                  std::to_string(state & (MF_CHECKED | MF_GRAYED)));
    if (HMENU sub = GetSubMenu(menu, i)) readMenu(sub, out, depth + 1);
  }
}

Seen seen(HWND hwnd) {
  Seen s;
  s.title = windowText(hwnd);
  GetWindowRect(hwnd, &s.rect);
  RECT client{};
  GetClientRect(hwnd, &client);
  s.pane = windowPixel(hwnd, client.right - 3, client.bottom - 3);
  if (HMENU menu = GetMenu(hwnd)) readMenu(menu, s.menu);
  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const RECT r = rectInParent(child);
    s.children.push_back(className(child) + "|" + windowText(child) + "|" + std::to_string(r.left) +
                         "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                         std::to_string(r.bottom));
    if (className(child) == "ListBox") {
      const LRESULT count = SendMessageA(child, LB_GETCOUNT, 0, 0);
      s.listRow = SendMessageA(child, LB_GETITEMHEIGHT, 0, 0);
      for (LRESULT i = 0; i < count; ++i) {
        char text[64] = {};
        SendMessageA(child, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        s.listItems.push_back(text);
      }
    }
  }
  // The font a control took from the form (a plain window keeps none of its own).
  const HWND first = GetWindow(hwnd, GW_CHILD);
  const auto font = reinterpret_cast<HFONT>(SendMessageA(first, WM_GETFONT, 0, 0));
  LOGFONTA log{};
  if (font && GetObjectA(font, sizeof log, &log)) {
    s.face = log.lfFaceName;
    s.fontHeight = log.lfHeight;
  }
  return s;
}

class Forms : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    TFormWnd::Class();
    TMsgItem::Class();
    static const bool registered = [] {
      // the alert road, and the menus' functions the window reaches by name
      registerModules({displayModules(), servicesModules()});
      return true;
    }();
    (void)registered;
  }

  // A push button, a label and a list box of three, on a window or a dialog.
  static void addControls(const Value& owner) {
    lanmere::construct<TButton>(TButton::NewArgs{.nRow = 10,
                                                 .nCol = 10,
                                                 .cCaption = "Go",
                                                 .oWnd = owner,
                                                 .nWidth = 80,
                                                 .nHeight = 24,
                                                 .lPixel = true});
    lanmere::construct<TSay>(TSay::NewArgs{.nRow = 44,
                                           .nCol = 10,
                                           .bText = fixed("Label"),
                                           .oWnd = owner,
                                           .lPixel = true,
                                           .nWidth = 90,
                                           .nHeight = 20});
    lanmere::construct<TListBox>(TListBox::NewArgs{.nRow = 70,
                                                   .nCol = 10,
                                                   .aItems = Value::list({"one", "two", "three"}),
                                                   .nWidth = 120,
                                                   .nHeight = 80,
                                                   .oWnd = owner,
                                                   .lPixel = true});
  }

  // The form of the tests: title, place, colours, an Arial font, a button, a label, a list of
  // three and a menu bar with a submenu, a checked, a greyed and an item whose event names a
  // method of the window's class.
  Value makeForm() {
    Value form = shownWindow(40, 50, 340, 470, "Form", "TFORMWND");
    lanmere::send(form, "SetColor",
                  {Value(static_cast<long long>(kText)), Value(static_cast<long long>(kPane))});
    const Value font = newFont("Arial", -16);
    lanmere::send(form, "SetFont", {font});
    lanmere::send(font, "End");
    addControls(form);
    Value begin[] = {Value(false)};
    MENUBEGIN(Args(begin));
    addItem("&File");
    MENUBEGIN({});
    addItem("&Open");
    addItem("&Checked", true);
    addItem("&Greyed", false, false);
    const Value run = addItem("&Run");
    as<TMenuItem>(run).OnClick = "Chosen";
    MENUEND();
    const Value menu = MENUEND();
    lanmere::send(form, "SetMenu", {menu});
    pumpUntil([] { return false; }, 100);
    return form;
  }

  TempFolder folder;
};

TEST_F(Forms, AFormRoundTripsThroughItsFile) {
  Value form = makeForm();
  as<TWindow>(form).cVarName = "oForm";
  const std::string first = lanmere::send(form, "Save").string();
  ASSERT_FALSE(first.empty());
  const std::string file = folder / "form.kfm";
  ASSERT_TRUE(lanmere::send(form, "SaveFile", {Value(file)}).logical());
  EXPECT_EQ(readFile(file), first);
  const Seen before = seen(hwndOf(form));
  destroy(form);
  form = Value();

  const Value loaded = shownWindow(0, 0, 100, 100, "", "TFORMWND");
  ASSERT_TRUE(lanmere::send(loaded, "LoadFile", {Value(file)}).logical());
  pumpUntil([] { return false; }, 100);
  const HWND hwnd = hwndOf(loaded);
  const Seen after = seen(hwnd);
  EXPECT_EQ(after.title, "Form");
  EXPECT_TRUE(EqualRect(&after.rect, &before.rect));
  EXPECT_EQ(after.pane, kPane);
  EXPECT_EQ(after.menu, before.menu);
  // Pop-up entries are drawn by the framework (no system text): their prompts come from the
  // items the pop-up's handle leads to.
  EXPECT_EQ(after.menu, (std::vector<std::string>{"&File:0", ":0", ":8", ":1", ":0"}));
  const Value popup = MENUFROMHANDLE(Value(handleNumber(GetSubMenu(GetMenu(hwnd), 0))));
  std::vector<std::string> prompts;
  const Value items = lanmere::send(popup, "aItems");
  for (const Value& item : items.items()) prompts.push_back(as<TMenuItem>(item).cPrompt.string());
  EXPECT_EQ(prompts, (std::vector<std::string>{"&Open", "&Checked", "&Greyed", "&Run"}));
  // Each control's class, text and rectangle, the list box's height included (whole rows of
  // its font on both sides).
  EXPECT_EQ(after.children, before.children);
  EXPECT_EQ(after.children.size(), 3u);
  EXPECT_EQ(after.face, "Arial");
  EXPECT_EQ(after.fontHeight, -16);
  EXPECT_EQ(after.listItems, (std::vector<std::string>{"one", "two", "three"}));

  // The event runs the named method of the window, once, when the user chooses its item with
  // the keys: Alt+F opens "&File", R chooses "&Run" (the window answers the drawn pop-up's
  // letter through its menu objects).
  SetForegroundWindow(hwnd);
  SetFocus(hwnd);
  DialogSteps choose({[&](HWND) {
                        pressKeys({VK_MENU, 'F'});
                        return true;
                      },
                      [&](HWND) { return currentMenu() != nullptr; },
                      [&](HWND) { return menuKeys({'R'}); }},
                     40, 5000);
  EXPECT_TRUE(pumpUntil(
      [&] { return as<TFormWnd>(loaded).nChosen.integer() > 0 || choose.done(); }, 8000));
  pumpUntil([&] { return as<TFormWnd>(loaded).nChosen.integer() > 0; }, 1000);
  choose.rethrow();
  pumpUntil([] { return false; }, 100);
  EXPECT_EQ(as<TFormWnd>(loaded).nChosen.integer(), 1);
  EXPECT_EQ(currentMenu(), nullptr);

  // A second Save equals the first byte for byte.
  EXPECT_EQ(lanmere::send(loaded, "Save").string(), first);
  destroy(loaded);
}

// A list box's rectangle survives its record exactly, whatever its font and height, also with a
// font given to the list box after it was made: its height is whole rows of the font it shows.
TEST_F(Forms, AListBoxSizeRoundTripsExactly) {
  struct Row {
    const char* face;  // the window's font (none: the system's)
    long long height;
    const char* ownFace;  // a font set on the list box once made
  };
  const Row rows[] = {{"Arial", 80, nullptr},
                      {"Arial", 57, nullptr},
                      {"Courier New", 100, nullptr},
                      {nullptr, 80, nullptr},
                      {"Arial", 90, "Courier New"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.face ? row.face : "-") + " " + std::to_string(row.height) +
                 " " + (row.ownFace ? row.ownFace : "-"));
    Value window = shownWindow(40, 50, 300, 400, "Sizes", "TFORMWND");
    if (row.face) {
      const Value font = newFont(row.face, -16);
      lanmere::send(window, "SetFont", {font});
      lanmere::send(font, "End");
    }
    const Value list = lanmere::construct<TListBox>(
        TListBox::NewArgs{.nRow = 10,
                          .nCol = 10,
                          .aItems = Value::list({"one", "two", "three", "four"}),
                          .nWidth = 120,
                          .nHeight = row.height,
                          .oWnd = window,
                          .lPixel = true});
    if (row.ownFace) {
      const Value font = newFont(row.ownFace, -13);
      lanmere::send(list, "SetFont", {font});
      lanmere::send(font, "End");
    }
    const HWND made = as<TWindow>(list).hwnd();
    const RECT saved = rectInParent(made);
    RECT inner{};
    GetClientRect(made, &inner);
    EXPECT_EQ(inner.bottom % SendMessageA(made, LB_GETITEMHEIGHT, 0, 0), 0) << "whole rows";
    EXPECT_LE(saved.bottom - saved.top, row.height);
    const std::string record = lanmere::send(window, "Save").string();
    destroy(window);
    window = Value();

    const Value loaded = shownWindow(0, 0, 100, 100, "", "TFORMWND");
    ASSERT_TRUE(lanmere::send(loaded, "Load", {Value(bodyOf(record))}).logical());
    const HWND back = GetWindow(hwndOf(loaded), GW_CHILD);
    ASSERT_EQ(className(back), "ListBox");
    const RECT shown = rectInParent(back);
    EXPECT_TRUE(EqualRect(&shown, &saved))
        << shown.top << "," << shown.bottom << " for " << saved.top << "," << saved.bottom;
    EXPECT_EQ(lanmere::send(loaded, "Save").string(), record);
    destroy(loaded);
  }
}

// A dialog with the form's controls, shown once: what the user saw, and its record written
// before Activate (no window yet) or while it showed.
struct DialogRecord {
  Seen shown;
  std::string record;
};

DialogRecord recordedDialog(bool whileShown, void (*addControls)(const Value&)) {
  DialogRecord out;
  const Value original = pixelDialog(60, 80, 259, 399, "Dialog form");
  addControls(original);
  if (!whileShown) out.record = lanmere::send(original, "Save").string();
  runModal(original, {[&](HWND hwnd) {
                        if (!hwnd || !IsWindowVisible(hwnd)) return false;
                        out.shown = seen(hwnd);
                        if (whileShown) out.record = lanmere::send(original, "Save").string();
                        return true;
                      },
                      endWith(original)});
  return out;
}

// What a new dialog shows once the record is loaded: before its Activate (the controls are
// defined and made by the activation) or while it shows (they are made at once).
Seen loadedDialog(const std::string& record, bool whileShown) {
  const Value copy = pixelDialog(0, 0, 99, 99, "");
  if (!whileShown) {
    EXPECT_TRUE(lanmere::send(copy, "Load", {Value(bodyOf(record))}).logical());
    EXPECT_EQ(as<TWindow>(copy).hWnd.integer(), 0) << "still no window";
    EXPECT_EQ(as<TWindow>(copy).aControls.length(), 3u) << "defined for Activate";
  }
  Seen after;
  runModal(copy, {[&](HWND hwnd) {
                    if (!hwnd || !IsWindowVisible(hwnd)) return false;
                    if (whileShown) {
                      EXPECT_TRUE(lanmere::send(copy, "Load", {Value(bodyOf(record))}).logical());
                      pumpUntil([] { return false; }, 50);
                    }
                    after = seen(hwnd);
                    return true;
                  },
                  endWith(copy)});
  return after;
}

// A dialog's record written before Activate (no window yet) loads into a new dialog before its
// Activate: once activated it shows the same title, size and controls.
TEST_F(Forms, ADialogsRecordWrittenBeforeActivate) {
  const DialogRecord original = recordedDialog(false, addControls);
  ASSERT_FALSE(original.record.empty());
  ASSERT_EQ(original.shown.children.size(), 3u);
  const Seen& before = original.shown;
  const Seen after = loadedDialog(original.record, false);
  EXPECT_EQ(after.title, "Dialog form");
  EXPECT_EQ(after.rect.right - after.rect.left, before.rect.right - before.rect.left);
  EXPECT_EQ(after.rect.bottom - after.rect.top, before.rect.bottom - before.rect.top);
  EXPECT_EQ(after.children, before.children);
  EXPECT_EQ(after.listItems, (std::vector<std::string>{"one", "two", "three"}));
}

// A dialog's record holds its geometry in the units its definition takes before Activate,
// whatever its state: saved while shown, loaded while shown, or the one into the other, the
// dialog and every control show the same rectangle and the same font. (A control the dialog
// manager made from the template and one made by New in the shown dialog both show the
// dialog's font object, so a list box holds the same whole rows either way.)
TEST_F(Forms, ADialogsRecordLoadsInTheOtherState) {
  const bool rows[][2] = {{true, false}, {false, true}, {true, true}, {false, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row[0] ? "saved while shown" : "saved before Activate") +
                 (row[1] ? ", loaded while shown" : ", loaded before Activate"));
    const DialogRecord original = recordedDialog(row[0], addControls);
    const Seen after = loadedDialog(original.record, row[1]);
    EXPECT_EQ(after.rect.right - after.rect.left,
              original.shown.rect.right - original.shown.rect.left);
    EXPECT_EQ(after.rect.bottom - after.rect.top,
              original.shown.rect.bottom - original.shown.rect.top);
    EXPECT_EQ(after.children, original.shown.children);
    EXPECT_EQ(after.listRow, original.shown.listRow);
    EXPECT_EQ(after.face, original.shown.face);
    EXPECT_EQ(after.fontHeight, original.shown.fontHeight);
  }
}

// Real records for the record fuzz target's seeds: a form (window, controls, menu), its menu and
// font, a dialog with controls, nested lists. The reader takes each whole, and as the payload
// (AREAD, OREAD) and the body (Load) the target feeds it. With KESTREL_PERSIST_SEEDS naming a
// folder they are written there: "<name>_payload" and "<name>_body" (README, fuzzing).
TEST_F(Forms, RealRecordsForTheFuzzSeeds) {
  std::vector<std::pair<std::string, std::string>> records;
  Value form = makeForm();
  records.emplace_back("window", lanmere::send(form, "Save").string());
  records.emplace_back("menu", lanmere::send(as<TWindow>(form).oMenu, "Save").string());
  records.emplace_back("font", lanmere::send(as<TWindow>(form).oFont, "Save").string());
  destroy(form);
  const Value dialog = pixelDialog(60, 80, 259, 399, "Dialog form");
  addControls(dialog);
  records.emplace_back("dialog", lanmere::send(dialog, "Save").string());
  runModal(dialog, {endWith(dialog)});
  const Value lists = Value::list(
      {1, "ab", true, Value::list({Value::list({2.5, "c"}), Value::list(), false}), -7});
  records.emplace_back("lists", lanmere::callFunction("ASAVE", {lists}).string());
  // The small class the target loads into, with a member of every kind, a nested object, an
  // event; its date in the target's format.
  registerPersistClasses();
  const std::string format = lanmere::dateFormat();
  lanmere::setDateFormat("YYYY.MM.DD");
  const Value pad = lanmere::createObject("TPAD");
  const Value inner = lanmere::createObject("TINNER");
  as<TInner>(inner).cName = "inner";
  as<TPad>(pad).cTitle = "form";
  as<TPad>(pad).nSize = 12;
  as<TPad>(pad).lOn = false;
  as<TPad>(pad).dWhen = lanmere::ctod("2026.03.09");
  as<TPad>(pad).aList = Value::list({1, Value::list({"two", true})});
  as<TPad>(pad).oInner = inner;
  as<TPad>(pad).OnClick = "Clicked";
  records.emplace_back("pad", lanmere::send(pad, "Save").string());
  lanmere::setDateFormat(format);

  const char* seeds = std::getenv("KESTREL_PERSIST_SEEDS");
  for (const auto& [name, record] : records) {
    SCOPED_TRACE(name);
    const RecordReading whole = parseRecord(record);
    ASSERT_TRUE(std::holds_alternative<RecordNode>(whole)) << std::get<RecordRefusal>(whole).reason;
    const bool object = std::get<RecordNode>(whole).type == 'O';
    EXPECT_EQ(object, name != "lists");
    const std::string payload = record.substr(3);
    EXPECT_TRUE(std::holds_alternative<RecordNode>(object ? parseObjectPayload(payload)
                                                          : parseListPayload(payload)));
    if (object) {
      EXPECT_TRUE(std::holds_alternative<RecordNode>(parseObjectBody(bodyOf(record))));
    }
    if (!seeds) continue;
    const std::string to = std::string(seeds) + "/" + name;
    EXPECT_TRUE(writeFile(to + "_payload", payload));
    if (object) {
      EXPECT_TRUE(writeFile(to + "_body", bodyOf(record)));
    }
  }
}

TEST_F(Forms, AMessageBarPaneRoundTrips) {
  const Value pane = lanmere::createObject("TMSGITEM");
  as<TMsgItem>(pane).cMsg = "Ready";
  as<TMsgItem>(pane).nWidth = 84;
  as<TMsgItem>(pane).OnClick = "Refresh";
  const std::string record = lanmere::send(pane, "Save").string();
  const Value copy = lanmere::createObject("TMSGITEM");
  ASSERT_TRUE(lanmere::send(copy, "Load", {Value(record.substr(3 + 2 + 8))}).logical());
  EXPECT_EQ(as<TMsgItem>(copy).cMsg.string(), "Ready");
  EXPECT_EQ(as<TMsgItem>(copy).nWidth.integer(), 84);
  EXPECT_EQ(lanmere::send(copy, "Save").string(), record);
}

// Every proper prefix of a form file and a lying length are refused before anything is applied:
// the window keeps its title, controls and menu, and nothing made stays.
TEST_F(Forms, HostileFilesChangeNothing) {
  Value form = makeForm();
  const std::string record = lanmere::send(form, "Save").string();
  const Seen start = seen(hwndOf(form));
  const long controls = TControl::liveCount();
  std::vector<std::string> inputs;
  for (std::size_t n = 0; n < record.size(); n += (n < 64 ? 1 : 7)) {
    inputs.push_back(record.substr(0, n));
  }
  std::string lying = record;
  lying[1] = static_cast<char>(lying[1] + 1);
  inputs.push_back(lying);
  const std::string file = folder / "hostile.kfm";
  ErrorCatcher errors(false);
  const std::size_t memory = lanmere::memoryCounters().inUse;
  for (const std::string& input : inputs) {
    ASSERT_TRUE(writeFile(file, input));
    errors.records.clear();
    EXPECT_FALSE(lanmere::send(form, "LoadFile", {Value(file)}).logical()) << input.size();
    ASSERT_EQ(errors.records.size(), 1u) << input.size();
    EXPECT_EQ(errors.last().subCode.integer(), kRecordCutSubCode) << input.size();
  }
  errors.records.clear();
  EXPECT_EQ(lanmere::memoryCounters().inUse, memory);
  EXPECT_EQ(TControl::liveCount(), controls);
  const Seen end = seen(hwndOf(form));
  EXPECT_EQ(end.title, start.title);
  EXPECT_EQ(end.children, start.children);
  EXPECT_EQ(end.menu, start.menu);
  destroy(form);
}

TEST_F(Forms, FileErrorsAreRaisedAndTheOldFileStays) {
  Value form = pixelWindow(10, 10, 200, 300, "Files", "TFORMWND");
  ErrorCatcher errors(false);
  // A missing file shows the text in a box.
  std::vector<std::string> boxes;
  {
    ModalDriver driver([&](const BoxInfo& box) {
      boxes.push_back(box.text);
      return IDOK;
    });
    const std::string missing = folder / "none.kfm";
    EXPECT_FALSE(lanmere::send(form, "LoadFile", {Value(missing)}).logical());
    EXPECT_EQ(boxes, (std::vector<std::string>{"File not found: " + missing}));
  }
  ASSERT_TRUE(CreateDirectoryA((folder / "taken.kfm").c_str(), nullptr));
  const std::string big = folder / "big.kfm";
  ASSERT_TRUE(writeFile(big, "O" + std::string(39999, 'x')));
  // A file another holder keeps open without sharing cannot be opened.
  const std::string held = folder / "held.kfm";
  ASSERT_TRUE(writeFile(held, lanmere::send(form, "Save").string()));
  const HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const struct {
    const char* what;
    const char* method;
    std::string file;
    long long genCode;
    long long subCode;
    bool fileError;  // the file in `filename` and the argument, the system's code in `osCode`
  } cases[] = {
      {"too large", "LoadFile", big, 31, kFormTooBigSubCode, false},
      {"too large, read", "ReadFile", big, 31, kFormTooBigSubCode, false},
      {"held open", "LoadFile", held, 21, kFormOpenSubCode, true},
      {"held open, read", "ReadFile", held, 21, kFormOpenSubCode, true},
      {"a folder of that name", "SaveFile", folder / "taken.kfm", 20, kFormCreateSubCode, true},
      {"a missing folder", "SaveFile", folder / "no\\form.kfm", 20, kFormCreateSubCode, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    errors.records.clear();
    const Value answer = lanmere::send(form, c.method, {Value(c.file)});
    EXPECT_TRUE(answer.isNil() || !answer.logical());
    ASSERT_EQ(errors.records.size(), 1u);
    const lanmere::ErrorRecord& e = errors.last();
    EXPECT_EQ(e.genCode.integer(), c.genCode);
    EXPECT_EQ(e.subCode.integer(), c.subCode);
    EXPECT_EQ(e.operation.string(), c.method);
    EXPECT_TRUE(e.canDefault());
    if (!c.fileError) continue;
    EXPECT_EQ(e.filename.string(), c.file);
    ASSERT_EQ(e.args.length(), 1u);
    EXPECT_EQ(e.args.item(1).string(), c.file);
    EXPECT_NE(e.osCode.integer(), 0);
  }
  CloseHandle(holder);
  EXPECT_FALSE(fileExists(folder / "taken.kfm.new")) << "no side file left";
  // No name and no cVarName is an argument error; a record too long leaves the old file.
  errors.records.clear();
  EXPECT_FALSE(lanmere::send(form, "SaveFile").logical());
  ASSERT_EQ(errors.records.size(), 1u);
  EXPECT_EQ(errors.last().subCode.integer(), kFormNameSubCode);
  as<TWindow>(form).cVarName = "oKept";
  ASSERT_TRUE(lanmere::send(form, "SaveFile").logical());
  const std::string good = readFile("Kept.kfm");
  ASSERT_NE(good, "<missing>");
  as<TWindow>(form).Cargo = std::string(40000, 'c');
  errors.records.clear();
  EXPECT_FALSE(lanmere::send(form, "SaveFile", {Value("Kept.kfm")}).logical());
  EXPECT_EQ(errors.last().subCode.integer(), kRecordTooLongSubCode);
  EXPECT_EQ(readFile("Kept.kfm"), good);
  DeleteFileA("Kept.kfm");
  destroy(form);
}

BOOL CALLBACK countWindow(HWND, LPARAM data) {
  ++*reinterpret_cast<int*>(data);
  return TRUE;
}

int topLevelWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Save compares with a windowless instance: no window is made and the default window stays.
// "cVarName" binds only a member the program declared, never hWnd or oFont.
TEST_F(Forms, SaveMakesNoWindowAndVarNamesBindOnlyProgramMembers) {
  const Value owner = shownWindow(10, 10, 200, 300, "Owner", "TFORMWND");
  SETWNDDEFAULT(owner);
  const int windows = topLevelWindows();
  const Value other = pixelWindow(20, 20, 120, 220, "Other", "TFORMWND");
  SETWNDDEFAULT(owner);
  const int withOther = topLevelWindows();
  EXPECT_EQ(withOther, windows + 1);
  const std::string record = lanmere::send(other, "Save").string();
  EXPECT_FALSE(record.empty());
  EXPECT_TRUE(GETWNDDEFAULT().sharesStorageWith(owner));
  EXPECT_EQ(topLevelWindows(), withOther);

  const Value hWndBefore = as<TWindow>(owner).hWnd;
  const Value fontBefore = as<TWindow>(owner).oFont;
  for (const char* name : {"hWnd", "oFont", "oPartner"}) {
    const std::string body = std::string("\x01\x00", 2) + std::string("\x08\x00", 2) + "cVarName" +
                             "C" + static_cast<char>(std::string(name).size()) +
                             std::string(1, '\0') + name;
    EXPECT_TRUE(lanmere::send(other, "Load", {Value(body)}).logical()) << name;
  }
  EXPECT_TRUE(lanmere::exactlyEqual(as<TWindow>(owner).hWnd, hWndBefore));
  EXPECT_TRUE(lanmere::exactlyEqual(as<TWindow>(owner).oFont, fontBefore));
  EXPECT_TRUE(as<TFormWnd>(owner).oPartner.sharesStorageWith(other));
  as<TFormWnd>(owner).oPartner = Value();
  SETWNDDEFAULT(Value());
  destroy(other);
  destroy(owner);
}

}  // namespace
}  // namespace kestrel::test
