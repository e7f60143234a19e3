#include "framework/services/tstruct.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "framework/services/trect.h"
#include "runtime/builtins.h"
#include "tests/support/errors.h"

namespace kestrel {
namespace {

using lanmere::send;
using lanmere::Value;
using test::ErrorCatcher;

class TMyStruct : public TStruct {
  LM_CLASS(TMyStruct, TStruct)
};
LM_DEFINE_CLASS(TMyStruct) {
  c.creatable();
}

Value structure(std::initializer_list<std::initializer_list<Value>> members) {
  const Value s = send(TSTRUCT(), "New");
  for (auto member : members) send(s, "AddMember", member);
  return s;
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(TStruct, MembersArePackedWithoutGaps) {
  const Value s = structure({{"a", 1}, {"b", 7}, {"c", 8, 10}});
  const Value members = send(s, "aMembers");
  ASSERT_EQ(members.length(), 3u);
  const long long offsets[] = {0, 1, 5};
  for (std::size_t i = 1; i <= 3; ++i) EXPECT_EQ(members.item(i).item(4).integer(), offsets[i - 1]);
  EXPECT_EQ(members.item(2).item(1).text(), "B");
  EXPECT_EQ(send(s, "SizeOf").integer(), 15);
  EXPECT_EQ(send(s, "cBuffer").text(), std::string(15, '\0'));
  tRectModule();
  tStructModule();
  EXPECT_TRUE(lanmere::createObject("TStruct").isObject());
  EXPECT_TRUE(lanmere::createObject("TRect").isObject());
}

// Each row writes one value into a member between two guards and reads it back.
TEST(TStruct, ConversionsWriteExactlyTheMembersBytes) {
  struct Row {
    int code;
    Value size;
    Value value;
    std::string stored;
    Value read;
  } rows[] = {
      {1, {}, 65, bytes({65}), 65},
      {1, {}, -1, bytes({255}), 255},
      {2, {}, 300, bytes({44}), 44},
      {1, {}, "xyz", "x", 120},
      {2, {}, "", bytes({0}), 0},
      {1, {}, true, bytes({1}), 1},
      {1, {}, Value::list({1}), bytes({0}), 0},
      {1, 3, 7, bytes({7, 0, 0}), 7},
      {3, {}, -2, bytes({0xFE, 0xFF}), -2},
      {3, {}, 70000, bytes({0x70, 0x11}), 4464},
      {3, {}, "AB", "AB", 0x4241},
      {3, {}, "A", bytes({65, 0}), 65},
      {3, {}, false, bytes({0, 0}), 0},
      {3, 1, 0x1234, bytes({0x34}), 0x34},
      {5, {}, 7, bytes({1, 0}), true},
      {5, {}, Value(0.0, 1), bytes({0, 0}), false},
      {5, {}, "no", bytes({1, 0}), true},
      {5, {}, "", bytes({0, 0}), false},
      {5, {}, Value(), bytes({0, 0}), false},
      {7, {}, -5, bytes({0xFB, 0xFF, 0xFF, 0xFF}), -5},
      {12, {}, 0x1FFFFFFFFLL, bytes({0xFF, 0xFF, 0xFF, 0xFF}), -1},
      {7, {}, Value(-3.9, 1), bytes({0xFD, 0xFF, 0xFF, 0xFF}), -3},
      {7, {}, Value(1e20, 0), bytes({0, 0, 0x10, 0x63}), 0x63100000},  // 2^64 wrapped
      {7, 2, -1, bytes({0xFF, 0xFF}), 65535},
      {7, 6, 1, bytes({1, 0, 0, 0, 0, 0}), 1},
      {12, {}, true, bytes({1, 0, 0, 0}), 1},
      {9, {}, 258, bytes({2, 1, 0, 0}), {}},
      {8, 4, "abcdef", "abcd", "abcd"},
      {8, 6, " ab", " ab   ", "ab"},
      {8, 6, 42, "42    ", "42"},
      {8, 8, Value(-3.25, 2), "-3.25   ", "-3.25"},
      {8, 3, Value(), "   ", ""},
  };
  ErrorCatcher errors;
  for (const Row& row : rows) {
    const Value s = structure({{"before", 8, 2}, {"m", row.code, row.size}, {"after", 8, 2}});
    send(s, "_before", {"<<"});
    send(s, "_after", {">>"});
    const long long size = send(s, "SizeOf").integer();
    const Value written = send(s, "SetMember", {2, row.value});
    const std::string buffer = send(s, "cBuffer").string();
    EXPECT_EQ(written.text(), row.stored) << "code " << row.code;
    EXPECT_EQ(buffer, "<<" + row.stored + ">>") << "code " << row.code;
    EXPECT_EQ(send(s, "SizeOf").integer(), size);
    if (row.code != 9) {
      EXPECT_TRUE(lanmere::exactlyEqual(send(s, "m"), row.read)) << "code " << row.code;
    }
  }
  EXPECT_TRUE(errors.records.empty());
}

TEST(TStruct, ATextIntoA32BitMemberStoresTheAddressOfAKeptCopy) {
  ErrorCatcher errors(Value("substitute"));
  const Value s = structure({{"p", 7, Value(static_cast<long long>(sizeof(void*)))}, {"q", 10, 2}});
  {
    Value text(std::string("hi\0there", 8));
    send(s, "_p", {text});
  }
  auto pointed = [&](std::size_t length) {
    std::uintptr_t address = 0;
    std::memcpy(&address, send(s, "cBuffer").text().data(), sizeof address);
    return std::string(reinterpret_cast<const char*>(address), length);
  };
  EXPECT_EQ(pointed(9), std::string("hi\0there\0", 9));
  send(s, "_p", {"next"});
  EXPECT_EQ(pointed(5), std::string("next\0", 5));
  // Too small for an address: refused, nothing written.
  EXPECT_EQ(send(s, "_q", {"x"}).text(), "substitute");
  ASSERT_EQ(errors.records.size(), 1u);
  EXPECT_EQ(errors.last().genCode.integer(), 1);
  EXPECT_EQ(errors.last().subCode.integer(), kStructAddressSubCode);
  EXPECT_EQ(send(s, "cBuffer").text().substr(sizeof(void*)), std::string(2, '\0'));
}

TEST(TStruct, UnknownNamesHandTheBlockARecordAndYieldNil) {
  const Value s = structure({{"nYear", 3}});
  EXPECT_TRUE(send(s, "_NYEAR", {2024}).isText());
  EXPECT_EQ(send(s, "nyear").integer(), 2024);
  {
    ErrorCatcher errors(Value("ignored"));
    EXPECT_TRUE(send(s, "nMonth").isNil());
    EXPECT_TRUE(send(s, "_nMonth", {3}).isNil());
    const Value sub(lanmere::make<TMyStruct>());
    send(sub, "New");
    send(sub, "Missing");
    ASSERT_EQ(errors.records.size(), 3u);
    const long long subCodes[] = {1004, 1005, 1004};
    const char* operations[] = {"TSTRUCT:NMONTH", "TSTRUCT:NMONTH", "TMYSTRUCT:MISSING"};
    for (std::size_t i = 0; i < 3; ++i) {
      const lanmere::ErrorRecord& e = *errors.records[i];
      EXPECT_EQ(e.subCode.integer(), subCodes[i]);
      EXPECT_EQ(e.operation.text(), operations[i]);
      EXPECT_EQ(e.subSystem.text(), "BASE");
      EXPECT_EQ(e.severity.integer(), 2);
      EXPECT_EQ(e.genCode.integer(), 0);
      EXPECT_EQ(e.description.text(), "Message not found");
      EXPECT_EQ(e.tries.integer(), 0);  // handed over directly, not launched
    }
  }
  EXPECT_TRUE(send(s, "nMonth").isNil());  // no block installed: nothing happens
}

TEST(TStruct, AMemberNamedLikeTheClassIsReachedByNumberOnly) {
  const Value s = structure({{"SizeOf", 1}});
  send(s, "SetMember", {1, 9});
  EXPECT_EQ(send(s, "SizeOf").integer(), 1);
  EXPECT_EQ(send(s, "GetMember", {1}).integer(), 9);
}

TEST(TStruct, MemberNumbersOutsideTheRecordRaiseBoundErrors) {
  ErrorCatcher errors(Value("substitute"));
  const Value s = structure({{"a", 3}, {"b", 7}});
  send(s, "SetMember", {1, 0x0102});
  const std::string before = send(s, "cBuffer").string();
  for (const Value& number : {Value(0), Value(3), Value(1.5, 1), Value("1"), Value()}) {
    EXPECT_EQ(send(s, "SetMember", {number, 5}).text(), "substitute");
    EXPECT_EQ(errors.last().operation.text(), "SETMEMBER");
    EXPECT_EQ(send(s, "GetMember", {number}).text(), "substitute");
    EXPECT_EQ(errors.last().operation.text(), "GETMEMBER");
    EXPECT_EQ(errors.last().genCode.integer(), 2);
    EXPECT_EQ(errors.last().subCode.integer(), kStructMemberSubCode);
  }
  EXPECT_EQ(errors.records.size(), 10u);
  EXPECT_EQ(send(s, "cBuffer").text(), before);
  // A buffer replaced by a shorter text: the member past its end is out of reach.
  send(s, "_cBuffer", {before.substr(0, 4)});
  EXPECT_EQ(send(s, "a").integer(), 0x0102);
  EXPECT_EQ(send(s, "b").text(), "substitute");
}

std::vector<std::string> alerts;
Value recordAlert(lanmere::Args args) {
  alerts.push_back(lanmere::arg(args, 1).string());
  return {};
}

// Unknown codes (and reading codes 9 and 10) show the alert; it is reached by name.
TEST(TStruct, UnknownConversionsShowTheAlertAndChangeNothing) {
  alerts.clear();
  static const lanmere::ModuleTable alertModule{"tests/framework/services/tstruct_test.cpp",
                                                {lanmere::fn<&recordAlert>("MSGALERT")}};
  lanmere::registerModule(alertModule);
  const Value s = structure({{"u", 4, 2}, {"h", 10}});
  EXPECT_EQ(send(s, "_u", {7}).integer(), 7);
  EXPECT_TRUE(send(s, "u").isNil());
  send(s, "_h", {7});
  EXPECT_TRUE(send(s, "h").isNil());
  lanmere::clearModules();
  EXPECT_EQ(alerts, std::vector<std::string>(3, kConversionMissing));
  EXPECT_EQ(send(s, "cBuffer").text(), bytes({0, 0, 7, 0, 0, 0}));
}

}  // namespace
}  // namespace kestrel
