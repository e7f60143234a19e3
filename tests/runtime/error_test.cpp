#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"

namespace lanmere {
namespace {

ErrorRecord* record(const Value& v) {
  return static_cast<ErrorRecord*>(v.object());
}

// Installs an error block for one test and puts the previous one back.
class WithBlock {
 public:
  explicit WithBlock(Closure::Body body) : previous_(errorBlock(block(std::move(body)))) {}
  ~WithBlock() {
    // errorBlock ignores nil, so reinstall by hand when there was none.
    if (previous_.isClosure()) {
      errorBlock(previous_);
    } else {
      errorBlock(block([](Args) { return Value(); }));
    }
  }

 private:
  Value previous_;
};

TEST(ErrorRecord, DefaultsAsRead) {
  Value e(errorNew());
  EXPECT_TRUE(send(e, "cargo").isNil());
  EXPECT_TRUE(send(e, "args").isNil());
  EXPECT_EQ(send(e, "description").string(), "");
  EXPECT_EQ(send(e, "filename").string(), "");
  EXPECT_EQ(send(e, "genCode").integer(), 0);
  EXPECT_EQ(send(e, "OPERATION").string(), "");
  EXPECT_EQ(send(e, "osCode").integer(), 0);
  EXPECT_EQ(send(e, "severity").integer(), 0);
  EXPECT_EQ(send(e, "subCode").integer(), 0);
  EXPECT_EQ(send(e, "subSystem").string(), "");
  EXPECT_EQ(send(e, "tries").integer(), 0);
  EXPECT_FALSE(send(e, "canRetry").logical());
  EXPECT_FALSE(send(e, "canSubstitute").logical());
  EXPECT_FALSE(send(e, "canDefault").logical());
  EXPECT_EQ(className(e), "ERROR");
}

TEST(ErrorRecord, AssignmentKeepsEachMembersType) {
  Value e(errorNew());
  send(e, "_description", {"first"});
  send(e, "_description", {42});
  EXPECT_EQ(send(e, "description").string(), "first");
  send(e, "_args", {"not a list"});
  EXPECT_TRUE(send(e, "args").isNil());
  send(e, "_args", {Value::list({1})});
  EXPECT_EQ(send(e, "args").length(), 1u);
  send(e, "_canRetry", {true});
  send(e, "_canDefault", {1});  // not a logical: ignored
  EXPECT_TRUE(send(e, "canRetry").logical());
  EXPECT_FALSE(send(e, "canDefault").logical());
  EXPECT_EQ(record(e)->flags, 1u);
  send(e, "_cargo", {Value::list()});
  EXPECT_TRUE(send(e, "cargo").isList());
  send(e, "_tries", {65537});
  EXPECT_EQ(send(e, "tries").integer(), 1);
}

TEST(ErrorRecord, GenCodeSetsTheGenericDescription) {
  Value e(errorNew());
  send(e, "_description", {"custom"});
  send(e, "_genCode", {21});
  EXPECT_EQ(send(e, "description").string(), "Open error");
  EXPECT_EQ(genericText(5), "Zero divisor");
  EXPECT_EQ(genericText(12), "Undefined function");
  EXPECT_EQ(genericText(50), "conditional");
  EXPECT_EQ(genericText(9), "");
  EXPECT_EQ(genericText(51), "");
  EXPECT_EQ(genericText(-1), "");
}

TEST(ErrorRecord, ANonNumberForANumericMemberRaisesAndTakesTheSubstitute) {
  Value seen;
  WithBlock handler([&seen](Args a) {
    seen = arg(a, 1);
    return Value(7);
  });
  Value e(errorNew());
  send(e, "_genCode", {"x"});
  EXPECT_EQ(send(e, "genCode").integer(), 7);
  EXPECT_EQ(send(e, "description").string(), "Syntax error");
  ASSERT_NE(record(seen), nullptr);
  EXPECT_EQ(record(seen)->genCode.integer(), 1);
  EXPECT_EQ(record(seen)->subCode.integer(), 0);
  EXPECT_EQ(record(seen)->operation.text(), "GENCODE");
  EXPECT_EQ(record(seen)->args.item(1).text(), "x");
  send(e, "_osCode", {Value()});
  EXPECT_EQ(record(seen)->operation.text(), "OSCODE");
  EXPECT_EQ(send(e, "osCode").integer(), 7);
}

TEST(Launch, RetryAndDefaultFollowTheFlags) {
  int calls = 0;
  WithBlock handler([&calls](Args a) {
    ++calls;
    ErrorRecord* r = record(arg(a, 1));
    return Value(r->tries.integer() < 3);  // retry twice, then default
  });
  Ref<ErrorRecord> r = errorNew();
  r->flags = kCanRetry | kCanDefault;
  EXPECT_EQ(launchError(r.get()), ActionRetry);
  EXPECT_EQ(launchError(r.get()), ActionRetry);
  EXPECT_EQ(launchError(r.get()), ActionDefault);
  EXPECT_EQ(r->tries.integer(), 3);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(launchError(nullptr), ActionRetry);
  EXPECT_EQ(launchDepth(), 0);
}

TEST(Launch, TriesStayZeroWithoutCanRetry) {
  WithBlock handler([](Args) { return Value(false); });
  Ref<ErrorRecord> r = errorNew();
  r->flags = kCanDefault;
  EXPECT_EQ(launchError(r.get()), ActionDefault);
  EXPECT_EQ(r->tries.integer(), 0);
}

TEST(Launch, SubstituteAcceptsAnyValue) {
  WithBlock handler([](Args) { return Value(); });
  Ref<ErrorRecord> r = errorNew();
  r->flags = kCanSubstitute;
  std::optional<Value> result = launchErrorSubstitute(r.get());
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(result->isNil());
}

TEST(Launch, OsCodeBecomesTheLastOsError) {
  WithBlock handler([](Args) { return Value(false); });
  Ref<ErrorRecord> r = errorNew();
  r->flags = kCanDefault;
  r->osCode = 32;
  launchError(r.get());
  EXPECT_EQ(lastOsError(), 32);
}

TEST(Raise, BuildsTheRecordFromItsParts) {
  Value seen;
  WithBlock handler([&seen](Args a) {
    seen = arg(a, 1);
    return Value("sub");
  });
  std::vector<Value> params{"p1", 2};
  Frame frame("MYFUNC", params);
  EXPECT_EQ(argumentError(1099).string(), "sub");
  ErrorRecord* r = record(seen);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->severity.integer(), 2);
  EXPECT_EQ(r->subSystem.text(), "BASE");
  EXPECT_EQ(r->genCode.integer(), 1);
  EXPECT_EQ(r->subCode.integer(), 1099);
  EXPECT_EQ(r->description.text(), "Argument error");
  EXPECT_EQ(r->operation.text(), "MYFUNC");
  EXPECT_EQ(r->args.length(), 2u);
  EXPECT_TRUE(r->canSubstitute());

