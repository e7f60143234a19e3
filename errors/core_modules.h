// The callable entries of the error handling's run-time part, for the start-up registration.
#pragma once

#include <vector>

#include "runtime/functions.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> errorsCoreModules();

}  // namespace kestrel
