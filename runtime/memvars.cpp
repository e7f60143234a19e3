#include "runtime/memvars.h"

#include <unordered_map>

namespace lanmere {

namespace {

std::unordered_map<std::string, Value>& variables() {
  static std::unordered_map<std::string, Value> table;
  return table;
}

std::string key(std::string_view name) {
  return upper(name.substr(0, std::min(name.size(), kSignificantNameLength)));
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isNameChar(char c) { return isLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

}  // namespace

Value& publicVariable(std::string_view name, Value initial) {
  auto [it, created] = variables().try_emplace(key(name), std::move(initial));
  return it->second;
}

Value* findDynamic(std::string_view name) {
  auto found = variables().find(key(name));
  return found == variables().end() ? nullptr : &found->second;
}

void clearDynamics() { variables().clear(); }

Value& PrivateScope::declare(std::string_view name, Value initial) {
  std::string k = key(name);
  auto found = variables().find(k);
  if (found != variables().end()) {
    saved_.push_back({k, true, std::move(found->second)});
    found->second = std::move(initial);
    return found->second;
  }
  saved_.push_back({k, false, {}});
  return variables().emplace(std::move(k), std::move(initial)).first->second;
}

PrivateScope::~PrivateScope() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->existed) {
      variables()[it->key] = std::move(it->previous);
    } else {
      variables().erase(it->key);
    }
  }
}

std::string expandMacros(std::string_view text) {
  std::string result(text);
  int substitutions = 0;
  std::size_t pos = 0;
  while ((pos = result.find('&', pos)) != std::string::npos) {
    const std::size_t start = pos + 1;
    if (start >= result.size() || !(result[start] == '_' || isLetter(result[start]))) {
      pos = start;
      continue;
    }
    std::size_t end = start;
    while (end < result.size() && isNameChar(result[end])) ++end;
    const std::string_view name(result.data() + start, end - start);
    if (name == "_") {
      pos = start;
      continue;
    }
    const Value* variable = findDynamic(name);
    if (!variable || !variable->isText() || substitutions == kMaxMacroSubstitutions) {
      pos = end;
      continue;
    }
    if (end < result.size() && result[end] == '.') ++end;
    result.replace(pos, end - pos, variable->text());
    ++substitutions;
    // Scanning resumes at the start of the inserted text.
  }
  return result;
}

}  // namespace lanmere
