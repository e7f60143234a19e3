// Printing where no printer is installed (the shared prefix keeps none), and the pure rules
// beneath the printer class: where Say puts a text, how SayImage sizes an image, how units turn
// into pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/core/messages.h"
#include "tests/framework/services/printer_fixture.h"
#include "tests/support/errors.h"
#include "tests/support/log_folder.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Value;
using test::BoxInfo;
using test::ModalDriver;
using test::newPrinter;
using test::printerOf;

TEST(SayPlacement, ColumnRules) {
  struct Case {
    long long col, textWidth;
    std::optional<long long> width;
    long long pad;
    SayPlacement expected;
  };
  const Case cases[] = {
      {100, 40, std::nullopt, 0, {100, TA_LEFT | TA_TOP}},
      {100, 40, std::nullopt, 1, {60, TA_LEFT | TA_TOP}},
      {100, 40, std::nullopt, 2, {80, TA_LEFT | TA_TOP}},
      // A text wider than the column (right) or twice the column (centred) starts at 0.
      {30, 40, std::nullopt, 1, {0, TA_LEFT | TA_TOP}},
      {19, 40, std::nullopt, 2, {0, TA_LEFT | TA_TOP}},
      {100, 40, 200, 0, {100, TA_LEFT | TA_TOP}},
      {100, 40, 200, 1, {300, TA_RIGHT | TA_TOP}},
      {100, 40, 200, 2, {200, TA_CENTER | TA_TOP}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "col " << c.col << " pad " << c.pad << " width " << c.width.value_or(-1));
    const SayPlacement got = sayPlacement(c.col, c.textWidth, c.width, c.pad);
    EXPECT_EQ(got.x, c.expected.x);
    EXPECT_EQ(got.align, c.expected.align);
  }
}

TEST(ImageBox, SizesAndPlaces) {
  struct Case {
    long long imageW, imageH, width, height;
    bool stretch;
    long long align;
    ImageBox expected;
  };
  const Case cases[] = {
      {200, 100, 0, 0, true, 1, {0, 0, 200, 100}},
      {200, 100, 0, 50, true, 1, {0, 0, 100, 50}},
      {200, 100, 100, 0, true, 1, {0, 0, 100, 50}},
      {200, 100, 100, 100, true, 1, {0, 0, 100, 100}},
      // Fitted, then moved down by the half of what is left (middle), or all of it (bottom).
      {200, 100, 100, 100, false, 4, {0, 25, 100, 50}},
      {200, 100, 100, 100, false, 8, {0, 50, 100, 50}},
      {200, 100, 100, 100, false, 0, {0, 0, 100, 50}},
      {100, 200, 100, 100, false, 1, {25, 0, 50, 100}},
      {100, 200, 100, 100, false, 2, {50, 0, 50, 100}},
      // No image side to divide by: nothing to draw.
      {0, 100, 50, 0, true, 1, {0, 0, 0, 0}},
      {100, 0, 0, 50, true, 1, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.imageW << "x" << c.imageH << " into " << c.width << "x"
                                    << c.height << " align " << c.align);
    EXPECT_EQ(imageBox(c.imageW, c.imageH, c.width, c.height, c.stretch, c.align), c.expected);
  }
}

TEST(Units, FloatingPointRoundedOnce) {
  struct Case {
    double value, mmPerUnit;
    long long resolution, sizeMm, offset, length, position;
  };
  // A4 at 300 dpi: 2400 printable pixels over 203 mm; offsets of a quarter inch (75 pixels).
  const Case cases[] = {
      {2, 10, 2400, 203, 75, 236, 161},    // 2 cm: 236.45 pixels
      {50, 1, 2400, 203, 75, 591, 516},    // 50 mm: 591.13
      {1, 25.4, 2400, 203, 75, 300, 225},  // 1 inch: 300.30
      {0.1, 10, 2400, 203, 75, 12, 0},     // clamped at 0 as a position
      {3, 10, 0, 0, 75, 0, 0},             // no device: no division
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " x " << c.mmPerUnit << " mm");
    EXPECT_EQ(unitLength(c.value, c.mmPerUnit, c.resolution, c.sizeMm), c.length);
    EXPECT_EQ(unitPosition(c.value, c.mmPerUnit, c.resolution, c.sizeMm, c.offset), c.position);
  }
}

class NoPrinter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::registerPrintingModules(); }
  void SetUp() override { PRINTERINIT(); }
  void TearDown() override {
    PRINTERINIT();
    EXPECT_EQ(test::liveRecords("DC"), 0u);
    EXPECT_EQ(test::liveRecords("EMF"), 0u);
    EXPECT_EQ(test::liveRecords("BRUSH"), 0u);
    EXPECT_EQ(test::liveRecords("FONT"), 0u);
  }
};

