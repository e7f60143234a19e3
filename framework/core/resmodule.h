// The framework's current resource module: where bitmaps, icons and dialogs named by resource are
// loaded from. The program's own module until something chooses another.
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

HINSTANCE resourceModule() noexcept;
// Null goes back to the program's own module. Returns the previous one.
HINSTANCE setResourceModule(HINSTANCE module) noexcept;

// GETRESOURCES(): the current resource module's handle.
lanmere::Value GETRESOURCES();

const lanmere::ModuleTable& resModule();

}  // namespace kestrel
