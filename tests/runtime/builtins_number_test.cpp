#include <climits>

#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

using namespace std::string_view_literals;

class NumberTest : public BuiltinsTest {};

TEST_F(NumberTest, StrDefaultFields) {
  const struct {
    Value number, width;  // nil and widths below 1 take the default
    const char* text;
  } rows[] = {
      {42, {}, "        42"},
      {-5, {}, "        -5"},
      {0, {}, "         0"},
      {-999999999, {}, "-999999999"},
      // Numbers that need more than 10 places get 20.
      {12345678901LL, {}, "         12345678901"},
      {-1000000000, {}, "         -1000000000"},
      {-9999999999LL, {}, "         -9999999999"},
      {Value(-5e9, 1), {}, "         -5000000000.0"},
      // A floating value shows its own decimals after an integer field of 10.
      {Value(3.14159, 2), {}, "         3.14"},
      {Value(2.5, 0), {}, "         3"},
      {Value(-0.5, 1), {}, "        -0.5"},
      {42, 0, "        42"},  // a width below 1 is the default
  };
  for (const auto& row : rows) {
    EXPECT_EQ(call("STR", {row.number, row.width}).string(), row.text) << row.text;
  }
}

TEST_F(NumberTest, StrWidthDecimalsAndRounding) {
  EXPECT_EQ(call("STR", {3.7, 5}).string(), "    4");  // a width alone means no decimals
  EXPECT_EQ(call("STR", {-2.5, 4}).string(), "  -3");
  EXPECT_EQ(call("STR", {3.14159, 8, 3}).string(), "   3.142");
  EXPECT_EQ(call("STR", {2.675, 6, 2}).string(), "  2.68");  // as written, not as stored
  EXPECT_EQ(call("STR", {1.005, 5, 2}).string(), " 1.01");
  EXPECT_EQ(call("STR", {5, 6, 2}).string(), "  5.00");
  EXPECT_EQ(call("STR", {0.05, 5, 3}).string(), "0.050");
  EXPECT_EQ(call("STR", {-0.001, 6, 2}).string(), "  0.00");
  EXPECT_EQ(call("STR", {Value(10.0 / 4), nil, 3}).string(), "         2.500");
}

TEST_F(NumberTest, StrOverflowGivesAsterisks) {
  EXPECT_EQ(call("STR", {123456, 3}).string(), "***");
  EXPECT_EQ(call("STR", {12.5, 3, 1}).string(), "***");
  EXPECT_EQ(call("STR", {99.95, 4, 1}).string(), "****");  // rounding to 100.0 needs five
  EXPECT_EQ(call("STR", {-1000, 4}).string(), "****");
  EXPECT_EQ(call("STR", {Value(1e300, 0)}).string(), std::string(20, '*'));
  EXPECT_EQ(call("STR", {1e300}).string(), std::string(23, '*'));  // 20 + point + 2
  EXPECT_EQ(str(Value(1e300), 400, 2).size(), 400u);
  EXPECT_TRUE(argumentError(call("STR", {"5"}), 1099, "STR", {"5"}));
  EXPECT_TRUE(argumentError(call("STR", {5, "3"}), 1099, "STR", {5, "3"}));
  EXPECT_TRUE(argumentError(call("STR", {5, 3, true}), 1099, "STR", {5, 3, true}));
}

