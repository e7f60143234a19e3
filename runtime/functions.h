// Functions by name: every module registers a table of its callable entries with their scope
// flags; any public entry can then be called by name.
#pragma once

#include <source_location>
#include <string_view>
#include <vector>

#include "runtime/value.h"

namespace lanmere {

struct FunctionEntry;
// What a module table calls: the binding's thunk, which pushes the function's frame
// (runtime/binding.h, fn<&NAME>("NAME")).
using NativeFunction = Value (*)(const FunctionEntry& entry, Args args);

enum Scope : unsigned {
  kPublic = 0x01,
  kStatic = 0x02,
  kFirst = 0x04,
  kInit = 0x08,
  kExit = 0x10,
  kStaticsInit = 0x18,
  kDefined = 0x200,
};

struct FunctionEntry {
  const char* name;
  unsigned scope;
  NativeFunction function;
  std::string_view module;  // where the entry was registered, relative to the root
  int line = 0;

  Value call(Args args) const { return function(*this, args); }
};

struct ModuleTable {
  const char* name;  // the source file, relative to the repository root
  std::vector<FunctionEntry> entries;
  int staticVariables = 0;  // module-level variables, counted by the error report
};

// Appends a module to the process-wide list (registration order is kept).
void registerModule(const ModuleTable& module);
const std::vector<const ModuleTable*>& modules();
// Removes every module (tests and shut-down).
void clearModules();

// The public, defined entry of that name (case-insensitive), or null.
const FunctionEntry* findFunction(std::string_view name);
const FunctionEntry* findFunction(const Symbol* name);
// Calls a registered function; an unknown name raises "Undefined function" (genCode 12) and
// gives the handler's substitute.
Value callFunction(std::string_view name, Args args = {},
                   std::source_location where = std::source_location::current());
Value callFunction(std::string_view name, std::initializer_list<Value> args,
                   std::source_location where = std::source_location::current());
// The same through a name resolved once: no string work per call.
Value callFunction(const Symbol* name, Args args = {},
                   std::source_location where = std::source_location::current());
Value callFunction(const Symbol* name, std::initializer_list<Value> args,
                   std::source_location where = std::source_location::current());

// Module-level variables of every registered module.
int staticVariableCount();

}  // namespace lanmere
