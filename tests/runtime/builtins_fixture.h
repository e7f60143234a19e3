// Calls built-ins by name with an error block installed that records every error record it
// receives and answers a known substitute.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace lanmere::test {

struct Raised {
  long long genCode = 0;
  long long subCode = 0;
  std::string operation;
  std::string description;
  std::string subSystem;
  bool canSubstitute = false;
  bool argsNil = false;
  std::vector<Value> args;
  std::string raisedIn;  // the procedure of the frame below the handler
  std::string module;
};

inline ::testing::AssertionResult sameValues(const std::vector<Value>& actual,
                                             const std::vector<Value>& expected) {
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure() << actual.size() << " args, expected " << expected.size();
  }
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (!exactlyEqual(actual[i], expected[i])) {
      return ::testing::AssertionFailure() << "arg " << i + 1 << " differs";
    }
  }
  return ::testing::AssertionSuccess();
}

class BuiltinsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      for (const ModuleTable* module : builtinModules()) registerModule(*module);
      return true;
    }();
    (void)registered;
  }

  void SetUp() override {
    errorBlock(block(
        [this](Args a) {
          auto* record = static_cast<ErrorRecord*>(a[0].object());
          Raised r;
          r.genCode = record->genCode.integer();
          r.subCode = record->subCode.integer();
          r.operation = record->operation.string();
          r.description = record->description.string();
          r.subSystem = record->subSystem.string();
          r.canSubstitute = record->canSubstitute();
          r.argsNil = record->args.isNil();
          for (const Value& v : record->args.items()) r.args.push_back(v);
          r.raisedIn = procName(1);
          r.module = procFile(1);
          raised.push_back(r);
          return substitute;
        },
        "(b)RECORDER"));
  }

  void TearDown() override {
    errorBlock(block([](Args) -> Value {
      ADD_FAILURE() << "an error was raised outside a test";
      return {};
    }));
    setDateFormat("MM/DD/YY");
    setNetErr(false);
  }

  Value call(std::string_view name, std::initializer_list<Value> args = {}) {
    return callFunction(name, args);
  }

  // The call raised exactly one error with these codes, its own name as operation and the
  // given args, and answered the handler's substitute.
  ::testing::AssertionResult raises(const Value& result, long long genCode, long long subCode,
                                    std::string_view operation, std::vector<Value> args) {
    std::vector<Raised> seen = std::move(raised);
    raised.clear();
    if (seen.size() != 1) return ::testing::AssertionFailure() << seen.size() << " errors raised";
    const Raised& r = seen[0];
    if (r.genCode != genCode || r.subCode != subCode || r.operation != operation) {
      return ::testing::AssertionFailure()
             << "raised " << r.genCode << "/" << r.subCode << " " << r.operation;
    }
    if (!r.canSubstitute) return ::testing::AssertionFailure() << "not through substitution";
    if (r.subSystem != "BASE") return ::testing::AssertionFailure() << "subsystem " << r.subSystem;
    if (!exactlyEqual(result, substitute)) {
      return ::testing::AssertionFailure() << "the substitute was not the result";
    }
    return sameValues(r.args, args);
  }

  ::testing::AssertionResult argumentError(const Value& result, long long subCode,
                                           std::string_view name, std::vector<Value> args) {
    return raises(result, 1, subCode, name, std::move(args));
  }

  std::vector<Raised> raised;
  Value substitute = "substitute";
};

inline Value bytes(std::string_view text) {
  return Value(text);
}

}  // namespace lanmere::test
