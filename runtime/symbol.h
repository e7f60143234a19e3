// Interned names. A message or function name is resolved once to a Symbol; lookups through a
// symbol compare pointers, never strings.
#pragma once

#include <string>
#include <string_view>

namespace lanmere {

struct Symbol {
  std::string name;  // upper case
};

// The one symbol for `name`, matched without regard to case.
const Symbol* symbol(std::string_view name);

std::string upper(std::string_view text);

}  // namespace lanmere
