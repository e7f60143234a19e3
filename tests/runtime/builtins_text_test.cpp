#include <algorithm>
#include <set>

#include "runtime/object.h"
#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

using namespace std::string_view_literals;

class TextTest : public BuiltinsTest {};

TEST_F(TextTest, ModulesRegisterEveryBuiltinOnceAfterTheErrorModule) {
  const std::vector<const ModuleTable*> tables = builtinModules();
  ASSERT_FALSE(tables.empty());
  EXPECT_EQ(tables.front(), &errorModule());
  std::set<std::string> names;
  for (const ModuleTable* table : tables) {
    EXPECT_EQ(std::string_view(table->name).substr(0, 8), "runtime/");
    for (const FunctionEntry& entry : table->entries) {
      EXPECT_EQ(entry.scope & (kPublic | kDefined), kPublic | kDefined) << entry.name;
      EXPECT_TRUE(names.insert(entry.name).second) << entry.name << " twice";
    }
  }
  for (const char* name :
       {"SPACE",   "LEFT",      "STRTRAN",     "STR",    "ALLTRIM",   "VAL",       "DTOC",
        "CTOD",    "HB_TTOC",   "HB_NUMTOHEX", "I2BIN",  "BIN2I",     "CLASSNAME", "NETERR",
        "SUBSTR",  "AT",        "RAT",         "UPPER",  "LOWER",     "TRIM",      "RTRIM",
        "LTRIM",   "PADR",      "PADL",        "PADC",   "REPLICATE", "CHR",       "ASC",
        "VALTYPE", "INT",       "ROUND",       "ABS",    "MOD",       "MAX",       "MIN",
        "DATE",    "TIME",      "SECONDS",     "YEAR",   "MONTH",     "DAY",       "DTOS",
        "STOD",    "AADD",      "ASIZE",       "ACLONE", "ASCAN",     "AINS",      "ADEL",
        "ASORT",   "AEVAL",     "L2BIN",       "BIN2L",  "FCREATE",   "FOPEN",     "FREAD",
        "FWRITE",  "FSEEK",     "FCLOSE",      "FERASE", "FILE",      "DIRECTORY", "LEN",
        "EMPTY",   "ERRORBLOCK"}) {
    EXPECT_NE(findFunction(name), nullptr) << name;
  }
  EXPECT_EQ(call("left", {"abc", 1}).string(), "a");
}

TEST_F(TextTest, ArgumentErrorsComeFromTheFunctionsOwnFrame) {
  const Value result = call("LEFT", {5, 2});
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(raised[0].raisedIn, "LEFT");
  EXPECT_EQ(raised[0].module, "runtime/builtins_text.cpp");
  EXPECT_EQ(raised[0].description, "Argument error");
  EXPECT_TRUE(argumentError(result, 1124, "LEFT", {5, 2}));
  // No parameters at all leave the record's args nil.
  call("SPACE");
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_TRUE(raised[0].argsNil);
  EXPECT_EQ(raised[0].subCode, 1105);
  raised.clear();
}

TEST_F(TextTest, Space) {
  EXPECT_EQ(call("SPACE", {3}).string(), "   ");
  EXPECT_EQ(call("SPACE", {2.9}).string(), "  ");
  for (const Value& none : {Value(0), Value(-4)}) {
    const Value r = call("SPACE", {none});
    EXPECT_TRUE(r.isText());
    EXPECT_EQ(r.length(), 0u);
  }
  EXPECT_TRUE(argumentError(call("SPACE", {"3"}), 1105, "SPACE", {"3"}));
  const Value huge(static_cast<long long>(kMaxTextLength) + 1);
  EXPECT_TRUE(raises(call("SPACE", {huge}), 3, 1105, "SPACE", {huge}));
}

TEST_F(TextTest, Left) {
  EXPECT_EQ(call("LEFT", {"abcdef", 3}).string(), "abc");
  EXPECT_EQ(call("LEFT", {"abcdef", 0}).string(), "");
  EXPECT_EQ(call("LEFT", {"abcdef", -1}).string(), "");
  EXPECT_EQ(call("LEFT", {"abcdef", 6}).string(), "abcdef");
  EXPECT_EQ(call("LEFT", {"abcdef", 99}).string(), "abcdef");
  EXPECT_EQ(call("LEFT", {bytes("a\0bc"sv), 3}).string(), "a\0b"sv);
  EXPECT_TRUE(argumentError(call("LEFT", {"abc", "2"}), 1124, "LEFT", {"abc", "2"}));
  EXPECT_TRUE(argumentError(call("LEFT", {"abc"}), 1124, "LEFT", {"abc"}));
}

