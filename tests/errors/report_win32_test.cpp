#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "errors/report.h"
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
  const ReportFacts facts = gatherReportFacts();
  EXPECT_EQ(facts.programPath, lanmere::programPath());
  EXPECT_GT(facts.programSize, 100000);
  EXPECT_GE(facts.windowsMajor, 5u);
  EXPECT_GT(facts.availablePhysicalBytes, 0u);
  EXPECT_EQ(facts.is64Bit, sizeof(void*) == 8);
  EXPECT_FALSE(facts.tasks.empty());
}

}  // namespace
}  // namespace kestrel
