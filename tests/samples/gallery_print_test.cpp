// The gallery's File > Print on the test printer, from another process: a form with a name
// typed in, Ctrl+P, then the page Ghostscript rendered: the form's box and its lines of values.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/printout.h"
#include "tests/support/program_ui.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

// The box the gallery prints: from column 150 to 1400 in 300 dpi pixels.
constexpr double kBoxWideMm = (1400 - 150) / 300.0 * 25.4;

TEST(GalleryPrinting, TheFormsValuesArePrintedInABox) {
  ASSERT_EQ(installTestPrinter(resourceBytes("TESTPRINTERPPD")), "");
  const PrintOutput output;
  ASSERT_FALSE(output.folder().empty()) << "KESTREL_PRINT_DIR unset";
  const TempFolder folder;
  RunningProgram gallery(besideThisProgram(KESTREL_GALLERY_PATH), folder.path());
  ASSERT_TRUE(gallery.started());
  const HWND frame = waitForWindow(
      [&] {
        const HWND hwnd = FindWindowA(nullptr, "Kestrel gallery");
        return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
      },
      90000);
  ASSERT_NE(frame, nullptr);
  // The frame shows before its bars and its loop are ready: Ctrl+N until a form opens.
  const HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
  bool opened = false;
  for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
    waitUntil([&] { return FindWindowExA(frame, nullptr, "TMSGBAR", nullptr) != nullptr; }, 30000);
    SetForegroundWindow(frame);
    pressKeys({VK_CONTROL, 'N'});
    opened = waitUntil([&] { return !childrenOf(client).empty(); }, 10000);
  }
  ASSERT_TRUE(opened);
  const HWND name = waitForWindow(
      [&] { return FindWindowExA(childrenOf(client).front(), nullptr, "Edit", nullptr); }, 15000);
  ASSERT_NE(name, nullptr);
  clickAt(name, 3, 4);
  ASSERT_TRUE(waitUntil([&] { return focusOf(gallery.threadId()) == name; }, 15000));
  typeText("Grace");
  pressKeys({VK_TAB});  // the field hands its value over as the user leaves it
  pressKeys({VK_CONTROL, 'P'});
  ASSERT_TRUE(output.waitDone()) << "nothing was printed";
  const auto pages = output.pages();
  ASSERT_EQ(pages.size(), 1u);
  const Ink ink = inkBox(pages[0], 0, 0, pages[0].mmWide(), pages[0].mmHigh());
  ASSERT_TRUE(ink.found);
  EXPECT_NEAR(ink.right - ink.left, kBoxWideMm, 1.5);
  // Ten lines of text below the title: the box is at least that high.
  EXPECT_GT(ink.bottom - ink.top, 50);
  // Inside the box, where the lines are, there is ink besides the box's edges.
  EXPECT_TRUE(inkBox(pages[0], ink.left + 3, ink.top + 3, ink.right - 3, ink.bottom - 3).found);

  SetForegroundWindow(frame);
  pressKeys({VK_MENU, 'F'});
  ASSERT_NE(waitForWindow([&] { return topLevelOf(gallery.processId(), "#32768"); }, 15000),
            nullptr);
  pressKeys({'X'});
  EXPECT_EQ(gallery.waitForExit(30000), 0);
}

}  // namespace
}  // namespace kestrel::test