TEST_F(TextTest, Right) {
  EXPECT_EQ(call("RIGHT", {"abcdef", 2}).string(), "ef");
  EXPECT_EQ(call("RIGHT", {"abcdef", 0}).string(), "");
  EXPECT_EQ(call("RIGHT", {"abcdef", 10}).string(), "abcdef");
  EXPECT_TRUE(argumentError(call("RIGHT", {1, 1}), 1125, "RIGHT", {1, 1}));
}

TEST_F(TextTest, StrTran) {
  EXPECT_EQ(call("STRTRAN", {"aaaa", "aa", "b"}).string(), "bb");  // no overlaps
  EXPECT_EQ(call("STRTRAN", {"aaa", "aa", "b"}).string(), "ba");
  EXPECT_EQ(call("STRTRAN", {"abcabc", "b", "XYZ"}).string(), "aXYZcaXYZc");
  EXPECT_EQ(call("STRTRAN", {"abc", "", "X"}).string(), "abc");
  EXPECT_EQ(call("STRTRAN", {"abc", "abcd", "X"}).string(), "abc");
  EXPECT_EQ(call("STRTRAN", {"a-b-c", "-"}).string(), "abc");
  const Value empty = call("STRTRAN", {"aaa", "a", ""});
  EXPECT_TRUE(empty.isText());
  EXPECT_EQ(empty.length(), 0u);
  // The replacement is not searched again.
  EXPECT_EQ(call("STRTRAN", {"[HOST] x", "[HOST]", "[HOST][HOST]"}).string(), "[HOST][HOST] x");
  EXPECT_EQ(call("STRTRAN", {"a.b.c.d", ".", "-", 2, 1}).string(), "a.b-c.d");
  EXPECT_EQ(call("STRTRAN", {"a.b.c.d", ".", "-", 2}).string(), "a.b-c-d");
  EXPECT_EQ(call("STRTRAN", {"a.b", ".", "-", 1, 0}).string(), "a.b");
  EXPECT_EQ(call("STRTRAN", {bytes("x\0y\0"sv), bytes("\0"sv), "-"}).string(), "x-y-");
  EXPECT_TRUE(argumentError(call("STRTRAN", {1, "a", "b"}), 1126, "STRTRAN", {1, "a", "b"}));
  EXPECT_TRUE(argumentError(call("STRTRAN", {"a", nil, "b"}), 1126, "STRTRAN", {"a", nil, "b"}));
  EXPECT_TRUE(argumentError(call("STRTRAN", {"a", "a", 5}), 1126, "STRTRAN", {"a", "a", 5}));
}

TEST_F(TextTest, SubStr) {
  EXPECT_EQ(call("SUBSTR", {"hello", 2, 3}).string(), "ell");
  EXPECT_EQ(call("SUBSTR", {"hello", 2}).string(), "ello");
  EXPECT_EQ(call("SUBSTR", {"hello", 0, 2}).string(), "he");
  EXPECT_EQ(call("SUBSTR", {"hello", -3}).string(), "llo");
  EXPECT_EQ(call("SUBSTR", {"hello", -3, 2}).string(), "ll");
  EXPECT_EQ(call("SUBSTR", {"hello", -10, 2}).string(), "he");
  EXPECT_EQ(call("SUBSTR", {"hello", 6}).string(), "");
  EXPECT_EQ(call("SUBSTR", {"hello", 2, 0}).string(), "");
  EXPECT_EQ(call("SUBSTR", {"hello", 4, 99}).string(), "lo");
  EXPECT_TRUE(argumentError(call("SUBSTR", {"hello", "2"}), 1110, "SUBSTR", {"hello", "2"}));
  EXPECT_TRUE(argumentError(call("SUBSTR", {"hello", 1, "2"}), 1110, "SUBSTR", {"hello", 1, "2"}));
}

