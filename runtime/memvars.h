// Dynamic variables (public and private, created and found by name at run time) and the
// text-macro expansion of texts that refer to them with "&name".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.h"

namespace lanmere {

// Names match without regard to case, on at most their first 63 characters.
inline constexpr std::size_t kSignificantNameLength = 63;

// Creates the public variable (nil... or `initial`) when it does not exist; returns it.
Value& publicVariable(std::string_view name, Value initial = {});
// The dynamic variable of that name (the innermost private first), or null.
Value* findDynamic(std::string_view name);
// Forgets every dynamic variable (shut-down and tests).
void clearDynamics();

// Private variables live until the scope that declared them ends; they hide a public or an
// outer private of the same name meanwhile.
class PrivateScope {
 public:
  PrivateScope() = default;
  ~PrivateScope();
  PrivateScope(const PrivateScope&) = delete;
  PrivateScope& operator=(const PrivateScope&) = delete;
  Value& declare(std::string_view name, Value initial = {});

 private:
  struct Saved {
    std::string key;
    bool existed;
    Value previous;
  };
  std::vector<Saved> saved_;
};

// A text whose expansion keeps finding references (a variable that refers to itself) stops
// expanding after this many substitutions; the rest of the text stays as written.
inline constexpr int kMaxMacroSubstitutions = 256;

// Replaces each "&name" (and one "." right after it) that names a dynamic variable holding a
// text by that text, expanding the inserted text in turn.
std::string expandMacros(std::string_view text);

}  // namespace lanmere
