// Pieces the built-in families share; not for use outside runtime/.
#pragma once

#include "runtime/functions.h"
#include "runtime/value.h"

namespace lanmere::detail {

// A result text longer than maxTextLength(): "String overflow" (genCode 3) with the current
// function's sub-code and parameters, through substitution.
Value textOverflow(long long subCode);
// A list that would grow past kMaxListLength: "Bound error" (genCode 2), likewise.
Value listOverflow(long long subCode);

// An optional count argument: nil gives the fallback, a number its integer part.
inline long long countOr(const Value& value, long long fallback) {
  return value.isNil() ? fallback : value.integer();
}

// True when the value is nil or of the expected kind (optional arguments).
inline bool optionalNumber(const Value& value) {
  return value.isNil() || value.isNumber();
}
inline bool optionalText(const Value& value) {
  return value.isNil() || value.isText();
}

}  // namespace lanmere::detail

namespace lanmere {

// The module table of each family, defined beside its functions.
const ModuleTable& textModule();
const ModuleTable& numberModule();
const ModuleTable& dateModule();
const ModuleTable& listModule();
const ModuleTable& fileModule();

}  // namespace lanmere
