// Object records: the bytes Save and ASAVE write, the checked reader that refuses cut, lying and
// too deep records before anything is assigned, the name and class filters of Load, and events.
#include "framework/core/persist.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/memory.h"
#include "tests/framework/core/persist_classes.h"
#include "tests/support/errors.h"

namespace kestrel {
namespace {

using lanmere::Value;

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

std::string field(std::size_t n) {
  return bytes({static_cast<int>(n & 0xFF), static_cast<int>(n >> 8)});
}

std::string text(char letter, std::string_view payload) {
  return letter + field(payload.size()) + std::string(payload);
}

std::string entry(std::string_view name, const std::string& value) {
  return field(name.size()) + std::string(name) + value;
}

std::string object(std::string_view className, const std::vector<std::string>& entries) {
  std::string payload = field(className.size()) + std::string(className) + field(entries.size());
  for (const std::string& e : entries) payload += e;
  return "O" + field(payload.size()) + payload;
}

// The body Load reads: the record without its letter, length and class name.
std::string bodyOf(const std::string& record) {
  const std::size_t nameLength = static_cast<unsigned char>(record[3]);
  return record.substr(5 + nameLength);
}

Value call(std::string_view name, std::initializer_list<Value> args) {
  return lanmere::callFunction(name, args);
}

class PersistTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const lanmere::ModuleTable* module : lanmere::builtinModules()) {
      lanmere::registerModule(*module);
    }
    lanmere::registerModule(persistModule());
    test::registerPersistClasses();
  }
  void SetUp() override {
    lanmere::setDateFormat("YYYY-MM-DD");
    pad = lanmere::createObject("TPAD");
    padObject().cTitle = "form";
    padObject().nSize = 12;
    padObject().lOn = true;
    padObject().aList = Value::list({1, Value::list({"x"})});
  }
  test::TPad& padObject() { return *static_cast<test::TPad*>(pad.object()); }
  std::string save() { return lanmere::send(pad, "Save").string(); }

  Value pad;
};

