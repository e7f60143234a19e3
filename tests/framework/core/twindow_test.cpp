// TWindow with real windows under Wine: creation and registration, the main loop, validation
// and destruction, events and their closures.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "errors/kserror.h"
#include "framework/core/fwmessages.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/callstack.h"
#include "runtime/setkey.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Value;

// A class with its own registration flag, and a subclass of it that shares the flag.
class TOwnFlag : public TWindow {
  LM_CLASS(TOwnFlag, TWindow)
};
LM_DEFINE_CLASS(TOwnFlag) {
  c.classData("lRegistered");
  c.creatable();
}
class TSharedFlag : public TOwnFlag {
  LM_CLASS(TSharedFlag, TOwnFlag)
};
LM_DEFINE_CLASS(TSharedFlag) {
  c.creatable();
}

// A menu object as the menu class answers the window: a handle, its window, commands.
class TTestMenu : public lanmere::Object {
  LM_CLASS(TTestMenu, lanmere::Object)
  Value hMenu, oWnd, oAccTable;
  std::vector<long long> commands;
  bool destroyed = false;
  void Command(const Value& id) { commands.push_back(id.integer()); }
  void Destroy() { destroyed = true; }
};
LM_DEFINE_CLASS(TTestMenu) {
  c.data(LM_FIELDS(hMenu, oWnd, oAccTable));
  c.methods(LM_METHODS(Command, Destroy));
}

// A child window that records the framework messages it receives.
class TProbe : public TWindow {
  LM_CLASS(TProbe, TWindow)
  std::vector<long long> framework;
  Value HandleEvent(const Value& nMsg, const Value& w, const Value& l) override {
    if (nMsg.integer() >= kWmFrameworkClick) framework.push_back(nMsg.integer());
    return TWindow::HandleEvent(nMsg, w, l);
  }
};
LM_DEFINE_CLASS(TProbe) {
  c.creatable();
}

// A window whose procedure breaks on one message, as a closure the message reaches may.
class TBreakOn : public TWindow {
  LM_CLASS(TBreakOn, TWindow)
  long long message = 0;
  Value HandleEvent(const Value& nMsg, const Value& w, const Value& l) override {
    if (nMsg.integer() == message) lanmere::doBreak(Value("parked"));
    return TWindow::HandleEvent(nMsg, w, l);
  }
};
LM_DEFINE_CLASS(TBreakOn) {
  c.creatable();
}

bool registered(const char* name) {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  return GetClassInfoExA(GetModuleHandleA(nullptr), name, &info) != 0;
}

// The subclass that shares its parent's flag is created first: neither class may take the
// other's registration for its own.
TEST(Creation, EachClassGetsItsOwnSystemClassOnce) {
  TSharedFlag::Class();  // known by name from here on
  Value shared = pixelWindow(10, 10, 60, 60, "", "TSHAREDFLAG");
  EXPECT_TRUE(lanmere::send(shared, "lRegistered").isNil());  // not written by the subclass
  Value own = pixelWindow(10, 10, 60, 60, "", "TOWNFLAG");
  Value plain = pixelWindow(10, 10, 60, 60);
  Value again = pixelWindow(10, 10, 60, 60, "", "TOWNFLAG");
  for (const Value& w : {shared, own, plain, again}) EXPECT_NE(hwndOf(w), nullptr);
  for (const char* name : {"TSHAREDFLAG", "TOWNFLAG", "TWINDOW"}) EXPECT_TRUE(registered(name));
  EXPECT_TRUE(lanmere::send(own, "lRegistered").logical());
  EXPECT_TRUE(lanmere::send(plain, "lRegistered").logical());
  for (const Value& w : {shared, own, plain, again}) destroy(w);
}

