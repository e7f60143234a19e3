#include "framework/services/tmsgbar.h"

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

Value INITTIME(Args args) {
  lanmere::Frame frame("INITTIME$", args);
  recordStart();
  return {};
}

}  // namespace

Value programStartTime() {
  return startTime();
}

std::string timeFromStartText(std::int32_t startJulian, double startSeconds, std::int32_t nowJulian,
                              double nowSeconds) {
  double elapsed = 0;
  if (nowJulian == startJulian) {
    elapsed = nowSeconds - startSeconds;
  } else if (nowJulian > startJulian) {
    elapsed = (kSecondsPerDay - startSeconds) +
              static_cast<double>(nowJulian - startJulian - 1) * kSecondsPerDay + nowSeconds;
  }
  const long long hours = static_cast<long long>(elapsed / 3600);
  const long long minutes = static_cast<long long>((elapsed - hours * 3600.0) / 60);
  const long long seconds = static_cast<long long>(elapsed - hours * 3600.0 - minutes * 60.0);
  return std::to_string(hours) + " hours " + std::to_string(minutes) + " mins " +
         std::to_string(seconds) + " secs ";
}

Value TIMEFROMSTART(Args args) {
  lanmere::Frame frame("TIMEFROMSTART", args);
  if (!startTime().isList()) recordStart();
  const Clock clock = now();
  return timeFromStartText(startTime().item(1).julian(), startTime().item(2).number(), clock.julian,
                           clock.seconds);
}

const lanmere::ModuleTable& msgBarModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {{"TIMEFROMSTART", lanmere::kPublic | lanmere::kDefined, TIMEFROMSTART},
       {"INITTIME$", lanmere::kInit | lanmere::kDefined, INITTIME}},
      1};
  return module;
}

}  // namespace kestrel
