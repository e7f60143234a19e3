// Windows handles as the language holds them: numbers, 0 for none, at full pointer width.
#pragma once

#include <cstdint>
#include <type_traits>

#include "runtime/value.h"

namespace kestrel {

// A handle (or any pointer-sized value: a procedure address, a WPARAM) as a number.
template <class Handle>
long long handleNumber(Handle handle) {
  if constexpr (std::is_pointer_v<Handle>) {
    return static_cast<long long>(reinterpret_cast<std::intptr_t>(handle));
  } else {
    return static_cast<long long>(handle);
  }
}

// The handle a number holds; any other value is the null handle.
template <class Handle>
Handle handleFrom(const lanmere::Value& value) {
  const auto whole = static_cast<std::intptr_t>(value.integer());
  if constexpr (std::is_pointer_v<Handle>) {
    return reinterpret_cast<Handle>(whole);
  } else {
    return static_cast<Handle>(whole);
  }
}

}  // namespace kestrel
