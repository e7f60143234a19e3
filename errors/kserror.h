// The framework's own errors: the records of the framework error table, the one way framework
// code raises them, and the operation texts that say what failed.
#pragma once

#include <optional>
#include <source_location>
#include <string>
#include <string_view>

#include "runtime/error.h"
#include "runtime/functions.h"

namespace kestrel {

// Framework error numbers, the index of the error table.
enum FrameworkError : int {
  kErrNonDefinedId = 1,
  kErrDuplicatedId = 2,
  kErrCannotCreateDialog = 3,
  kErrMemoryLow = 4,
  kErrGpf = 5,
  kErrCannotCreateWindow = 6,
};

// A new record for framework error 1 to 6 with `operation` set; null for any other number.
lanmere::Ref<lanmere::ErrorRecord> ksGenError(int number, std::string_view operation = {});

// Evaluates the current error block with `record` directly (no launch: no flag checks, no
// `tries`, no launch depth) and returns its answer; nothing when no block is installed.
std::optional<lanmere::Value> handToErrorBlock(const lanmere::Value& record);

// Hands the record of framework error `number` straight to the current error block: no flag
// checks, no `tries`, no launch depth; the block's answer is ignored. A BREAK or quit requested
// by the handler unwinds from here as from any call.
void raiseFrameworkError(int number, std::string_view operation = {},
                         std::source_location where = std::source_location::current());

// Operation texts of the framework errors.
// "No: " + the identifier right-aligned in 6 (errors 1 and 2).
std::string idOperation(long long id);
// CR LF, 22 blanks, "Resource: " + the resource's name or number (error 3, dialog from a
// resource).
std::string dialogResourceOperation(const lanmere::Value& resource);
// CR LF, 22 blanks, "Title: " + the caption (error 3, dialog built in memory).
std::string dialogTitleOperation(std::string_view caption);
// CR LF "Class: " ..., CR LF "Caption: " ..., CR LF "System Error: " ... (error 6).
std::string windowOperation(std::string_view className, std::string_view caption,
                            std::string_view systemError);
// The operating system's message for an error code, without its trailing line end.
std::string systemErrorText(unsigned long code);

// _KSGENERROR (number, operation): the record, or nil for a number outside 1 to 6.
lanmere::Value KSGENERROR(lanmere::Args args);
// __LOWMEMERROR(): evaluates the error block with the record of error 4; returns its answer.
lanmere::Value LOWMEMERROR();

const lanmere::ModuleTable& ksErrorModule();

}  // namespace kestrel