  raiseRuntimeErrorSubstitute({.genCode = 5,
                               .subCode = 1340,
                               .operation = "/",
                               .args = ErrorArgs::receiverAndParams("recv"),
                               .subSystem = "TERM"});
  r = record(seen);
  EXPECT_EQ(r->subSystem.text(), "TERM");
  EXPECT_EQ(r->description.text(), "Zero divisor");
  EXPECT_EQ(r->args.length(), 3u);
  EXPECT_EQ(r->args.item(1).text(), "recv");
}

TEST(Raise, TheGivenFlagsReachTheRecord) {
  const struct {
    unsigned given, recorded;
  } rows[] = {
      {kCanDefault, kCanDefault},
      {kCanRetry | kCanDefault, kCanRetry | kCanDefault},
      {kCanDefault | 8, kCanDefault},  // no bit beyond the three flags
  };
  for (const auto& row : rows) {
    unsigned seen = 0;
    WithBlock handler([&seen](Args a) -> Value {
      seen = record(arg(a, 1))->flags;
      if (!record(arg(a, 1))->canDefault()) doBreak();  // "false" would end the program
      return Value(false);
    });
    int action = -1;
    beginSequence([&] { action = raiseRuntimeError({.genCode = 1, .flags = row.given}); });
    EXPECT_EQ(seen, row.recorded) << row.given;
    EXPECT_EQ(action, ActionDefault) << row.given;
  }
}

TEST(Raise, ErrrtBaseBuildsArgsOnlyWithTheFlag) {
  Value seen;
  WithBlock handler([&seen](Args a) {
    seen = arg(a, 1);
    return Value(9);
  });
  registerModule(errorModule());
  EXPECT_EQ(callFunction("__ERRRT_SBASE", {2, 77, 0, "OP", 1, "val"}).integer(), 9);
  EXPECT_EQ(record(seen)->description.text(), "Bound error");
  EXPECT_EQ(record(seen)->args.item(1).text(), "val");
  // The flag is compared as the number it is: 0.5 is greater than 0.
  callFunction("__ERRRT_SBASE", {2, 77, 0, "OP", Value(0.5, 1), "half"});
  EXPECT_EQ(record(seen)->args.item(1).text(), "half");
  for (const Value& off : {Value(0), Value(-1), Value("1"), Value()}) {
    callFunction("__ERRRT_SBASE", {2, 77, "mine", "OP", off, "val"});
    EXPECT_EQ(record(seen)->description.text(), "mine");
    EXPECT_TRUE(record(seen)->args.isNil());
  }
  callFunction("__ERRRT_SBASE", {2, 77, "mine", "OP", 1});  // five arguments: no args either
  EXPECT_TRUE(record(seen)->args.isNil());
  clearModules();
}

// ERRORNEW, BREAK and __ERRRT_BASE as a program calls them: by name.
TEST(Raise, ErrorFunctionsByName) {
  registerModule(errorModule());
  const Value first = callFunction("ERRORNEW"), second = callFunction("ERRORNEW");
  ASSERT_TRUE(first.isObject());
  EXPECT_EQ(className(first), "ERROR");
  EXPECT_FALSE(first.sharesStorageWith(second));
  EXPECT_EQ(send(first, "description").string(), "");

  Value recovered;
  beginSequence([] { callFunction("BREAK", {"by name"}); }, [&](const Value& v) { recovered = v; });
  EXPECT_EQ(recovered.text(), "by name");

  // __ERRRT_BASE launches without substitution: this handler breaks out with the record.
  WithBlock handler([](Args a) -> Value { doBreak(arg(a, 1)); });
  bool returned = false;
  beginSequence(
      [&] {
        callFunction("__ERRRT_BASE", {5, 1340, Value(), "/", 1, 7});
        returned = true;
      },
      [&](const Value& v) { recovered = v; });
  EXPECT_FALSE(returned);
  ErrorRecord* r = record(recovered);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->description.text(), "Zero divisor");
  EXPECT_EQ(r->operation.text(), "/");
  EXPECT_EQ(r->severity.integer(), 2);
  EXPECT_EQ(r->flags, 0u);
  EXPECT_EQ(r->args.item(1).integer(), 7);
  clearModules();
}

