// The registration list of the error handling above the framework, as each layer has its own.
#pragma once

#include <vector>

#include "runtime/functions.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> errorsUiModules();

}  // namespace kestrel
