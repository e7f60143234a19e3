#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

class ListTest : public BuiltinsTest {};

std::vector<long long> numbers(const Value& list) {
  std::vector<long long> out;
  for (const Value& v : list.items()) out.push_back(v.isNil() ? -1 : v.integer());
  return out;
}

using Numbers = std::vector<long long>;

TEST_F(ListTest, AppendAndResizeWorkOnTheSharedList) {
  const Value list = Value::list({1});
  const Value alias = list;
  EXPECT_EQ(call("AADD", {list, 2}).integer(), 2);
  EXPECT_EQ(numbers(alias), (Numbers{1, 2}));
  EXPECT_TRUE(argumentError(call("AADD", {"x", 2}), 1123, "AADD", {"x", 2}));

  EXPECT_TRUE(call("ASIZE", {list, 4}).sharesStorageWith(list));
  EXPECT_EQ(numbers(alias), (Numbers{1, 2, -1, -1}));
  call("ASIZE", {list, 1});
  EXPECT_EQ(numbers(alias), (Numbers{1}));
  call("ASIZE", {list, -3});
  EXPECT_EQ(alias.length(), 0u);
  EXPECT_TRUE(argumentError(call("ASIZE", {list, "2"}), 1136, "ASIZE", {list, "2"}));
  EXPECT_TRUE(argumentError(call("ASIZE", {nil, 2}), 1136, "ASIZE", {nil, 2}));
}

TEST_F(ListTest, CloneCopiesNestedListsAndKeepsTheirShape) {
  const Value record(errorNew());
  const Value inner = Value::list({1, 2});
  const Value outer = Value::list({inner, inner, record, "t"});
  outer.listData()->items.push_back(outer);  // a list that holds itself

  const Value copy = call("ACLONE", {outer});
  ASSERT_EQ(copy.length(), 5u);
  EXPECT_FALSE(copy.sharesStorageWith(outer));
  EXPECT_FALSE(copy.item(1).sharesStorageWith(inner));
  EXPECT_TRUE(copy.item(1).sharesStorageWith(copy.item(2)));  // one inner list, copied once
  EXPECT_TRUE(copy.item(3).sharesStorageWith(record));        // objects are not copied
  EXPECT_TRUE(copy.item(5).sharesStorageWith(copy));
  copy.item(1).listData()->items[0] = 99;
  EXPECT_EQ(inner.item(1).integer(), 1);
  EXPECT_TRUE(call("ACLONE", {"x"}).isNil());
  outer.listData()->items.clear();  // break the cycles so the test does not leak
  copy.listData()->items.clear();
}

TEST_F(ListTest, ScanByValueOrClosure) {
  const Value list = Value::list({"ab", "abc", 2, Value(3.0), Value::date(5)});
  EXPECT_EQ(call("ASCAN", {list, "abc"}).integer(), 2);  // exact: "ab" does not match
  EXPECT_EQ(call("ASCAN", {list, 3}).integer(), 4);      // numbers compare by value
  EXPECT_EQ(call("ASCAN", {list, Value::date(5)}).integer(), 5);
  EXPECT_EQ(call("ASCAN", {list, "zz"}).integer(), 0);
  EXPECT_EQ(call("ASCAN", {list, "ab", 2}).integer(), 0);
  EXPECT_EQ(call("ASCAN", {list, 3, 1, 3}).integer(), 0);
  EXPECT_EQ(call("ASCAN", {"ab", "ab"}).integer(), 0);

  std::vector<long long> positions;
  const Value isNumber = block([&](Args a) {
    positions.push_back(a[1].integer());
    return Value(a[0].isNumber());
  });
  EXPECT_EQ(call("ASCAN", {list, isNumber}).integer(), 3);
  EXPECT_EQ(positions, (Numbers{1, 2, 3}));

  // A closure that empties the list stops the scan instead of reading past its end.
  const Value shrinking = block([&](Args) {
    list.listData()->items.clear();
    return Value(false);
  });
  EXPECT_EQ(call("ASCAN", {list, shrinking}).integer(), 0);
}

