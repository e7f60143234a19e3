// The module tables of the framework's display layer, in registration order.
#pragma once

#include <vector>

#include "runtime/functions.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> displayModules();

}  // namespace kestrel
