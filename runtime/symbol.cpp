#include "runtime/symbol.h"

#include <memory>
#include <unordered_map>

namespace lanmere {

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

const Symbol* symbol(std::string_view name) {
  static std::unordered_map<std::string, std::unique_ptr<Symbol>> table;
  std::string key = upper(name);
  auto found = table.find(key);
  if (found != table.end()) return found->second.get();
  auto entry = std::make_unique<Symbol>(Symbol{key});
  const Symbol* result = entry.get();
  table.emplace(std::move(key), std::move(entry));
  return result;
}

}  // namespace lanmere
