#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "errors/core_modules.h"
#include "errors/errormessage.h"
#include "errors/kserror.h"
#include "errors/settings.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"
#include "tests/support/modules.h"
#include "tests/support/values.h"

namespace kestrel {
namespace {

using lanmere::ErrorRecord;
using lanmere::Ref;
using lanmere::Value;

class ErrorsCore : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    lanmere::clearModules();
    test::registerModules({errorsCoreModules()});
    lanmere::registerModule(lanmere::errorModule());
  }

  // Installs a block that keeps every record it receives and answers `answer`.
  void catchErrors(Value answer) {
    lanmere::errorBlock(lanmere::block([this, answer](lanmere::Args args) {
      received.push_back(lanmere::arg(args, 1));
      depthInHandler = lanmere::launchDepth();
      return answer;
    }));
  }

  ErrorRecord& record(std::size_t n) { return *static_cast<ErrorRecord*>(received.at(n).object()); }

  std::vector<Value> received;
  int depthInHandler = -1;
};

TEST_F(ErrorsCore, MessageOfARuntimeArgumentError) {
  catchErrors(Value(0));
  lanmere::raiseRuntimeErrorSubstitute(
      {.genCode = 1, .subCode = 1081, .operation = "+", .args = lanmere::ErrorArgs::of({1, "a"})});
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(errorMessage(record(0)), "Error BASE/1081  Argument error: +");
}

TEST_F(ErrorsCore, MessageOfFrameworkErrors) {
  EXPECT_EQ(errorMessage(*ksGenError(kErrNonDefinedId, idOperation(12))),
            "Error Kestrel/1  Non defined Id: No:     12");
  EXPECT_EQ(errorMessage(*ksGenError(kErrMemoryLow)), "Warning BASE/5300  Memory Low");
}

TEST_F(ErrorsCore, MessagePrefersTheFileNameAndShowsTheOsCode) {
  Ref<ErrorRecord> e = lanmere::errorNew();
  e->severity = 2;
  e->subSystem = "DBCMD";
  e->subCode = 1001;
  e->setGenCode(21);
  e->operation = "USE";
  e->filename = "c:\\data\\x.dbf";
  e->osCode = 32;
  EXPECT_EQ(errorMessage(*e), "(DOS Error 32) DBCMD/1001  Open error: c:\\data\\x.dbf");
  e->filename = "";
  EXPECT_EQ(errorMessage(*e), "(DOS Error 32) DBCMD/1001  Open error: USE");
  e->operation = "";
  EXPECT_EQ(errorMessage(*e), "(DOS Error 32) DBCMD/1001  Open error");
}

TEST_F(ErrorsCore, MessageFallsBackWhenPiecesAreMissing) {
  Ref<ErrorRecord> e = lanmere::errorNew();
  // A fresh record: severity 0 reads as a warning, the empty subsystem is still a text.
  EXPECT_EQ(errorMessage(*e), "Warning /0  ");
  e->subSystem = Value();
  e->subCode = "12";
  e->description = Value();
  e->severity = 3;
  e->operation = "op";
  EXPECT_EQ(errorMessage(*e),
            "Error ???"
            "/???: op");
  e->subCode = Value(7.5, 1);
  EXPECT_EQ(errorMessage(*e),
            "Error ???"
            "/7.5: op");
}

TEST_F(ErrorsCore, MessageByNameTakesTheRecordArgument) {
  std::vector<Value> args{Value(ksGenError(kErrDuplicatedId, idOperation(-5)))};
  EXPECT_EQ(ERRORMESSAGE(args).text(), "Error Kestrel/2  Duplicated Id: No:     -5");
  // Private to its module: not reachable by name.
  EXPECT_EQ(lanmere::findFunction("ERRORMESSAGE"), nullptr);
}

