// ERRORSYS and KS_GT as the start-up sequence needs them. Temporary: the default error handler
// replaces this module; until then a fatal error shows its one-line text in a box titled
// "Error" and ends the program with error level 1.
#pragma once

#include "runtime/functions.h"

namespace kestrel {

const lanmere::ModuleTable& errorSysModule();

}  // namespace kestrel
