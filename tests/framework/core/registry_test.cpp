// The window registry with real windows: linking, the previous procedure, destruction, the
// dispatcher's table and the exported procedures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/winlist.h"
#include "framework/core/wndproc.h"
#include "runtime/error.h"
#include "tests/support/recorder.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Ref;
using lanmere::Value;
using Strings = std::vector<std::string>;

// Sends `message` and answers the recorder's log for it.
Strings logOf(TRecorder& object, HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  object.log.clear();
  SendMessageA(hwnd, message, wParam, lParam);
  return object.log;
}

// A message no object answers reaches the window's own procedure exactly once (a subclass
// procedure installed over itself would recurse).
bool reachesOwnProcedureOnce(HWND hwnd) {
  constexpr UINT kPrivate = WM_USER + 5;
  classMessages.clear();
  SendMessageA(hwnd, kPrivate, 0, 0);
  return messagesOf(hwnd, {kPrivate}).size() == 1;
}

TEST(Linking, AFreedSlotIsReusedAndMessagesReachOnlyTheNewObject) {
  HWND first = createTestWindow();
  auto a = recorder(first);
  const long long slot = linkWindow(*a);
  ASSERT_GT(slot, 0);
  EXPECT_EQ(logOf(*a, first, WM_LBUTTONDOWN), Strings{"LBUTTONDOWN 0 0 0"});
  unlinkWindow(*a);
  EXPECT_EQ(windowList().item(slot).integer(), 0);
  EXPECT_TRUE(a->nOldProc.isNil());

  HWND second = createTestWindow();
  auto b = recorder(second);
  EXPECT_EQ(linkWindow(*b), slot);
  EXPECT_EQ(logOf(*b, second, WM_LBUTTONDOWN), Strings{"LBUTTONDOWN 0 0 0"});
  EXPECT_TRUE(logOf(*a, first, WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(a->log.empty());
  const Value owner = OWNDFROMHWND(number(second));
  EXPECT_EQ(owner.object(), b.get());
  unlinkWindow(*b);
  DestroyWindow(first);
  DestroyWindow(second);
}

TEST(Linking, WithoutSubclassingIsListedButGetsNoMessages) {
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  linkWindow(*object, Value(false));
  const Value owner = OWNDFROMHWND(number(hwnd));
  EXPECT_EQ(owner.object(), object.get());
  EXPECT_TRUE(logOf(*object, hwnd, WM_LBUTTONDOWN).empty());
  unlinkWindow(*object);
  EXPECT_TRUE(OWNDFROMHWND(number(hwnd)).isNil());
  DestroyWindow(hwnd);
}

TEST(Linking, TwiceKeepsOneSlotAndUnhandledMessagesReachTheWindowsOwnProcedure) {
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  const long long slot = linkWindow(*object);
  const long long windows = NWINDOWS();
  EXPECT_EQ(linkWindow(*object), slot);
  EXPECT_EQ(NWINDOWS(), windows);
  EXPECT_TRUE(reachesOwnProcedureOnce(hwnd));
  unlinkWindow(*object);
  DestroyWindow(hwnd);
}

// A second object linked to a window the subclass procedure already serves takes the window's
// slot and the first object's previous procedure: messages reach it alone, and what it leaves
// reaches the window's own procedure once (never the subclass procedure again).
TEST(Linking, ASecondObjectTakesOverASubclassedWindow) {
  HWND hwnd = createTestWindow();
  auto first = recorder(hwnd);
  auto second = recorder(hwnd);
  linkWindow(*first);
  const long long oldProc = first->nOldProc.integer();
  linkWindow(*second);
  EXPECT_EQ(second->nOldProc.integer(), oldProc);
  EXPECT_EQ(logOf(*second, hwnd, WM_LBUTTONDOWN), Strings{"LBUTTONDOWN 0 0 0"});
  EXPECT_TRUE(first->log.empty());
  EXPECT_TRUE(reachesOwnProcedureOnce(hwnd));
  unlinkWindow(*second);
  DestroyWindow(hwnd);
}

TEST(Linking, ASlotPast65535IsKeptWhole) {
  HWND first = createTestWindow();
  HWND distant = createTestWindow();
  auto a = recorder(first);
  auto b = recorder(distant);
  linkWindow(*a);
  constexpr std::size_t kFarSlot = 70000;
  const Value all = GETALLWIN();
  auto& items = all.listData()->items;
  const std::size_t before = items.size();
  items.resize(kFarSlot - 1, Value(Ref<lanmere::Object>(a)));  // the list is handed out
  ASSERT_EQ(linkWindow(*b), static_cast<long long>(kFarSlot));
  EXPECT_EQ(logOf(*b, distant, WM_LBUTTONDOWN), Strings{"LBUTTONDOWN 0 0 0"});
  EXPECT_TRUE(a->log.empty());
  unlinkWindow(*b);
  unlinkWindow(*a);
  items.resize(before);
  DestroyWindow(first);
  DestroyWindow(distant);
}

TEST(PreviousProcedure, ASystemEditKeepsWorkingAndZeroSuppressesIt) {
  HWND edit = CreateWindowExA(0, "EDIT", "old", WS_OVERLAPPEDWINDOW, 0, 0, 100, 30, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  auto object = recorder(edit);
  linkWindow(*object);
  bool refuse = false;
  object->onMessage = [&](UINT message, WPARAM, LPARAM) {
    return refuse && message == WM_SETTEXT ? Value(0) : Value();
  };
  SetWindowTextA(edit, "new");
  EXPECT_EQ(windowText(edit), "new");
  refuse = true;
  SetWindowTextA(edit, "refused");
  EXPECT_EQ(windowText(edit), "new");
  unlinkWindow(*object);
  DestroyWindow(edit);
}

// XCHANGEPROC, RESTPROC and _KQX by name: the slot and the subclass procedure go in and out as a
// pair, and the bridge answers {HandleEvent's answer, nOldProc}, nOldProc read before
// HandleEvent (a Destroy that unlinks clears it, and the window's own procedure must still get
// the message).
TEST(ByName, TheProcedureSwapAndTheBridge) {
  lanmere::registerModule(wndProcModule());
  HWND hwnd = createTestWindow();
  const Value own = number(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
  const Value previous = lanmere::callFunction("XCHANGEPROC", {number(hwnd), 7});
  EXPECT_EQ(previous.integer(), own.integer());
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 7);
  EXPECT_TRUE(isSubclassed(hwnd));
  const Value subclass = lanmere::callFunction("RESTPROC", {number(hwnd), previous});
  EXPECT_FALSE(isSubclassed(hwnd));
  EXPECT_EQ(number(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)).integer(), own.integer());
  EXPECT_NE(subclass.integer(), own.integer());

  auto object = recorder(hwnd);
  const long long slot = linkWindow(*object);
  const long long oldProc = object->nOldProc.integer();
  object->onEvent = [](const std::string&) { return Value(5); };
  object->onMessage = [&](UINT message, WPARAM, LPARAM) {
    if (message == WM_DESTROY) unlinkWindow(*object);
    return Value();
  };
  auto kqx = [](long long message, long long index) {
    return lanmere::callFunction("_KQX", {Value(), message, 0, mousePosition(1, 2), index});
  };
  const Value click = kqx(WM_LBUTTONDOWN, slot);
  ASSERT_TRUE(click.isList());
  EXPECT_EQ(click.item(1).integer(), 5);
  EXPECT_EQ(click.item(2).integer(), oldProc);
  EXPECT_EQ(object->log, Strings{"LBUTTONDOWN 2 1 0"});
  const Value destroyed = kqx(WM_DESTROY, slot);
  EXPECT_TRUE(object->nOldProc.isNil());
  ASSERT_TRUE(destroyed.isList());
  EXPECT_EQ(destroyed.item(2).integer(), oldProc);
  for (long long index : {0LL, slot}) EXPECT_TRUE(kqx(WM_LBUTTONDOWN, index).isNil()) << index;
  DestroyWindow(hwnd);
}

// Whatever Destroy does, the registry lets go of the window: slot 0, hWnd 0, the object freed, and
// the window's own procedure gets its last two messages.
TEST(Destruction, EveryDestroyLeavesNothingBehind) {
  enum class Destroy { Unlinks, DoesNothing, Breaks };
  for (Destroy kind : {Destroy::Unlinks, Destroy::DoesNothing, Destroy::Breaks}) {
    SCOPED_TRACE(static_cast<int>(kind));
    const int liveBefore = TRecorder::live;
    HWND hwnd = createTestWindow();
    long long slot = 0;
    {
      auto object = recorder(hwnd);
      slot = linkWindow(*object);
      TRecorder* self = object.get();
      object->onEvent = [self, kind](const std::string& event) {
        if (event == "DESTROY") {
          if (kind == Destroy::Unlinks) unlinkWindow(*self);
          if (kind == Destroy::Breaks) lanmere::doBreak(Value("gone"));
        }
        return Value();
      };
    }
    classMessages.clear();
    Value broke;
    lanmere::beginSequence([&] { callWindows([&] { return DestroyWindow(hwnd); }); },
                           [&](const Value& value) { broke = value; });
    EXPECT_EQ(broke.text(), kind == Destroy::Breaks ? "gone" : "");
    EXPECT_EQ(windowList().item(slot).integer(), 0);
    EXPECT_FALSE(windowList().item(slot).isObject());
    EXPECT_EQ(TRecorder::live, liveBefore);
    EXPECT_EQ(messagesOf(hwnd, {WM_DESTROY, WM_NCDESTROY}),
              (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  }
}

// Every row of the dispatcher's table, sent through the subclass procedure.
TEST(Dispatcher, EachMessageReachesItsEventMethodWithItsArguments) {
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  linkWindow(*object);
  // Every row is answered, so no fake parameter reaches the default procedure.
  object->onEvent = [](const std::string&) { return Value(7); };
  const LPARAM handle = 0x1234;
  struct Row {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    Strings log;
  };
  const Row rows[] = {
      {WM_MOVE, 0, mousePosition(-4, 9), {"MOVED 9 -4"}},
      {WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200), {"RESIZE 0 300 200"}},
      {WM_SETFOCUS, 11, 0, {"GOTFOCUS 11"}},
      {WM_KILLFOCUS, 12, 0, {"KILLFOCUS 12"}},
      {WM_PAINT, 0, 0, {"DISPLAY"}},
      {WM_CLOSE, 3, 0, {"CLOSE 3"}},
      {WM_QUERYENDSESSION, 0, 0, {"QUERYENDSESSION"}},
      {WM_ERASEBKGND, 21, 0, {"ERASEBKGND 21"}},
      {WM_GETMINMAXINFO, 0, handle, {"GETMINMAXINFO 4660"}},
      {WM_DRAWITEM, 5, handle, {"DRAWITEM 5 4660"}},
      {WM_MEASUREITEM, 5, handle, {"MEASUREITEM 5 4660"}},
      {WM_QUERYDRAGICON, 0, 0, {"QUERYDRAGICON"}},
      {WM_COMMNOTIFY, 1, 2, {"COMMNOTIFY 1 2"}},
      {WM_NOTIFY, 1, handle, {"NOTIFY 1 4660"}},
      {WM_HELP, 0, handle, {"HELPTOPIC 0 4660"}},
      {WM_NCACTIVATE, 1, 0, {"NCACTIVATE .T."}},
      {WM_GETDLGCODE, 9, 0, {"GETDLGCODE 9"}},
      {WM_NCMOUSEMOVE, HTCAPTION, mousePosition(-3, -7), {"NCMOUSEMOVE 2 -7 -3"}},
      {WM_KEYDOWN, VK_F2, 1, {"KEYDOWN 113 1"}},
      {WM_KEYUP, VK_F2, 1, {"KEYUP 113 1"}},
      {WM_CHAR, 'a', 1, {"KEYCHAR 97 1"}},
      {WM_SYSKEYDOWN, 'A', 1, {"SYSKEYDOWN 65 1"}},
      {WM_SYSCHAR, 'a', 1, {"SYSCHAR 97 1"}},
      {WM_INITDIALOG, 5, handle, {"INITIATE 5 4660"}},
      {WM_COMMAND, 100, 0, {"COMMAND 100 0"}},
      {WM_SYSCOMMAND, SC_KEYMENU, MAKELPARAM('x', 3), {"SYSCOMMAND 61696 120 3"}},
      {WM_TIMER, 4, 0, {"TIMER 4 0"}},
      {WM_HSCROLL, SB_LINEDOWN, 0, {"HSCROLL 1 0"}},
      {WM_VSCROLL, SB_PAGEUP, 0, {"VSCROLL 2 0"}},
      {WM_INITMENUPOPUP, handle, MAKELPARAM(2, 1), {"INITMENUPOPUP 4660 2 .T."}},
      {WM_MENUSELECT, MAKEWPARAM(5, MF_POPUP | MF_HILITE), handle, {"MENUSELECT 5 144 4660"}},
      {WM_MENUCHAR, MAKEWPARAM('x', MF_POPUP), handle, {"MENUCHAR 120 16 4660"}},
      {WM_UPDATEUISTATE, 1, 0, {"UPDATEUISTATE 1 0"}},
      {0x0019, 30, handle, {"CTLCOLOR 4660 30"}},  // the 16-bit colour request
      {WM_CTLCOLOREDIT, 30, handle, {"CTLCOLOR 4660 30"}},
      {WM_CTLCOLORLISTBOX, 30, handle, {"CTLCOLOR 4660 30"}},
      {WM_CTLCOLORSTATIC, 30, handle, {"CTLCOLOR 4660 30"}},
      {WM_MOUSEMOVE, MK_LBUTTON, mousePosition(-3, -7), {"MOUSEMOVE -7 -3 1"}},
      {WM_LBUTTONDOWN, 0, mousePosition(10, 20), {"LBUTTONDOWN 20 10 0"}},
      {WM_LBUTTONUP, 0, mousePosition(10, 20), {"LBUTTONUP 20 10 0"}},
      {WM_LBUTTONDBLCLK, 0, mousePosition(10, 20), {"LDBLCLICK 20 10 0"}},
      {WM_RBUTTONDOWN, 0, mousePosition(10, 20), {"RBUTTONDOWN 20 10 0"}},
      {WM_RBUTTONUP, 0, mousePosition(10, 20), {"RBUTTONUP 20 10 0"}},
      {WM_MBUTTONDOWN, 0, mousePosition(10, 20), {"MBUTTONDOWN 20 10 0"}},
      {WM_MBUTTONUP, 0, mousePosition(10, 20), {"MBUTTONUP 20 10 0"}},
      {WM_MOUSEWHEEL,
       MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)),
       mousePosition(-5, -5),
       {"MOUSEWHEEL 8 -120 -5 -5"}},
      {WM_CAPTURECHANGED, 0, handle, {"CAPTURECHANGED 4660"}},
      {WM_DROPFILES, handle, 0, {"DROPFILES 4660"}},
      {WM_QUERYNEWPALETTE, 0, 0, {"QUERYNEWPALETTE"}},
      {WM_PALETTECHANGED, handle, 0, {"PALETTECHANGED 4660"}},
      {WM_PRINTCLIENT, handle, 4, {"PRINTCLIENT 4660 4"}},
      {0x3E0, handle, MAKELPARAM(1, 2), {"DDEINITIATE 4660 1 2"}},  // the DDE messages
      {0x3E1, handle, 0, {"DDETERMINATE 4660"}},
      {0x3E4, handle, 3, {"DDEACK 4660 3"}},
      {0x3E8, handle, 3, {"DDEEXECUTE 4660 3"}},
      {kWmFrameworkClick, 1, 0, {"CLICK"}},
      {kWmFrameworkChange, 0, 0, {"CHANGE"}},
      {kWmFrameworkColors, handle, 0, {"COLORS 4660"}},
      {kWmFrameworkDrawItem, 5, handle, {"DRAWITEM 5 4660"}},
      {kWmFrameworkLostFocus, handle, 0, {"KSLOSTFOCUS 4660"}},
      {kWmFrameworkHelpF1, 0, 0, {"HELPF1"}},
      {kWmFrameworkDropOver, 0, MAKELPARAM(4, 6), {"DROPOVER 4 6 393220"}},
      {kWmFrameworkAsyncSelect, 8, 9, {"ASYNCSELECT 8 9"}},
      {kWmFrameworkTaskBar, 8, 9, {"TASKBAR 8 9"}},
      {WM_USER + 9, 0, 0, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    EXPECT_EQ(logOf(*object, hwnd, row.message, row.wParam, row.lParam), row.log);
  }
  unlinkWindow(*object);
  DestroyWindow(hwnd);
}

TEST(Dispatcher, AnswersBecomeTheWindowProceduresResult) {
  HWND hwnd = createTestWindow();
  auto object = recorder(hwnd);
  linkWindow(*object);
  Value answer;
  object->onEvent = [&](const std::string&) { return answer; };
  const long long wide = sizeof(LRESULT) == 8 ? (1LL << 40) + 5 : -5;
  const struct {
    Value answer;
    LRESULT result;
  } cases[] = {{Value(42), 42}, {Value("text"), 0}, {Value(true), 0}, {Value(wide), wide}};
  for (const auto& each : cases) {
    answer = each.answer;
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, 1, 0), each.result);
  }
  unlinkWindow(*object);
  DestroyWindow(hwnd);
}