TEST_F(ErrorsCore, GenErrorBuildsEachTableEntry) {
  struct Expected {
    const char* description;
    int severity;
    const char* subSystem;
    int subCode;
  };
  const Expected table[] = {{"Non defined Id", 3, "Kestrel", 1},
                            {"Duplicated Id", 3, "Kestrel", 2},
                            {"Cannot create Dialog Box", 3, "Kestrel", 3},
                            {"Memory Low", 1, "BASE", 5300},
                            {"GPF occurred", 3, "Kestrel", 5},
                            {"Cannot create window or control", 3, "Kestrel", 6}};
  for (int n = 1; n <= 6; ++n) {
    SCOPED_TRACE(n);
    Value v = lanmere::callFunction("_KSGENERROR", {n, "the op"});
    auto* e = dynamic_cast<ErrorRecord*>(v.object());
    ASSERT_NE(e, nullptr);
    const Expected& x = table[n - 1];
    EXPECT_EQ(e->description.text(), x.description);
    EXPECT_EQ(e->severity.integer(), x.severity);
    EXPECT_EQ(e->canDefault(), x.severity < 3);
    EXPECT_FALSE(e->canRetry());
    EXPECT_FALSE(e->canSubstitute());
    EXPECT_EQ(e->subSystem.text(), x.subSystem);
    EXPECT_EQ(e->subCode.integer(), x.subCode);
    EXPECT_EQ(e->genCode.integer(), 0);
    EXPECT_EQ(e->operation.text(), "the op");
  }
  EXPECT_TRUE(lanmere::callFunction("_KSGENERROR", {0, "x"}).isNil());
  EXPECT_TRUE(lanmere::callFunction("_KSGENERROR", {7, "x"}).isNil());
  EXPECT_TRUE(lanmere::callFunction("_KSGENERROR", {Value(1.5), "x"}).isNil());
  EXPECT_TRUE(lanmere::callFunction("_KSGENERROR", {4294967297LL, "x"}).isNil());
  EXPECT_TRUE(lanmere::callFunction("_KSGENERROR", {}).isNil());
  // An operation that is not a text leaves the member "".
  Value v = lanmere::callFunction("_KSGENERROR", {2, 99});
  EXPECT_EQ(test::as<ErrorRecord>(v).operation.text(), "");
}

TEST_F(ErrorsCore, LowMemoryErrorAnswersWithTheBlocksResult) {
  catchErrors(Value("answer"));
  EXPECT_EQ(lanmere::callFunction("__LOWMEMERROR").text(), "answer");
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(record(0).subCode.integer(), 5300);
  EXPECT_TRUE(record(0).canDefault());
}

TEST_F(ErrorsCore, FrameworkErrorsGoStraightToTheBlock) {
  // A number answered to a record without canSubstitute would end the process through a launch;
  // the direct evaluation ignores it and counts neither depth nor tries.
  catchErrors(Value(42));
  raiseFrameworkError(kErrCannotCreateWindow, windowOperation("TWINDOW", "Main", "Denied"));
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(depthInHandler, 0);
  EXPECT_EQ(record(0).tries.integer(), 0);
  EXPECT_EQ(record(0).operation.text(),
            "\r\nClass: TWINDOW\r\nCaption: Main\r\nSystem Error: Denied");
  EXPECT_EQ(errorMessage(record(0)),
            "Error Kestrel/6  Cannot create window or control: \r\nClass: TWINDOW\r\nCaption: "
            "Main\r\nSystem Error: Denied");
}

TEST_F(ErrorsCore, ABreakInTheHandlerUnwindsTheFrameworkCaller) {
  lanmere::errorBlock(
      lanmere::block([](lanmere::Args args) -> Value { lanmere::doBreak(lanmere::arg(args, 1)); }));
  bool after = false;
  Value recovered;
  lanmere::beginSequence(
      [&] {
        raiseFrameworkError(kErrNonDefinedId, idOperation(7));
        after = true;
      },
      [&](const Value& v) { recovered = v; });
  EXPECT_FALSE(after);
  auto* e = dynamic_cast<ErrorRecord*>(recovered.object());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->operation.text(), "No:      7");
}

