// The framework's current resource module: where bitmaps, icons and dialogs named by resource are
// loaded from. The program's own module until something chooses another.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

HINSTANCE resourceModule() noexcept;
// Null goes back to the program's own module. Returns the previous one.
HINSTANCE setResourceModule(HINSTANCE module) noexcept;

// A resource name as the system takes it: a text up to its first zero byte, or an integer
// identifier from 1 to 65535. Nothing for a number the system would take for an address.
struct ResourceName {
  std::string text;
  LPCSTR name = nullptr;
};
bool resourceName(const lanmere::Value& resource, ResourceName& out);

// GETRESOURCES(): the current resource module's handle.
lanmere::Value GETRESOURCES();

const lanmere::ModuleTable& resModule();

}  // namespace kestrel
