#include "framework/display/wqout.h"

#include <gtest/gtest.h>

#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Value;
using test::BoxInfo;
using test::ModalDriver;

// WQOUT with these arguments; the boxes it showed, each closed with OK.
std::vector<BoxInfo> wqout(std::vector<Value> args, Value* result = nullptr) {
  ModalDriver driver([](const BoxInfo&) { return IDOK; });
  const Value answer = WQOUT(lanmere::Args(args));
  if (result) *result = answer;
  return driver.seen();
}

TEST(Wqout, OneTextShowsLineBreakThenTextUnderAlert) {
  Value result = Value(1);
  const auto boxes = wqout({Value::list({Value("abc")})}, &result);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Alert");
  EXPECT_EQ(boxes[0].text, "\r\nabc");
  EXPECT_TRUE(boxes[0].hasIcon);
  ASSERT_EQ(boxes[0].buttons.size(), 1u);
  EXPECT_EQ(boxes[0].buttons[0].id, IDOK);
  EXPECT_TRUE(result.isNil());
}

TEST(Wqout, EmptyListShowsAnEmptyBox) {
  Value result = Value(1);
  const auto boxes = wqout({Value::list()}, &result);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "");
  EXPECT_EQ(boxes[0].title, "Alert");
  EXPECT_TRUE(result.isNil());
}

TEST(Wqout, NonListShowsNothing) {
  for (const Value& argument : {Value("abc"), Value(), Value(12), Value::hash()}) {
    Value result = Value(1);
    EXPECT_TRUE(wqout({argument}, &result).empty());
    EXPECT_TRUE(result.isNil());
  }
  EXPECT_TRUE(wqout({}).empty());
}

TEST(Wqout, ListHoldingNilShowsJustALineBreak) {
  const auto boxes = wqout({Value::list({Value()})});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "\r\n");
}

TEST(Wqout, NumberLogicalAndNestedListOnePerLine) {
  const auto boxes =
      wqout({Value::list({Value(12), Value(true), Value::list({Value(1)}), Value(false)})});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "\r\n12\r\n.T.\r\n{ ... }\r\n.F.");
}

}  // namespace
}  // namespace kestrel