// A request parked while the system called the window back is raised as the framework's call
// returns, before the framework goes on: reading a window's text, accepting dropped files.
TEST(Requests, CallsThatCallBackRaiseTheParkedRequestAtOnce) {
  TBreakOn::Class();
  Value parent = pixelWindow(0, 0, 199, 299);
  struct Case {
    const char* what;
    UINT message;
    std::function<void(const Value&, bool& wentOn)> call;
  };
  const Case cases[] = {
      {"window text", WM_GETTEXT,
       [](const Value& w, bool& wentOn) {
         kestrel::windowText(hwndOf(w));  // the framework's helper, not the tests' own
         wentOn = true;
       }},
      {"drop files", WM_STYLECHANGED,
       [](const Value& w, bool& wentOn) {
         // Activate sets the closures after it accepted dropped files.
         struct Seen {
           const Value& w;
           bool& wentOn;
           ~Seen() { wentOn = !as<TWindow>(w).bLClicked.isNil(); }
         } seen{w, wentOn};
         TWindow::ActivateArgs{.bLClicked = fixed(1), .bDropFiles = fixed(Value())}.sendTo(w);
       }},
  };
  for (const Case& c : cases) {
    Value w = TWindow::NewArgs{.nTop = 10,
                               .nLeft = 10,
                               .nBottom = 40,
                               .nRight = 90,
                               .cTitle = "text",
                               .oWnd = parent,
                               .lPixel = true}
                  .sendTo(lanmere::createObject("TBREAKON"));
    as<TBreakOn>(w).message = c.message;
    Value caught;
    bool wentOn = false;
    lanmere::beginSequence([&] { c.call(w, wentOn); }, [&](const Value& v) { caught = v; });
    lanmere::beginSequence([] { lanmere::raiseParked(); }, [](const Value&) {});
    EXPECT_EQ(caught.string(), "parked") << c.what;
    EXPECT_FALSE(wentOn) << c.what;
    as<TBreakOn>(w).message = 0;
    destroy(w);
  }
  destroy(parent);
}

TEST(Creation, DefaultNewGivesTheDocumentedWindow) {
  Value w = window();
  RECT rect{};
  GetWindowRect(hwndOf(w), &rect);
  EXPECT_EQ(rect.left, 16);
  EXPECT_EQ(rect.top, 32);
  EXPECT_EQ(rect.right - rect.left, 545);
  EXPECT_EQ(rect.bottom - rect.top, 289);
  const LONG_PTR style = GetWindowLongPtrA(hwndOf(w), GWL_STYLE);
  for (LONG_PTR bit : {WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_THICKFRAME}) {
    EXPECT_EQ(style & bit, bit) << std::hex << bit;
  }
  EXPECT_TRUE(GETWNDDEFAULT().sharesStorageWith(w));
  EXPECT_TRUE(OWNDFROMHWND(number(hwndOf(w))).sharesStorageWith(w));
  const HWND hwnd = hwndOf(w);
  destroy(w);
  EXPECT_EQ(as<TWindow>(w).hWnd.integer(), 0);
  EXPECT_TRUE(OWNDFROMHWND(number(hwnd)).isNil());
  EXPECT_TRUE(GETWNDDEFAULT().isNil());
}

