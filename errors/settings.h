// The error handler's process-wide settings: where the report file goes and what runs after
// the error dialog closes.
#pragma once

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The report directory, ".\" until changed.
const std::string& errorPath();
// The report file name, "error.log" until changed.
const std::string& errorFileName();
// The report's full name: the directory directly followed by the file name, no separator added.
std::string errorReportName();
// The closure called after the dialog, or nil.
const lanmere::Value& postErrorAction();

// Each returns the previous setting. The path and the file name are stored only when exactly one
// text is passed; the action whenever the first argument is a closure.
lanmere::Value SETERRORPATH(lanmere::Args args);
lanmere::Value SETERRORFILENAME(lanmere::Args args);
lanmere::Value SETPOSTERRORACTION(lanmere::Args args);

const lanmere::ModuleTable& errorSettingsModule();

}  // namespace kestrel