TEST_F(NumberTest, ValReadsLeadingNumberAndItsDecimals) {
  const Value whole = call("VAL", {"123"});
  EXPECT_TRUE(whole.isInteger());
  EXPECT_EQ(whole.integer(), 123);
  const Value money = call("VAL", {"  -12.50abc"});
  EXPECT_TRUE(money.isFloat());
  EXPECT_DOUBLE_EQ(money.number(), -12.5);
  EXPECT_EQ(money.decimals(), 2);
  EXPECT_EQ(str(money), "       -12.50");
  EXPECT_EQ(call("VAL", {".5"}).decimals(), 1);
  EXPECT_DOUBLE_EQ(call("VAL", {"1.5e3"}).number(), 1.5);
  EXPECT_EQ(call("VAL", {"+7"}).integer(), 7);
  EXPECT_EQ(call("VAL", {"1,5"}).integer(), 1);
  for (const char* none : {"", "abc", "-", "."}) {
    const Value zero = call("VAL", {none});
    EXPECT_TRUE(zero.isNumber() && zero.number() == 0) << none;
  }
  // Up to 18 digits an integer stays exact; more go through a floating value.
  EXPECT_EQ(call("VAL", {"123456789012345678"}).integer(), 123456789012345678LL);
  EXPECT_EQ(call("VAL", {"-999999999999999999"}).integer(), -999999999999999999LL);
  const Value big = call("VAL", {"12345678901234567890"});
  EXPECT_DOUBLE_EQ(big.number(), 12345678901234567890.0);
  EXPECT_EQ(big.decimals(), 0);
  EXPECT_TRUE(argumentError(call("VAL", {5}), 1098, "VAL", {5}));
}

TEST_F(NumberTest, IntRoundAbs) {
  EXPECT_EQ(call("INT", {3.7}).integer(), 3);
  EXPECT_TRUE(call("INT", {3.7}).isInteger());
  EXPECT_EQ(call("INT", {-3.7}).integer(), -3);
  EXPECT_DOUBLE_EQ(call("INT", {1e20}).number(), 1e20);
  EXPECT_TRUE(argumentError(call("INT", {"3"}), 1090, "INT", {"3"}));

  const Value r = call("ROUND", {2.675, 2});
  EXPECT_DOUBLE_EQ(r.number(), 2.68);
  EXPECT_EQ(r.decimals(), 2);
  EXPECT_DOUBLE_EQ(call("ROUND", {0.125, 2}).number(), 0.13);
  EXPECT_EQ(call("ROUND", {-2.5, 0}).integer(), -3);
  EXPECT_TRUE(call("ROUND", {-2.5, 0}).isInteger());
  EXPECT_EQ(call("ROUND", {1250.0, -2}).integer(), 1300);
  EXPECT_EQ(call("ROUND", {7, 2}).integer(), 7);
  EXPECT_TRUE(argumentError(call("ROUND", {1.5}), 1094, "ROUND", {1.5}));

  EXPECT_EQ(call("ABS", {-5}).integer(), 5);
  const Value a = call("ABS", {Value(-2.5, 1)});
  EXPECT_DOUBLE_EQ(a.number(), 2.5);
  EXPECT_EQ(a.decimals(), 1);
  EXPECT_DOUBLE_EQ(call("ABS", {LLONG_MIN}).number(), 9223372036854775808.0);
  EXPECT_TRUE(argumentError(call("ABS", {nil}), 1089, "ABS", {nil}));
}

TEST_F(NumberTest, ModTakesTheDivisorsSign) {
  EXPECT_EQ(call("MOD", {7, 3}).integer(), 1);
  EXPECT_EQ(call("MOD", {-7, 3}).integer(), 2);
  EXPECT_EQ(call("MOD", {7, -3}).integer(), -2);
  EXPECT_EQ(call("MOD", {-7, -3}).integer(), -1);
  EXPECT_EQ(call("MOD", {6, 3}).integer(), 0);
  EXPECT_EQ(call("MOD", {LLONG_MIN, -1}).integer(), 0);
  EXPECT_DOUBLE_EQ(call("MOD", {7.5, 2}).number(), 1.5);
  EXPECT_DOUBLE_EQ(call("MOD", {-7.5, 2}).number(), 0.5);
  EXPECT_TRUE(raises(call("MOD", {5, 0}), 5, 1341, "MOD", {5, 0}));
  EXPECT_TRUE(raises(call("MOD", {5, 0.0}), 5, 1341, "MOD", {5, 0.0}));
  EXPECT_TRUE(argumentError(call("MOD", {"7", 3}), 1085, "MOD", {"7", 3}));
}