TEST_F(TextTest, AtAndRat) {
  EXPECT_EQ(call("AT", {"lo", "hello lo"}).integer(), 4);
  EXPECT_EQ(call("AT", {"x", "abc"}).integer(), 0);
  EXPECT_EQ(call("AT", {"", "abc"}).integer(), 0);
  EXPECT_EQ(call("AT", {"l", "hello", 4}).integer(), 4);
  EXPECT_EQ(call("AT", {"l", "hello", 9}).integer(), 0);
  EXPECT_EQ(call("AT", {"c", "abc", 3}).integer(), 3);  // a start on the last byte
  EXPECT_EQ(call("RAT", {"lo", "hello lo"}).integer(), 7);
  EXPECT_EQ(call("RAT", {"z", "hello"}).integer(), 0);
  EXPECT_EQ(call("RAT", {"", "hello"}).integer(), 0);
  EXPECT_TRUE(argumentError(call("AT", {1, "abc"}), 1108, "AT", {1, "abc"}));
  EXPECT_TRUE(argumentError(call("RAT", {"a", nil}), 1109, "RAT", {"a", nil}));
}

TEST_F(TextTest, CaseConversionTouchesOnlyAsciiLettersAndCopiesSharedTexts) {
  const Value original = bytes("aBc1\xE9z");
  EXPECT_EQ(call("UPPER", {original}).string(), "ABC1\xE9Z");
  EXPECT_EQ(call("LOWER", {original}).string(), "abc1\xE9z");
  EXPECT_EQ(original.text(), "aBc1\xE9z");
  EXPECT_TRUE(argumentError(call("UPPER", {1}), 1102, "UPPER", {1}));
  EXPECT_TRUE(argumentError(call("LOWER", {nil}), 1103, "LOWER", {nil}));
}

TEST_F(TextTest, TrimmingRemovesSpacesOnly) {
  EXPECT_EQ(call("TRIM", {"  a b  "}).string(), "  a b");
  EXPECT_EQ(call("RTRIM", {"  a b  "}).string(), "  a b");
  EXPECT_EQ(call("LTRIM", {"  a b  "}).string(), "a b  ");
  EXPECT_EQ(call("ALLTRIM", {"  a b  "}).string(), "a b");
  EXPECT_EQ(call("ALLTRIM", {"    "}).string(), "");
  EXPECT_EQ(call("ALLTRIM", {"\ta\t"}).string(), "\ta\t");
  EXPECT_EQ(allTrim("  42 "), "42");
  EXPECT_TRUE(argumentError(call("TRIM", {1}), 1100, "TRIM", {1}));
  EXPECT_TRUE(argumentError(call("LTRIM", {1}), 1101, "LTRIM", {1}));
  EXPECT_TRUE(argumentError(call("ALLTRIM", {1}), 1130, "ALLTRIM", {1}));
}

TEST_F(TextTest, Padding) {
  EXPECT_EQ(call("PADR", {"ab", 5}).string(), "ab   ");
  EXPECT_EQ(call("PADL", {"ab", 5}).string(), "   ab");
  EXPECT_EQ(call("PADC", {"ab", 5}).string(), " ab  ");
  EXPECT_EQ(call("PADC", {"ab", 6, "*"}).string(), "**ab**");
  EXPECT_EQ(call("PADR", {"ab", 4, "-="}).string(), "ab--");
  for (const char* name : {"PADR", "PADL", "PADC"}) {
    EXPECT_EQ(call(name, {"abcdef", 3}).string(), "abc") << name;
    EXPECT_EQ(call(name, {"abc", 0}).string(), "") << name;
  }
  EXPECT_EQ(call("PADL", {42, 5}).string(), "   42");
  EXPECT_EQ(call("PADR", {Value(3.5, 1), 5}).string(), "3.5  ");
  EXPECT_EQ(call("PADR", {Value::date(julianFromDate(2024, 3, 7)), 10}).string(), "03/07/24  ");
  EXPECT_TRUE(argumentError(call("PADR", {nil, 3}), 1127, "PADR", {nil, 3}));
  EXPECT_TRUE(argumentError(call("PADL", {"a", "3"}), 1128, "PADL", {"a", "3"}));
  EXPECT_TRUE(argumentError(call("PADC", {"a", 3, 0}), 1129, "PADC", {"a", 3, 0}));
}

TEST_F(TextTest, Replicate) {
  EXPECT_EQ(call("REPLICATE", {"ab", 3}).string(), "ababab");
  EXPECT_EQ(call("REPLICATE", {"ab", 0}).string(), "");
  EXPECT_EQ(call("REPLICATE", {"", 5}).string(), "");
  EXPECT_TRUE(argumentError(call("REPLICATE", {1, 3}), 1106, "REPLICATE", {1, 3}));
  const Value times(static_cast<long long>(kMaxTextLength));
  EXPECT_TRUE(raises(call("REPLICATE", {"ab", times}), 3, 1106, "REPLICATE", {"ab", times}));
}