TEST(Exports, BothProceduresAreFoundByNameAndReachSlotOne) {
  HMODULE program = GetModuleHandleA(nullptr);
  const struct {
    const char* name;
    WNDPROC procedure;
  } exports[] = {{"__WndProc", kestrelWndProc}, {"__DbgWndProc", kestrelDbgWndProc}};
  for (const auto& [name, procedure] : exports) {
    SCOPED_TRACE(name);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(program, name)),
              reinterpret_cast<void*>(procedure));
    const std::string className = std::string("Kestrel") + name;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = program;
    windowClass.lpszClassName = className.c_str();
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND hwnd = CreateWindowExA(0, className.c_str(), "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                                nullptr, program, nullptr);
    ASSERT_NE(hwnd, nullptr);
    auto object = recorder(hwnd);
    const Value all = GETALLWIN();
    auto& items = all.listData()->items;
    if (items.empty()) items.push_back(Value(0));
    const Value kept = items[0];
    items[0] = Value(Ref<lanmere::Object>(object));
    EXPECT_EQ(logOf(*object, hwnd, WM_LBUTTONDOWN, 0, mousePosition(1, 2)),
              Strings{"LBUTTONDOWN 2 1 0"});
    items[0] = kept;
    DestroyWindow(hwnd);
  }
}

}  // namespace
}  // namespace kestrel::test
