// Wait messages: MSGRUN shows a small modal note while an action runs, MSGWAIT shows one for a
// number of seconds, WAITSECONDS waits without dispatching any window message.
#pragma once

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// WAITSECONDS with a count that is not a number, or MSGRUN with an action that is not a
// closure (genCode 1).
inline constexpr long long kWaitArgumentSubCode = 5432;

// The millisecond tick count WAITSECONDS reads: 64 bits, so it never wraps.
using WaitClock = unsigned long long (*)();
// Replaces the clock (null restores the system's); returns the previous one. Tests count its
// reads and look at the screen from inside a wait.
WaitClock setWaitClock(WaitClock clock);

// WAITSECONDS (nSeconds = 1): returns once the tick count has advanced by 1000 x nSeconds
// milliseconds (fractions count), sleeping in short slices and dispatching nothing. A negative
// count returns at once.
lanmere::Value WAITSECONDS(const lanmere::Value& seconds);
// MSGRUN (cMsg = "Please, wait...", cTitle, bAction = {|| WAITSECONDS(1)}): the action is
// evaluated with the note's dialog once the note is painted; answers the action's value.
lanmere::Value MSGRUN(const lanmere::Value& message, const lanmere::Value& title,
                      const lanmere::Value& action);
// MSGWAIT (cMsg, cTitle, nSeconds = 4): MSGRUN with an action waiting nSeconds.
lanmere::Value MSGWAIT(const lanmere::Value& message, const lanmere::Value& title,
                       const lanmere::Value& seconds);

const lanmere::ModuleTable& msgRunModule();

}  // namespace kestrel
