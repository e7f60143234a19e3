#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <memory>

#include "errors/report.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/functions.h"
#include "tests/support/files.h"
#include "tests/support/modules.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrel {
namespace {

using lanmere::Args;
using lanmere::Frame;
using lanmere::Value;

std::string plainText(const Value& v) {
  if (v.isText()) return v.string();
  if (v.isNumber()) return std::to_string(v.integer());
  return v.isNil() ? "" : "?";
}

ReportFacts knownFacts() {
  ReportFacts facts;
  facts.programPath = "C:\\app\\weather.exe";
  facts.programSize = 1234567;
  facts.is64Bit = false;
  facts.compilerVersion = "Lanmere 1.0";
  facts.windowsMajor = 6;
  facts.windowsMinor = 1;
  facts.windowsBuild = 7601;
  facts.elapsed = "0 hours 0 mins 5 secs ";
  facts.date = "12/08/26";
  facts.time = "10:11:12";
  facts.cpuName = "Test CPU";
  facts.clockMhz = 2400;
  facts.availablePhysicalBytes = 3 * 1048576 + 5;
  facts.tasks = {"Alert, C:\\app\\weather.exe", "Desk, C:\\windows\\explorer.exe"};
  facts.staticVariables = 4;
  facts.memoryInUse = 1500;
  facts.memoryHighest = 2500;
  return facts;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0, end;
  while ((end = text.find("\r\n", start)) != std::string::npos) {
    out.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  return out;
}

Report reportFromChain(Value args) {
  // MAIN(7) -> GETDATAS -> the raise; then the error block and the handler.
  Report report;
  std::vector<Value> mainArgs{7};
  Frame main("MAIN", mainArgs);
  main.line(11);
  std::vector<Value> downloadArgs;
  Frame download("GETDATAS", downloadArgs);
  Value reply = "say \"hi\"";
  Value list = Value::list({1, 2});
  download.local("cReply", reply);
  download.local("aList", list);
  download.line(42);
  Frame block("(b)ERRORSYS", {});
  Frame handler("ERRORDIALOG", {});
  lanmere::Ref<lanmere::ErrorRecord> error = lanmere::errorNew();
  error->severity = 2;
  error->subSystem = "BASE";
  error->subCode = 1081;
  error->setGenCode(1);
  error->operation = "+";
  error->args = args;
  return buildReport(*error, knownFacts(), plainText);
}

TEST(Report, SectionsInOrderWithEveryLiteral) {
  const Report report = reportFromChain(Value::list({"a", 3}));
  const std::vector<std::string> l = lines(report.text);
  const std::vector<std::string> head(l.begin(), l.begin() + 13);
  EXPECT_EQ(head, (std::vector<std::string>{
                      "Application",
                      "===========",
                      "   Path and name: C:\\app\\weather.exe (32 bits)",
                      "   Size: 1,234,567 bytes",
                      "   Compiler version: Lanmere 1.0",
                      "   Kestrel  Version: KQX 11.12",
                      "   Windows version: 6.1, Build 7601 ",
                      "",
                      "   Time from start: 0 hours 0 mins 5 secs ",
                      "   Error occurred at: 12/08/26, 10:11:12",
                      "   Error description: Error BASE/1081  Argument error: +",
                      "   Args:",
                      "     [   1] = C   a",
                  }));
  EXPECT_EQ(l[13], "     [   2] = N   3");
  EXPECT_EQ(report.errorLine, "   Error description: Error BASE/1081  Argument error: +\r\n");

  auto at = [&](const std::string& line) {
    return std::find(l.begin(), l.end(), line) - l.begin();
  };
  const auto stack = at("Stack Calls");
  ASSERT_LT(stack, static_cast<long>(l.size()));
  EXPECT_EQ(l[stack + 1], "===========");
  EXPECT_EQ(l[stack - 1], "");
  EXPECT_EQ(l[stack + 2], "   Called from: tests/errors/report_test.cpp => GETDATAS( 42 )");
  EXPECT_EQ(l[stack + 3], "   Called from: tests/errors/report_test.cpp => MAIN( 11 )");
  ASSERT_GE(report.stackList.size(), 2u);
  EXPECT_EQ(report.stackList[0], l[stack + 2]);

  const auto system = at("System");
  EXPECT_EQ(l[system + 1], "======");
  EXPECT_EQ(l[system + 2], "   CPU type: Test CPU 2400 Mhz");
  EXPECT_EQ(l[system + 3], "   Hardware memory: 4 megs");
  EXPECT_EQ(l[system + 4], "");
  EXPECT_EQ(l[system + 5], "   Free System resources: 90 %");
  EXPECT_EQ(l[system + 6], "        GDI    resources: 90 %");
  EXPECT_EQ(l[system + 7], "        User   resources: 90 %");
  EXPECT_EQ(l[system + 8], "");
  EXPECT_EQ(l[system + 9], "   Windows total applications running: 2");
  EXPECT_EQ(l[system + 10], "      1 Alert, C:\\app\\weather.exe");

  const auto variables = at("Variables in use");
  EXPECT_EQ(l[variables + 1], "================");
  EXPECT_EQ(l[variables + 2], "   Procedure     Type   Value");
  EXPECT_EQ(l[variables + 3], "   ==========================");
  EXPECT_EQ(l[variables + 4], "   GETDATAS");
  EXPECT_EQ(l[variables + 5], "     Local   1:    C    \"say \"hi\"\"");
  EXPECT_EQ(l[variables + 6], "     Local   2:    A    Len:    2");
  EXPECT_EQ(l[variables + 7], "   MAIN");
  EXPECT_EQ(l[variables + 8], "     Param   1:    N    7");

  const auto rdds = at("Linked RDDs");
  EXPECT_EQ(l[rdds + 1], "===========");
  const auto tables = at("DataBases in use");
  EXPECT_EQ(tables, rdds + 3);
  EXPECT_EQ(l[tables + 1], "================");
  const auto classes = at("Classes in use:");
  EXPECT_EQ(classes, tables + 3);
  EXPECT_EQ(l[classes + 1], "===============");
  const lanmere::ClassInfo* first = lanmere::classByHandle(1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(l[classes + 2], "     1 " + first->name);

  const auto memory = at("Memory Analysis");
  const std::vector<std::string> tail(l.begin() + memory, l.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "Memory Analysis", "===============", "      4 Static variables", "",
                      "   Dynamic memory consume:", "      Actual  Value:       1500 bytes",
                      "      Highest Value:       2500 bytes"}));
}

// A real chain: CALLER calls LEFT with a number where a text belongs; the error block hands the
// record to a handler that builds the report from inside the handler, as the default one does.
Report chainReport;
int callerLine = 0;

Value REPORTHANDLER(Args args) {
  Frame frame("ERRORDIALOG", args);
  chainReport = buildReport(*static_cast<lanmere::ErrorRecord*>(lanmere::arg(args, 1).object()),
                            knownFacts(), plainText);
  return Value("");
}

Value CALLER(Args args) {
  Frame frame("CALLER", args);
  Value text = 5;
  frame.local("xText", text);
  callerLine = __LINE__ + 1;
  return lanmere::callFunction("LEFT", {text, 2});
}

TEST(Report, TheStackNamesTheRealProceduresAndLines) {
  test::registerModules({lanmere::builtinModules()});
  const Value kept = lanmere::errorBlock();
  lanmere::errorBlock(lanmere::block([](Args a) { return REPORTHANDLER(a); }, "(b)ERRORSYS"));
  std::vector<Value> callerArgs{"p"};
  EXPECT_EQ(CALLER(callerArgs).text(), "");
  lanmere::restoreErrorBlock(kept);
  lanmere::clearModules();

  ASSERT_GE(chainReport.stackList.size(), 2u);
  EXPECT_EQ(
      chainReport.stackList[0].rfind("   Called from: runtime/builtins_text.cpp => LEFT( ", 0), 0u)
      << chainReport.stackList[0];
  EXPECT_EQ(chainReport.stackList[1], "   Called from: tests/errors/report_test.cpp => CALLER( " +
                                          std::to_string(callerLine) + " )");
  EXPECT_NE(chainReport.errorLine.find("Error BASE/1124  Argument error: LEFT"), std::string::npos);
  EXPECT_NE(chainReport.text.find("   Args:\r\n     [   1] = N   5\r\n     [   2] = N   2\r\n"),
            std::string::npos);
  EXPECT_NE(chainReport.text.find("   LEFT\r\n     Param   1:    N    5\r\n"), std::string::npos);
  EXPECT_NE(chainReport.text.find("   CALLER\r\n     Param   1:    C    \"p\"\r\n"
                                  "     Local   1:    N    5\r\n"),
            std::string::npos);
}

TEST(Report, ArgsLineOnlyForAList) {
  const std::string withNil = reportFromChain(Value()).text;
  EXPECT_EQ(withNil.find("   Args:"), std::string::npos);
  const std::string withEmpty = reportFromChain(Value::list()).text;
  const auto args = withEmpty.find("   Args:\r\n");
  ASSERT_NE(args, std::string::npos);
  EXPECT_EQ(withEmpty.substr(args + 10, 2), "\r\n");  // the blank line before "Stack Calls"
}

TEST(Report, SizePictureAndItsOverflow) {
  EXPECT_EQ(sizePicture(0), "        0 bytes");
  EXPECT_EQ(sizePicture(999), "      999 bytes");
  EXPECT_EQ(sizePicture(52000), "   52,000 bytes");
  EXPECT_EQ(sizePicture(9999999), "9,999,999 bytes");
  EXPECT_EQ(sizePicture(10000000), "********* bytes");
}

// Levels 2 to 73 are listed, those without a name skipped; the loop does not stop at the first.
TEST(Report, TheStackIsCutAtLevel73AndSkipsNamelessLevels) {
  std::vector<std::unique_ptr<Frame>> frames;
  for (int level = 80; level >= 2; --level) {
    const bool nameless = level == 5;
    frames.push_back(
        std::make_unique<Frame>(std::string_view(), nameless ? "" : "P", Args(), "m.cpp", level));
  }
  Report report;
  {
    Frame block("(b)ERRORSYS", {});
    Frame handler("ERRORDIALOG", {});
    report = buildReport(*lanmere::errorNew(), knownFacts(), plainText);
  }
  while (!frames.empty()) frames.pop_back();  // frames end innermost first
  std::vector<std::string> expected;
  for (int level = 2; level <= 73; ++level) {
    if (level != 5)
      expected.push_back("   Called from: m.cpp => P( " + std::to_string(level) + " )");
  }
  EXPECT_EQ(report.stackList, expected);
  EXPECT_EQ(report.text.find("P( 74 )"), std::string::npos);
}

TEST(Report, A64BitProgramSaysSoAndHasNoCpuLine) {
  ReportFacts facts = knownFacts();
  facts.is64Bit = true;
  const std::string text = buildReport(*lanmere::errorNew(), facts, plainText).text;
  EXPECT_NE(text.find("   Path and name: C:\\app\\weather.exe (64 bits)\r\n"), std::string::npos);
  EXPECT_EQ(text.find("CPU type"), std::string::npos);
  EXPECT_NE(text.find("======\r\n   Hardware memory: 4 megs\r\n"), std::string::npos);
}

TEST(Report, ClockRateFromTheCounters) {
  struct Case {
    unsigned long long tsc;
    long long ticks, frequency;
    double mhz;
  };
  const Case cases[] = {
      {65625000, 312500, 10000000, 2100},  // 2.1 GHz over 1/32 s of a 10 MHz counter
      {1000, 10, 1000000, 100},
      {3000000000ULL, 3579545, 3579545, 3000},
      {5, 0, 10000000, 0},  // nothing measured
      {5, 10, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(clockRateMhz(c.tsc, c.ticks, c.frequency), c.mhz) << c.tsc;
  }
}

TEST(Report, ClockRateRounding) {
  EXPECT_EQ(roundClockRate(2400.4), 2400);
  EXPECT_EQ(roundClockRate(2395), 2400);
  EXPECT_EQ(roundClockRate(1666), 1666);  // 1666.67 rounds to 1667, lowered by the 67 rule
  EXPECT_EQ(roundClockRate(667), 667);    // the one exception to the 67 rule
  EXPECT_EQ(roundClockRate(733), 733);    // 733.33 -> 733
  EXPECT_EQ(roundClockRate(78), 75);      // nearer to 75 than to 83
  EXPECT_EQ(roundClockRate(80), 83);
  EXPECT_EQ(roundClockRate(30.4), 30);  // below 50: the measured rate, rounded
  EXPECT_EQ(roundClockRate(0), 0);
  // Absurd measurements saturate instead of casting out of range.
  EXPECT_EQ(roundClockRate(std::nan("")), 0);
  EXPECT_GT(roundClockRate(1e300), 9000000000000000000LL);
  EXPECT_GT(roundClockRate(HUGE_VAL), 9000000000000000000LL);
  EXPECT_LT(roundClockRate(-1e300), -9000000000000000000LL);
}

TEST(Report, ElapsedTime) {
  EXPECT_EQ(elapsedText(100, 3600, 100, 3600 + 3723), "1 hours 2 mins 3 secs ");
  EXPECT_EQ(elapsedText(100, 86000, 101, 10), "0 hours 6 mins 49 secs ");  // 399 + 10 seconds
  EXPECT_EQ(elapsedText(100, 0, 103, 0), "71 hours 59 mins 57 secs ");     // 3 days of 86399
  EXPECT_EQ(elapsedText(100, 500, 99, 900), "0 hours 0 mins 0 secs ");
  // Extremes: day numbers far apart, a clock set back on the same day, garbage seconds.
  EXPECT_EQ(elapsedText(INT32_MIN, 0, INT32_MAX, 0), "103078022033 hours 31 mins 45 secs ");
  EXPECT_EQ(elapsedText(100, 86399, 100, 0), "0 hours 0 mins 0 secs ");
  EXPECT_EQ(elapsedText(100, std::nan(""), 100, 5), "0 hours 0 mins 0 secs ");
  EXPECT_EQ(elapsedText(100, 0, 100, HUGE_VAL), "9200000000000000000 hours 59 mins 59 secs ");
}

TEST(Report, CGetInfoByType) {
  EXPECT_EQ(cGetInfo(Value("a\"b"), plainText), "\"a\"b\"");
  EXPECT_EQ(cGetInfo(Value::list({1, 2, 3}), plainText), "Len:    3");
  EXPECT_EQ(cGetInfo(Value(lanmere::errorNew()), plainText), "Class: ERROR");
  EXPECT_EQ(cGetInfo(Value(12), plainText), "12");
}

class ReportFile : public ::testing::Test {
 protected:
  static std::string read(const std::filesystem::path& path) {
    return test::readFile(path.string());
  }
  test::TempFolder folder_;
  const std::filesystem::path dir_ = folder_.path();
};

TEST_F(ReportFile, ReplacedEachTimeAndEndsWithByte26) {
  const auto path = dir_ / "error.log";
  ASSERT_TRUE(writeReport(path.string(), "first report, long\r\n"));
  ASSERT_TRUE(writeReport(path.string(), "second\r\n"));
  EXPECT_EQ(read(path), std::string("second\r\n\x1a"));
}

TEST_F(ReportFile, AnUnwritablePlaceRaisesNothingAndKeepsTheBlock) {
  Value mine = lanmere::block([](Args) { return Value(false); });
  const Value kept = lanmere::errorBlock();
  lanmere::errorBlock(mine);
  EXPECT_FALSE(writeReport((dir_ / "no-such-folder" / "error.log").string(), "text\r\n"));
  EXPECT_EQ(lanmere::errorBlock().identity(), mine.identity());
  lanmere::restoreErrorBlock(kept);
}

TEST_F(ReportFile, ANameWithAZeroByteOrThatIsNoFileIsRefused) {
  const std::string withZero = (dir_ / "error").string() + std::string(1, '\0') + ".log";
  EXPECT_FALSE(writeReport(withZero, "text\r\n"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "error"));
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
  EXPECT_FALSE(writeReport(dir_.string(), "a folder\r\n"));
#ifdef _WIN32
  EXPECT_FALSE(writeReport("NUL", "a device\r\n"));
#else
  EXPECT_FALSE(writeReport("/dev/null", "a device\r\n"));
#endif
}

#ifndef _WIN32
// A named pipe would take the report only while someone reads it: opened without waiting for a
// reader, and refused with one, so the write can never block the handler.
TEST_F(ReportFile, ANamedPipeIsRefusedWithoutBlocking) {
  const auto fifo = dir_ / "error.log";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ::alarm(20);  // a write that blocks fails the run instead of hanging it
  EXPECT_FALSE(writeReport(fifo.string(), "no reader\r\n"));
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_FALSE(writeReport(fifo.string(), std::string(1 << 20, 'p')));  // more than a pipe holds
  ::alarm(0);
  char byte;
  EXPECT_EQ(::read(reader, &byte, 1), 0);  // nothing was written into it
  ::close(reader);
}

// A write that stops short (here at the file-size limit of the process) raises an error inside
// the report's sequence: the temporary block breaks out of it, the handler never sees it, the
// file ends where the write stopped without the end-of-file byte, and the block is back.
TEST_F(ReportFile, AWriteThatStopsShortBreaksOutWithoutTheEndByte) {
  int previousCalls = 0;
  Value mine = lanmere::block([&previousCalls](Args) {
    ++previousCalls;
    return Value(false);
  });
  const Value kept = lanmere::errorBlock();
  lanmere::errorBlock(mine);
  constexpr rlim_t kLimit = 1000;
  const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit previousLimit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previousLimit), 0);
  rlimit small = previousLimit;
  small.rlim_cur = kLimit;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto path = dir_ / "error.log";
  const bool complete = writeReport(path.string(), std::string(100000, 'r'));
  ::setrlimit(RLIMIT_FSIZE, &previousLimit);
  std::signal(SIGXFSZ, previousSignal);

  EXPECT_FALSE(complete);
  EXPECT_EQ(previousCalls, 0);
  EXPECT_EQ(lanmere::errorBlock().identity(), mine.identity());
  EXPECT_EQ(read(path), std::string(kLimit, 'r'));
  lanmere::restoreErrorBlock(kept);
}
#endif

}  // namespace
}  // namespace kestrel
