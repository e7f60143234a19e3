#include "framework/services/trect.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/errors.h"
#include "tests/support/values.h"

namespace kestrel {
namespace {

using lanmere::send;
using lanmere::Value;

Value rect(Value top, Value left, Value bottom, Value right) {
  Value r(lanmere::make<TRect>());
  send(r, "New", {top, left, bottom, right});
  return r;
}

// {top, left, bottom, right} as plain integers, for comparisons.
std::vector<long long> coordinates(const Value& r) {
  return test::integersOf(send(r, "aRect"));
}

std::string le32(std::int32_t v) {
  std::string bytes;
  for (int i = 0; i < 4; ++i)
    bytes.push_back(static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i)));
  return bytes;
}

TEST(TRect, SizesAreInclusiveAndSettersMoveTheFarEdge) {
  const Value r = rect(10, 20, 10, 20);
  EXPECT_EQ(send(r, "nHeight").integer(), 1);
  EXPECT_EQ(send(r, "nWidth").integer(), 1);
  EXPECT_EQ(send(r, "_nHeight", {5}).integer(), 5);
  EXPECT_EQ(send(r, "_nWidth", {30}).integer(), 30);
  EXPECT_EQ(coordinates(r), (std::vector<long long>{10, 20, 14, 49}));
  send(r, "_nLeft", {-3});
  send(r, "_nBottom", {7});
  EXPECT_EQ(send(r, "nLeft").integer(), -3);
  EXPECT_EQ(send(r, "nBottom").integer(), 7);
}

TEST(TRect, NewCopiesAListAndPadsAShortOne) {
  Value list = Value::list({1, 2, 3, 4, 5});
  const Value r = rect(list, 99, 99, 99);
  list.listData()->items[0] = 50;
  EXPECT_EQ(send(r, "nTop").integer(), 1);
  EXPECT_EQ(send(r, "aRect").length(), 5u);  // extras kept, unused
  EXPECT_EQ(coordinates(rect(Value::list({7, 8}), {}, {}, {})),
            (std::vector<long long>{7, 8, 0, 0}));
  EXPECT_EQ(coordinates(rect({}, {}, {}, {})), (std::vector<long long>{0, 0, 0, 0}));
}

TEST(TRect, BinaryFormIsLeftTopRightBottomLittleEndian) {
  const Value r = rect(-1, -2, 300, 70000);
  EXPECT_EQ(send(r, "cRect").text(), le32(-2) + le32(-1) + le32(70000) + le32(300));
  EXPECT_EQ(send(r, "cRect").text().substr(0, 8),
            std::string("\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8));
  // Floating coordinates by their integer part; values past 32 bits clamped.
  const Value f = rect(Value(1.9, 1), Value(-2.7, 1), Value(5e10, 0), Value(-5e10, 0));
  EXPECT_EQ(send(f, "cRect").text(), le32(-2) + le32(1) + le32(INT32_MIN) + le32(INT32_MAX));
}

TEST(TRect, BinaryFormRoundTripsAndShortOrLongTextsReadSafely) {
  const Value r = rect(-5, 6, 700, -8000);
  const Value back = rect(0, 0, 0, 0);
  send(back, "_cRect", {send(r, "cRect")});
  EXPECT_TRUE(send(back, "==", {r}).logical());

  struct Case {
    std::string bytes;
    std::vector<long long> expected;
  } cases[] = {
      // 10 bytes: left, top, and the low half of right; bottom missing.
      {le32(1) + le32(2) + std::string("\x03\x00", 2), {2, 1, 0, 3}},
      {le32(1) + le32(2) + le32(3) + le32(4) + le32(99), {2, 1, 4, 3}},  // 20: first 16 used
  };
  for (const Case& c : cases) {
    const Value t = rect(9, 9, 9, 9);
    send(t, "_cRect", {Value(c.bytes)});
    EXPECT_EQ(coordinates(t), c.expected) << c.bytes.size();
  }
}

TEST(TRect, BadBytesAndBadIndexesRaiseAndChangeNothing) {
  test::ErrorCatcher errors(Value("substitute"));
  const Value r = rect(1, 2, 3, 4);
  EXPECT_EQ(send(r, "_cRect", {Value(42)}).text(), "substitute");
  ASSERT_EQ(errors.records.size(), 1u);
  EXPECT_EQ(errors.last().genCode.integer(), 1);
  EXPECT_EQ(errors.last().subCode.integer(), kRectBytesSubCode);
  for (const Value& index : {Value(0), Value(5), Value(1.5, 1), Value("2")}) {
    EXPECT_EQ(send(r, "[]", {index, 77}).text(), "substitute");
    EXPECT_EQ(errors.last().genCode.integer(), 2);
    EXPECT_EQ(errors.last().subCode.integer(), kRectIndexSubCode);
  }
  EXPECT_EQ(errors.records.size(), 5u);
  EXPECT_EQ(coordinates(r), (std::vector<long long>{1, 2, 3, 4}));
  EXPECT_EQ(send(r, "[]", {3}).integer(), 3);
  EXPECT_EQ(send(r, "[]", {4, 40}).integer(), 40);
  EXPECT_EQ(send(r, "nRight").integer(), 40);
}

TEST(TRect, MovesKeepTheSize) {
  const Value r = rect(10, 20, 30, 60);
  send(r, "MoveTo");
  EXPECT_EQ(coordinates(r), (std::vector<long long>{10, 20, 30, 60}));
  send(r, "MoveBy", {5});
  EXPECT_EQ(coordinates(r), (std::vector<long long>{15, 20, 35, 60}));
  send(r, "MoveBy", {{}, -20});
  EXPECT_EQ(coordinates(r), (std::vector<long long>{15, 0, 35, 40}));
  send(r, "MoveTo", {{}, 100});
  EXPECT_EQ(coordinates(r), (std::vector<long long>{15, 100, 35, 140}));
  EXPECT_TRUE(send(r, "MoveTo", {0, 0}).sharesStorageWith(r));
  EXPECT_EQ(coordinates(r), (std::vector<long long>{0, 0, 20, 40}));
}

TEST(TRect, EqualityComparesCoordinatesOfRectanglesOnly) {
  const Value a = rect(1, 2, 3, 4);
  EXPECT_TRUE(send(a, "==", {rect(1, 2, 3, Value(4.0, 1))}).logical());
  EXPECT_FALSE(send(a, "==", {rect(1, 2, 3, 5)}).logical());
  EXPECT_FALSE(send(a, "==", {Value::list({1, 2, 3, 4})}).logical());
  EXPECT_FALSE(send(a, "==", {Value()}).logical());
  EXPECT_TRUE(test::as<TRect>(a) == test::as<TRect>(rect(1, 2, 3, 4)));
}

}  // namespace
}  // namespace kestrel