// A bottom edge of 32768 asks for the system's default size, which only a top-level overlapped
// window has: a given right edge, a pop-up and a child window pass the raw right and bottom as
// width and height. Each is compared with the window the system makes from the same request.
TEST(Creation, UseDefaultSizeOnlyForTopLevelOverlappedWindows) {
  Value parent = pixelWindow(0, 0, 299, 399);
  struct Case {
    const char* what;
    long long right;
    const char* border;  // "NONE" makes a pop-up
    bool child;
    int width, height;  // what the system is asked for
  };
  const Case cases[] = {
      {"overlapped", 32768, nullptr, false, CW_USEDEFAULT, CW_USEDEFAULT},
      {"given width", 300, nullptr, false, 300, 32768},
      {"pop-up", 200, "NONE", false, 200, 32768},
      {"child", 120, nullptr, true, 120, 32768},
  };
  for (const Case& c : cases) {
    Value w = TWindow::NewArgs{.nTop = 20,
                               .nLeft = 20,
                               .nBottom = 32768,
                               .nRight = c.right,
                               .cTitle = "",
                               .oWnd = c.child ? parent : Value(),
                               .cBorder = c.border ? Value(c.border) : Value(),
                               .lPixel = true}
                  .sendTo(lanmere::createObject("TWINDOW"));
    const HWND made = hwndOf(w);
    char className[64] = {};
    GetClassNameA(made, className, sizeof className);
    const HWND system = CreateWindowExA(
        0, className, "", static_cast<DWORD>(GetWindowLongPtrA(made, GWL_STYLE)), 20, 20, c.width,
        c.height, c.child ? hwndOf(parent) : nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    RECT got{}, want{};
    GetWindowRect(made, &got);
    GetWindowRect(system, &want);
    EXPECT_GT(want.right - want.left, 0) << c.what;
    EXPECT_EQ(got.right - got.left, want.right - want.left) << c.what;
    EXPECT_EQ(got.bottom - got.top, want.bottom - want.top) << c.what;
    DestroyWindow(system);
    destroy(w);
  }
  destroy(parent);
  dropQuitMessages();
}

TEST(Creation, ARefusedWindowRaisesFrameworkError6AndLinksNothing) {
  Value w = lanmere::createObject("TWINDOW");
  as<TWindow>(w).cCaption = "Hello";
  ErrorCatcher errors(Value(false));
  lanmere::send(w, "Create", {"NOSUCHCLASS"});
  ASSERT_FALSE(errors.records.empty());
  const Value record(errors.records.back());
  EXPECT_EQ(lanmere::send(record, "subSystem").string(), "Kestrel");
  EXPECT_EQ(lanmere::send(record, "subCode").integer(), 6);
  // The system's text for the missing class (Windows and Wine use different codes).
  const std::string operation = lanmere::send(record, "operation").string();
  EXPECT_TRUE(operation == windowOperation("NOSUCHCLASS", "Hello",
                                           systemErrorText(ERROR_CANNOT_FIND_WND_CLASS)) ||
              operation == windowOperation("NOSUCHCLASS", "Hello",
                                           systemErrorText(ERROR_CLASS_DOES_NOT_EXIST)))
      << operation;
  EXPECT_EQ(as<TWindow>(w).hWnd.integer(), 0);
  for (const Value& slot : windowList().items()) EXPECT_FALSE(slot.sharesStorageWith(w));
}

// ---- The loop and the application window ----

TEST(Loop, FirstActivateRunsTheLoopASecondWindowReturnsAtOnce) {
  Value main = pixelWindow(40, 40, 200, 300, "Main");
  const HWND mainHwnd = hwndOf(main);
  bool visibleAtInit = false;
  as<TWindow>(main).bInit = closure([&](Args a) {
    visibleAtInit = IsWindowVisible(hwndOf(a[0])) && a[0].sharesStorageWith(main);
    return Value();
  });
  Value second;
  HWND secondHwnd = nullptr;
  bool returned = false;
  TimedSteps steps({[&] {
                      EXPECT_TRUE(LWRUNNING());
                      EXPECT_EQ(GETWNDAPP(), number(mainHwnd).integer());
                      second = pixelWindow(60, 60, 150, 250, "Second");
                      secondHwnd = hwndOf(second);
                      lanmere::send(second, "Activate");
                      returned = true;
                      EXPECT_TRUE(IsWindowVisible(secondHwnd));
                      lanmere::send(second, "End");
                    },
                    [&] {
                      EXPECT_FALSE(IsWindow(secondHwnd));
                      EXPECT_TRUE(IsWindow(mainHwnd));
                      lanmere::send(main, "End");
                    }});
  lanmere::send(main, "Activate");
  steps.rethrow();
  EXPECT_TRUE(steps.done());
  EXPECT_TRUE(visibleAtInit);
  EXPECT_TRUE(returned);
  EXPECT_FALSE(LWRUNNING());
  EXPECT_FALSE(IsWindow(mainHwnd));
  EXPECT_FALSE(as<TWindow>(main).lVisible.logical());
  EXPECT_TRUE(as<TWindow>(second).lVisible.logical());  // its Activate did not run the loop

  // The next main window becomes the application window and runs its own loop.
  Value next = pixelWindow(40, 40, 200, 300, "Next");
  long long app = 0;
  TimedSteps nextSteps({[&] {
    app = GETWNDAPP();
    lanmere::send(next, "End");
  }});
  const HWND nextHwnd = hwndOf(next);
  lanmere::send(next, "Activate");
  EXPECT_EQ(app, number(nextHwnd).integer());
  EXPECT_FALSE(IsWindow(nextHwnd));
}

TEST(Loop, ShowKeywordsGiveTheirShowStates) {
  struct Case {
    Value show;
    bool visible, iconic, zoomed;
  };
  const Case cases[] = {{"HIDDEN", false, false, false},
                        {"iconized", true, true, false},
                        {"MAXIMIZED", true, false, true},
                        {"NORMAL", true, false, false},
                        {"SIDEWAYS", true, false, false}};
  RunningMarker running;  // as inside the main loop: Activate shows and returns
  for (const Case& c : cases) {
    Value w = pixelWindow(30, 30, 120, 200);
    TWindow::ActivateArgs{.cShow = c.show}.sendTo(w);
    EXPECT_EQ(IsWindowVisible(hwndOf(w)) != 0, c.visible) << c.show.text();
    EXPECT_EQ(IsIconic(hwndOf(w)) != 0, c.iconic) << c.show.text();
    EXPECT_EQ(IsZoomed(hwndOf(w)) != 0, c.zoomed) << c.show.text();
    destroy(w);
  }
}

// ---- Validation, closing and destruction ----

TEST(Closing, AFalseValidBlocksEveryWayOfClosing) {
  RunningMarker running;
  Value w = pixelWindow(30, 30, 120, 200);
  const HWND hwnd = hwndOf(w);
  bool allow = false;
  int asked = 0;
  Value valid = closure([&](Args a) {
    ++asked;
    EXPECT_TRUE(a[0].sharesStorageWith(w));
    return Value(allow);
  });
  TWindow::ActivateArgs{.cShow = "NORMAL", .bValid = valid}.sendTo(w);
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  SendMessageA(hwnd, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));  // Alt+F4
  EXPECT_FALSE(lanmere::send(w, "End").logical());
  EXPECT_EQ(SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0), 0);
  pumpUntil([&] { return asked >= 4; }, 2000);
  EXPECT_EQ(asked, 4);
  EXPECT_TRUE(IsWindow(hwnd));
  allow = true;
  EXPECT_TRUE(lanmere::send(w, "End").logical());
  EXPECT_TRUE(pumpUntil([&] { return !IsWindow(hwnd); }));
}

