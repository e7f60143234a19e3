// The error report: the plain-text account of an error and of the program's state that the
// default handler writes to the report file before it shows the error dialog.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace kestrel {

// What the report says about the program and the machine, gathered by gatherReportFacts().
struct ReportFacts {
  std::string programPath;
  long long programSize = 0;
  bool is64Bit = sizeof(void*) == 8;
  std::string compilerVersion;
  unsigned windowsMajor = 0, windowsMinor = 0, windowsBuild = 0;
  std::string servicePack;
  bool ntFamily = true;  // the platform of the system version: NT, not the Windows 95 line
  std::string elapsed;  // TIMEFROMSTART
  std::string date;     // today in the run-time's date format
  std::string time;     // hh:mm:ss
  std::string cpuName;
  long long clockMhz = 0;
  unsigned long long availablePhysicalBytes = 0;
  std::vector<std::string> tasks;
  std::vector<std::string> tableDrivers;  // no table layer exists: always empty
  int staticVariables = 0;
  std::size_t memoryInUse = 0;
  std::size_t memoryHighest = 0;
};

// The value-to-text conversion the report uses for arguments and variables (CVALTOCHAR).
using ValueToText = std::string (*)(const lanmere::Value&);

struct Report {
  std::string text;
  std::string errorLine;               // "   Error description: ..." + CR LF
  std::vector<std::string> stackList;  // the "   Called from: ..." lines, without line ends
};

// Builds the report. Call levels are counted from the caller: level 0 is the handler, level 1
// the error block, level 2 the place the error was raised.
Report buildReport(const lanmere::ErrorRecord& error, const ReportFacts& facts,
                   ValueToText valueToText);

// The facts of this process and machine (the platform file gathers them).
ReportFacts gatherReportFacts();
// CVALTOCHAR by name, or a plain rendering when the display layer is not linked.
std::string reportValueText(const lanmere::Value& value);

// Writes the report to `path` (replacing the file) inside a protected sequence whose temporary
// error block breaks out on any error; a write that stops short raises "Write error" (genCode
// 24), which ends it there. The end-of-file byte 26 follows only a complete write. The previous
// error block is back in place afterwards. Returns whether the whole file was written. A name
// holding a zero byte, or naming anything but a regular file (a pipe, a device), is refused.
bool writeReport(const std::string& path, const std::string& text);
inline constexpr long long kWriteErrorGenCode = 24;
inline constexpr long long kWriteErrorSubCode = 1143;  // the run-time's file write (FWRITE)
// Opens `path` for writing from its start, created when missing. Opening never blocks, and a name
// that is not a regular file (a pipe, a device) gives null, as does any failure.
std::FILE* openReportFile(const std::string& path);

// Pieces with rules of their own.
std::string sizePicture(long long bytes);  // "9,999,999 bytes"
// The measured clock rate in MHz: time-stamp counter ticks per performance-counter tick, times
// the performance counter's frequency in MHz. 0 when nothing was measured.
double clockRateMhz(unsigned long long tscTicks, long long performanceTicks,
                    long long performanceFrequency);
// A number to an integer without undefined behaviour: NaN gives 0, the rest saturates.
long long saturatedInteger(double value);
long long roundClockRate(double measuredMhz);
// TIMEFROMSTART's text, "h hours m mins s secs ", from a start date and seconds since midnight
// (with their fractions) to now; an earlier date gives 0 seconds.
std::string elapsedText(std::int32_t startJulian, double startSeconds, std::int32_t todayJulian,
                        double nowSeconds);
std::string cGetInfo(const lanmere::Value& value, ValueToText valueToText);  // CGETINFO

lanmere::Value CGETINFO(lanmere::Args args);
#ifdef _WIN32
lanmere::Value GETCPU();
lanmere::Value GETTASKS();
#endif
const lanmere::ModuleTable& reportModule();

}  // namespace kestrel
