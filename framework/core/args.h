// Reading the arguments of methods and functions called by name, where a left-out argument is
// nil: a logical option with its default, a number with its default, any value with its default,
// and a position given in text cells.
#pragma once

#include <cmath>

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

// The whole number the value holds, or `fallback` when it holds no number.
inline long long number(const lanmere::Value& value, long long fallback) noexcept {
  return value.isNumber() ? value.integer() : fallback;
}

// A row or column of text cells `size` pixels long, as a whole pixel: Int(value x size), so
// fractions count (1.5 rows of 14 pixels are 21 pixels) and a pixel value (size 1) is cut to its
// whole part. Nil, or anything but a number, is 0.
inline long long cellPixels(const lanmere::Value& value, double size) noexcept {
  return value.isNumber() ? static_cast<long long>(std::trunc(value.number() * size)) : 0;
}

}  // namespace kestrel