TEST(Closing, OnlyTheApplicationWindowPostsQuit) {
  dropQuitMessages();
  MSG message;
  auto quitQueued = [&] { return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE); };
  Value other = pixelWindow(30, 30, 120, 200);
  destroy(other);
  EXPECT_FALSE(quitQueued());
  Value app = pixelWindow(30, 30, 120, 200);
  SETWNDAPP(number(hwndOf(app)));
  ASSERT_EQ(GETWNDAPP(), number(hwndOf(app)).integer());
  destroy(app);
  EXPECT_TRUE(quitQueued());
}

TEST(Closing, SharedFontAndBrushOutliveTheWindowThatEnds) {
  Value font = newFont("Arial", -13);
  Value brush = newBrush(RGB(10, 20, 30));
  Value first = pixelWindow(30, 30, 120, 200);
  Value second = pixelWindow(30, 30, 120, 200);
  for (const Value& w : {first, second}) {
    lanmere::send(w, "SetFont", {font});
    lanmere::send(w, "SetBrush", {brush});
  }
  const Value hFont = lanmere::send(font, "hFont");
  const Value hBrush = lanmere::send(brush, "hBrush");
  destroy(first);
  EXPECT_EQ(lanmere::send(font, "nCount").integer(), 2);
  EXPECT_EQ(lanmere::send(brush, "nCount").integer(), 2);
  EXPECT_NE(GetObjectType(handleFrom<HGDIOBJ>(hFont)), 0u);
  destroy(second);
  lanmere::send(font, "End");
  lanmere::send(brush, "End");
  EXPECT_EQ(GetObjectType(handleFrom<HGDIOBJ>(hFont)), 0u);
  EXPECT_EQ(GetObjectType(handleFrom<HGDIOBJ>(hBrush)), 0u);
}

TEST(Closing, AWindowWhoseClosureHoldsItIsFreedWithItsChildren) {
  const long start = TWindow::liveCount();
  HWND parentHwnd = nullptr;
  {
    Value parent = pixelWindow(30, 30, 160, 260);
    parentHwnd = hwndOf(parent);
    for (int i = 0; i < 2; ++i) {
      Value child = childWindow(parent, 10 + 30 * i);
      lanmere::send(parent, "AddControl", {child});
    }
    as<TWindow>(parent).bPainted = closure([parent](Args) { return Value(parent.isObject()); });
    destroy(parent);
  }
  EXPECT_FALSE(IsWindow(parentHwnd));
  EXPECT_EQ(TWindow::liveCount(), start);
}

// ---- Events ----

