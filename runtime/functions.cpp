#include "runtime/functions.h"

#include <unordered_map>

#include "runtime/callstack.h"
#include "runtime/error.h"

namespace lanmere {

namespace {
std::vector<const ModuleTable*>& moduleList() {
  static std::vector<const ModuleTable*> list;
  return list;
}
std::unordered_map<const Symbol*, const FunctionEntry*>& publicTable() {
  static std::unordered_map<const Symbol*, const FunctionEntry*> table;
  return table;
}
}  // namespace

void registerModule(const ModuleTable& module) {
  moduleList().push_back(&module);
  for (const FunctionEntry& entry : module.entries) {
    if ((entry.scope & kPublic) && (entry.scope & kDefined) && entry.function) {
      // The first registered definition of a name wins, as a linker keeps the first.
      publicTable().emplace(symbol(entry.name), &entry);
    }
  }
}

const std::vector<const ModuleTable*>& modules() {
  return moduleList();
}

void clearModules() {
  moduleList().clear();
  publicTable().clear();
}

const FunctionEntry* findFunction(const Symbol* name) {
  auto found = publicTable().find(name);
  return found == publicTable().end() ? nullptr : found->second;
}

const FunctionEntry* findFunction(std::string_view name) {
  return findFunction(symbol(name));
}

Value callFunction(const Symbol* name, Args args, std::source_location where) {
  atLine(where);
  if (const FunctionEntry* entry = findFunction(name)) return entry->call(args);
  return raiseRuntimeErrorSubstitute(
      {.genCode = 12, .subCode = 1001, .operation = name->name, .args = ErrorArgs::of(args)},
      where);
}

Value callFunction(const Symbol* name, std::initializer_list<Value> args,
                   std::source_location where) {
  std::vector<Value> list(args);
  return callFunction(name, Args(list), where);
}

Value callFunction(std::string_view name, Args args, std::source_location where) {
  return callFunction(symbol(name), args, where);
}

Value callFunction(std::string_view name, std::initializer_list<Value> args,
                   std::source_location where) {
  std::vector<Value> list(args);
  return callFunction(symbol(name), Args(list), where);
}

int staticVariableCount() {
  int count = 0;
  for (const ModuleTable* module : moduleList()) count += module->staticVariables;
  return count;
}

}  // namespace lanmere
