#include "runtime/operators.h"

#include <climits>

#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

class OperatorTest : public BuiltinsTest {};

TEST_F(OperatorTest, AddNumbersTextsAndDates) {
  const Value sum = add(2, 3);
  EXPECT_TRUE(sum.isInteger());
  EXPECT_EQ(sum.integer(), 5);
  const Value overflow = add(LLONG_MAX, 1);
  EXPECT_TRUE(overflow.isFloat());
  EXPECT_DOUBLE_EQ(overflow.number(), 9223372036854775808.0);
  const Value mixed = add(Value(1.5, 1), Value(2.25, 2));
  EXPECT_DOUBLE_EQ(mixed.number(), 3.75);
  EXPECT_EQ(mixed.decimals(), 2);

  const Value left = "ab";
  EXPECT_EQ(add(left, "cd").string(), "abcd");
  EXPECT_EQ(left.text(), "ab");

  const Value day = Value::date(julianFromDate(2024, 2, 28));
  EXPECT_EQ(add(day, 1).julian(), julianFromDate(2024, 2, 29));
  EXPECT_EQ(add(2, day).julian(), julianFromDate(2024, 3, 1));
  EXPECT_TRUE(raised.empty());
}

TEST_F(OperatorTest, AddRaisesArgumentErrorWithBothOperands) {
  const Value day = Value::date(5);
  EXPECT_TRUE(raises(add("a", 1), 1, 1081, "+", {"a", 1}));
  EXPECT_TRUE(raises(add(day, day), 1, 1081, "+", {day, day}));
  EXPECT_TRUE(raises(add(nil, nil), 1, 1081, "+", {nil, nil}));
  const Value list = Value::list();
  EXPECT_TRUE(raises(add(1, list), 1, 1081, "+", {1, list}));
}

TEST_F(OperatorTest, Divide) {
  const Value exact = divide(6, 3);
  EXPECT_TRUE(exact.isInteger());
  EXPECT_EQ(exact.integer(), 2);
  const Value half = divide(7, 2);
  EXPECT_TRUE(half.isFloat());
  EXPECT_DOUBLE_EQ(half.number(), 3.5);
  EXPECT_EQ(half.decimals(), 2);
  EXPECT_DOUBLE_EQ(divide(Value(1.0), 4).number(), 0.25);
  EXPECT_DOUBLE_EQ(divide(LLONG_MIN, -1).number(), 9223372036854775808.0);
  EXPECT_TRUE(raised.empty());

  EXPECT_TRUE(raises(divide(5, 0), 5, 1340, "/", {5, 0}));
  EXPECT_TRUE(raises(divide(Value(5.5), Value(0.0)), 5, 1340, "/", {5.5, 0.0}));
  EXPECT_TRUE(raises(divide("a", 1), 1, 1084, "/", {"a", 1}));
}

TEST_F(OperatorTest, ZeroDivisorRecordCarriesTheGenericText) {
  divide(1, 0);
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(raised[0].description, "Zero divisor");
  raised.clear();
}

}  // namespace
}  // namespace lanmere::test
