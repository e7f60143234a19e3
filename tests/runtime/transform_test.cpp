// TRANSFORM by value type, as tables of value, picture and the text shown.
#include "runtime/transform.h"

#include "runtime/get.h"
#include "runtime/symbol.h"
#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

class TransformTest : public BuiltinsTest {};

struct Case {
  Value value;
  Value picture;
  const char* shown;
};

void expectShown(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const Value result = callFunction("TRANSFORM", {c.value, c.picture});
    EXPECT_EQ(result.text(), std::string_view(c.shown)) << "picture \"" << c.picture.text() << "\"";
  }
}

Value dateOf(int y, int m, int d) {
  return Value::date(julianFromDate(y, m, d));
}

TEST_F(TransformTest, TextsFillTheTemplatePositionsInOrder) {
  expectShown({
      {"ABCDEF", "XX-XX", "AB-DE"},  // the literal takes the place of "C"
      {"ABCDEF", "@R XX-XX", "AB-CD"},
      {"5551234", "@R 999-9999", "555-1234"},
      {"ab", "@R XX-XX", "ab-  "},
      {"abc", "!XX", "Abc"},
      {"abc", "@! XXX", "ABC"},
      {"abc", "@!", "ABC"},
      {"abc", "@R! X.X", "A.B"},  // letters combine, any case
      {"ab", "XXXX", "ab  "},
      {"abcdef", "XXX", "abc"},
      {"a1 b", "AAAA", "a1 b"},  // formats, never filters
      {"ty", "LY", "TY"},
      {"abc", "", "abc"},
      {"abc", Value(), "abc"},
      {"abc", "@S2", "abc"},  // a scrolling width leaves the text whole
  });
}

TEST_F(TransformTest, NumbersUnderTemplates) {
  expectShown({
      {2.675, "9.99", "2.68"},
      {Value(2.675, 3), "99.99", " 2.68"},
      {1234.5, "9,999.99", "1,234.50"},
      {5, "9,999", "    5"},
      {-5, "9,999", "   -5"},
      {-123, "9,999", " -123"},
      {-1234, "9,999", "*****"},
      {12.5, "$$$$.99", "$$12.50"},
      {12.5, "****.99", "**12.50"},
      {1234, "*,***", "1,234"},
      {12, "*,***", "***12"},
      {0.5, "999.99", "  0.50"},
      {-0.5, "999.99", " -0.50"},
      {-0.5, "9.99", "-.50"},
      {-0.001, "9.99", "0.00"},
      {-3, "##9", " -3"},
      {42, "99999", "   42"},
      {42.0, "99999", "   42"},
      {7, "99.9 kg", " 7.0 kg"},
      {123456789, "99.9 kg", "**** kg"},
      {Value(123456789012345678LL), "999,999,999,999,999,999", "123,456,789,012,345,678"},
      {Value(-12345678901234567LL), "999999999999999999", "-12345678901234567"},
  });
  // The error report's size line uses the same picture.
  expectShown({{0, "9,999,999 bytes", "        0 bytes"},
               {999, "9,999,999 bytes", "      999 bytes"},
               {52000, "9,999,999 bytes", "   52,000 bytes"},
               {9999999, "9,999,999 bytes", "9,999,999 bytes"},
               {10000000, "9,999,999 bytes", "********* bytes"}});
}

TEST_F(TransformTest, NumberFunctionsWithAndWithoutTemplate) {
  expectShown({
      {1234.56, "@E 9,999.99", "1.234,56"},
      {1234.56, "@E", "      1234,56"},
      {0, "@Z 999", "   "},
      {0.0, "@Z 999.99", "      "},
      {0.001, "@Z 9.99", "    "},
      {0, "@Z", "          "},
      {12.5, "@B 9999.99", "12.50  "},
      {12.5, "@B", "12.50        "},
      {12.5, "@C 999.99", " 12.50 CR"},
      {-12.5, "@C 999.99", "-12.50"},
      {0, "@C 9", "0"},
      {-12.5, "@X 999.99", " 12.50 DB"},
      {12.5, "@X 999.99", " 12.50"},
      {-12.5, "@( 999.99", "(12.50)"},
      {12.5, "@( 999.99", " 12.50"},
      {-12.5, "@(", "       (12.50)"},
      {-12.5, "@X", "        12.50 DB"},
      {12.5, "", "        12.50"},
      {Value(123456789012345678LL), "", "  123456789012345678"},
  });
}

TEST_F(TransformTest, DatesLogicalsAndEveryOtherType) {
  const Value day = dateOf(2024, 3, 7);
  expectShown({{day, "", "03/07/24"},
               {day, "@E", "07/03/24"},
               {day, "99-99-9999", "03/07/24"},  // a template on a date is ignored
               {Value::date(0), "", "  /  /  "},
               {Value::timestamp(day.julian(), 36000000), "", "03/07/24 10:00:00.000"}});
  setDateFormat("YYYY-MM-DD");
  expectShown(
      {{day, "", "2024-03-07"}, {day, "@E", "07-03-2024"}, {Value::date(0), "@E", "  -  -    "}});
  expectShown({{true, "", "T"},
               {false, "L", "F"},
               {true, "Y", "Y"},
               {false, "@! Y", "N"},
               {Value(), "999", ""},
               {Value::list({1}), "", "ARRAY"},
               {Value::hash(), "", "HASH"},
               {block([](Args) { return Value(); }), "", "BLOCK"},
               {createObject("GET"), "XX", "GET"},
               {Value::pointer(nullptr), "", "POINTER"},
               {Value(symbol("X")), "", "SYMBOL"}});
  EXPECT_TRUE(raised.empty());
}

TEST_F(TransformTest, APictureThatIsNoTextIsTheArgumentError) {
  EXPECT_TRUE(argumentError(call("TRANSFORM", {5, 9}), 1149, "TRANSFORM", {5, 9}));
  const Value list = Value::list();
  EXPECT_TRUE(argumentError(call("TRANSFORM", {"a", list}), 1149, "TRANSFORM", {"a", list}));
  EXPECT_EQ(transform(Value(52000), "9,999,999"), "   52,000");
}

}  // namespace
}  // namespace lanmere::test
