// The guide's smallest program, met as its user meets it: a name typed into its field, the
// button's greeting read from the program's box, then File > Exit from its menu.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/program_ui.h"
#include "tests/support/ui.h"
#include "tools/boxreader/box.h"

namespace kestrel::test {
namespace {

TEST(GuideProgram, GreetsTheTypedNameAndEndsFromItsMenu) {
  const TempFolder folder;  // the error report would go here
  RunningProgram process(besideThisProgram(KESTREL_GUIDE_HELLO_PATH), folder.path());
  ASSERT_TRUE(process.started());
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
      waitForWindow([&] { return focusOf(process.threadId()) == field ? field : nullptr; }, 10000),
      field);
  pressKeys({VK_HOME});
  typeText("Ada  ");
  ASSERT_NE(
      waitForWindow([&] { return textOf(field).substr(0, 5) == "Ada  " ? field : nullptr; }, 10000),
      nullptr)
      << textOf(field);
  clickCenter(button);
  const HWND box = waitForWindow([&] { return topLevelOf(process.processId(), "#32770"); }, 30000);
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
  ASSERT_NE(waitForWindow([&] { return topLevelOf(process.processId(), "#32768"); }, 10000),
            nullptr)
      << "the File menu did not open";
  pressKeys({'X'});
  EXPECT_EQ(process.waitForExit(30000), 0) << "-1: the program still runs";
}

}  // namespace
}  // namespace kestrel::test
