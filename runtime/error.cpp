#include "runtime/error.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "runtime/binding.h"
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
  LowLevelHandler lowLevel = nullptr;
};

ErrorState& state() {
  static ErrorState s;
  return s;
}

constexpr int kMaxLaunchDepth = 8;

// The English message table: generic texts from index 38 + genCode, internal-error texts from 89.
constexpr const char* kGenericTexts[] = {"Unknown error",
                                         "Argument error",
                                         "Bound error",
                                         "String overflow",
                                         "Numeric overflow",
                                         "Zero divisor",
                                         "Numeric error",
                                         "Syntax error",
                                         "Operation too complex",
                                         "",
                                         "",
                                         "Memory low",
                                         "Undefined function",
                                         "No exported method",
                                         "Variable does not exist",
                                         "Alias does not exist",
                                         "No exported variable",
                                         "Illegal characters in alias",
                                         "Alias already in use",
                                         "",
                                         "Create error",
                                         "Open error",
                                         "Close error",
                                         "Read error",
                                         "Write error",
                                         "Print error",
                                         "",
                                         "",
                                         "",
                                         "",
                                         "Operation not supported",
                                         "Limit exceeded",
                                         "Corruption detected",
                                         "Data type error",
                                         "Data width error",
                                         "Workarea not in use",
                                         "Workarea not indexed",
                                         "Exclusive required",
                                         "Lock required",
                                         "Write not allowed",
                                         "Append lock failed",
                                         "Lock failure",
                                         "",
                                         "",
                                         "",
                                         "Object destructor failure",
                                         "array access",
                                         "array assign",
                                         "array dimension",
                                         "not an array",
                                         "conditional"};

const char* internalText(unsigned code) {
  switch (code) {
    case kRecoveryFailure:
      return "Error recovery failure";
    case kNoErrorBlock:
      return "No ERRORBLOCK() for error";
    case kTooManyRecursiveErrors:
      return "Too many recursive error handler calls";
    default:
      return "";
  }
}

unsigned short toUnsigned16(const Value& v) {
  return static_cast<unsigned short>(v.integer());
}

// Numeric members take numbers only: anything else raises an argument error whose substitute
// must be a number.
Value numericAssignment(const char* member, const Value& argument) {
  if (argument.isNumber()) return argument;
  Value substitute = raiseRuntimeErrorSubstitute(
      {.genCode = 1, .subCode = 0, .operation = member, .args = ErrorArgs::of({argument})});
  if (!substitute.isNumber()) internalError(kRecoveryFailure);
  return substitute;
}

template <Value ErrorRecord::*Field>
Value readSlot(ErrorRecord& e) {
  return e.*Field;
}

template <Value ErrorRecord::*Field>
Value assignSlot(ErrorRecord& e, const Value& v) {
  return e.*Field = v;
}

template <Value ErrorRecord::*Field>
Value assignText(ErrorRecord& e, const Value& v) {
  if (v.isText()) e.*Field = v;
  return e.*Field;
}

template <ErrorFlag Flag>
Value readFlag(ErrorRecord& e) {
  return Value((e.flags & Flag) != 0);
}

template <ErrorFlag Flag>
Value assignFlag(ErrorRecord& e, const Value& v) {
  if (v.isLogical()) e.setFlag(Flag, v.logical());
  return readFlag<Flag>(e);
}

Value assignArgs(ErrorRecord& e, const Value& v) {
  if (v.isList()) e.args = v;
  return e.args;
}

Value assignGenCode(ErrorRecord& e, const Value& v) {
  e.setGenCode(numericAssignment("GENCODE", v).integer());
  return e.genCode;
}

Value assignOsCode(ErrorRecord& e, const Value& v) {
  return e.osCode = numericAssignment("OSCODE", v).integer();
}

Value assignSeverity(ErrorRecord& e, const Value& v) {
  return e.severity = toUnsigned16(numericAssignment("SEVERITY", v));
}

Value assignSubCode(ErrorRecord& e, const Value& v) {
  return e.subCode = numericAssignment("SUBCODE", v).integer();
}

