// The one-line error text that the error report and the error dialog show.
#pragma once

#include <string>

#include "runtime/error.h"
#include "runtime/functions.h"

namespace kestrel {

// "Error BASE/1081  Argument error: +", "(DOS Error 2) BASE/1002  Open error: x.dbf", ...
std::string errorMessage(const lanmere::ErrorRecord& error);

// ERRORMESSAGE (error record), private to the error handler's module: the same text for any
// object that answers the record's messages.
lanmere::Value ERRORMESSAGE(lanmere::Args args);

// DOBREAK(): BREAK with no value; the report writer installs it as a temporary error block.
lanmere::Value DOBREAK();

const lanmere::ModuleTable& errorMessageModule();

}  // namespace kestrel