// With no block there is no one to take a framework error: the program ends as every launch
// without a block does, never carrying on with nil.
TEST_F(ErrorsCore, WithoutAnErrorBlockFrameworkErrorsAre9002) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A fixed name, not a folder of the test's own: the death test's child runs this body up to
  // its statement and never gets to remove a folder it made.
  lanmere::setInternalErrorLog(
      (std::filesystem::temp_directory_path() / "kestrel-errors-core-internal.log").string());
  EXPECT_EXIT(
      {
        lanmere::restoreErrorBlock(Value());
        raiseFrameworkError(kErrNonDefinedId, idOperation(7));
        std::fprintf(stderr, "carried on\n");
      },
      ::testing::ExitedWithCode(1), "Unrecoverable error 9002");
  EXPECT_EXIT(
      {
        lanmere::restoreErrorBlock(Value());
        lanmere::callFunction("__LOWMEMERROR");
        std::fprintf(stderr, "carried on\n");
      },
      ::testing::ExitedWithCode(1), "Unrecoverable error 9002");
  std::filesystem::remove(lanmere::internalErrorLog());
}

TEST_F(ErrorsCore, OperationTexts) {
  const std::string indent = "\r\n" + std::string(22, ' ');
  EXPECT_EQ(idOperation(123456), "No: 123456");
  EXPECT_EQ(idOperation(1234567), "No: 1234567");  // a wider id is never cut
  EXPECT_EQ(dialogResourceOperation(Value(101)), indent + "Resource: 101");
  EXPECT_EQ(dialogResourceOperation(Value("ABOUT")), indent + "Resource: ABOUT");
  EXPECT_EQ(dialogTitleOperation(""), indent + "Title: ");
  EXPECT_EQ(dialogTitleOperation("Setup"), indent + "Title: Setup");
  EXPECT_FALSE(systemErrorText(2).empty());
  EXPECT_NE(systemErrorText(2).back(), '\n');
}

TEST_F(ErrorsCore, DoBreakBreaksWithNoValue) {
  bool recovered = false;
  Value value = "not reached";
  lanmere::beginSequence([] { lanmere::callFunction("DOBREAK"); },
                         [&](const Value& v) {
                           recovered = true;
                           value = v;
                         });
  EXPECT_TRUE(recovered);
  EXPECT_TRUE(value.isNil());
}

TEST_F(ErrorsCore, PathAndFileNameSettersTakeExactlyOneText) {
  using lanmere::callFunction;
  EXPECT_EQ(errorReportName(), ".\\error.log");
  EXPECT_EQ(callFunction("SETERRORPATH", {}).text(), ".\\");
  EXPECT_EQ(callFunction("SETERRORPATH", {"c:\\logs", "x"}).text(), ".\\");
  EXPECT_EQ(callFunction("SETERRORPATH", {12}).text(), ".\\");
  EXPECT_EQ(callFunction("SETERRORPATH", {"c:\\logs"}).text(), ".\\");
  EXPECT_EQ(errorPath(), "c:\\logs");
  EXPECT_EQ(callFunction("SETERRORFILENAME", {}).text(), "error.log");
  EXPECT_EQ(callFunction("SETERRORFILENAME", {"a.txt", "b.txt"}).text(), "error.log");
  EXPECT_EQ(callFunction("SETERRORFILENAME", {"app.err"}).text(), "error.log");
  // No separator is added between the two.
  EXPECT_EQ(errorReportName(), "c:\\logsapp.err");
  callFunction("SETERRORPATH", {".\\"});
  callFunction("SETERRORFILENAME", {"error.log"});
  EXPECT_EQ(errorReportName(), ".\\error.log");
}

TEST_F(ErrorsCore, PostErrorActionTakesAClosureWhateverTheCount) {
  using lanmere::callFunction;
  Value first = lanmere::block([](lanmere::Args) { return Value(1); });
  Value second = lanmere::block([](lanmere::Args) { return Value(2); });
  EXPECT_TRUE(callFunction("SETPOSTERRORACTION", {}).isNil());
  EXPECT_TRUE(callFunction("SETPOSTERRORACTION", {first}).isNil());
  EXPECT_TRUE(postErrorAction().sharesStorageWith(first));
  EXPECT_TRUE(callFunction("SETPOSTERRORACTION", {"text"}).sharesStorageWith(first));
  EXPECT_TRUE(postErrorAction().sharesStorageWith(first));
  EXPECT_TRUE(callFunction("SETPOSTERRORACTION", {second, 5}).sharesStorageWith(first));
  EXPECT_TRUE(postErrorAction().sharesStorageWith(second));
}

}  // namespace
}  // namespace kestrel