TEST_F(PersistTest, RecordsAreByteExact) {
  Value date = lanmere::ctod("2026-03-09");
  lanmere::setDateFormat("DD.MM.YYYY");
  const Value inner = lanmere::createObject("TINNER");
  const struct {
    const char* what;
    std::string actual;
    std::string expected;
  } cases[] = {
      {"anchor", call("ASAVE", {Value::list({1, "ab", true})}).string(),
       bytes({'A', 0x11, 0, 3, 0, 'N', 1, 0, '1', 'C', 2, 0, 'a', 'b', 'L', 3, 0, '.', 'T', '.'})},
      {"empty object, count 0", lanmere::send(inner, "Save").string(),
       bytes({'O', 10, 0, 6, 0, 'T', 'I', 'N', 'N', 'E', 'R', 0, 0})},
      {"nested list", call("ASAVE", {Value::list({Value::list({}), Value::list({-2})})}).string(),
       "A" + field(2 + 5 + 10) + field(2) + "A" + field(2) + field(0) + "A" + field(7) + field(1) +
           text('N', "-2")},
      {"four-digit date", call("ASAVE", {Value::list({date})}).string(),
       "A" + field(15) + field(1) + text('D', "09.03.2026")},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST_F(PersistTest, SaveAndLoadRoundTripMembersObjectsAndEvents) {
  padObject().dWhen = lanmere::ctod("2025-12-31");
  const Value inner = lanmere::createObject("TINNER");
  static_cast<test::TInner*>(inner.object())->cName = "in";
  padObject().oInner = inner;
  padObject().OnClick = "Clicked";
  const std::string record = save();
  ASSERT_FALSE(record.empty());

  const Value copy = lanmere::createObject("TPAD");
  EXPECT_TRUE(lanmere::send(copy, "Load", {Value(bodyOf(record))}).logical());
  auto& loaded = *static_cast<test::TPad*>(copy.object());
  EXPECT_EQ(loaded.cTitle.string(), "form");
  EXPECT_EQ(loaded.nSize.integer(), 12);
  EXPECT_TRUE(loaded.lOn.logical());
  EXPECT_EQ(loaded.dWhen.julian(), padObject().dWhen.julian());
  EXPECT_EQ(loaded.aList.item(2).item(1).string(), "x");
  ASSERT_TRUE(loaded.oInner.isObject());
  EXPECT_EQ(lanmere::send(loaded.oInner, "cName").string(), "in");
  // The event became a closure that calls the method with its arguments, and saves as its name.
  ASSERT_TRUE(loaded.OnClick.isClosure());
  lanmere::eval(loaded.OnClick, {Value(3)});
  EXPECT_EQ(loaded.nClicks.integer(), 3);
  EXPECT_EQ(lanmere::send(copy, "Save").string(), record);
}

// Every proper prefix and every length field off by one is refused as cut or lying, and the
// target keeps what it had.
TEST_F(PersistTest, CutAndLyingRecordsChangeNothing) {
  const std::string nested = object(
      "TPAD",
      {entry("cTitle", text('C', "other")),
       entry("oInner", object("TINNER", {entry("cName", text('C', "n"))})),
       entry("aList", call("ASAVE", {Value::list({1, Value::list({"ab", true})})}).string())});
  const std::string before = save();
  const struct {
    const char* what;
    std::string record;
  } seeds[] = {{"pad", before}, {"nested", nested}};
  test::ErrorCatcher errors(false);
  std::size_t cases = 0;
  std::size_t worstPeak = 0;
  // The fixed cost of a refused Load (the call and the raised error): the empty input's.
  lanmere::resetMemoryPeak();
  std::size_t start = lanmere::memoryCounters().inUse;
  EXPECT_FALSE(lanmere::send(pad, "Load", {Value("")}).logical());
  const std::size_t raising = lanmere::memoryCounters().highest - start;
  for (const auto& seed : seeds) {
    const std::string body = bodyOf(seed.record);
    std::vector<std::string> bad;
    for (std::size_t n = 0; n < body.size(); ++n) bad.push_back(body.substr(0, n));
    // Each 2-byte field whose low byte changes by one: walk the parsed tree for them.
    const RecordReading reading = parseRecord(seed.record);
    ASSERT_TRUE(std::holds_alternative<RecordNode>(reading)) << seed.what;
    std::vector<std::size_t> lengths;
    const auto walk = [&](const RecordNode& node, auto&& self) -> void {
      lengths.push_back(node.offset + 1);
      for (const RecordNode& element : node.elements) self(element, self);
      for (const RecordEntry& e : node.entries) self(e.value, self);
    };
    walk(std::get<RecordNode>(reading), walk);
    const std::size_t skipped = 5 + (static_cast<unsigned char>(seed.record[3]));
    for (std::size_t at : lengths) {
      if (at < skipped) continue;  // the record's own header is not part of the body
      for (int delta : {-1, 1}) {
        std::string changed = body;
        changed[at - skipped] = static_cast<char>(changed[at - skipped] + delta);
        bad.push_back(changed);
      }
    }
    for (const std::string& input : bad) {
      errors.records.clear();
      lanmere::resetMemoryPeak();
      start = lanmere::memoryCounters().inUse;
      EXPECT_FALSE(lanmere::send(pad, "Load", {Value(input)}).logical()) << seed.what;
      const std::size_t peak = lanmere::memoryCounters().highest - start;
      EXPECT_LE(peak, raising + 64 * input.size()) << seed.what << " " << input.size();
      worstPeak = std::max(worstPeak, peak);
      ASSERT_EQ(errors.records.size(), 1u) << seed.what << " " << input.size();
      EXPECT_EQ(errors.last().subCode.integer(), kRecordCutSubCode) << seed.what;
      EXPECT_EQ(errors.last().genCode.integer(), 32);
      EXPECT_EQ(save(), before) << seed.what;
      ++cases;
    }
  }
  EXPECT_GT(cases, 50u);
  std::printf("peak run-time memory while refusing: %zu bytes (empty input %zu)\n", worstPeak,
              raising);
}

TEST_F(PersistTest, LyingKindsAndForeignClassesAreRefused) {
  const std::string bom = "\xEF";
  const struct {
    const char* what;
    std::string body;
    long long subCode;
    long long genCode;
  } cases[] = {
      {"number text", field(1) + entry("nSize", text('N', "1x")), kRecordValueSubCode, 33},
      {"number empty", field(1) + entry("nSize", text('N', "")), kRecordValueSubCode, 33},
      {"logical", field(1) + entry("lOn", text('L', "yes")), kRecordValueSubCode, 33},
      {"list number", field(1) + entry("aList", "A" + field(6) + field(1) + text('N', "-")),
       kRecordValueSubCode, 33},
      {"unknown class", field(1) + entry("oInner", object("TNOSUCH", {})), kRecordClassSubCode, 33},
      {"class that does not load", field(1) + entry("Cargo", object("TMUTE", {})),
       kRecordClassSubCode, 33},
      {"other class than the member takes", field(1) + entry("oInner", object("TPAD", {})),
       kRecordClassSubCode, 33},
      {"object where none is taken", field(1) + entry("cTitle", object("TINNER", {})),
       kRecordClassSubCode, 33},
      {"object in a list member",
       field(1) + entry("aList", "A" + field(15) + field(1) + object("TINNER", {})),
       kRecordClassSubCode, 33},
      {"bytes after the entries", field(0) + "x", kRecordCutSubCode, 32},
      {"negative count", bytes({0xFF, 0xFF}), kRecordCutSubCode, 32},
      // A lie inside the second entry refuses the first one too.
      {"all or nothing", field(2) + entry("cTitle", text('C', "changed")) + entry("nSize", "N"),
       kRecordCutSubCode, 32},
  };
  test::ErrorCatcher errors(false);
  const std::string before = save();
  for (const auto& c : cases) {
    errors.records.clear();
    EXPECT_FALSE(lanmere::send(pad, "Load", {Value(c.body)}).logical()) << c.what;
    ASSERT_EQ(errors.records.size(), 1u) << c.what;
    EXPECT_EQ(errors.last().subCode.integer(), c.subCode) << c.what;
    EXPECT_EQ(errors.last().genCode.integer(), c.genCode) << c.what;
    EXPECT_NE(errors.last().description.string().find("(byte "), std::string::npos) << c.what;
    EXPECT_EQ(save(), before) << c.what;
  }
  // The functions refuse alike, and a non-text is an argument error.
  errors.records.clear();
  EXPECT_TRUE(call("OREAD", {Value(field(6) + "TNOSUCH" + field(0))}).isNil());
  EXPECT_TRUE(call("OREAD", {Value(field(5) + "TMUTE" + field(0))}).isNil());
  EXPECT_TRUE(call("AREAD", {Value(field(1) + text('L', "T"))}).isNil());
  EXPECT_TRUE(call("AREAD", {Value(12)}).isNil());
  EXPECT_FALSE(lanmere::send(pad, "Load", {Value(12)}).logical());
  std::vector<long long> subCodes;
  for (const auto& record : errors.records) subCodes.push_back(record->subCode.integer());
  EXPECT_EQ(subCodes,
            (std::vector<long long>{kRecordCutSubCode, kRecordClassSubCode, kRecordValueSubCode,
                                    kRecordArgumentSubCode, kRecordArgumentSubCode}));
}

// Names outside the lists, unknown letters, closure events as the old writer wrote them and
// dates of another format are skipped or read as the blank date; the rest applies.
TEST_F(PersistTest, LoadSkipsWhatItMustNotAssign) {
  const std::string body =
      field(6) + entry("hWnd", text('N', "4242")) + entry("cTitle", text('X', "zzz")) +
      entry("OnClick", text('C', "{|| ... }")) + entry("dWhen", text('D', "12/31/25")) +
      entry("nClicks", text('N', "9")) + entry("nSize", text('N', "7.5"));
  test::ErrorCatcher errors(false);
  EXPECT_TRUE(lanmere::send(pad, "Load", {Value(body)}).logical());
  EXPECT_TRUE(errors.records.empty());
  EXPECT_TRUE(padObject().hWnd.isNil());
  EXPECT_EQ(padObject().cTitle.string(), "form");
  EXPECT_TRUE(padObject().OnClick.isNil());
  EXPECT_TRUE(padObject().dWhen.isDate());
  EXPECT_TRUE(lanmere::isEmpty(padObject().dWhen));
  EXPECT_EQ(padObject().nClicks.integer(), 0);
  EXPECT_DOUBLE_EQ(padObject().nSize.number(), 7.5);
  // OREAD makes the class it is told only when that class loads.
  const Value made =
      call("OREAD", {Value(field(6) + "TINNER" + field(1) + entry("cName", text('C', "made")))});
  ASSERT_TRUE(made.isObject());
  EXPECT_EQ(lanmere::send(made, "cName").string(), "made");
}

// Nesting is bounded both ways: a list 6 000 deep (as deep as the lengths allow) is refused on a
// thread with a 1 MiB stack, and a value that holds itself is refused by Save.
TEST_F(PersistTest, NestingIsBounded) {
  constexpr int kDepth = 6000;
  // Level i from the inside is 5 i bytes long: a letter, its length, a count of 1, level i - 1.
  std::string deep;
  for (int i = kDepth; i > 1; --i) deep += "A" + field(5 * i - 3) + field(1);
  deep += "A" + field(2) + field(0);
  ASSERT_LE(deep.size(), kMaxRecordField + 3);
  struct Job {
    const std::string* input;
    RecordRefusal refusal;
    bool refused = false;
  } job{&deep, {}, false};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 1 << 20);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attributes,
                [](void* data) -> void* {
                  auto* j = static_cast<Job*>(data);
                  const RecordReading reading = parseRecord(*j->input);
                  j->refused = std::holds_alternative<RecordRefusal>(reading);
                  if (j->refused) j->refusal = std::get<RecordRefusal>(reading);
                  return nullptr;
                },
                &job),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  ASSERT_TRUE(job.refused);
  EXPECT_EQ(job.refusal.subCode, kRecordDepthSubCode);
  EXPECT_EQ(job.refusal.genCode, 31);
  // 32 levels pass, 33 do not.
  const auto nestedList = [](int depth) {
    Value list = Value::list();
    for (int i = 1; i < depth; ++i) list = Value::list({list});
    return list;
  };
  test::ErrorCatcher errors(false);
  EXPECT_FALSE(call("ASAVE", {nestedList(kMaxRecordDepth)}).string().empty());
  EXPECT_TRUE(errors.records.empty());
  EXPECT_TRUE(call("ASAVE", {nestedList(kMaxRecordDepth + 1)}).string().empty());
  padObject().Cargo = pad;
  EXPECT_EQ(save(), "");
  padObject().Cargo = Value();
  std::vector<long long> subCodes;
  for (const auto& record : errors.records) subCodes.push_back(record->subCode.integer());
  EXPECT_EQ(subCodes, (std::vector<long long>{kRecordDepthSubCode, kRecordDepthSubCode}));
}

}  // namespace
}  // namespace kestrel