TEST_F(TextTest, CharacterCodes) {
  EXPECT_EQ(call("CHR", {65}).string(), "A");
  EXPECT_EQ(call("CHR", {0}).string(), "\0"sv);
  EXPECT_EQ(call("CHR", {256 + 66}).string(), "B");
  EXPECT_EQ(call("ASC", {"A"}).integer(), 65);
  EXPECT_EQ(call("ASC", {"\xFF"}).integer(), 255);
  EXPECT_EQ(call("ASC", {""}).integer(), 0);
  EXPECT_TRUE(argumentError(call("CHR", {"A"}), 1104, "CHR", {"A"}));
  EXPECT_TRUE(argumentError(call("ASC", {65}), 1107, "ASC", {65}));
}

TEST_F(TextTest, LengthTypeEmptinessAndClassName) {
  EXPECT_EQ(call("LEN", {bytes("a\0c"sv)}).integer(), 3);
  EXPECT_EQ(call("LEN", {Value::list({1, 2})}).integer(), 2);
  EXPECT_EQ(call("LEN", {Value::hash()}).integer(), 0);
  EXPECT_TRUE(argumentError(call("LEN", {5}), 1111, "LEN", {5}));

  const Value record(errorNew());
  const std::vector<std::pair<Value, const char*>> types = {
      {nil, "U"},
      {true, "L"},
      {1, "N"},
      {Value(1.5), "N"},
      {Value::date(1), "D"},
      {Value::timestamp(1, 0), "T"},
      {"x", "C"},
      {Value::list(), "A"},
      {Value::hash(), "H"},
      {block([](Args) { return Value(); }), "B"},
      {record, "O"}};
  for (const auto& [value, letter] : types) EXPECT_EQ(call("VALTYPE", {value}).string(), letter);

  for (const Value& empty :
       {nil, Value(false), Value(0), Value(0.0), Value(""), Value::list(), Value::date(0)}) {
    EXPECT_TRUE(call("EMPTY", {empty}).logical()) << typeLetter(empty);
  }
  for (const Value& full :
       {Value(true), Value(-1), Value(" "), Value::list({nil}), Value::date(1), record}) {
    EXPECT_FALSE(call("EMPTY", {full}).logical()) << typeLetter(full);
  }
  EXPECT_EQ(call("CLASSNAME", {record}).string(), "ERROR");
  EXPECT_EQ(call("CLASSNAME", {Value::list()}).string(), "ARRAY");
  EXPECT_EQ(call("CLASSNAME", {"x"}).string(), "CHARACTER");
}

TEST_F(TextTest, NetErrFlag) {
  EXPECT_FALSE(call("NETERR").logical());
  EXPECT_TRUE(call("NETERR", {true}).logical());
  EXPECT_TRUE(call("NETERR").logical());
  EXPECT_TRUE(call("NETERR", {5}).logical());  // a non-logical changes nothing
  EXPECT_TRUE(netErr());
  EXPECT_FALSE(call("NETERR", {false}).logical());
  EXPECT_FALSE(netErr());
}

TEST(MemoLines, LineEndsWrapAndCuts) {
  using Lines = std::vector<std::string>;
  const struct {
    const char* text;
    std::size_t width;
    Lines lines;
  } cases[] = {
      {"", 10, {}},
      {"one\r\ntwo", 10, {"one", "two"}},
      {"one\ntwo\r\n", 10, {"one", "two"}},
      {"a\r\n\r\nb", 10, {"a", "", "b"}},
      {"the quick brown fox", 10, {"the quick ", "brown fox"}},
      {"the quick", 9, {"the quick"}},
      {"abcdefghijkl", 5, {"abcde", "fghij", "kl"}},
      {"ab cdefghijkl", 5, {"ab ", "cdefg", "hijkl"}},
      {"word   ", 4, {"word", "   "}},
      {"x", 0, {"x"}},
  };
  for (const auto& [text, width, lines] : cases) {
    EXPECT_EQ(memoLines(text, width), lines) << '"' << text << "\" at " << width;
  }
}

}  // namespace
}  // namespace lanmere::test
