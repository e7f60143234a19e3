// The process entry of the GUI program: WinMain keeps what Windows handed it and runs the
// start-up sequence over the application's and the framework's modules.
#pragma once

#include <windows.h>

#include <span>

#include "runtime/functions.h"

namespace kestrel {

// The framework's module tables in link order (registered after the application's).
std::span<const lanmere::ModuleTable* const> frameworkModules();

}  // namespace kestrel
