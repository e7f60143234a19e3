// The error record (class ERROR), the error block it is launched to, the retry / default /
// substitute protocols, BREAK and protected sequences, the quit request, and internal errors.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>

#include "runtime/binding.h"
#include "runtime/object.h"

namespace lanmere {

enum ErrorFlag : unsigned { kCanRetry = 1, kCanSubstitute = 2, kCanDefault = 4 };

class ErrorRecord : public Object {
  LM_CLASS(ErrorRecord, Object)

  // The twelve slots, in order. Text members hold texts, numeric members integers.
  Value cargo;
  Value args;
  unsigned flags = 0;
  Value description = "";
  Value filename = "";
  Value genCode = 0;
  Value operation = "";
  Value osCode = 0;
  Value severity = 0;
  Value subCode = 0;
  Value subSystem = "";
  Value tries = 0;

  bool canRetry() const { return flags & kCanRetry; }
  bool canSubstitute() const { return flags & kCanSubstitute; }
  bool canDefault() const { return flags & kCanDefault; }
  void setFlag(ErrorFlag flag, bool on) { flags = on ? flags | flag : flags & ~flag; }
  // Assigning genCode also sets description to the code's generic text.
  void setGenCode(long long code);
};

// The generic text of a genCode ("" for codes without one).
std::string_view genericText(long long genCode) noexcept;

Ref<ErrorRecord> errorNew();

enum Action : int { ActionDefault = 0, ActionRetry = 1, ActionBreak = 65535 };

// The error block (nil when none is installed).
Value errorBlock();
// Installs a closure; any other value changes nothing. Returns the previous block.
Value errorBlock(const Value& block);
// Puts back a block kept earlier, nil included (the "no block" state).
void restoreErrorBlock(Value block);

// The native low-level handler: when set, a launch calls it instead of evaluating the error
// block (the block must still be installed). Nothing sets it by default. Returns the previous.
using LowLevelHandler = Value (*)(ErrorRecord& record);
LowLevelHandler setLowLevelHandler(LowLevelHandler handler) noexcept;

int launchError(ErrorRecord* record);
// The substituted value; nothing when a break or quit is pending.
std::optional<Value> launchErrorSubstitute(ErrorRecord* record);

// Which values become the record's `args`.
struct ErrorArgs {
  enum class Kind { None, Values, CurrentParams, ReceiverAndParams } kind = Kind::None;
  std::vector<Value> values;
  static ErrorArgs none() { return {}; }
  static ErrorArgs of(std::initializer_list<Value> values) { return {Kind::Values, values}; }
  static ErrorArgs of(Args values) { return {Kind::Values, {values.begin(), values.end()}}; }
  static ErrorArgs currentParams() { return {Kind::CurrentParams, {}}; }
  static ErrorArgs receiverAndParams(Value receiver) {
    return {Kind::ReceiverAndParams, {receiver}};
  }
};

// Marks the operation as "the function being executed".
inline constexpr std::string_view kCurrentFunction = "\x01current";

struct RuntimeError {
  long long genCode = 0;
  long long subCode = 0;
  std::optional<std::string> description;  // the generic text when absent
  std::string_view operation = kCurrentFunction;
  ErrorArgs args;
  std::string_view subSystem = "BASE";
  long long osCode = 0;
  unsigned flags = 0;
  int severity = 2;
};

// Builds a record (severity 2, subsystem "BASE" unless given), launches it and releases it.
int raiseRuntimeError(const RuntimeError& error,
                      std::source_location where = std::source_location::current());
// The same with canSubstitute; returns the substituted value. When a break or quit is pending
// the request is raised as an exception instead.
Value raiseRuntimeErrorSubstitute(const RuntimeError& error,
                                  std::source_location where = std::source_location::current());
// The argument error of a built-in: genCode 1, its sub-code, operation = the current function,
// args = its parameters, through substitution.
Value argumentError(long long subCode,
                    std::source_location where = std::source_location::current());

// ---- Requests: BREAK, the quit request, and callbacks from Windows ----

enum class Request { None, Quit, Break };

// BREAK unwinds to the recovery point of the innermost protected sequence.
struct BreakException {
  Value value;
};
// The quit request unwinds to the shut-down sequence.
struct QuitException {};

Request pendingRequest() noexcept;
// Shut-down resets any request before the exit procedures run.
void clearRequest() noexcept;
[[noreturn]] void doBreak(Value value = {});
// Sets the quit request and unwinds (exit procedures are the start-up code's business).
[[noreturn]] void requestQuit();

// Runs `body` as a protected sequence: a BREAK inside it ends the sequence and `recover`
// receives the break value. Quit requests pass through.
void beginSequence(const std::function<void()>& body,
                   const std::function<void(const Value&)>& recover = nullptr);

// The entry of every callback Windows makes into our code: no C++ exception may cross a Windows
// frame, so a break, quit or failure is parked as the pending request and the neutral answer is
// returned; `raiseParked` re-raises it once the Windows call that called back has returned.
template <class R, class F>
R guardCallback(R neutral, F&& body) noexcept;
void parkCurrentException() noexcept;
void raiseParked();
bool hasParked() noexcept;

// ---- Internal errors: the process ends ----

inline constexpr unsigned kRecoveryFailure = 9001;
inline constexpr unsigned kNoErrorBlock = 9002;
inline constexpr unsigned kTooManyRecursiveErrors = 9003;
// Writes the report (error output and the internal-error log) and exits with status 1.
[[noreturn]] void internalError(unsigned code);
// The internal-error log's name (default "lanmere.log" in the current directory).
void setInternalErrorLog(std::string path);
const std::string& internalErrorLog();
void setInternalErrorInfo(std::string info);

struct ModuleTable;
// ERRORNEW, ERRORBLOCK, BREAK, __ERRRT_BASE, __ERRRT_SBASE, __ERRINHANDLER.
const ModuleTable& errorModule();

// ---- Run-time state ----
std::int64_t lastOsError() noexcept;
int launchDepth() noexcept;

template <class R, class F>
R guardCallback(R neutral, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    parkCurrentException();
    return neutral;
  }
}

}  // namespace lanmere