TEST(Events, MouseMessagesReachTheirClosuresAndTheirAnswersAreTheResult) {
  Value w = pixelWindow(30, 30, 120, 200);
  const HWND hwnd = hwndOf(w);
  std::vector<std::string> seen;
  auto recorder = [&](const char* name, long long answer) {
    return closure([&seen, name, answer, w](Args a) {
      std::string line = name;
      for (std::size_t i = 0; i < 3 && i < a.size(); ++i)
        line += " " + std::to_string(a[i].integer());
      if (a.size() > 3) line += a[3].sharesStorageWith(w) ? " Self" : " ?";
      seen.push_back(line);
      return Value(answer);
    });
  };
  as<TWindow>(w).bLClicked = recorder("LCLICKED", 77);
  as<TWindow>(w).bLButtonUp = recorder("LUP", 5);
  as<TWindow>(w).bRClicked = recorder("RCLICKED", 9);
  as<TWindow>(w).OnClick = recorder("ONCLICK", 6);
  struct Case {
    UINT message;
    LRESULT result;
    const char* line;
  };
  const Case cases[] = {{WM_LBUTTONDOWN, 77, "LCLICKED 7 5 1 Self"},
                        {WM_LBUTTONUP, 6, "ONCLICK 7 5 1"},
                        {WM_RBUTTONDOWN, 0, "RCLICKED 7 5 1 Self"},
                        {WM_MOUSEMOVE, 0, nullptr}};
  for (const Case& c : cases) {
    seen.clear();
    EXPECT_EQ(SendMessageA(hwnd, c.message, MK_LBUTTON, mousePosition(5, 7)), c.result);
    if (c.line) {
      EXPECT_EQ(seen, std::vector<std::string>{c.line});
    }
  }
  EXPECT_EQ(lanmere::send(w, "MouseMove", {7, 5, 0}).integer(), 0);
  EXPECT_TRUE(lanmere::send(w, "MouseMove", {7, 5, 0}).isInteger());
  // Posted through the loop as the system delivers them.
  seen.clear();
  postMouse(hwnd, WM_LBUTTONDOWN, 5, 7, MK_LBUTTON);
  pumpUntil([&] { return !seen.empty(); }, 2000);
  EXPECT_EQ(seen, std::vector<std::string>{"LCLICKED 7 5 1 Self"});
  destroy(w);
}

// Child windows with tab stops, and keyboard state as the keys leave it.
struct KeyState {
  explicit KeyState(int key) : key_(key) { set(0x80); }
  ~KeyState() { set(0); }
  void set(BYTE state) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key_] = state;
    SetKeyboardState(keys);
  }
  int key_;
};

TEST(Events, TabAndShiftTabMoveTheFocusAmongTheTabStops) {
  Value parent = shownWindow(30, 30, 200, 300);
  SetForegroundWindow(hwndOf(parent));
  std::vector<HWND> children;
  for (int i = 0; i < 3; ++i) children.push_back(hwndOf(childWindow(parent, 10 + 30 * i)));
  SetFocus(children[0]);
  ASSERT_EQ(GetFocus(), children[0]);
  SendMessageA(children[0], WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(GetFocus(), children[1]);
  {
    KeyState shift(VK_SHIFT);
    SendMessageA(children[1], WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), children[0]);
    SendMessageA(children[0], WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), children[2]);  // wraps backwards
  }
  SendMessageA(children[2], WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(GetFocus(), children[0]);  // and forwards
  destroy(parent);
}

TEST(Events, KeyActionsF1AndEscape) {
  Value parent = pixelWindow(30, 30, 200, 300);
  Value child = childWindow(parent, 10);
  const HWND hwnd = hwndOf(child);
  Value got;
  lanmere::setKeyAction(VK_F5, closure([&](Args a) {
                          got = Value::list({a[0], a[1], Value(a[2].sharesStorageWith(child))});
                          return Value(99);
                        }));
  int keyDowns = 0;
  as<TWindow>(child).bKeyDown = closure([&](Args) {
    ++keyDowns;
    return Value(3);
  });
  {
    lanmere::Frame frame("INTERRUPTED");
    frame.line(123);
    EXPECT_EQ(SendMessageA(hwnd, WM_KEYDOWN, VK_F5, 0), 0);
  }
  lanmere::setKeyAction(VK_F5, Value());
  EXPECT_EQ(got.item(1).text(), "INTERRUPTED");
  EXPECT_EQ(got.item(2).integer(), 123);
  EXPECT_TRUE(got.item(3).logical());
  EXPECT_EQ(SendMessageA(hwnd, WM_KEYDOWN, VK_F1, 0), 0);
  EXPECT_EQ(keyDowns, 0);
  EXPECT_EQ(SendMessageA(hwnd, WM_KEYDOWN, 'A', 0), 3);
  std::vector<long long> parentChars;
  as<TWindow>(parent).bKeyChar = closure([&](Args a) {
    parentChars.push_back(a[0].integer());
    return Value(0);
  });
  SendMessageA(hwnd, WM_CHAR, VK_ESCAPE, 0);
  SendMessageA(hwnd, WM_CHAR, 'x', 0);  // only Esc goes up
  EXPECT_EQ(parentChars, std::vector<long long>{VK_ESCAPE});
  destroy(parent);
}