int lowLevelCalls = 0;
long long lowLevelSubCode = 0;
Value lowLevelHandler(ErrorRecord& record) {
  ++lowLevelCalls;
  lowLevelSubCode = record.subCode.integer();
  return Value(false);
}

TEST(Launch, TheLowLevelHandlerReplacesTheBlockOnlyWhenSet) {
  int blockCalls = 0;
  WithBlock handler([&blockCalls](Args) {
    ++blockCalls;
    return Value(false);
  });
  Ref<ErrorRecord> r = errorNew();
  r->flags = kCanDefault;
  r->subCode = 7;
  EXPECT_EQ(launchError(r.get()), ActionDefault);
  EXPECT_EQ(blockCalls, 1);
  EXPECT_EQ(lowLevelCalls, 0);

  EXPECT_EQ(setLowLevelHandler(&lowLevelHandler), nullptr);  // nothing set it before
  EXPECT_EQ(launchError(r.get()), ActionDefault);
  EXPECT_EQ(blockCalls, 1);
  EXPECT_EQ(lowLevelCalls, 1);
  EXPECT_EQ(lowLevelSubCode, 7);
  EXPECT_EQ(launchDepth(), 0);

  EXPECT_EQ(setLowLevelHandler(nullptr), &lowLevelHandler);
  EXPECT_EQ(launchError(r.get()), ActionDefault);
  EXPECT_EQ(blockCalls, 2);
  EXPECT_EQ(lowLevelCalls, 1);
}

