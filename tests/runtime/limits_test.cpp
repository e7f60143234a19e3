// Hostile sizes and values: texts and lists past their limits, allocations that fail, dates past
// the calendar's ends and lists nested deeper than any stack.
#include <climits>
#include <new>

#include "runtime/binding.h"
#include "runtime/operators.h"
#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

class Limits : public BuiltinsTest {
 protected:
  void TearDown() override {
    setMaxTextLength(kMaxTextLength);
    BuiltinsTest::TearDown();
  }
};

TEST_F(Limits, AppendingPastTheTextLimitRaisesStringOverflow) {
  setMaxTextLength(10);
  Value text = "12345";
  const char* storage = text.text().data();
  addAssign(text, Value("67890"));  // exactly at the limit: in place
  EXPECT_EQ(text.text(), "1234567890");
  EXPECT_EQ(text.text().data(), storage);
  EXPECT_TRUE(raised.empty());

  const Value before = text;
  addAssign(text, Value("x"));
  EXPECT_TRUE(raises(text, 3, 1209, "+", {before, "x"}));
  EXPECT_TRUE(raises(add(before, "x"), 3, 1209, "+", {before, "x"}));
  // The text builders keep the same limit.
  EXPECT_TRUE(raises(call("SPACE", {11}), 3, 1105, "SPACE", {11}));
  EXPECT_EQ(call("REPLICATE", {"ab", 5}).string(), "ababababab");  // exactly at the limit
  EXPECT_TRUE(raised.empty());
  EXPECT_TRUE(raises(call("REPLICATE", {"ab", 6}), 3, 1106, "REPLICATE", {"ab", 6}));
}

// A built-in whose allocation fails.
Value EXHAUSTS() {
  const Value local = "gone with the body";
  showLocals({{"cLocal", &local}});
  throw std::bad_alloc();
}
Value OVERSIZES() {
  std::string text;
  text.reserve(text.max_size() + 1);  // more than any string can hold: std::length_error
  return text;
}

TEST_F(Limits, AFailedAllocationIsTheMemoryErrorThroughTheHandler) {
  static const ModuleTable module{"tests/runtime/limits_test.cpp",
                                  {fn<&EXHAUSTS>("EXHAUSTS"), fn<&OVERSIZES>("OVERSIZES")}};
  registerModule(module);
  for (const char* name : {"EXHAUSTS", "OVERSIZES"}) {
    // No retry, default or substitute: the handler can only end the program or break out.
    Value seen;
    std::size_t localsShown = 1;
    Value previous = errorBlock(block([&](Args a) -> Value {
      seen = a[0];
      localsShown = frameAt(1)->locals().size();  // the raising frame, as a report reads it
      doBreak(a[0]);
    }));
    const std::size_t depth = stackDepth();
    bool returned = false;
    beginSequence([&] {
      callFunction(name);
      returned = true;
    });
    errorBlock(previous);
    EXPECT_FALSE(returned) << name;
    EXPECT_EQ(stackDepth(), depth);
    auto* record = static_cast<ErrorRecord*>(seen.object());
    ASSERT_NE(record, nullptr) << name;
    EXPECT_EQ(record->genCode.integer(), 11);
    EXPECT_EQ(record->description.text(), "Memory low");
    EXPECT_EQ(record->subCode.integer(), kMemoryLowSubCode);
    EXPECT_EQ(record->operation.text(), name);
    EXPECT_EQ(record->flags, 0u);
    EXPECT_EQ(localsShown, 0u);
  }
}

TEST_F(Limits, DatesStayInsideYears1To9999) {
  const Value last = Value::date(kLastJulian), first = Value::date(kFirstJulian);
  EXPECT_EQ(dtos(last), "99991231");
  EXPECT_EQ(dtos(first), "00010101");
  EXPECT_EQ(add(last, 0).julian(), kLastJulian);
  EXPECT_EQ(add(Value(-1), last).julian(), kLastJulian - 1);
  EXPECT_EQ(add(first, Value(1.9)).julian(), kFirstJulian + 1);  // whole days only
  EXPECT_TRUE(raised.empty());
  // Leaving the calendar raises; nothing wraps round to another date.
  for (const Value& days : {Value(1), Value(4294967296LL), Value(3e9), Value(1e300)}) {
    EXPECT_TRUE(raises(add(last, days), 4, kDateOverflowSubCode, "+", {last, days}));
  }
  for (const Value& days : {Value(-1), Value(-4294967296LL), Value(-2147483648LL)}) {
    EXPECT_TRUE(raises(add(days, first), 4, kDateOverflowSubCode, "+", {days, first}));
  }
  // The blank date has nothing to count from: it stays blank.
  EXPECT_EQ(add(Value::date(0), 5).julian(), 0);
  EXPECT_TRUE(raised.empty());
  // A day number outside the calendar reads as the blank date in every text and part.
  for (std::int32_t outside : {kLastJulian + 1, 536838868, INT32_MAX, kFirstJulian - 1, -5}) {
    const Value date = Value::date(outside);
    EXPECT_EQ(call("DTOC", {date}).string(), "  /  /  ") << outside;
    EXPECT_EQ(call("DTOS", {date}).string(), "        ") << outside;
    EXPECT_EQ(call("YEAR", {date}).integer(), 0) << outside;
  }
  setDateFormat("YYYY-MM-DD");
  EXPECT_EQ(call("CTOD", {"9999-12-31"}).julian(), kLastJulian);
  EXPECT_EQ(call("CTOD", {"10000-01-01"}).julian(), 0);
  EXPECT_EQ(call("STOD", {"00010101"}).julian(), kFirstJulian);
}

TEST_F(Limits, ListsPastTheirLimitRaiseBoundError) {
  const Value list = Value::list({1, 2});
  for (const Value& length :
       {Value(1LL << 40), Value(static_cast<long long>(kMaxListLength) + 1), Value(1e300)}) {
    EXPECT_TRUE(raises(call("ASIZE", {list, length}), 2, 1136, "ASIZE", {list, length}));
    EXPECT_EQ(list.length(), 2u);
  }
}

// A list holding a list holding a list ..., `depth` deep.
Value nested(std::size_t depth) {
  Value outer = Value::list();
  for (std::size_t i = 1; i < depth; ++i) outer = Value::list({outer});
  return outer;
}

std::size_t depthOf(Value list) {
  std::size_t depth = 0;
  for (; list.isList(); list = list.item(1)) ++depth;
  return depth;
}

TEST_F(Limits, DeepNestingIsReleasedAndClonedWithoutRecursion) {
  constexpr std::size_t kDeep = 1000000, kDeepCopy = 100000;
  const std::size_t inUse = memoryCounters().inUse;
  {
    Value deep = nested(kDeep);
    deep = Value();  // a million levels released in one loop
    const Value original = nested(kDeepCopy);
    const Value copy = call("ACLONE", {original});
    EXPECT_EQ(depthOf(copy), kDeepCopy);
    EXPECT_FALSE(copy.item(1).sharesStorageWith(original.item(1)));
    Value hashes = Value::hash();
    for (std::size_t i = 0; i < kDeepCopy; ++i) {
      Value outer = Value::hash();
      outer.hashData()->entries.emplace_back(Value(1), std::move(hashes));
      hashes = std::move(outer);
    }
  }
  EXPECT_EQ(memoryCounters().inUse, inUse);
  EXPECT_TRUE(raised.empty());
}

}  // namespace
}  // namespace lanmere::test
