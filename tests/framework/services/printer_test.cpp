// Printing on a real printer: the test printer of the printing prefix renders every job through
// Ghostscript, and the tests read the pages' pixels back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "framework/controls/tfont.h"
#include "framework/core/messages.h"
#include "tests/framework/services/printer_fixture.h"
#include "tests/support/errors.h"
#include "tests/support/files.h"
#include "tests/support/log_folder.h"
#include "tests/support/printout.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Value;
using test::Ink;
using test::inkBox;
using test::newPrinter;
using test::printerOf;
using test::PrintOutput;

constexpr double kA4Wide = 210, kA4High = 297;

class Printing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::registerPrintingModules();
    static const std::string installed =
        test::installTestPrinter(test::resourceBytes("TESTPRINTERPPD"));
    ASSERT_EQ(installed, "");
    PRINTERINIT();
  }
  void SetUp() override { ASSERT_FALSE(output.folder().empty()) << "KESTREL_PRINT_DIR unset"; }
  void TearDown() override {
    PRINTERINIT();
    EXPECT_EQ(test::liveRecords("DC"), 0u);
    EXPECT_EQ(test::liveRecords("EMF"), 0u);
    EXPECT_EQ(test::liveRecords("BRUSH"), 0u);
    EXPECT_EQ(test::liveRecords("PAL"), 0u);
  }
  // Prints pages drawn by `draw` (one call per page) and answers the rendered pages.
  std::vector<test::PrintedPage> print(int pages, const std::function<void(const Value&)>& draw) {
    const Value printer = newPrinter();
    EXPECT_NE(printerOf(printer).hDC.integer(), 0);
    for (int page = 0; page < pages; ++page) {
      lanmere::send(printer, msg::StartPage);
      draw(printer);
      lanmere::send(printer, msg::EndPage);
    }
    lanmere::send(printer, msg::End);
    EXPECT_TRUE(output.waitDone());
    return output.pages();
  }

  PrintOutput output;
};

TEST_F(Printing, ABoxIsPrintedWhereAsked) {
  const auto pages = print(1, [](const Value& p) {
    const Value rect = lanmere::send(p, "CmRect2Pix", {Value::list({3, 2, 5, 6})});
    lanmere::send(p, "Box", {rect.item(1), rect.item(2), rect.item(3), rect.item(4)});
  });
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NEAR(pages[0].mmWide(), kA4Wide, 1);
  EXPECT_NEAR(pages[0].mmHigh(), kA4High, 1);
  const Ink ink = inkBox(pages[0], 0, 0, kA4Wide, kA4High);
  ASSERT_TRUE(ink.found);
  EXPECT_NEAR(ink.top, 30, 1);
  EXPECT_NEAR(ink.left, 20, 1);
  EXPECT_NEAR(ink.bottom, 50, 1);
  EXPECT_NEAR(ink.right, 60, 1);
}

}  // namespace
}  // namespace kestrel
