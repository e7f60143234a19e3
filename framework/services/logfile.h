// LOGFILE, the append-only log writer (date, time and TAB-separated values per line), and
// LOGSTACK, which logs the active call levels with their parameters.
#pragma once

#include <initializer_list>
#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The moment a log line carries: a date value and the time of day as "hh:mm:ss".
struct LogTime {
  lanmere::Value date;
  std::string time;
};
using LogClock = LogTime (*)();
// Replaces the clock LOGFILE reads (null restores the system clock); returns the previous one.
LogClock setLogClock(LogClock clock);

// Appends one line; silent when the file cannot be opened.
void logFile(const std::string& fileName, std::initializer_list<lanmere::Value> values);
void logFile(const std::string& fileName, lanmere::Args values);

// LOGFILE (file name, values): a list gives one field per element, any other value one field.
lanmere::Value LOGFILE(lanmere::Args args);
// LOGSTACK(): to "stack.txt", a heading and one line per call level, from the caller outwards.
lanmere::Value LOGSTACK();

const lanmere::ModuleTable& logFileModule();

}  // namespace kestrel