TEST_F(ListTest, InsertAndDeleteKeepTheLength) {
  const Value list = Value::list({1, 2, 3});
  call("AINS", {list, 2});
  EXPECT_EQ(numbers(list), (Numbers{1, -1, 2}));
  call("ADEL", {list, 1});
  EXPECT_EQ(numbers(list), (Numbers{-1, 2, -1}));
  call("AINS", {list, 4});
  call("ADEL", {list, 0});
  EXPECT_EQ(numbers(list), (Numbers{-1, 2, -1}));
  EXPECT_TRUE(call("AINS", {list, 1}).sharesStorageWith(list));
}

TEST_F(ListTest, SortDefaultOrder) {
  const Value list = Value::list({3, Value(1.5), 2, -7});
  call("ASORT", {list});
  EXPECT_DOUBLE_EQ(list.item(1).number(), -7);
  EXPECT_DOUBLE_EQ(list.item(2).number(), 1.5);
  EXPECT_DOUBLE_EQ(list.item(4).number(), 3);

  const Value texts = Value::list({"b", "B", "a", "\xE9", ""});
  call("ASORT", {texts});
  std::vector<std::string> sorted;
  for (const Value& v : texts.items()) sorted.push_back(v.string());
  EXPECT_EQ(sorted, (std::vector<std::string>{"", "B", "a", "b", "\xE9"}));

  const Value mixed = Value::list({"x", Value::date(3), 1, true, nil});
  call("ASORT", {mixed});
  std::string letters;
  for (const Value& v : mixed.items()) letters += typeLetter(v);
  EXPECT_EQ(letters, "ULNDC");

  const Value part = Value::list({5, 4, 3, 2, 1});
  call("ASORT", {part, 2, 3});
  EXPECT_EQ(numbers(part), (Numbers{5, 2, 3, 4, 1}));
  EXPECT_TRUE(call("ASORT", {"x"}).isNil());
}

TEST_F(ListTest, SortWithClosureIsStableAndSurvivesBadOrders) {
  const Value pairs = Value::list();
  for (int i = 0; i < 20; ++i) pairs.listData()->items.push_back(Value::list({i % 3, i}));
  call("ASORT", {pairs, nil, nil, block([](Args a) {
                   return Value(a[0].item(1).integer() > a[1].item(1).integer());
                 })});
  long long previousKey = 3, previousOrder = -1;
  for (const Value& p : pairs.items()) {
    const long long key = p.item(1).integer(), order = p.item(2).integer();
    ASSERT_LE(key, previousKey);
    if (key == previousKey) {
      EXPECT_GT(order, previousOrder);  // equal keys keep their order
    }
    previousKey = key;
    previousOrder = order;
  }

  const Value list = Value::list();
  for (int i = 0; i < 50; ++i) list.listData()->items.push_back(i);
  call("ASORT", {list, nil, nil, block([](Args) { return Value(true); })});
  Numbers seen = numbers(list);
  std::sort(seen.begin(), seen.end());
  for (int i = 0; i < 50; ++i) ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);

  // A closure that empties the list while it is sorted.
  call("ASORT", {list, nil, nil, block([&](Args) {
                   list.listData()->items.clear();
                   return Value(false);
                 })});
  EXPECT_EQ(list.length(), 0u);
}

TEST_F(ListTest, EvalVisitsItemsWithPositions) {
  const Value list = Value::list({10, 20, 30, 40});
  long long sum = 0;
  const Value add = block([&](Args a) {
    sum += a[0].integer() * a[1].integer();
    return Value();
  });
  EXPECT_TRUE(call("AEVAL", {list, add}).sharesStorageWith(list));
  EXPECT_EQ(sum, 10 + 40 + 90 + 160);
  sum = 0;
  call("AEVAL", {list, add, 2, 2});
  EXPECT_EQ(sum, 40 + 90);
  sum = 0;
  call("AEVAL", {list, add, 9});
  EXPECT_EQ(sum, 0);
  EXPECT_TRUE(argumentError(call("AEVAL", {list, 5}), 1137, "AEVAL", {list, 5}));
  EXPECT_TRUE(argumentError(call("AEVAL", {nil, add}), 1137, "AEVAL", {nil, add}));
}

}  // namespace
}  // namespace lanmere::test
