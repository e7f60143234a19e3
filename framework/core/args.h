// Reading the arguments of methods and functions called by name, where a left-out argument is
// nil: a logical option with its default, and any value with its default.
#pragma once

#include "runtime/value.h"

namespace kestrel {

// The logical the value holds, or `fallback` when it holds none.
inline bool flag(const lanmere::Value& value, bool fallback = false) noexcept {
  return value.isLogical() ? value.logical() : fallback;
}

// The value, or `fallback` when it is nil.
inline const lanmere::Value& orDefault(const lanmere::Value& value,
                                       const lanmere::Value& fallback) noexcept {
  return value.isNil() ? fallback : value;
}

}  // namespace kestrel
