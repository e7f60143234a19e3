// The guide's smallest program, met as its user meets it: a name typed into its field, the
// button's greeting read from the program's box, then File > Exit from its menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/files.h"
#include "tests/support/ui.h"
#include "tools/boxreader/box.h"

namespace kestrel::test {
namespace {

// Polls (bounded) until `found` answers a window.
HWND waitForWindow(const std::function<HWND()>& found, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    if (const HWND hwnd = found()) return hwnd;
    Sleep(50);
  }
  return nullptr;
}

struct TopLevelSearch {
  DWORD pid;
  const std::string& windowClass;
  HWND found = nullptr;
};

BOOL CALLBACK matchTopLevel(HWND hwnd, LPARAM param) {
  auto& s = *reinterpret_cast<TopLevelSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s.pid || !IsWindowVisible(hwnd) || className(hwnd) != s.windowClass) return TRUE;
  s.found = hwnd;
  return FALSE;
}

// The visible top-level window of process `pid` whose class is `windowClass`.
HWND topLevelOf(DWORD pid, const std::string& windowClass) {
  TopLevelSearch search{pid, windowClass};
  EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The window with the keyboard focus in another process's thread.
HWND focusOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// A control's text, asked of its own process (GetWindowText answers only the creation text of
// another process's window).
std::string textOf(HWND hwnd) {
  char text[256] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  return text;
}

TEST(GuideProgram, GreetsTheTypedNameAndEndsFromItsMenu) {
  const TempFolder folder;  // the error report would go here
  const std::string program = besideThisProgram(KESTREL_GUIDE_HELLO_PATH);
  std::string command = "\"" + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.path().c_str(), &startup, &process));
  CloseHandle(process.hThread);
  struct Ending {  // however the test ends, the program does not outlive it
    HANDLE handle;
    ~Ending() {
      if (WaitForSingleObject(handle, 0) != WAIT_OBJECT_0) TerminateProcess(handle, 99);
      CloseHandle(handle);
    }
  } ending{process.hProcess};

  const HWND window = waitForWindow(
      [&] {
        const HWND hwnd = FindWindowA(nullptr, "Hello");
        return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
      },
      60000);
  ASSERT_NE(window, nullptr) << "the program's window never appeared";
  const HWND field = FindWindowExA(window, nullptr, "Edit", nullptr);
  const HWND button = FindWindowExA(window, nullptr, "Button", nullptr);
  ASSERT_NE(field, nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(textOf(button), "&Greet");
  EXPECT_EQ(textOf(field).substr(0, 5), "World");
  EXPECT_NE(GetMenu(window), nullptr);  // its entries belong to the other process: Alt+F opens it

  // The name typed over the start of the field, then the button.
  SetForegroundWindow(window);
  clickAt(field, 2, 4);
  ASSERT_EQ(
      waitForWindow([&] { return focusOf(process.dwThreadId) == field ? field : nullptr; }, 10000),
      field);
  pressKeys({VK_HOME});
  typeText("Ada  ");
  ASSERT_NE(
      waitForWindow([&] { return textOf(field).substr(0, 5) == "Ada  " ? field : nullptr; }, 10000),
      nullptr)
      << textOf(field);
  clickCenter(button);
  const HWND box = waitForWindow([&] { return topLevelOf(process.dwProcessId, "#32770"); }, 30000);
  ASSERT_NE(box, nullptr) << "no greeting appeared";
  Sleep(100);  // the box finishes drawing its controls
  const BoxInfo greeting = readBox(box);
  EXPECT_EQ(greeting.title, "Hello");
  EXPECT_EQ(greeting.text, "Hello, Ada!");
  pressButton(box, IDOK);
  ASSERT_NE(waitForWindow([&] { return IsWindow(box) ? nullptr : window; }, 10000), nullptr)
      << "the box stayed";

  // File > Exit with the keyboard, as the menu's mnemonics say.
  SetForegroundWindow(window);
  pressKeys({VK_MENU, 'F'});
  ASSERT_NE(waitForWindow([&] { return topLevelOf(process.dwProcessId, "#32768"); }, 10000),
            nullptr)
      << "the File menu did not open";
  pressKeys({'X'});
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0)
      << "the program still runs";
  DWORD exitCode = 99;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
}  // namespace kestrel::test
