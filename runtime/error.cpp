#include "runtime/error.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/functions.h"
#include "runtime/platform.h"

namespace lanmere {

namespace {

struct ErrorState {
  Value block;
  int depth = 0;
  std::int64_t lastOsError = 0;
  bool quitRequested = false;
  Request parkedKind = Request::None;
  std::exception_ptr parked;
  std::string log = "lanmere.log";
  std::string info;
};

ErrorState& state() {
  static ErrorState s;
  return s;
}

constexpr int kMaxLaunchDepth = 8;

// The English message table: generic texts from index 38 + genCode, internal-error texts from 89.
constexpr const char* kGenericTexts[] = {
    "Unknown error", "Argument error", "Bound error", "String overflow", "Numeric overflow",
    "Zero divisor", "Numeric error", "Syntax error", "Operation too complex", "", "",
    "Memory low", "Undefined function", "No exported method", "Variable does not exist",
    "Alias does not exist", "No exported variable", "Illegal characters in alias",
    "Alias already in use", "", "Create error", "Open error", "Close error", "Read error",
    "Write error", "Print error", "", "", "", "", "Operation not supported", "Limit exceeded",
    "Corruption detected", "Data type error", "Data width error", "Workarea not in use",
    "Workarea not indexed", "Exclusive required", "Lock required", "Write not allowed",
    "Append lock failed", "Lock failure", "", "", "", "Object destructor failure",
    "array access", "array assign", "array dimension", "not an array", "conditional"};

const char* internalText(unsigned code) {
  switch (code) {
    case 9001: return "Error recovery failure";
    case 9002: return "No ERRORBLOCK() for error";
    case 9003: return "Too many recursive error handler calls";
    default: return "";
  }
}

unsigned short toUnsigned16(const Value& v) { return static_cast<unsigned short>(v.integer()); }

// Numeric members take numbers only: anything else raises an argument error whose substitute
// must be a number.
Value numericAssignment(const char* member, const Value& argument) {
  if (argument.isNumber()) return argument;
  Value substitute = raiseRuntimeErrorSubstitute(
      {.genCode = 1, .subCode = 0, .operation = member, .args = ErrorArgs::of({argument})});
  if (!substitute.isNumber()) internalError(9001);
  return substitute;
}

template <Value ErrorRecord::*Field>
Value assignText(ErrorRecord& e, Args a) {
  if (arg(a, 1).isText()) e.*Field = arg(a, 1);
  return e.*Field;
}

template <ErrorFlag Flag>
Value assignFlag(ErrorRecord& e, Args a) {
  if (arg(a, 1).isLogical()) e.setFlag(Flag, arg(a, 1).logical());
  return Value((e.flags & Flag) != 0);
}

}  // namespace

std::string_view genericText(long long genCode) noexcept {
  constexpr long long count = sizeof kGenericTexts / sizeof kGenericTexts[0];
  return genCode >= 0 && genCode < count ? kGenericTexts[genCode] : "";
}

void ErrorRecord::setGenCode(long long code) {
  genCode = code;
  description = genericText(code);
}

const ClassInfo& ErrorRecord::Class() {
  using E = ErrorRecord;
  static const ClassInfo& info =
      ClassBuilder<E>("ERROR")
          .parent(Object::Class())
          .method("CARGO", [](E& e, Args) { return e.cargo; })
          .method("_CARGO", [](E& e, Args a) { return e.cargo = arg(a, 1); })
          .method("ARGS", [](E& e, Args) { return e.args; })
          .method("_ARGS",
                  [](E& e, Args a) {
                    if (arg(a, 1).isList()) e.args = arg(a, 1);
                    return e.args;
                  })
          .method("CANRETRY", [](E& e, Args) { return Value(e.canRetry()); })
          .method("_CANRETRY", [](E& e, Args a) { return assignFlag<kCanRetry>(e, a); })
          .method("CANSUBSTITUTE", [](E& e, Args) { return Value(e.canSubstitute()); })
          .method("_CANSUBSTITUTE", [](E& e, Args a) { return assignFlag<kCanSubstitute>(e, a); })
          .method("CANDEFAULT", [](E& e, Args) { return Value(e.canDefault()); })
          .method("_CANDEFAULT", [](E& e, Args a) { return assignFlag<kCanDefault>(e, a); })
          .method("DESCRIPTION", [](E& e, Args) { return e.description; })
          .method("_DESCRIPTION", [](E& e, Args a) { return assignText<&E::description>(e, a); })
          .method("FILENAME", [](E& e, Args) { return e.filename; })
          .method("_FILENAME", [](E& e, Args a) { return assignText<&E::filename>(e, a); })
          .method("GENCODE", [](E& e, Args) { return e.genCode; })
          .method("_GENCODE",
                  [](E& e, Args a) {
                    e.setGenCode(numericAssignment("GENCODE", arg(a, 1)).integer());
                    return e.genCode;
                  })
          .method("OPERATION", [](E& e, Args) { return e.operation; })
          .method("_OPERATION", [](E& e, Args a) { return assignText<&E::operation>(e, a); })
          .method("OSCODE", [](E& e, Args) { return e.osCode; })
          .method("_OSCODE",
                  [](E& e, Args a) {
                    return e.osCode = numericAssignment("OSCODE", arg(a, 1)).integer();
                  })
          .method("SEVERITY", [](E& e, Args) { return e.severity; })
          .method("_SEVERITY",
                  [](E& e, Args a) {
                    return e.severity = toUnsigned16(numericAssignment("SEVERITY", arg(a, 1)));
                  })
          .method("SUBCODE", [](E& e, Args) { return e.subCode; })
          .method("_SUBCODE",
                  [](E& e, Args a) {
                    return e.subCode = numericAssignment("SUBCODE", arg(a, 1)).integer();
                  })
          .method("SUBSYSTEM", [](E& e, Args) { return e.subSystem; })
          .method("_SUBSYSTEM", [](E& e, Args a) { return assignText<&E::subSystem>(e, a); })
          .method("TRIES", [](E& e, Args) { return e.tries; })
          .method("_TRIES",
                  [](E& e, Args a) {
                    return e.tries = toUnsigned16(numericAssignment("TRIES", arg(a, 1)));
                  })
          .creatable()
          .build();
  return info;
}

Ref<ErrorRecord> errorNew() {
  ErrorRecord::Class();  // the class is registered before its first record exists
  return make<ErrorRecord>();
}

Value errorBlock() { return state().block; }

Value errorBlock(const Value& block) {
  Value previous = state().block;
  if (block.isClosure()) state().block = block;
  return previous;
}

void restoreErrorBlock(Value block) {
  state().block = block.isClosure() ? std::move(block) : Value();
}

namespace {

// Steps shared by both launches: checks, depth, tries, and the handler's answer.
Value evaluateHandler(ErrorRecord& record) {
  ErrorState& s = state();
  if (!s.block.isClosure()) internalError(9002);
  if (s.depth == kMaxLaunchDepth) internalError(9003);
  struct Depth {
    Depth() { ++state().depth; }
    ~Depth() { --state().depth; }
  } depth;
  s.lastOsError = record.osCode.integer();
  if (record.canRetry()) record.tries = static_cast<unsigned short>(record.tries.integer() + 1);
  Value block = s.block;  // the handler may install another block while it runs
  return eval(block, {Value(Ref<ErrorRecord>(&record))});
}

}  // namespace

int launchError(ErrorRecord* record) {
  if (!record) return ActionRetry;
  Ref<ErrorRecord> keep(record);
  Value result = evaluateHandler(*record);
  if (pendingRequest() != Request::None) return ActionBreak;
  if (!result.isLogical() || record->canSubstitute()) internalError(9001);
  if (result.logical() ? !record->canRetry() : !record->canDefault()) internalError(9001);
  return result.logical() ? ActionRetry : ActionDefault;
}

std::optional<Value> launchErrorSubstitute(ErrorRecord* record) {
  if (!record) return Value();
  Ref<ErrorRecord> keep(record);
  Value result = evaluateHandler(*record);
  if (pendingRequest() != Request::None) return std::nullopt;
  if (!record->canSubstitute()) internalError(9001);
  return result;
}

namespace {

Ref<ErrorRecord> buildRecord(const RuntimeError& error, unsigned extraFlags) {
  Ref<ErrorRecord> record = errorNew();
  record->severity = error.severity;
  record->subSystem = error.subSystem.empty() ? std::string_view("BASE") : error.subSystem;
  record->genCode = error.genCode;
  record->subCode = error.subCode;
  record->description =
      error.description ? Value(*error.description) : Value(genericText(error.genCode));
  if (error.operation == kCurrentFunction) {
    const Frame* frame = frameAt(0);
    record->operation = frame ? frame->procedure() : std::string();
  } else {
    record->operation = error.operation;
  }
  record->osCode = error.osCode;
  record->flags = (error.flags | extraFlags) & 7u;
  switch (error.args.kind) {
    case ErrorArgs::Kind::None: break;
    case ErrorArgs::Kind::Values: {
      Value list = Value::list();
      for (const Value& v : error.args.values) list.listData()->items.push_back(v);
      record->args = list;
      break;
    }
    case ErrorArgs::Kind::CurrentParams: {
      const Frame* frame = frameAt(0);
      if (frame && !frame->params().empty()) {
        Value list = Value::list();
        for (const Value& v : frame->params()) list.listData()->items.push_back(v);
        record->args = list;
      }
      break;
    }
    case ErrorArgs::Kind::ReceiverAndParams: {
      Value list = Value::list();
      list.listData()->items.push_back(error.args.values.empty() ? Value() : error.args.values[0]);
      if (const Frame* frame = frameAt(0)) {
        for (const Value& v : frame->params()) list.listData()->items.push_back(v);
      }
      record->args = list;
      break;
    }
  }
  return record;
}

[[noreturn]] void unwindPending() {
  raiseParked();
  throw QuitException{};
}

}  // namespace

int raiseRuntimeError(const RuntimeError& error, std::source_location where) {
  atLine(where);
  Ref<ErrorRecord> record = buildRecord(error, 0);
  return launchError(record.get());
}

Value raiseRuntimeErrorSubstitute(const RuntimeError& error, std::source_location where) {
  atLine(where);
  Ref<ErrorRecord> record = buildRecord(error, kCanSubstitute);
  std::optional<Value> result = launchErrorSubstitute(record.get());
  if (!result) unwindPending();
  return *result;
}

Value argumentError(long long subCode, std::source_location where) {
  return raiseRuntimeErrorSubstitute(
      {.genCode = 1, .subCode = subCode, .args = ErrorArgs::currentParams()}, where);
}

// ---- Requests ----

Request pendingRequest() noexcept {
  if (state().quitRequested) return Request::Quit;
  return state().parkedKind;
}

void doBreak(Value value) { throw BreakException{std::move(value)}; }

void requestQuit() {
  state().quitRequested = true;
  throw QuitException{};
}

void clearRequest() noexcept {
  state().quitRequested = false;
  state().parkedKind = Request::None;
  state().parked = nullptr;
}

void beginSequence(const std::function<void()>& body,
                   const std::function<void(const Value&)>& recover) {
  try {
    body();
  } catch (BreakException& request) {
    if (recover) recover(request.value);
  }
}

void parkCurrentException() noexcept {
  ErrorState& s = state();
  if (s.parked) return;  // the first request wins; a quit already unwinding stays a quit
  s.parked = std::current_exception();
  try {
    std::rethrow_exception(s.parked);
  } catch (const BreakException&) {
    s.parkedKind = Request::Break;
  } catch (...) {
    s.parkedKind = Request::Quit;
  }
}

bool hasParked() noexcept { return state().parked != nullptr; }

void raiseParked() {
  ErrorState& s = state();
  if (!s.parked) return;
  std::exception_ptr parked = s.parked;
  s.parked = nullptr;
  s.parkedKind = Request::None;
  std::rethrow_exception(parked);
}

// ---- Internal errors ----

void setInternalErrorLog(std::string path) { state().log = std::move(path); }
const std::string& internalErrorLog() { return state().log; }
void setInternalErrorInfo(std::string info) { state().info = std::move(info); }
std::int64_t lastOsError() noexcept { return state().lastOsError; }
int launchDepth() noexcept { return state().depth; }

void internalError(unsigned code) {
  FILE* log = std::fopen(state().log.c_str(), "ab");
  if (log) {
    const std::time_t now = std::time(nullptr);
    const std::tm* t = std::localtime(&now);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", t);
    std::fprintf(log, "Application Internal Error - %s\n", programPath().c_str());
    std::fprintf(log, "Terminated at: %04d.%02d.%02d %s\n", t->tm_year + 1900, t->tm_mon + 1,
                 t->tm_mday, clock);
    if (!state().info.empty()) std::fprintf(log, "Info: %s\n", state().info.c_str());
  }
  auto both = [&](const std::string& line) {
    std::fputs(line.c_str(), stderr);
    if (log) std::fputs(line.c_str(), log);
  };
  both("Unrecoverable error " + std::to_string(code) + ": " + internalText(code) + "\n");
  for (std::size_t level = 0; const Frame* frame = frameAt(level); ++level) {
    std::string line = "Called from " + frame->procedure() + "(" +
                       std::to_string(static_cast<unsigned short>(frame->line())) + ")";
    if (!frame->module().empty()) line += " in " + std::string(frame->module());
    both(line + "\n");
  }
  if (log) {
    std::fputs((std::string(72, '-') + "\n").c_str(), log);
    std::fclose(log);
  }
  std::fflush(stderr);
  std::_Exit(1);
}

// ---- Callable functions ----

namespace {

Value ERRORNEW(Args args) {
  Frame frame("ERRORNEW", args);
  return Value(errorNew());
}

Value ERRORBLOCK(Args args) {
  Frame frame("ERRORBLOCK", args);
  return errorBlock(arg(args, 1));
}

Value BREAK(Args args) {
  Frame frame("BREAK", args);
  doBreak(arg(args, 1));
}

RuntimeError baseError(Args args) {
  RuntimeError error;
  error.genCode = arg(args, 1).integer();
  error.subCode = arg(args, 2).integer();
  if (arg(args, 3).isText()) error.description = arg(args, 3).string();
  error.operation = arg(args, 4).text();
  if (args.size() >= 6 && arg(args, 5).integer() > 0) error.args = ErrorArgs::of({args[5]});
  return error;
}

Value ERRRT_BASE(Args args) {
  Frame frame("__ERRRT_BASE", args);
  raiseRuntimeError(baseError(args));
  return {};
}

Value ERRRT_SBASE(Args args) {
  Frame frame("__ERRRT_SBASE", args);
  return raiseRuntimeErrorSubstitute(baseError(args));
}

Value ERRINHANDLER(Args args) {
  Frame frame("__ERRINHANDLER", args);
  internalError(9001);
}

}  // namespace

const ModuleTable& errorModule() {
  static const ModuleTable module{"runtime/error.cpp",
                                  {{"ERRORNEW", kPublic | kDefined, ERRORNEW},
                                   {"ERRORBLOCK", kPublic | kDefined, ERRORBLOCK},
                                   {"BREAK", kPublic | kDefined, BREAK},
                                   {"__ERRRT_BASE", kPublic | kDefined, ERRRT_BASE},
                                   {"__ERRRT_SBASE", kPublic | kDefined, ERRRT_SBASE},
                                   {"__ERRINHANDLER", kPublic | kDefined, ERRINHANDLER}}};
  return module;
}

}  // namespace lanmere
