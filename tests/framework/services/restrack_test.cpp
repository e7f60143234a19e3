#include "framework/services/restrack.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "framework/core/tracked.h"
#include "framework/services/logfile.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "tests/support/log_folder.h"

namespace kestrel {
namespace {

using lanmere::Frame;
using lanmere::Value;

using test::kLogPrefix;
const std::string kSeparator = kLogPrefix + std::string(100, '=') + "\t\r\n";

// Each test runs in its own current folder, where the log files land.
class ResourceLog : public test::LogFolderTest {};

// What a drawing class does: its method calls the native creation service.
HFONT createFontAsAMethodWould(HFONT handle) {
  Frame method("TFONT", "NEW", {}, "framework/controls/tfont.cpp", 77);
  return trackedCreate("CREATEFONTINDIRECT", "FONT", [&] { return handle; });
}

TEST_F(ResourceLog, LogFileWritesDateTimeAndTabbedValues) {
  lanmere::callFunction("LOGFILE", {"app.log", "hello"});
  EXPECT_EQ(file("app.log"), kLogPrefix + "hello\t\r\n");
  Value list = Value::list(
      {1, true, Value(), Value::date(lanmere::julianFromDate(2023, 12, 31)), Value(2.5, 1), "x y"});
  lanmere::callFunction("LOGFILE", {"app.log", list});
  EXPECT_EQ(file("app.log"),
            kLogPrefix + "hello\t\r\n" + kLogPrefix + "1\t.T.\t\t12/31/23\t2.5\tx y\t\r\n");
  // No value at all is one empty field.
  lanmere::callFunction("LOGFILE", {"other.log"});
  EXPECT_EQ(file("other.log"), kLogPrefix + "\t\r\n");
}

TEST_F(ResourceLog, LogFileAppendsToWhatIsThere) {
  test::writeFile(folder_ / "keep.log", "earlier line\r\n");
  logFile("keep.log", {Value("a"), Value("b")});
  EXPECT_EQ(file("keep.log"), "earlier line\r\n" + kLogPrefix + "a\tb\t\r\n");
}

TEST_F(ResourceLog, LogFileIsSilentWhenTheFileCannotBeOpened) {
  bool raised = false;
  Value previous = lanmere::errorBlock(lanmere::block([&](lanmere::Args) {
    raised = true;
    return Value(false);
  }));
  lanmere::callFunction("LOGFILE", {folder_ / "no\\such\\folder\\x.log", "text"});
  lanmere::callFunction("LOGFILE", {folder_.path(), "a folder"});
  lanmere::errorBlock(previous);
  EXPECT_FALSE(raised);
  EXPECT_FALSE(test::fileExists(folder_ / "no"));
}

TEST_F(ResourceLog, LogFileReadsTheSystemClockByDefault) {
  setLogClock(nullptr);
  logFile("clock.log", {Value("now")});
  EXPECT_TRUE(std::regex_match(file("clock.log"),
                               std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: now\t\r\n)")))
      << file("clock.log");
}

TEST_F(ResourceLog, CheckResOfAnEmptyListWritesOnlyTheSeparator) {
  lanmere::callFunction("CHECKRES");
  EXPECT_EQ(file("checkres.txt"), kSeparator);
}

TEST_F(ResourceLog, CheckResListsLiveRecordsInCreationOrderWithTheirChains) {
  {
    Frame main({}, "MAIN", {}, "app/main.cpp", 10);
    Frame caller({}, "BUILDWINDOW", {}, "app/main.cpp", 20);
    createFontAsAMethodWould(reinterpret_cast<HFONT>(0x1234));
    trackedCreate("CREATESOLIDBRUSH", "BRUSH", [] { return 0x55; });
    trackedCreate("LOADBITMAP", "BMP", [] { return 0; });  // a failed creation
    caller.line(25);
    createFontAsAMethodWould(reinterpret_cast<HFONT>(0x99));
    // Deleted through the framework: forgotten before the release runs.
    std::size_t countDuringRelease = 0;
    EXPECT_TRUE(trackedDelete(0x55, [&](int) {
      countDuringRelease = trackedResources().size();
      return true;
    }));
    EXPECT_EQ(countDuringRelease, 3u);
  }
  lanmere::callFunction("CHECKRES");
  EXPECT_EQ(file("checkres.txt"),
            kLogPrefix + "FONT,4660,BUILDWINDOW(20)->MAIN(10)\r\n\t\r\n" +  //
                kLogPrefix + "FONT,153,BUILDWINDOW(25)->MAIN(10)\r\n\t\r\n" + kSeparator);
  // The list itself is unchanged, the failed creation included.
  ASSERT_EQ(trackedResources().size(), 3u);
  EXPECT_EQ(trackedResources()[1].type, "BMP");
  EXPECT_EQ(trackedResources()[1].handle, 0);
}

TEST_F(ResourceLog, AHandleRecordedTwiceIsRemovedOneRecordAtATime) {
  lanmere::callFunction("KSADDRESOURCE", {7, "BRUSH"});
  lanmere::callFunction("KSADDRESOURCE", {8, "PAL"});
  lanmere::callFunction("KSADDRESOURCE", {7, "FONT"});
  lanmere::callFunction("KSDELRESOURCE", {7});
  ASSERT_EQ(trackedResources().size(), 2u);
  EXPECT_EQ(trackedResources()[0].type, "PAL");
  EXPECT_EQ(trackedResources()[1].type, "FONT");
  lanmere::callFunction("KSDELRESOURCE", {7});
  lanmere::callFunction("KSDELRESOURCE", {12345});
  ASSERT_EQ(trackedResources().size(), 1u);
  EXPECT_EQ(trackedResources()[0].handle, 8);
  EXPECT_TRUE(lanmere::callFunction("SETRESDEBUG", {false}).isNil());
  lanmere::callFunction("KSADDRESOURCE", {9, "CUR"});
  EXPECT_EQ(trackedResources().size(), 2u);
}

TEST_F(ResourceLog, ChainSkipsTheHookTheServiceAndTheMethod) {
  Frame outer({}, "OUTER", {}, "a.cpp", 3);
  Frame inner({}, "INNER", {}, "a.cpp", 4);
  Frame method("TBRUSH", "NEW", {}, "b.cpp", 5);
  Frame service({}, "CREATEBRUSH", {}, "c.cpp", 6);
  lanmere::callFunction("KSADDRESOURCE", {1, "BRUSH"});
  ASSERT_EQ(trackedResources().size(), 1u);
  EXPECT_EQ(trackedResources()[0].chain, "INNER(4)->OUTER(3)");
  // The innermost frame's line is where it called the hook.
  EXPECT_TRUE(creationChain(0).starts_with("CREATEBRUSH(")) << creationChain(0);
  EXPECT_EQ(creationChain(1), "TBRUSH:NEW(5)->INNER(4)->OUTER(3)");
  EXPECT_EQ(creationChain(10), "");
}

TEST_F(ResourceLog, LogStackWritesEveryCallerWithItsParameters) {
  std::vector<Value> mainParams{1, "a"};
  Frame main({}, "MAIN", mainParams, "app/main.cpp", 10);
  Frame helper({}, "HELPER", {}, "app/main.cpp", 11);
  lanmere::callFunction("LOGSTACK");
  EXPECT_EQ(file("stack.txt"), kLogPrefix + "\t\r\n" + kLogPrefix + "LogStack() called\t\r\n" +
                                   kLogPrefix + "=================\t\r\n" + kLogPrefix +
                                   "HELPER\t\r\n" + kLogPrefix + "MAIN\t1\ta\t\r\n");
}

}  // namespace
}  // namespace kestrel
