// The default error handler: ERRORSYS installs the error block that answers every error record
// of the program (soft errors at once, the rest with the report file and the error dialog), and
// KS_GT, which every module references so that the handler is linked in.
#pragma once

#include "runtime/functions.h"

namespace kestrel {

// ERRORSYS, ERRORLINK, KS_GT and the module-private ERRORDIALOG. The process entry registers it
// with the application's side, right after the application's own module.
const lanmere::ModuleTable& errorSysModule();

}  // namespace kestrel
