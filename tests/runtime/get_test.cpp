// GET sessions as a user types them, every step sent by name; KSGETNEW, SETKEY and the edit
// settings.
#include "runtime/get.h"

#include "runtime/closure.h"
#include "runtime/editsettings.h"
#include "runtime/setkey.h"
#include "runtime/transform.h"
#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

class GetTest : public BuiltinsTest {};

Value dateOf(int y, int m, int d) {
  return Value::date(julianFromDate(y, m, d));
}

// "buffer|Pos|flags": C changed, R rejected, T typed out, K clear, M minus.
std::string state(const Value& get) {
  std::string flags;
  for (const auto& [name, letter] :
       {std::pair{"Changed", 'C'}, std::pair{"Rejected", 'R'}, std::pair{"TypeOut", 'T'},
        std::pair{"Clear", 'K'}, std::pair{"Minus", 'M'}}) {
    if (send(get, name).logical()) flags += letter;
  }
  return send(get, "Buffer").string() + "|" + std::to_string(send(get, "Pos").integer()) + "|" +
         flags;
}

::testing::AssertionResult same(const Value& actual, const Value& expected) {
  const bool equal = typeLetter(actual) == typeLetter(expected) &&
                     (actual.isInteger() && expected.isInteger()
                          ? actual.integer() == expected.integer()  // exact beyond 2^53
                      : actual.isNumber()  ? actual.number() == expected.number()
                      : actual.isDate()    ? actual.julian() == expected.julian()
                      : actual.isText()    ? actual.text() == expected.text()
                      : actual.isLogical() ? actual.logical() == expected.logical()
                                           : exactlyEqual(actual, expected));
  if (equal) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "UnTransform gave " << typeLetter(actual) << " " << transform(actual, "");
}

// A step sends `op` (with `arg` unless nil) and expects the state; "=" expects UnTransform.
// Insert and Overstrike with several characters type them one by one, the states after each
// separated by ";".
struct Step {
  const char* op;
  Value arg;
  const char* state = nullptr;
};

void run(const char* title, const Value& value, const Value& picture,
         const std::vector<Step>& steps) {
  SCOPED_TRACE(title);
  const Value get = createObject("GET");
  send(get, "New", {0, 0, setGet(make<Cell>(value)), "x", picture});
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    const std::string_view op = step.op;
    if (op == "=") {
      EXPECT_TRUE(same(send(get, "UnTransform"), step.arg)) << "step " << i + 1;
      continue;
    }
    std::string_view states = step.state;
    if ((op == "Insert" || op == "Overstrike") && step.arg.length() > 1) {
      for (const char c : step.arg.text()) {
        send(get, op, {std::string(1, c)});
        const std::size_t end = std::min(states.find(';'), states.size());
        EXPECT_EQ(state(get), states.substr(0, end)) << "step " << i + 1 << " typing " << c;
        states.remove_prefix(std::min(end + 1, states.size()));
      }
      continue;
    }
    if (step.arg.isNil()) {
      send(get, op);
    } else {
      send(get, op, {step.arg});
    }
    EXPECT_EQ(state(get), states) << "step " << i + 1 << " " << op;
  }
}

TEST_F(GetTest, TextSessions) {
  // "@R" keeps the literal out of the value; without it the "-" is stored.
  for (const auto& [picture, stored] :
       {std::pair{"@R 999-9999", "5551234"}, std::pair{"999-9999", "555-1234"}}) {
    run(picture, "       ", picture,
        {{"SetFocus", {}, "   -    |1|"},
         {"Overstrike", "5551234",
          "5  -    |2|C;55 -    |3|C;555-    |5|C;555-1   |6|C;555-12  |7|C;555-123 |8|C;"
          "555-1234|8|CT"},
         {"=", stored}});
  }
  run("letters", "abc", "AAA",
      {{"SetFocus", {}, "abc|1|"},
       {"Overstrike", "1", "abc|1|R"},
       {"Overstrike", "x", "xbc|2|C"},
       {"Insert", "", "xbc|2|CR"},
       {"Insert", 5, "xbc|2|CR"},
       {"=", "xbc"}});
  run("upper case", "abc", "@!",
      {{"SetFocus", {}, "ABC|1|"}, {"Overstrike", "d", "DBC|2|C"}, {"=", "DBC"}});
  run("@K clears on the first character", "abc", "@K",
      {{"SetFocus", {}, "abc|1|K"}, {"Right", {}, "abc|2|"}, {"Overstrike", "x", "axc|3|C"}});
  run("@K typed at once", "abc", "@K", {{"SetFocus", {}, "abc|1|K"}, {"Insert", "x", "x  |2|C"}});
  run("the tail beyond the template is kept", "ABCDEF", "@R XX-XX",
      {{"SetFocus", {}, "AB-CD|1|"}, {"Overstrike", "z", "zB-CD|2|C"}, {"=", "zBCDEF"}});
  run("logical", false, Value(),
      {{"SetFocus", {}, "F|1|"},
       {"Overstrike", "x", "F|1|R"},
       {"Overstrike", "y", "Y|1|CT"},
       {"=", true}});
  run("yes or no", true, "Y",
      {{"SetFocus", {}, "Y|1|"},
       {"Overstrike", "t", "Y|1|R"},
       {"Overstrike", "n", "N|1|CT"},
       {"=", false}});
}

