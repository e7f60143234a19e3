#include "runtime/setkey.h"

#include <unordered_map>

#include "runtime/binding.h"

namespace lanmere {

namespace {

std::unordered_map<long long, Value>& table() {
  static std::unordered_map<long long, Value> actions;
  return actions;
}

}  // namespace

Value keyAction(long long key) {
  const auto found = table().find(key);
  return found == table().end() ? Value() : found->second;
}

Value setKeyAction(long long key, const Value& action) {
  Value previous = keyAction(key);
  if (action.isClosure()) {
    table()[key] = action;
  } else if (action.isNil()) {
    table().erase(key);
  }
  return previous;
}

Value SETKEY(Args args) {
  const Value& key = arg(args, 1);
  if (!key.isNumber()) return {};
  if (args.size() < 2) return keyAction(key.integer());
  return setKeyAction(key.integer(), args[1]);
}

const ModuleTable& setKeyModule() {
  static const ModuleTable module{__FILE__, {fn<&SETKEY>("SETKEY")}};
  return module;
}

}  // namespace lanmere
