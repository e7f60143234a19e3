// The process entry of the GUI program: WinMain keeps what Windows handed it and runs the
// start-up sequence over the application's and the framework's modules.
#pragma once

#include <windows.h>

#include <span>

#include "runtime/functions.h"

namespace kestrel {

// The application's side, registered first: the program's applicationModule(), then the default
// error handler's module (ERRORSYS and KS_GT), which every module references.
std::span<const lanmere::ModuleTable* const> applicationModules();
// The framework's module tables in link order (registered after the application's): each layer
// answers its own list, from the top layer down.
std::span<const lanmere::ModuleTable* const> frameworkModules();

}  // namespace kestrel
