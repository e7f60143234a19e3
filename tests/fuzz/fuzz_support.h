// What every fuzz target shares: the run-time's functions registered once, an error handler
// that answers every record the way its flags allow (so a raised error never ends the run), and
// values of every kind drawn from the fuzzer's bytes.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"

namespace kestrel::fuzz {

using lanmere::Value;

// Texts stay small so that the fuzzer spends its time on logic, not on gigabyte allocations;
// the limit is the run-time's own, so reaching it exercises the "String overflow" road.
inline constexpr std::size_t kTextLimit = 1 << 16;

// A substitute when the record allows one (0: a number, which every substitution takes), else
// the default, else a break out of the call.
inline Value answerEveryError(lanmere::Args args) {
  const auto* record = static_cast<const lanmere::ErrorRecord*>(lanmere::arg(args, 1).object());
  if (record && record->canSubstitute()) return Value(0);
  if (record && record->canDefault()) return Value(false);
  lanmere::doBreak();
}

// Registers the built-ins and installs the handler, once per process.
inline void startRuntime() {
  static const bool started = [] {
    for (const lanmere::ModuleTable* module : lanmere::builtinModules()) {
      lanmere::registerModule(*module);
    }
    lanmere::errorBlock(lanmere::block(answerEveryError, "(b)FUZZ"));
    lanmere::setInternalErrorLog(
        (std::filesystem::temp_directory_path() / "lanmere-fuzz.log").string());
    lanmere::setMaxTextLength(kTextLimit);
    return true;
  }();
  (void)started;
}

// Runs one call the way a program would, inside a protected sequence.
template <class F>
void guarded(F&& call) {
  lanmere::beginSequence([&] { call(); });
}

// A value of any scalar kind, texts included; counts lean towards the interesting edges.
inline Value anyValue(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 9)) {
    case 0:
      return Value();
    case 1:
      return Value(input.ConsumeBool());
    case 2:
      return Value(input.ConsumeIntegralInRange<long long>(-70000, 70000));
    case 3:
      return Value(input.ConsumeIntegral<long long>());
    case 4:
      return Value(input.ConsumeFloatingPoint<double>(), input.ConsumeIntegralInRange(0, 20));
    case 5:
      return Value::date(input.ConsumeIntegral<std::int32_t>());
    case 6:
      return Value::timestamp(input.ConsumeIntegral<std::int32_t>(),
                              input.ConsumeIntegral<std::int32_t>());
    case 7:
      return Value::list({Value(input.ConsumeIntegralInRange(-3, 3))});
    default:
      return Value(input.ConsumeRandomLengthString(64));
  }
}

// Up to `most` arguments.
inline std::vector<Value> anyArguments(FuzzedDataProvider& input, std::size_t most = 4) {
  std::vector<Value> args(input.ConsumeIntegralInRange<std::size_t>(0, most));
  for (Value& arg : args) arg = anyValue(input);
  return args;
}

}  // namespace kestrel::fuzz