TEST_F(NumberTest, MaxAndMinOfOneKind) {
  const Value early = Value::date(100), late = Value::date(200);
  // Timestamps of one day: the time decides; a date is the day's first moment.
  const Value morning = Value::timestamp(100, 1000), evening = Value::timestamp(100, 2000);
  const struct {
    Value a, b;
    Value max, min;  // which argument each answers
  } rows[] = {
      {2, 2.5, 2.5, 2},
      {early, late, late, early},
      {morning, evening, evening, morning},
      {evening, morning, evening, morning},
      {early, morning, morning, early},
      {false, true, true, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const auto& row = rows[i];
    const Value max = call("MAX", {row.a, row.b}), min = call("MIN", {row.a, row.b});
    EXPECT_TRUE(exactlyEqual(max, row.max) && max.type() == row.max.type()) << "row " << i;
    EXPECT_TRUE(exactlyEqual(min, row.min) && min.type() == row.min.type()) << "row " << i;
  }
  EXPECT_TRUE(call("MAX", {1, Value(1.0)}).isInteger());  // a tie answers the first
  EXPECT_TRUE(argumentError(call("MAX", {1, "2"}), 1093, "MAX", {1, "2"}));
  EXPECT_TRUE(argumentError(call("MIN", {early, 1}), 1092, "MIN", {early, 1}));
}

TEST_F(NumberTest, NumToHex) {
  EXPECT_EQ(call("HB_NUMTOHEX", {255}).string(), "FF");
  EXPECT_EQ(call("HB_NUMTOHEX", {0}).string(), "0");
  EXPECT_EQ(call("HB_NUMTOHEX", {4096}).string(), "1000");
  EXPECT_EQ(call("HB_NUMTOHEX", {255, 4}).string(), "00FF");
  EXPECT_EQ(call("HB_NUMTOHEX", {0xABCDEF, 2}).string(), "ABCDEF");
  EXPECT_EQ(call("HB_NUMTOHEX", {-1}).string(), "FFFFFFFFFFFFFFFF");
  int anchor = 0;
  const Value pointer = Value::pointer(&anchor);
  EXPECT_EQ(call("HB_NUMTOHEX", {pointer}).string(),
            numToHex(reinterpret_cast<std::uintptr_t>(&anchor)));
  EXPECT_EQ(numToHex(0x1234ABCDULL), "1234ABCD");
  EXPECT_TRUE(argumentError(call("HB_NUMTOHEX", {"FF"}), 1131, "HB_NUMTOHEX", {"FF"}));
}

TEST_F(NumberTest, BinaryForms) {
  EXPECT_EQ(call("I2BIN", {1}).string(), "\x01\x00"sv);
  EXPECT_EQ(call("I2BIN", {-2}).string(), "\xFE\xFF"sv);
  EXPECT_EQ(call("I2BIN", {65536 + 3}).string(), "\x03\x00"sv);
  EXPECT_EQ(call("BIN2I", {bytes("\xFE\xFF"sv)}).integer(), -2);
  EXPECT_EQ(call("BIN2I", {bytes("\x05"sv)}).integer(), 5);
  EXPECT_EQ(call("BIN2I", {""}).integer(), 0);
  EXPECT_EQ(call("BIN2I", {bytes("\x34\x12\x99"sv)}).integer(), 0x1234);
  for (int n : {-32768, -1, 0, 1, 255, 256, 32767}) {
    EXPECT_EQ(call("BIN2I", {call("I2BIN", {n})}).integer(), n);
  }
  EXPECT_EQ(call("L2BIN", {0x12345678}).string(), "\x78\x56\x34\x12"sv);
  EXPECT_EQ(call("BIN2L", {bytes("\xFF\xFF\xFF\xFF"sv)}).integer(), -1);
  for (long long n : {-2147483648LL, -70000LL, 0LL, 70000LL, 2147483647LL}) {
    EXPECT_EQ(call("BIN2L", {call("L2BIN", {n})}).integer(), n);
  }
  EXPECT_TRUE(argumentError(call("I2BIN", {"1"}), 1132, "I2BIN", {"1"}));
  EXPECT_TRUE(argumentError(call("BIN2I", {1}), 1133, "BIN2I", {1}));
  EXPECT_TRUE(argumentError(call("L2BIN", {nil}), 1134, "L2BIN", {nil}));
  EXPECT_TRUE(argumentError(call("BIN2L", {1}), 1135, "BIN2L", {1}));
}

}  // namespace
}  // namespace lanmere::test