TEST_F(GetTest, CursorAndDeletionNeverTouchALiteral) {
  run("moves and deletions", "5551234", "@R 999-9999",
      {{"SetFocus", {}, "555-1234|1|"},   {"Insert", "9", "555-1234|1|R"},
       {"Delete", {}, "55 -1234|1|C"},    {"Insert", "9", "955-1234|2|C"},
       {"End", {}, "955-1234|8|C"},       {"BackSpace", {}, "955-124 |7|C"},
       {"WordLeft", {}, "955-124 |5|C"},  {"WordLeft", {}, "955-124 |1|C"},
       {"WordRight", {}, "955-124 |5|C"}, {"WordRight", {}, "955-124 |8|C"},
       {"Left", {}, "955-124 |7|C"},      {"_Pos", 5, "955-124 |5|C"},
       {"DelEnd", {}, "955-    |5|C"},    {"Left", {}, "955-    |3|C"},
       {"Right", {}, "955-    |5|C"},     {"Home", {}, "955-    |1|C"},
       {"BackSpace", {}, "955-    |1|C"}, {"_Pos", 4, "955-    |5|C"},
       {"Insert", "1", "955-1   |6|C"},   {"=", "9551   "}});
  run("a literal at the end", "123", "@R (999)",
      {{"SetFocus", {}, "(123)|2|"},
       {"_Pos", 5, "(123)|4|"},
       {"_Pos", 0, "(123)|2|"},
       {"_Pos", 99, "(123)|4|T"}});
  // Past the end is recorded, and forgotten by the next operation.
  run("beyond the end", "abc", Value(),
      {{"SetFocus", {}, "abc|1|"},
       {"End", {}, "abc|3|"},
       {"Right", {}, "abc|3|T"},
       {"Left", {}, "abc|2|"},
       {"_Pos", 4, "abc|3|T"},
       {"_Pos", 2, "abc|2|"},
       {"_Pos", 4, "abc|3|T"},
       {"Delete", {}, "ab |3|C"}});
}