TEST(Break, UnwindsToTheInnermostSequenceWithItsValue) {
  Value recovered;
  int after = 0;
  beginSequence(
      [&] {
        beginSequence([&] { doBreak(Value("inner")); }, [&](const Value& v) { recovered = v; });
        ++after;
        doBreak();
        ++after;
      },
      [&](const Value& v) { EXPECT_TRUE(v.isNil()); });
  EXPECT_EQ(recovered.text(), "inner");
  EXPECT_EQ(after, 1);
}

TEST(Break, AHandlerThatBreaksAbandonsTheFailingOperation) {
  WithBlock handler([](Args a) -> Value { doBreak(arg(a, 1)); });
  Value recovered;
  bool continued = false;
  beginSequence(
      [&] {
        argumentError(1);
        continued = true;
      },
      [&](const Value& v) { recovered = v; });
  EXPECT_FALSE(continued);
  ASSERT_TRUE(recovered.isObject());
  EXPECT_EQ(record(recovered)->genCode.integer(), 1);
  EXPECT_EQ(launchDepth(), 0);
}

TEST(Requests, ACallbackParksTheRequestUntilRaised) {
  const int answer = guardCallback(-1, []() -> int { doBreak(Value("parked")); });
  EXPECT_EQ(answer, -1);
  EXPECT_EQ(pendingRequest(), Request::Break);
  Value recovered;
  beginSequence([] { raiseParked(); }, [&](const Value& v) { recovered = v; });
  EXPECT_EQ(recovered.text(), "parked");
  EXPECT_EQ(pendingRequest(), Request::None);

  EXPECT_EQ(guardCallback(0, []() -> int { throw QuitException{}; }), 0);
  EXPECT_EQ(pendingRequest(), Request::Quit);
  EXPECT_THROW(raiseParked(), QuitException);
  clearRequest();
}

TEST(ErrorBlock, OnlyAClosureReplacesTheBlock) {
  Value mine = block([](Args) { return Value(); });
  Value original = errorBlock(mine);
  EXPECT_EQ(errorBlock(Value(5)).identity(), mine.identity());
  EXPECT_EQ(errorBlock().identity(), mine.identity());
  if (original.isClosure()) errorBlock(original);
}

// ---- Internal errors end the process with status 1 and a report ----

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class InternalErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    log_ = std::filesystem::temp_directory_path() /
           ("lanmere-internal-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".log");
    std::filesystem::remove(log_);
  }
  void TearDown() override { std::filesystem::remove(log_); }
  std::filesystem::path log_;
};

