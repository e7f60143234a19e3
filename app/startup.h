// The process's start-up and shut-down sequence: command-line splitting, module registration,
// statics initialisers, the error handler, init procedures, the start function, and the exit
// procedures that run exactly once before the process ends with the error level.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/functions.h"

// The application's module table (its MAIN among the entries). The program's own sources define
// it; the process entry registers it before every other module.
const lanmere::ModuleTable& applicationModule();

namespace kestrel {

// Argument 0 (the program) included.
inline constexpr std::size_t kMaxArguments = 128;

// Splits the command line that follows the program name: blanks, tabs, CR and LF separate
// arguments; a double quote switches quoting on or off and is dropped, so "" is an empty
// argument. The result starts with `program` and holds at most kMaxArguments texts.
std::vector<std::string> splitCommandLine(std::string_view program, std::string_view line);

// The run-time's own switches ("//..." and "--hb:..." in any case) never reach MAIN.
bool isInternalSwitch(std::string_view argument) noexcept;

// Runs the whole program: registers `application`, then `framework` in order, then
// runtimeModules(); starts up, calls the start function with the arguments 1 to n (switches
// left out), shuts down and returns the exit code (the error level).
int runProgram(const lanmere::ModuleTable& application,
               std::span<const lanmere::ModuleTable* const> framework,
               const std::vector<std::string>& arguments);
// The same with the application's side as a list: the application module first, then the
// modules that come with it (the process entry passes the default error handler's there).
int runProgram(std::span<const lanmere::ModuleTable* const> application,
               std::span<const lanmere::ModuleTable* const> framework,
               const std::vector<std::string>& arguments);

// Runs the exit procedures unless they have run already (then does nothing). __QUIT and the
// shut-down both come through here.
void runExitProcedures();

int errorLevel() noexcept;
void setErrorLevel(int level) noexcept;

// ERRORLEVEL and __QUIT, registered with the run-time's modules.
lanmere::Value ERRORLEVEL(lanmere::Args args);
lanmere::Value QUIT();  // registered as "__QUIT"
const lanmere::ModuleTable& startupModule();

// The run-time's modules in link order, registered after the framework's: the built-in
// functions (each layer answers its own list: lanmere::builtinModules()), the socket operations,
// then this sequence's own ERRORLEVEL and __QUIT.
std::vector<const lanmere::ModuleTable*> runtimeModules();

}  // namespace kestrel