TEST_F(GetTest, NumberSessions) {
  run("a new value replaces the old", 12.5, "999.99",
      {{"SetFocus", {}, " 12.50|1|K"},
       {"Overstrike", "7", "7  .  |2|C"},
       {"ToDecPos", {}, "  7.00|5|C"},
       {"Overstrike", "2", "  7.20|6|C"},
       {"Overstrike", "5", "  7.25|6|CT"},
       {"=", 7.25}});
  run("minus", 12.5, "999.99",
      {{"SetFocus", {}, " 12.50|1|K"},
       {"Overstrike", "--5", "-  .  |2|CM;-  .  |2|CRM;-5 .  |3|CM"},
       {"=", -5.0},
       {"Overstrike", "+", " 5 .  |3|C"},
       {"=", 5.0}});
  run("minus zero point five", 12.5, "999.99",
      {{"SetFocus", {}, " 12.50|1|K"},
       {"Overstrike", "-", "-  .  |2|CM"},
       {"Overstrike", "0", "-0 .  |3|CM"},
       {"ToDecPos", {}, " -0.00|5|CM"},
       {"Overstrike", "5", " -0.50|6|CM"},
       {"=", -0.5}});
  run("decimal comma", 1234.56, "@E 9999.99",
      {{"SetFocus", {}, "1234,56|1|K"},
       {"=", 1234.56},
       {"Overstrike", "9", "9   ,  |2|C"},
       {"ToDecPos", {}, "   9,00|6|C"},
       {"=", 9.0}});
  run("digits typed so far move right", 0, "99999.99",
      {{"SetFocus", {}, "    0.00|1|K"},
       {"Overstrike", "1", "1    .  |2|C"},
       {"Overstrike", "2", "12   .  |3|C"},
       {"ToDecPos", {}, "   12.00|7|C"},
       {"=", 12.0}});
  run("a picture change keeps the edit", 1234.5, "9,999.99",
      {{"SetFocus", {}, "1,234.50|1|K"},
       {"_Picture", "9999.99", "1234.50|1|K"},
       {"End", {}, "1234.50|7|"},
       {"Overstrike", "9", "1234.59|7|CT"},
       {"_Picture", "9,999.99", "1,234.59|7|CT"},
       {"=", 1234.59}});
  // A value wider than its picture shows asterisks and is never read back as 0.
  run("overflow", 12345, "999",
      {{"SetFocus", {}, "***|1|K"}, {"=", 12345}, {"Overstrike", "7", "7  |2|C"}, {"=", 7}});
  run("integer", -42, Value(), {{"SetFocus", {}, "       -42|1|KM"}, {"=", -42}});
  run("eighteen digits", 123456789012345678LL, Value(),
      {{"SetFocus", {}, "  123456789012345678|1|K"}, {"=", 123456789012345678LL}});
  // "@X" shows a negative number with " DB" after it, and reads that back as negative.
  run("debit", -12.5, "@X 999.99",
      {{"SetFocus", {}, "-12.50|1|KM"}, {"KillFocus", {}, " 12.50 DB|0|"}, {"=", -12.5}});
}

TEST_F(GetTest, DateSessions) {
  run("typed date", Value::date(0), Value(),
      {{"SetFocus", {}, "  /  /  |1|"},
       {"Overstrike", "123199",
        "1 /  /  |2|C;12/  /  |4|C;12/3 /  |5|C;12/31/  |7|C;12/31/9 |8|C;12/31/99|8|CT"},
       {"=", dateOf(1999, 12, 31)}});
  run("day first", dateOf(1999, 12, 31), "@E",
      {{"SetFocus", {}, "31/12/99|1|"},
       {"Overstrike", "010", "01/12/99|2|C;01/12/99|4|C;01/02/99|5|C"},
       {"=", dateOf(1999, 2, 1)}});
  setDateFormat("D.M.YYYY");  // day and month edit in two digits
  run("short format", dateOf(2024, 3, 7), Value(),
      {{"SetFocus", {}, "07.03.2024|1|"}, {"=", dateOf(2024, 3, 7)}});

  setDateFormat("MM/DD/YY");
  const Value get = createObject("GET");
  send(get, "New", {0, 0, setGet(make<Cell>(Value::date(0))), "d"});
  send(get, "SetFocus");
  for (const auto& [buffer, bad] :
       {std::pair{"02/30/99", true}, std::pair{"13/01/99", true}, std::pair{"12/31/  ", true},
        std::pair{"  /  /  ", false}, std::pair{"12/31/99", false}}) {
    send(get, "_Buffer", {buffer});
    EXPECT_EQ(send(get, "BadDate").logical(), bad) << buffer;
  }
}