TEST(Events, CommandsGoToTheMenuOrToTheControl) {
  Value w = pixelWindow(30, 30, 200, 300);
  auto menu = lanmere::make<TTestMenu>();
  menu->hMenu = number(CreateMenu());
  lanmere::send(w, "SetMenu", {Value(menu)});
  EXPECT_TRUE(menu->oWnd.sharesStorageWith(w));
  EXPECT_EQ(GetMenu(hwndOf(w)), handleFrom<HMENU>(menu->hMenu));
  SendMessageA(hwndOf(w), WM_COMMAND, MAKEWPARAM(101, 0), 0);
  EXPECT_EQ(menu->commands, std::vector<long long>{101});

  TProbe::Class();
  Value probe = childWindow(w, 10, "TPROBE");
  struct Case {
    WORD code;
    long long message;
  };
  for (const Case& c : {Case{BN_CLICKED, kWmFrameworkClick}, Case{CBN_CLOSEUP, kWmFrameworkCloseUp},
                        Case{CBN_SELCHANGE, kWmFrameworkChange}}) {
    auto& framework = as<TProbe>(probe).framework;
    framework.clear();
    SendMessageA(hwndOf(w), WM_COMMAND, MAKEWPARAM(7, c.code),
                 reinterpret_cast<LPARAM>(hwndOf(probe)));
    EXPECT_EQ(framework, std::vector<long long>{c.message}) << c.code;
  }
  EXPECT_EQ(menu->commands.size(), 1u);
  destroy(w);
  EXPECT_TRUE(menu->destroyed);
}

TEST(Events, TheKeyMenuAnswersZeroOnlyWhenAnF10ActionRan) {
  Value w = pixelWindow(30, 30, 120, 200);
  EXPECT_TRUE(lanmere::send(w, "SysCommand", {SC_KEYMENU, 0}).isNil());
  int ran = 0;
  lanmere::setKeyAction(VK_F10, counter(ran));
  EXPECT_EQ(lanmere::send(w, "SysCommand", {SC_KEYMENU, 0}).integer(), 0);
  lanmere::setKeyAction(VK_F10, Value());
  EXPECT_EQ(ran, 1);
  destroy(w);
}

// An HDROP as the shell builds one: DROPFILES, then the names, each ending in a zero byte.
HDROP dropOf(const std::vector<std::string>& names, POINT at) {
  std::string list;
  for (const std::string& name : names) list += name + '\0';
  list += '\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = at;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST(Events, DroppedFilesReachTheClosureAndTheDropIsReleased) {
  Value w = pixelWindow(30, 30, 120, 200);
  Value got;
  as<TWindow>(w).bDropFiles = closure([&](Args a) {
    got = Value::list({a[0], a[1], a[2]});
    return Value();
  });
  const HDROP drop = dropOf({"C:\\a.txt", "C:\\b.txt"}, {3, 4});
  SendMessageA(hwndOf(w), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(got.item(1).integer(), 4);
  EXPECT_EQ(got.item(2).integer(), 3);
  ASSERT_EQ(got.item(3).length(), 2u);
  EXPECT_EQ(got.item(3).item(2).text(), "C:\\b.txt");
  EXPECT_EQ(GlobalFlags(drop), static_cast<UINT>(GMEM_INVALID_HANDLE));
  // Also when the closure breaks out.
  as<TWindow>(w).bDropFiles = closure([](Args) -> Value { lanmere::doBreak(Value(1)); });
  const HDROP second = dropOf({"C:\\c.txt"}, {1, 1});
  bool broke = false;
  lanmere::beginSequence(
      [&] {
        callWindows([&] {
          return SendMessageA(hwndOf(w), WM_DROPFILES, reinterpret_cast<WPARAM>(second), 0);
        });
      },
      [&](const Value&) { broke = true; });
  EXPECT_TRUE(broke);
  EXPECT_EQ(GlobalFlags(second), static_cast<UINT>(GMEM_INVALID_HANDLE));
  destroy(w);
}

}  // namespace
}  // namespace kestrel::test
