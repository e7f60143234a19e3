// Padding to a width in pixels: the counting with a measure of the test's own, byte for byte,
// then the functions by name with the screen's font and with bad input.
#include "framework/display/xpad.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "framework/controls/fontapi.h"
#include "runtime/builtins.h"
#include "runtime/error.h"
#include "tests/support/errors.h"

namespace kestrel {
namespace {

using lanmere::Value;

// "W" 10 pixels, "i" 3, a blank 4, "." 2, "\x01" nothing, anything else 5.
long long testWidth(std::string_view text) {
  long long width = 0;
  for (const char c : text) {
    width += c == 'W' ? 10 : c == 'i' ? 3 : c == ' ' ? 4 : c == '.' ? 2 : c == '\x01' ? 0 : 5;
  }
  return width;
}

// Wider than the sum of its characters by a pixel for every third one, as a font that spaces
// its runs would be: the count from the widths alone is then wrong and the probes must find
// the loop's answer.
long long spreadWidth(std::string_view text) {
  return testWidth(text) + static_cast<long long>(text.size() / 3);
}

constexpr std::size_t kRoomy = 1 << 20;

enum class Pad { Right, Left, Center };

std::optional<std::string> padded(Pad pad, std::string_view text, double width,
                                  std::string_view fill, std::size_t limit = kRoomy,
                                  const TextMeasure& measure = testWidth) {
  switch (pad) {
    case Pad::Right:
      return padRightPixels(text, width, fill, measure, limit);
    case Pad::Left:
      return padLeftPixels(text, width, fill, measure, limit);
    case Pad::Center:
      return padCenterPixels(text, width, fill, measure, limit);
  }
  return std::nullopt;
}

TEST(PixelPadding, ByteForByteWithATestMeasure) {
  struct Case {
    Pad pad;
    const char* text;
    double width;
    const char* fill;
    const char* expected;
  };
  const Case cases[] = {
      {Pad::Right, "Wi", 20, " ", "Wi  "},  // 13 + 2 x 4 reaches 20, 1 x 4 does not
      {Pad::Left, "Wi", 20, " ", "  Wi"},
      {Pad::Right, "W", 30, ".i ", "W.i .i .i "},  // fills of 9: 28 falls short, 37 reaches
      {Pad::Left, "W", 30, ".i ", ".i .i .i W"},
      {Pad::Right, "W", 19.5, ".i ", "W.i .i "},  // a fractional width: 19 falls short
      {Pad::Right, "WW", 20, " ", "WW"},          // exactly as wide: unchanged
      {Pad::Left, "WWW", 20, " ", "WWW"},         // wider: unchanged
      {Pad::Right, "Wi", -5, " ", "Wi"},          // a negative width: as given
      {Pad::Right, "Wi", 50, "", "Wi"},           // an empty fill never widens
      {Pad::Left, "Wi", 50, "\x01", "Wi"},        // nor does one of no width
      {Pad::Center, "  Wi  ", 10, " ", "Wi"},     // narrower than the text: trimmed
      {Pad::Center, " Wi ", -5, " ", "Wi"},
      {Pad::Center, "Wi", 30, ".", "....Wi...."},  // 17 / 2: 8 dots, 4 on each side
      {Pad::Center, "Wi", 27, ".W", "...Wi...."},  // 14 / 2: 7, the odd one on the right
      {Pad::Center, " Wi", 30, " ", "  Wi  "},     // field 3 + (30 - 17) / 4 = 6
      {Pad::Center, " Wi ", 50, "", "Wi"},         // an empty fill: trimmed
      {Pad::Center, " Wi ", 50, "\x01", "Wi"},     // a fill of no width: trimmed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.pad) << " '" << c.text << "' " << c.width);
    EXPECT_EQ(padded(c.pad, c.text, c.width, c.fill), std::optional<std::string>(c.expected));
  }
}

// The loop the count replaces: one measurement per added fill.
std::size_t loopCount(std::string_view text, std::string_view fill, double width, bool prepend,
                      const TextMeasure& measure) {
  std::string grown(text);
  std::size_t count = 0;
  while (static_cast<double>(measure(grown)) < width) {
    grown = prepend ? std::string(fill) + grown : grown + std::string(fill);
    ++count;
  }
  return count;
}

TEST(PixelPadding, CountIsTheLoopsAnswerAndTakesFewMeasurements) {
  for (const TextMeasure& measure : {TextMeasure(testWidth), TextMeasure(spreadWidth)}) {
    for (const char* fill : {" ", ".i ", "W"}) {
      for (const bool prepend : {false, true}) {
        for (double width = 0; width <= 160; width += 1) {
          SCOPED_TRACE(testing::Message() << "'" << fill << "' " << prepend << " " << width);
          ASSERT_EQ(fillCount("iW", fill, width, prepend, measure, kRoomy),
                    std::optional<std::size_t>(loopCount("iW", fill, width, prepend, measure)));
        }
      }
    }
  }
  int measured = 0;
  const TextMeasure counting = [&](std::string_view text) {
    ++measured;
    return testWidth(text);
  };
  const auto wide = padRightPixels("Wi", 100000, " ", counting, kRoomy);
  ASSERT_TRUE(wide.has_value());
  EXPECT_EQ(wide->size(), 2u + 24997u);  // 13 + 24997 x 4 = 100001
  EXPECT_LE(measured, 5);
}

TEST(PixelPadding, PastTheLengthLimitThereIsNoResult) {
  EXPECT_EQ(padded(Pad::Right, "Wi", 100, " ", 10), std::nullopt);  // 22 blanks needed
  EXPECT_EQ(padded(Pad::Left, "Wi", 100, " ", 23), std::nullopt);
  EXPECT_EQ(padded(Pad::Left, "Wi", 100, " ", 24), std::optional(std::string(22, ' ') + "Wi"));
  EXPECT_EQ(padded(Pad::Center, "Wi", 100, " ", 10), std::nullopt);  // field 2 + 21
  EXPECT_EQ(padded(Pad::Right, "Wi", 1e15, " "), std::nullopt);      // no huge probe either
}

long long screen(const std::string& text) {
  return textWidth(nullptr, text, nullptr);
}

// The screen's font: the result reaches the width and one fill less does not.
TEST(PixelPadding, ScreenFontReachesTheWidthWithNotOneFillTooMany) {
  for (const char* text : {"", "Kestrel", "Please, wait..."}) {
    for (const char* fill : {" ", "ab"}) {
      const std::string f(fill);
      for (const long long width : {1LL, 57LL, 143LL, 400LL}) {
        SCOPED_TRACE(testing::Message() << "'" << text << "' '" << fill << "' " << width);
        const std::string right = XPADR(text, width, fill).string();
        const std::string left = XPADL(text, width, fill).string();
        EXPECT_GE(screen(right), width);
        EXPECT_GE(screen(left), width);
        EXPECT_EQ(right.substr(0, std::strlen(text)), text);
        EXPECT_EQ(left.substr(left.size() - std::strlen(text)), text);
        if (right.size() > std::strlen(text)) {
          EXPECT_LT(screen(right.substr(0, right.size() - f.size())), width);
          EXPECT_LT(screen(left.substr(f.size())), width);
        }
      }
    }
  }
  // No fill is a blank, for all three.
  EXPECT_EQ(XPADR("Wi", 80, Value()).string(), XPADR("Wi", 80, " ").string());
  EXPECT_EQ(XPADL("Wi", 80, Value()).string(), XPADL("Wi", 80, " ").string());
  EXPECT_EQ(XPADC("Wi", 80, Value()).string(), XPADC("Wi", 80, " ").string());
  EXPECT_GT(XPADC("Wi", 80, Value()).string().size(), 2u);
}

TEST(PixelPadding, BadInputIsAnArgumentErrorAnsweredByTheHandler) {
  struct Case {
    Value (*function)(const Value&, const Value&, const Value&);
    Value text, width, fill;
  };
  const Case cases[] = {
      {&XPADR, 12, 40, " "},       {&XPADL, "x", "40", " "}, {&XPADC, Value(), 40, " "},
      {&XPADR, "x", Value(), " "}, {&XPADC, "x", 40, 7},
  };
  for (const Case& c : cases) {
    test::ErrorCatcher catcher(Value("handled"));
    EXPECT_EQ(c.function(c.text, c.width, c.fill).string(), "handled");
    ASSERT_EQ(catcher.records.size(), 1u);
    EXPECT_EQ(catcher.last().genCode.integer(), 1);
    EXPECT_EQ(catcher.last().subCode.integer(), kPadArgumentSubCode);
  }
  // A result past the text limit is "String overflow".
  const std::size_t limit = lanmere::maxTextLength();
  lanmere::setMaxTextLength(64);
  {
    test::ErrorCatcher catcher(Value("short"));
    EXPECT_EQ(XPADR("x", 100000, " ").string(), "short");
    EXPECT_EQ(XPADC("x", 100000, " ").string(), "short");
    ASSERT_EQ(catcher.records.size(), 2u);
    EXPECT_EQ(catcher.last().genCode.integer(), 3);
  }
  lanmere::setMaxTextLength(limit);
}

}  // namespace
}  // namespace kestrel
