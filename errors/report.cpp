#include "errors/report.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

#include "errors/errormessage.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/functions.h"
#include "runtime/transform.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr std::size_t kFirstLevel = 2;
constexpr std::size_t kLastLevel = 73;
constexpr int kFreeResources = 90;  // what 32-bit Windows reports for all three figures
constexpr char kEndOfFile = 26;

std::string rightAligned(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string rightAligned(long long number, std::size_t width) {
  return rightAligned(std::to_string(number), width);
}

class Writer {
 public:
  void line(const std::string& text = {}) {
    text_ += text;
    text_ += kCrLf;
  }
  void heading(const std::string& title, bool blankBefore = true) {
    if (blankBefore) line();
    line(title);
    line(std::string(title.size(), '='));
  }
  std::string take() { return std::move(text_); }

 private:
  std::string text_;
};

}  // namespace

std::string sizePicture(long long bytes) {
  return lanmere::transform(Value(bytes), "9,999,999 bytes");
}

double clockRateMhz(unsigned long long tscTicks, long long performanceTicks,
                    long long performanceFrequency) {
  if (performanceTicks <= 0 || performanceFrequency <= 0) return 0;
  return static_cast<double>(tscTicks) / static_cast<double>(performanceTicks) *
         (static_cast<double>(performanceFrequency) / 1000000.0);
}

long long saturatedInteger(double value) {
  constexpr double kLimit = 9.2e18;  // below the largest long long, exactly representable
  if (std::isnan(value)) return 0;
  if (value >= kLimit) return static_cast<long long>(kLimit);
  if (value <= -kLimit) return -static_cast<long long>(kLimit);
  return static_cast<long long>(value);
}

long long roundClockRate(double measured) {
  long long rounded = saturatedInteger(
      std::floor((measured + 8.333333333333334) * 0.06) * 16.666666666666668 + 0.5);
  if (rounded % 100 == 67 && rounded != 667) --rounded;
  if (std::fabs(measured - 75) < std::fabs(measured - static_cast<double>(rounded))) rounded = 75;
  if (rounded < 50) rounded = saturatedInteger(std::round(measured));
  return rounded;
}

std::string elapsedText(std::int32_t startJulian, double startSeconds, std::int32_t todayJulian,
                        double nowSeconds) {
  constexpr double kDay = 86399;  // each day counts one second short
  double elapsed = 0;
  if (todayJulian == startJulian) {
    elapsed = nowSeconds - startSeconds;
  } else if (todayJulian > startJulian) {
    // The day count in double: two 32-bit day numbers far apart overflow an int.
    const double days = static_cast<double>(todayJulian) - static_cast<double>(startJulian);
    elapsed = (kDay - startSeconds) + (days - 1) * kDay + nowSeconds;
  }
  // Clocks give these inputs; a clock set back (or garbage) gives 0, never negative or NaN.
  if (!(elapsed > 0)) elapsed = 0;
  const long long hours = saturatedInteger(elapsed / 3600);
  const double rest = elapsed - static_cast<double>(hours) * 3600;
  const long long minutes = std::clamp(saturatedInteger(rest / 60), 0LL, 59LL);
  const long long seconds =
      std::clamp(saturatedInteger(rest - static_cast<double>(minutes) * 60), 0LL, 59LL);
  return std::to_string(hours) + " hours " + std::to_string(minutes) + " mins " +
         std::to_string(seconds) + " secs ";
}

std::string cGetInfo(const Value& value, ValueToText valueToText) {
  if (value.isText()) return "\"" + value.string() + "\"";
  if (value.isObject()) return "Class: " + lanmere::className(value);
  if (value.isList()) return "Len: " + rightAligned(static_cast<long long>(value.length()), 4);
  return valueToText(value);
}

