#include "framework/display/cvaltochar.h"

#include <gtest/gtest.h>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/object.h"

namespace kestrel {
namespace {

using lanmere::Value;

class Plain : public lanmere::Object {
  LM_CLASS(Plain, lanmere::Object)
};
LM_DEFINE_CLASS_AS(Plain, "TPLAIN") {}

// A class that names itself through its cClassName member.
class SelfNamed : public lanmere::Object {
  LM_CLASS(SelfNamed, lanmere::Object)
  Value cClassName = "TMyWindow";
};
LM_DEFINE_CLASS_AS(SelfNamed, "TSELFNAMED") {
  c.data(LM_FIELDS(cClassName));
}

// A subclass inherits the member.
class SelfNamedChild : public SelfNamed {
  LM_CLASS(SelfNamedChild, SelfNamed)
};
LM_DEFINE_CLASS_AS(SelfNamedChild, "TCHILD") {}

// A method of that name is not a data member.
class MethodNamed : public lanmere::Object {
  LM_CLASS(MethodNamed, lanmere::Object)
  Value cClassName() { return Value("from method"); }
};
LM_DEFINE_CLASS_AS(MethodNamed, "TMETHODNAMED") {
  c.methods(LM_METHODS(cClassName));
}

std::string convert(const Value& value) {
  Value argument = value;
  const Value result = CVALTOCHAR({&argument, 1});
  EXPECT_TRUE(result.isText());
  return result.string();
}

TEST(CValToChar, TextsLogicalsAndNumbers) {
  EXPECT_EQ(convert(Value("abc")), "abc");
  EXPECT_EQ(convert(Value(std::string_view("a\0b", 3))), std::string("a\0b", 3));
  EXPECT_EQ(convert(Value("")), "");
  EXPECT_EQ(convert(Value(true)), ".T.");
  EXPECT_EQ(convert(Value(false)), ".F.");
  EXPECT_EQ(convert(Value(42)), "42");
  EXPECT_EQ(convert(Value(-3)), "-3");
  EXPECT_EQ(convert(Value(0)), "0");
  EXPECT_EQ(convert(Value(1.5, 1)), "1.5");
  EXPECT_EQ(convert(Value(-2.25, 2)), "-2.25");
  // STR without its blanks: a computed value shows its two decimals.
  EXPECT_EQ(convert(Value(10.0 / 4)), "2.50");
  EXPECT_EQ(convert(Value(-1.0 / 3)), "-0.33");
  EXPECT_EQ(convert(Value(123456789012LL)), "123456789012");
}

TEST(CValToChar, DatesAndTimestamps) {
  const std::int32_t day = lanmere::julianFromDate(2024, 3, 5);
  EXPECT_EQ(convert(Value::date(day)), "03/05/24");
  EXPECT_EQ(convert(Value::date(0)), lanmere::dtoc(Value::date(0)));
  const std::int32_t time = ((13 * 60 + 4) * 60 + 5) * 1000 + 6;
  EXPECT_EQ(convert(Value::timestamp(day, time)), "03/05/24 13:04:05.006");
  // No date part: the time alone.
  EXPECT_EQ(convert(Value::timestamp(0, time)), "13:04:05.006");
  EXPECT_EQ(convert(Value::timestamp(0, 0)), "00:00:00.000");
}

TEST(CValToChar, ListsBlocksHashesPointersAndNil) {
  EXPECT_EQ(convert(Value::list({Value(1), Value(2)})), "{ ... }");
  EXPECT_EQ(convert(Value::list()), "{ ... }");
  EXPECT_EQ(convert(lanmere::block([](lanmere::Args) { return Value(1); })), "{|| ... }");
  EXPECT_EQ(convert(Value::hash()), "{=>}");
  EXPECT_EQ(convert(Value::pointer(reinterpret_cast<void*>(0x1A2B))), "0x1A2B");
  EXPECT_EQ(convert(Value()), "");
  EXPECT_EQ(convert(Value(lanmere::symbol("MAIN"))), "");
  EXPECT_EQ(CVALTOCHAR({}).string(), "");
}

TEST(CValToChar, ObjectsByTheirOwnNameOrTheirClass) {
  EXPECT_EQ(convert(Value(lanmere::make<Plain>())), "TPLAIN");
  EXPECT_EQ(convert(Value(lanmere::make<SelfNamed>())), "TMyWindow");
  EXPECT_EQ(convert(Value(lanmere::make<SelfNamedChild>())), "TMyWindow");
  EXPECT_EQ(convert(Value(lanmere::make<MethodNamed>())), "TMETHODNAMED");
}

}  // namespace
}  // namespace kestrel
