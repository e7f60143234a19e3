#include "app/startup.h"

#include <algorithm>
#include <cctype>

#include "net/inet.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/error.h"
#include "runtime/memvars.h"

namespace kestrel {

using lanmere::Args;
using lanmere::FunctionEntry;
using lanmere::ModuleTable;
using lanmere::Value;

namespace {

struct ProcessState {
  int errorLevel = 0;
  bool exitPending = true;
};

ProcessState& process() {
  static ProcessState state;
  return state;
}

constexpr unsigned kInitExitMask = lanmere::kInit | lanmere::kExit;

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

bool requestPending() {
  return lanmere::pendingRequest() != lanmere::Request::None;
}

// Init procedures: modules in registration order, each one's entries from last to first.
// Returns false when a pending request stopped the walk.
bool runInitPass(bool clipInitPass, Args args) {
  for (const ModuleTable* module : lanmere::modules()) {
    for (auto entry = module->entries.rbegin(); entry != module->entries.rend(); ++entry) {
      if ((entry->scope & kInitExitMask) != lanmere::kInit || !entry->function) continue;
      const bool isClipInit = std::string_view(entry->name) == "CLIPINIT$";
      if (isClipInit != clipInitPass) continue;
      std::vector<Value> own(args.begin(), args.end());  // a procedure may change its parameters
      entry->call(own);
      if (requestPending()) return false;
    }
  }
  return true;
}

void runInitProcedures(Args args) {
  if (runInitPass(true, args)) runInitPass(false, args);
}

void runStaticsInitialisers() {
  for (const ModuleTable* module : lanmere::modules()) {
    for (const FunctionEntry& entry : module->entries) {
      if ((entry.scope & kInitExitMask) == lanmere::kStaticsInit && entry.function) {
        entry.call({});
      }
    }
  }
}

// _APPMAIN, else MAIN, else the first entry flagged "first" of the first module.
const FunctionEntry* startFunction() {
  if (const FunctionEntry* entry = lanmere::findFunction("_APPMAIN")) return entry;
  if (const FunctionEntry* entry = lanmere::findFunction("MAIN")) return entry;
  const auto& list = lanmere::modules();
  if (list.empty()) return nullptr;
  for (const FunctionEntry& entry : list.front()->entries) {
    if ((entry.scope & lanmere::kFirst) && entry.function) return &entry;
  }
  return nullptr;
}

void registerAll(std::span<const ModuleTable* const> application,
                 std::span<const ModuleTable* const> framework) {
  for (const ModuleTable* module : application) lanmere::registerModule(*module);
  for (const ModuleTable* module : framework) lanmere::registerModule(*module);
  for (const ModuleTable* module : runtimeModules()) lanmere::registerModule(*module);
}

// The run-time's own start, after registration: the error class exists before the first error,
// so its handle and its place in the report's class list do not depend on when that comes.
void startRuntime() {
  lanmere::ErrorRecord::Class();
}

// Steps that may be cut short by a quit or by a BREAK no sequence catches: both end the program.
template <class F>
void untilRequest(F&& steps) {
  try {
    steps();
  } catch (const lanmere::QuitException&) {
  } catch (const lanmere::BreakException&) {
  }
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view program, std::string_view line) {
  std::vector<std::string> arguments{std::string(program)};
  std::string current;
  bool inArgument = false;  // a quote alone starts an argument, so "" gives an empty one
  bool quoted = false;
  for (char c : line) {
    if (arguments.size() == kMaxArguments) break;
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if (!quoted && isSeparator(c)) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument && arguments.size() < kMaxArguments) arguments.push_back(std::move(current));
  return arguments;
}

bool isInternalSwitch(std::string_view argument) noexcept {
  return argument.starts_with("//") || startsWithNoCase(argument, "--hb:");
}

int runProgram(const ModuleTable& application, std::span<const ModuleTable* const> framework,
               const std::vector<std::string>& arguments) {
  const ModuleTable* const alone[] = {&application};
  return runProgram(alone, framework, arguments);
}

int runProgram(std::span<const ModuleTable* const> application,
               std::span<const ModuleTable* const> framework,
               const std::vector<std::string>& arguments) {
  process() = {};
  lanmere::clearRequest();
  registerAll(application, framework);
  startRuntime();

  std::vector<Value> mainArgs;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (!isInternalSwitch(arguments[i])) mainArgs.emplace_back(arguments[i]);
  }

  untilRequest([&] {
    runStaticsInitialisers();
    lanmere::publicVariable("GetList") = Value::list();
    lanmere::callFunction("ERRORSYS");
    runInitProcedures(mainArgs);
    if (requestPending()) return;
    if (const FunctionEntry* start = startFunction()) start->call(mainArgs);
  });

  // Shut-down: the exit procedures once, then the run-time's values go.
  runExitProcedures();
  lanmere::clearRequest();
  lanmere::clearDynamics();
  lanmere::clearModules();
  return process().errorLevel;
}

void runExitProcedures() {
  if (!process().exitPending) return;
  process().exitPending = false;
  lanmere::clearRequest();
  untilRequest([] {
    for (const ModuleTable* module : lanmere::modules()) {
      for (const FunctionEntry& entry : module->entries) {
        if ((entry.scope & kInitExitMask) != lanmere::kExit || !entry.function) continue;
        entry.call({});
        if (requestPending()) return;
      }
    }
  });
}

int errorLevel() noexcept {
  return process().errorLevel;
}
void setErrorLevel(int level) noexcept {
  process().errorLevel = level;
}

Value ERRORLEVEL(Args args) {
  const int previous = process().errorLevel;
  if (!args.empty()) process().errorLevel = static_cast<int>(args[0].integer());
  return previous;
}

Value QUIT() {
  runExitProcedures();
  lanmere::requestQuit();
}

std::vector<const ModuleTable*> runtimeModules() {
  std::vector<const ModuleTable*> list = lanmere::builtinModules();
  list.push_back(&net::inetModule());
  list.push_back(&startupModule());
  return list;
}

const ModuleTable& startupModule() {
  static const ModuleTable module{
      __FILE__, {lanmere::fn<&ERRORLEVEL>("ERRORLEVEL"), lanmere::fn<&QUIT>("__QUIT")}};
  return module;
}

}  // namespace kestrel
