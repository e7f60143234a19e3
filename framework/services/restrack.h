// The process-wide record of live drawing resources with the callers that created them, and
// the dump of it that shows leaks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

struct TrackedResource {
  std::string type;   // "FONT", "BRUSH", "BMP -> MakeBkBmp", ...
  long long handle;   // the system handle, 0 when creation failed
  std::string chain;  // "name(line)->name(line)...", innermost first
};

// The live records, in creation order.
const std::vector<TrackedResource>& trackedResources();
// The callers from `level` outwards as "name(line)" joined by "->".
std::string creationChain(std::size_t level);

// KSADDRESOURCE (handle, type tag): appends a record whose chain starts three levels above it,
// past the native creation service and the method that called that. Returns nil.
lanmere::Value KSADDRESOURCE(lanmere::Args args);
// KSDELRESOURCE (handle): removes the first record of that handle. Returns nil.
lanmere::Value KSDELRESOURCE(lanmere::Args args);
// CHECKRES(): logs each record with a handle to "checkres.txt", then a line of 100 "=".
lanmere::Value CHECKRES();
// SETRESDEBUG (flag): kept for old callers; tracking is always on.
lanmere::Value SETRESDEBUG();

// Forgets every record (tests).
void clearTrackedResources();

const lanmere::ModuleTable& resTrackModule();

}  // namespace kestrel
