// The message bar module's start time: INITTIME$ records the date and the seconds since
// midnight when the program starts; TIMEFROMSTART gives the time elapsed since then.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

inline constexpr int kSecondsPerDay = 86399;  // the elapsed-time text counts each day so

// {date, seconds since midnight} as INITTIME$ stored it; nil before.
lanmere::Value programStartTime();

// "h hours m mins s secs " for the time from (startJulian, startSeconds) to
// (nowJulian, nowSeconds); an earlier date gives 0 seconds.
std::string timeFromStartText(std::int32_t startJulian, double startSeconds, std::int32_t nowJulian,
                              double nowSeconds);

lanmere::Value TIMEFROMSTART(lanmere::Args args);

const lanmere::ModuleTable& msgBarModule();

}  // namespace kestrel