TEST_F(GetTest, FocusAssignAndValuesThatCannotBeEdited) {
  auto cell = make<Cell>(Value("abc"));
  const Value get = createObject("GET");
  send(get, "New", {0, 0, setGet(cell), "c", "@!"});
  send(get, "Overstrike", {"x"});  // no focus: nothing happens
  EXPECT_TRUE(send(get, "Buffer").isNil());
  send(get, "SetFocus");
  EXPECT_EQ(send(get, "Type").string(), "C");
  EXPECT_TRUE(send(get, "Original").string() == "abc");
  send(get, "Overstrike", {"x"});
  send(get, "Assign");
  EXPECT_EQ(cell->value.text(), "XBC");
  cell->value = "zz";
  send(get, "KillFocus");
  EXPECT_EQ(state(get), "ZZ|0|C");
  send(get, "Overstrike", {"q"});
  send(get, "_Buffer", {"QQ"});  // a rebuilt display never overwrites the value
  send(get, "Assign");
  EXPECT_EQ(cell->value.text(), "zz");

  auto number = make<Cell>(Value(12.5));
  const Value credit = createObject("GET");
  send(credit, "New", {0, 0, setGet(number), "n", "@C 999.99"});
  send(credit, "SetFocus");
  EXPECT_EQ(send(credit, "Buffer").string(), " 12.50");
  EXPECT_EQ(send(credit, "DecPos").integer(), 4);
  send(credit, "KillFocus");
  EXPECT_EQ(send(credit, "Buffer").string(), " 12.50 CR");
  EXPECT_FALSE(send(credit, "HasFocus").logical());

  for (const Value& odd : {Value(), Value::list({1, 2}), createObject("GET")}) {
    const Value over = createObject("GET");
    send(over, "New", {0, 0, setGet(make<Cell>(odd)), "u"});
    send(over, "SetFocus");
    EXPECT_EQ(send(over, "Type").string(), "U");
    for (const char* op : {"BackSpace", "Delete", "DelEnd", "Home", "End", "Left", "Right",
                           "WordLeft", "WordRight", "ToDecPos", "Insert", "Overstrike"}) {
      send(over, op, {"a"});
    }
    EXPECT_EQ(state(over), "|1|R");
    EXPECT_TRUE(exactlyEqual(send(over, "UnTransform"), odd));
    EXPECT_FALSE(send(over, "BadDate").logical());
  }
  const Value noBlock = createObject("GET");
  EXPECT_TRUE(send(noBlock, "VarGet").isNil());
  EXPECT_EQ(send(noBlock, "VarPut", {3}).integer(), 3);
}

TEST_F(GetTest, KsGetNewBuildsTheFrameworksSubclass) {
  const Value setter = setGet(make<Cell>(Value("v")));
  const Value get = call("KSGETNEW", {20, 21, setter, "cName", "@!"});
  ASSERT_TRUE(get.isObject());
  EXPECT_EQ(className(get), "KSGET");
  EXPECT_TRUE(get.object()->classInfo().derivesFrom(Get::Class()));
  EXPECT_EQ(send(get, "Row").integer(), 20);
  EXPECT_EQ(send(get, "Col").integer(), 21);
  EXPECT_TRUE(send(get, "Block").sharesStorageWith(setter));
  EXPECT_EQ(send(get, "Name").string(), "cName");
  EXPECT_EQ(send(get, "Picture").string(), "@!");
  EXPECT_TRUE(send(get, "Display").sharesStorageWith(get));
  EXPECT_EQ(send(send(get, "SetFocus"), "Buffer").string(), "V");
}

TEST_F(GetTest, KeyActionsAndEditSettings) {
  constexpr long long kF2 = -1;
  const Value first = block([](Args) { return Value(1); });
  const Value second = block([](Args) { return Value(2); });
  EXPECT_TRUE(call("SETKEY", {kF2}).isNil());
  EXPECT_TRUE(call("SETKEY", {kF2, first}).isNil());
  EXPECT_TRUE(call("SETKEY", {kF2, second}).sharesStorageWith(first));
  EXPECT_TRUE(call("SETKEY", {kF2, "not a block"}).sharesStorageWith(second));
  EXPECT_TRUE(keyAction(kF2).sharesStorageWith(second));
  EXPECT_TRUE(call("SETKEY", {kF2, Value()}).sharesStorageWith(second));
  EXPECT_TRUE(keyAction(kF2).isNil());
  EXPECT_TRUE(call("SETKEY", {"F2", first}).isNil());

  EXPECT_FALSE(bellSetting());
  EXPECT_FALSE(confirmSetting());
  EXPECT_FALSE(insertMode());
  EXPECT_FALSE(setInsertMode(true));
  EXPECT_TRUE(setInsertMode(false));
  EXPECT_FALSE(setBellSetting(true));
  EXPECT_TRUE(setBellSetting(false));
  EXPECT_FALSE(setConfirmSetting(false));
}

}  // namespace
}  // namespace lanmere::test
