// The callable entries of the framework services, for the start-up registration.
#pragma once

#include <vector>

#include "runtime/functions.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> servicesModules();

}  // namespace kestrel