Report buildReport(const lanmere::ErrorRecord& error, const ReportFacts& facts,
                   ValueToText valueToText) {
  Report report;
  Writer out;

  out.heading("Application", false);
  out.line("   Path and name: " + facts.programPath +
           (facts.is64Bit ? " (64 bits)" : " (32 bits)"));
  out.line("   Size: " + sizePicture(facts.programSize));
  out.line("   Compiler version: " + facts.compilerVersion);
  out.line("   Kestrel  Version: KQX 11.12");
  out.line("   Windows version: " + std::to_string(facts.windowsMajor) + "." +
           std::to_string(facts.windowsMinor) + ", Build " + std::to_string(facts.windowsBuild) +
           " " + facts.servicePack);
  out.line();
  out.line("   Time from start: " + facts.elapsed);
  out.line("   Error occurred at: " + facts.date + ", " + facts.time);
  report.errorLine = "   Error description: " + errorMessage(error) + kCrLf;
  out.line("   Error description: " + errorMessage(error));
  if (error.args.isList()) {
    out.line("   Args:");
    long long n = 0;
    for (const Value& argument : error.args.items()) {
      out.line("     [" + rightAligned(++n, 4) + "] = " + lanmere::typeLetter(argument) + "   " +
               valueToText(argument));
    }
  }

  out.heading("Stack Calls");
  for (std::size_t level = kFirstLevel; level <= kLastLevel; ++level) {
    const std::string name(lanmere::trimRight(lanmere::procName(level)));
    if (name.empty()) continue;
    const std::string line = "   Called from: " + lanmere::procFile(level) + " => " + name + "( " +
                             std::to_string(lanmere::procLine(level)) + " )";
    report.stackList.push_back(line);
    out.line(line);
  }

  out.heading("System");
  if (!facts.is64Bit) {
    out.line("   CPU type: " + facts.cpuName + " " + std::to_string(facts.clockMhz) + " Mhz");
  }
  out.line("   Hardware memory: " + std::to_string(facts.availablePhysicalBytes / 1048576 + 1) +
           " megs");
  out.line();
  out.line("   Free System resources: " + std::to_string(kFreeResources) + " %");
  out.line("        GDI    resources: " + std::to_string(kFreeResources) + " %");
  out.line("        User   resources: " + std::to_string(kFreeResources) + " %");
  out.line();
  out.line("   Windows total applications running: " + std::to_string(facts.tasks.size()));
  long long task = 0;
  for (const std::string& entry : facts.tasks) {
    out.line("    " + rightAligned(++task, 3) + " " + entry);
  }

  out.heading("Variables in use");
  out.line("   Procedure     Type   Value");
  out.line("   " + std::string(26, '='));
  for (std::size_t level = kFirstLevel; level <= kLastLevel; ++level) {
    const lanmere::Frame* frame = lanmere::frameAt(level);
    if (!frame) break;
    const std::string name(lanmere::trimRight(frame->procedure()));
    if (name.empty()) continue;
    out.line("   " + name);
    long long j = 0;
    for (const Value& param : frame->params()) {
      out.line("     Param " + rightAligned(++j, 3) + ":    " + lanmere::typeLetter(param) +
               "    " + cGetInfo(param, valueToText));
    }
    j = 0;
    for (const lanmere::Local& local : frame->locals()) {
      out.line("     Local " + rightAligned(++j, 3) + ":    " + lanmere::typeLetter(*local.value) +
               "    " + cGetInfo(*local.value, valueToText));
    }
  }

  out.heading("Linked RDDs");
  for (const std::string& driver : facts.tableDrivers) out.line("   " + driver);

  // No table layer exists, so no work area has an alias: the section keeps its heading.
  out.heading("DataBases in use");

  out.heading("Classes in use:");
  for (int handle = 1; const lanmere::ClassInfo* info = lanmere::classByHandle(handle); ++handle) {
    if (info->name.empty()) break;
    out.line("   " + rightAligned(handle, 3) + " " + info->name);
  }

  out.heading("Memory Analysis");
  out.line("      " + std::to_string(facts.staticVariables) + " Static variables");
  out.line();
  out.line("   Dynamic memory consume:");
  out.line("      Actual  Value: " + rightAligned(static_cast<long long>(facts.memoryInUse), 10) +
           " bytes");
  out.line("      Highest Value: " + rightAligned(static_cast<long long>(facts.memoryHighest), 10) +
           " bytes");

  report.text = out.take();
  return report;
}

namespace {

// A write that stopped short is a "Write error" (genCode 24) raised like any other: inside the
// report's sequence the temporary block turns it into the break that ends the write.
void raiseWriteError(const std::string& path, int osCode) {
  lanmere::Ref<lanmere::ErrorRecord> error = lanmere::errorNew();
  error->severity = 2;
  error->subSystem = "BASE";
  error->setGenCode(kWriteErrorGenCode);
  error->subCode = kWriteErrorSubCode;
  error->filename = path;
  error->osCode = osCode;
  error->setFlag(lanmere::kCanDefault, true);
  lanmere::launchError(error.get());
}

}  // namespace

bool writeReport(const std::string& path, const std::string& text) {
  // A name with a zero byte would be cut short by the system: refused like an unwritable one.
  if (path.find('\0') != std::string::npos) return false;
  bool complete = false;
  const Value previous = lanmere::errorBlock();
  lanmere::beginSequence([&] {
    lanmere::errorBlock(
        lanmere::block([](lanmere::Args) -> Value { lanmere::doBreak(); }, "(b)DOBREAK"));
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openReportFile(path), &std::fclose);
    if (!file) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
        std::fflush(file.get()) != 0) {
      raiseWriteError(path, errno);
      return;  // the error was defaulted: still no end-of-file byte after a part
    }
    const bool written = std::fputc(kEndOfFile, file.get()) != EOF;
    complete = std::fclose(file.release()) == 0 && written;
  });
  lanmere::restoreErrorBlock(previous);
  return complete;
}

std::string reportValueText(const Value& value) {
  if (lanmere::findFunction("CVALTOCHAR")) {
    return lanmere::callFunction("CVALTOCHAR", {value}).string();
  }
  if (value.isText()) return value.string();
  if (value.isNumber()) {
    return value.isInteger() ? std::to_string(value.integer()) : std::to_string(value.number());
  }
  if (value.isLogical()) return value.logical() ? ".T." : ".F.";
  return "";
}

Value CGETINFO(lanmere::Args args) {
  return cGetInfo(lanmere::arg(args, 1), reportValueText);
}

const lanmere::ModuleTable& reportModule() {
  using namespace lanmere;
  static const ModuleTable module{"errors/report.cpp",
                                  {
                                      lanmere::fn<&CGETINFO>("CGETINFO"),
#ifdef _WIN32
                                      lanmere::fn<&GETCPU>("GETCPU"),
                                      lanmere::fn<&GETTASKS>("GETTASKS"),
#endif
                                  }};
  return module;
}

}  // namespace kestrel