TEST_F(InternalErrors, NoErrorBlockIs9002) {
  const std::string log = log_.string();
  EXPECT_EXIT(
      {
        setInternalErrorLog(log);
        setInternalErrorInfo("probe");
        // A fresh child has no block until one is installed; make sure of it.
        Frame outer({}, "OUTERPROC", {}, "tests/runtime/outer.cpp", 321);
        Frame inner({}, "CHILDPROC", {}, "", 70000);  // lines print as 16-bit numbers
        Ref<ErrorRecord> r = errorNew();
        r->flags = kCanDefault;
        launchError(r.get());
      },
      ::testing::ExitedWithCode(1), "Unrecoverable error 9002: No ERRORBLOCK\\(\\) for error");
  const std::string text = readFile(log_);
  const std::time_t now = std::time(nullptr);
  const std::tm* today = std::localtime(&now);
  char date[16];
  std::strftime(date, sizeof date, "%Y.%m.%d", today);
  const std::regex report(
      "Application Internal Error - [^\n]+\n"
      "Terminated at: " +
      std::string(date) +
      " [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\n"
      "Info: probe\n"
      "Unrecoverable error 9002: No ERRORBLOCK\\(\\) for error\n"
      "Called from CHILDPROC\\(4464\\)\n"
      "Called from OUTERPROC\\(321\\) in tests/runtime/outer.cpp\n"
      "-{72}\n");
  EXPECT_TRUE(std::regex_match(text, report)) << text;
}

TEST_F(InternalErrors, ErrInHandlerIs9001AtOnce) {
  const std::string log = log_.string();
  EXPECT_EXIT(
      {
        setInternalErrorLog(log);
        registerModule(errorModule());
        errorBlock(block([](Args) { return Value(false); }));
        callFunction("__ERRINHANDLER");
        std::fprintf(stderr, "returned\n");
      },
      ::testing::ExitedWithCode(1),
      "Unrecoverable error 9001: Error recovery failure\n"
      "Called from __ERRINHANDLER\\(");
}

TEST_F(InternalErrors, WrongAnswersAre9001) {
  const std::string log = log_.string();
  EXPECT_EXIT(
      {
        setInternalErrorLog(log);
        errorBlock(block([](Args) { return Value(true); }));
        Ref<ErrorRecord> r = errorNew();
        r->flags = kCanDefault;  // true needs canRetry
        launchError(r.get());
      },
      ::testing::ExitedWithCode(1), "Unrecoverable error 9001: Error recovery failure");
  EXPECT_EXIT(
      {
        setInternalErrorLog(log);
        errorBlock(block([](Args) { return Value(false); }));
        Ref<ErrorRecord> r = errorNew();
        r->flags = kCanRetry;  // false needs canDefault
        launchError(r.get());
      },
      ::testing::ExitedWithCode(1), "9001");
  EXPECT_EXIT(
      {
        setInternalErrorLog(log);
        errorBlock(block([](Args) { return Value(3); }));
        Ref<ErrorRecord> r = errorNew();
        r->flags = kCanDefault | kCanRetry;
        launchError(r.get());
      },
      ::testing::ExitedWithCode(1), "9001");
  EXPECT_EXIT(
      {
        setInternalErrorLog(log);
        errorBlock(block([](Args) { return Value(3); }));
        Ref<ErrorRecord> r = errorNew();
        r->flags = kCanDefault;  // a substitution launch needs canSubstitute
        launchErrorSubstitute(r.get());
      },
      ::testing::ExitedWithCode(1), "9001");
}

TEST_F(InternalErrors, TheNinthNestedLaunchIs9003) {
  const std::string log = log_.string();
  EXPECT_EXIT(
      {
        setInternalErrorLog(log);
        static int deepest = 0;
        errorBlock(block([](Args) {
          deepest = launchDepth();
          std::fprintf(stderr, "depth %d\n", deepest);
          Ref<ErrorRecord> nested = errorNew();
          nested->flags = kCanDefault;
          launchError(nested.get());
          return Value(false);
        }));
        Ref<ErrorRecord> r = errorNew();
        r->flags = kCanDefault;
        launchError(r.get());
      },
      ::testing::ExitedWithCode(1), "depth 8\nUnrecoverable error 9003: Too many recursive");
}

}  // namespace
}  // namespace lanmere
