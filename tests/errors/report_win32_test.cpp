#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "errors/report.h"
#include "runtime/error.h"
#include "runtime/platform.h"

namespace kestrel {
namespace {

using lanmere::Value;

TEST(ReportWindows, TasksAreSortedWithOneEntryPerModule) {
  HWND first = CreateWindowExA(0, "STATIC", "Kestrel task one", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50,
                               nullptr, nullptr, nullptr, nullptr);
  HWND second = CreateWindowExA(0, "STATIC", "Kestrel task two", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(first && second);
  const Value tasks = GETTASKS();
  DestroyWindow(first);
  DestroyWindow(second);

  std::vector<std::string> entries;
  for (const Value& v : tasks.items()) entries.push_back(v.string());
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
  const std::string self = ", " + lanmere::programPath();
  const auto ours = std::count_if(entries.begin(), entries.end(), [&](const std::string& e) {
    return e.size() >= self.size() && e.compare(e.size() - self.size(), self.size(), self) == 0;
  });
  EXPECT_EQ(ours, 1) << "one entry for this program's module";
}

TEST(ReportWindows, FactsDescribeThisProgram) {
  ReportFacts facts = gatherReportFacts();
  EXPECT_EQ(facts.programPath, lanmere::programPath());
  EXPECT_GT(facts.programSize, 100000);
  EXPECT_GE(facts.windowsMajor, 5u);
  EXPECT_GT(facts.availablePhysicalBytes, 0u);
  EXPECT_EQ(facts.is64Bit, sizeof(void*) == 8);
  EXPECT_FALSE(facts.tasks.empty());
  // The measured clock rate of this machine: a processor of this century.
  EXPECT_GE(facts.clockMhz, 100);
  EXPECT_LE(facts.clockMhz, 10000);
  // A report shaped as the 32-bit program writes it carries the rate on its CPU line.
  facts.is64Bit = false;
  const std::string text = buildReport(*lanmere::errorNew(), facts, reportValueText).text;
  const std::string cpu =
      "\r\n   CPU type: " + facts.cpuName + " " + std::to_string(facts.clockMhz) + " Mhz\r\n";
  EXPECT_NE(text.find(cpu), std::string::npos) << text;
}

// A named pipe as report file: refused at once (written into, it would block the handler as soon
// as nobody reads it).
TEST(ReportWindows, ANamedPipeIsRefusedWithoutBlocking) {
  const char* name = "\\\\.\\pipe\\kestrel-report-test";
  HANDLE pipe = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 16, 16,
                                 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(writeReport(name, std::string(100000, 'p')));  // more than the pipe holds
  CloseHandle(pipe);
}

}  // namespace
}  // namespace kestrel
