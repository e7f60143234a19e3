// CVALTOCHAR: the framework's general conversion of any value to text, used by the value-list
// display, the error report and the log files.
#pragma once

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

std::string cValToChar(const lanmere::Value& value);

lanmere::Value CVALTOCHAR(lanmere::Args args);

const lanmere::ModuleTable& valToCharModule();

}  // namespace kestrel
