// The message bar module's start time: INITTIME$ records the date and the seconds since
// midnight when the program starts; TIMEFROMSTART gives the time elapsed since then.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// {date, seconds since midnight} as INITTIME$ stored it; nil before.
lanmere::Value programStartTime();

lanmere::Value TIMEFROMSTART();

const lanmere::ModuleTable& msgBarModule();

}  // namespace kestrel