TEST_F(NoPrinter, NewSaysSoAndEveryMethodIsHarmless) {
  test::ErrorCatcher errors;
  std::vector<std::string> boxes;
  Value printer;
  {
    ModalDriver driver([&](const BoxInfo& box) {
      boxes.push_back(box.text);
      return IDOK;
    });
    printer = newPrinter({.lMeta = true});
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "There are no printers installed!\r\nPlease exit this application and install a "
            "printer.");
  TPrinter& p = printerOf(printer);
  EXPECT_EQ(p.hDC.integer(), 0);
  EXPECT_EQ(p.nXOffset.integer(), 0);
  EXPECT_EQ(p.nYOffset.integer(), 0);
  EXPECT_TRUE(p.nOrient.isNil());
  const Value printers = AGETPRINTERS();
  EXPECT_TRUE(printers.items().empty()) << "the shared prefix has none";
  EXPECT_EQ(PRNGETNAME().string(), "");

  // Every method once: nothing to print on, nothing drawn, no division by zero.
  const Value n = 10;
  const Value four = Value::list({1, 2, 3, 4});
  struct Call {
    const char* method;
    std::vector<Value> args;
  };
  const std::vector<Call> calls = {
      {"StartPage", {}},
      {"Say", {n, n, Value("x")}},
      {"CmSay", {n, n, Value("x"), {}, n}},
      {"MmSay", {n, n, Value("x")}},
      {"InchSay", {n, n, Value("x")}},
      {"SayBitmap", {n, n, Value("missing.bmp")}},
      {"SayImage", {n, n, Value("missing.bmp")}},
      {"SetPos", {n, n}},
      {"Line", {n, n, n, n}},
      {"Box", {n, n, n, n}},
      {"RoundBox", {n, n, n, n, n, n, {}, Value(255)}},
      {"Arc", {n, n, n, n, n, n, n, n}},
      {"Chord", {n, n, n, n, n, n, n, n}},
      {"Ellipse", {n, n, n, n}},
      {"Pie", {n, n, n, n, n, n, n, n}},
      {"GetPixel", {n, n}},
      {"SetPixel", {n, n}},
      {"Cmtr2Pix", {n, n}},
      {"Mmtr2Pix", {n, n}},
      {"Inch2Pix", {n, n}},
      {"Pix2Mmtr", {n, n}},
      {"Pix2Inch", {n, n}},
      {"CmRect2Pix", {four}},
      {"nVertRes", {}},
      {"nHorzRes", {}},
      {"nVertSize", {}},
      {"nHorzSize", {}},
      {"nLogPixelX", {}},
      {"nLogPixelY", {}},
      {"SetPixelMode", {}},
      {"SetWindowExt", {n, n}},
      {"SetViewPortExt", {n, n}},
      {"GetTextWidth", {Value("x")}},
      {"FillRect", {four, {}}},
      {"ResetDC", {}},
      {"GetOrientation", {}},
      {"GetModel", {}},
      {"GetPhySize", {}},
      {"CharSay", {n, n, Value("x")}},
      {"CharWidth", {}},
      {"CharHeight", {}},
      {"ImportWMF", {Value("missing.emf")}},
      {"ImportRAW", {Value("missing.ps")}},
      {"SizeInch2Pix", {n, n}},
      {"EndPage", {}},
      {"Preview", {}},
  };
  for (const Call& call : calls) {
    SCOPED_TRACE(call.method);
    std::vector<Value> args = call.args;
    const Value answer = lanmere::send(printer, lanmere::symbol(call.method), lanmere::Args(args));
    if (answer.isList()) {
      for (const Value& item : answer.items()) EXPECT_EQ(item.number(), 0);
    }
  }
  for (const auto& record : errors.records) {
    ADD_FAILURE() << record->operation.text() << " " << record->description.text() << " "
                  << record->subCode.integer();
  }
  EXPECT_EQ(p.nPage.integer(), 0);
  EXPECT_TRUE(p.aMeta.items().empty());
  lanmere::send(printer, msg::End);
  lanmere::send(printer, msg::End);
  EXPECT_EQ(p.hDC.integer(), 0);
}

TEST_F(NoPrinter, BadArgumentsAreArgumentErrors) {
  test::ErrorCatcher errors;
  struct Case {
    const char* function;
    std::vector<Value> args;
    long long subCode;
  };
  const std::vector<Case> cases = {
      {"PRNSETCOPIES", {Value(0)}, kPrintRangeSubCode},
      {"PRNSETCOPIES", {Value(1), Value(32768)}, kPrintRangeSubCode},
      {"PRNSETSIZE", {Value(0), Value(100)}, kPrintRangeSubCode},
      {"PRNSETSIZE", {Value(100), Value("1")}, kPrintRangeSubCode},
      {"PRINTBEGIN", {{}, {}, {}, Value::list()}, kPrintModelSubCode},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    const std::size_t before = errors.records.size();
    std::vector<Value> args = c.args;
    lanmere::callFunction(c.function, lanmere::Args(args));
    ASSERT_EQ(errors.records.size(), before + 1);
    EXPECT_EQ(errors.last().genCode.integer(), 1);
    EXPECT_EQ(errors.last().subCode.integer(), c.subCode);
  }
  Value printer;
  {
    ModalDriver driver([](const BoxInfo&) { return IDOK; });
    printer = newPrinter();
  }
  struct Draw {
    const char* method;
    std::vector<Value> args;
  };
  const std::vector<Draw> draws = {
      {"Line", {Value("1"), Value(1), Value(2), Value(2)}},
      {"Box", {Value(1), Value(1), Value(5e9), Value(2)}},
      {"SetPixel", {Value(1), Value(1), Value("red")}},
      {"RoundBox", {Value(1), Value(1), Value(2), Value(2), Value(1), Value(1), {}, Value(-5e9)}},
  };
  for (const Draw& d : draws) {
    SCOPED_TRACE(d.method);
    const std::size_t before = errors.records.size();
    std::vector<Value> args = d.args;
    lanmere::send(printer, lanmere::symbol(d.method), lanmere::Args(args));
    ASSERT_EQ(errors.records.size(), before + 1);
    EXPECT_EQ(errors.last().genCode.integer(), 1);
    EXPECT_EQ(errors.last().subCode.integer(), kPrintCoordinateSubCode);
  }
  lanmere::send(printer, msg::End);
}

}  // namespace
}  // namespace kestrel