Value assignTries(ErrorRecord& e, const Value& v) {
  return e.tries = toUnsigned16(numericAssignment("TRIES", v));
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

// The record's slots are typed (texts, numbers, flags), so each is a pair of methods: the
// reading one and the assigning one that enforces the slot's type.
LM_DEFINE_CLASS_AS(ErrorRecord, "ERROR") {
  using E = ErrorRecord;
  c.method<&readSlot<&E::cargo>>("CARGO").method<&assignSlot<&E::cargo>>("_CARGO");
  c.method<&readSlot<&E::args>>("ARGS").method<&assignArgs>("_ARGS");
  c.method<&readFlag<kCanRetry>>("CANRETRY").method<&assignFlag<kCanRetry>>("_CANRETRY");
  c.method<&readFlag<kCanSubstitute>>("CANSUBSTITUTE")
      .method<&assignFlag<kCanSubstitute>>("_CANSUBSTITUTE");
  c.method<&readFlag<kCanDefault>>("CANDEFAULT").method<&assignFlag<kCanDefault>>("_CANDEFAULT");
  c.method<&readSlot<&E::description>>("DESCRIPTION")
      .method<&assignText<&E::description>>("_DESCRIPTION");
  c.method<&readSlot<&E::filename>>("FILENAME").method<&assignText<&E::filename>>("_FILENAME");
  c.method<&readSlot<&E::genCode>>("GENCODE").method<&assignGenCode>("_GENCODE");
  c.method<&readSlot<&E::operation>>("OPERATION").method<&assignText<&E::operation>>("_OPERATION");
  c.method<&readSlot<&E::osCode>>("OSCODE").method<&assignOsCode>("_OSCODE");
  c.method<&readSlot<&E::severity>>("SEVERITY").method<&assignSeverity>("_SEVERITY");
  c.method<&readSlot<&E::subCode>>("SUBCODE").method<&assignSubCode>("_SUBCODE");
  c.method<&readSlot<&E::subSystem>>("SUBSYSTEM").method<&assignText<&E::subSystem>>("_SUBSYSTEM");
  c.method<&readSlot<&E::tries>>("TRIES").method<&assignTries>("_TRIES");
  c.creatable();
}

Ref<ErrorRecord> errorNew() {
  ErrorRecord::Class();  // the class is registered before its first record exists
  return make<ErrorRecord>();
}

Value errorBlock() {
  return state().block;
}

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
  if (!s.block.isClosure()) internalError(kNoErrorBlock);
  if (s.depth == kMaxLaunchDepth) internalError(kTooManyRecursiveErrors);
  struct Depth {
    Depth() { ++state().depth; }
    ~Depth() { --state().depth; }
  } depth;
  s.lastOsError = record.osCode.integer();
  if (record.canRetry()) record.tries = static_cast<unsigned short>(record.tries.integer() + 1);
  if (s.lowLevel) return s.lowLevel(record);
  Value block = s.block;  // the handler may install another block while it runs
  return eval(block, {Value(Ref<ErrorRecord>(&record))});
}

}  // namespace

LowLevelHandler setLowLevelHandler(LowLevelHandler handler) noexcept {
  return std::exchange(state().lowLevel, handler);
}

int launchError(ErrorRecord* record) {
  if (!record) return ActionRetry;
  Ref<ErrorRecord> keep(record);
  Value result = evaluateHandler(*record);
  if (pendingRequest() != Request::None) return ActionBreak;
  if (!result.isLogical() || record->canSubstitute()) internalError(kRecoveryFailure);
  if (result.logical() ? !record->canRetry() : !record->canDefault())
    internalError(kRecoveryFailure);
  return result.logical() ? ActionRetry : ActionDefault;
}

std::optional<Value> launchErrorSubstitute(ErrorRecord* record) {
  if (!record) return Value();
  Ref<ErrorRecord> keep(record);
  Value result = evaluateHandler(*record);
  if (pendingRequest() != Request::None) return std::nullopt;
  if (!record->canSubstitute()) internalError(kRecoveryFailure);
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
    case ErrorArgs::Kind::None:
      break;
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

void memoryError(std::source_location where) {
  // The failing function's body has been unwound; its frame stays for the report, its locals
  // do not.
  forgetLocals();
  raiseRuntimeError({.genCode = 11, .subCode = kMemoryLowSubCode}, where);
  // With no flag the handler can only end the program or break; a parked request remains.
  unwindPending();
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

void doBreak(Value value) {
  throw BreakException{std::move(value)};
}

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

bool hasParked() noexcept {
  return state().parked != nullptr;
}

void raiseParked() {
  ErrorState& s = state();
  if (!s.parked) return;
  std::exception_ptr parked = s.parked;
  s.parked = nullptr;
  s.parkedKind = Request::None;
  std::rethrow_exception(parked);
}

// ---- Internal errors ----

void setInternalErrorLog(std::string path) {
  state().log = std::move(path);
}
const std::string& internalErrorLog() {
  return state().log;
}
void setInternalErrorInfo(std::string info) {
  state().info = std::move(info);
}
std::int64_t lastOsError() noexcept {
  return state().lastOsError;
}
int launchDepth() noexcept {
  return state().depth;
}

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

Value ERRORNEW() {
  return Value(errorNew());
}

Value ERRORBLOCK(Args args) {
  return errorBlock(arg(args, 1));
}

Value BREAK(Args args) {
  doBreak(arg(args, 1));
}

RuntimeError baseError(Args args) {
  RuntimeError error;
  error.genCode = arg(args, 1).integer();
  error.subCode = arg(args, 2).integer();
  if (arg(args, 3).isText()) error.description = arg(args, 3).string();
  error.operation = arg(args, 4).text();
  if (args.size() >= 6 && arg(args, 5).number() > 0) error.args = ErrorArgs::of({args[5]});
  return error;
}

Value ERRRT_BASE(Args args) {
  raiseRuntimeError(baseError(args));
  return {};
}

Value ERRRT_SBASE(Args args) {
  return raiseRuntimeErrorSubstitute(baseError(args));
}

Value ERRINHANDLER() {
  internalError(kRecoveryFailure);
}

}  // namespace

const ModuleTable& errorModule() {
  static const ModuleTable module{
      "runtime/error.cpp",
      {fn<&ERRORNEW>("ERRORNEW"), fn<&ERRORBLOCK>("ERRORBLOCK"), fn<&BREAK>("BREAK"),
       fn<&ERRRT_BASE>("__ERRRT_BASE"), fn<&ERRRT_SBASE>("__ERRRT_SBASE"),
       fn<&ERRINHANDLER>("__ERRINHANDLER")}};
  return module;
}

}  // namespace lanmere
