#include "framework/services/tmsgbar.h"

#include "errors/report.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

Value& startTime() {
  static Value start;
  return start;
}

// Today as DATE() gives it and the seconds since midnight as SECONDS() gives them.
struct Clock {
  std::int32_t julian;
  double seconds;
};

Clock now() {
  return {lanmere::today().julian(), lanmere::secondsSinceMidnight()};
}

void recordStart() {
  const Clock clock = now();
  startTime() = Value::list({Value::date(clock.julian), Value(clock.seconds, 2)});
}

Value INITTIME() {
  recordStart();
  return {};
}

}  // namespace

Value programStartTime() {
  return startTime();
}

Value TIMEFROMSTART() {
  if (!startTime().isList()) recordStart();
  const Clock clock = now();
  return elapsedText(startTime().item(1).julian(), startTime().item(2).number(), clock.julian,
                     clock.seconds);
}

const lanmere::ModuleTable& msgBarModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&TIMEFROMSTART>("TIMEFROMSTART"),
       lanmere::fn<&INITTIME>("INITTIME$", lanmere::kInit | lanmere::kDefined)},
      1};
  return module;
}

}  // namespace kestrel
