// The framework's start-up and exit hooks, called through their module tables as the start-up
// sequence calls them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string_view>

#include "errors/report.h"
#include "framework/services/help.h"
#include "framework/services/restrack.h"
#include "framework/services/timage.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmsgbar.h"
#include "framework/core/tracked.h"
#include "runtime/builtins.h"

namespace kestrel {
namespace {

using lanmere::ModuleTable;
using lanmere::Value;

// Calls the entry `name` of `module`, which must carry the init or exit flag `kind` alone.
Value callHook(const ModuleTable& module, std::string_view name, unsigned kind) {
  for (const lanmere::FunctionEntry& entry : module.entries) {
    if (name != entry.name) continue;
    EXPECT_EQ(entry.scope & (lanmere::kInit | lanmere::kExit), kind) << name;
    EXPECT_EQ(entry.scope & lanmere::kPublic, 0u) << name << " is not callable by name";
    return entry.call({});
  }
  ADD_FAILURE() << name << " is not in " << module.name;
  return {};
}

TEST(ExitHooks, ChmExitUnloadsTheHtmlHelpLibraryOnce) {
  callHook(helpModule(), "CHMEXIT$", lanmere::kExit);  // nothing loaded: nothing happens
  EXPECT_FALSE(htmlHelpLoaded());
  ASSERT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr);
  ASSERT_NE(htmlHelpLibrary(), nullptr);
  EXPECT_NE(htmlHelpEntry(), nullptr);
  EXPECT_NE(GetModuleHandleA("hhctrl.ocx"), nullptr);
  callHook(helpModule(), "CHMEXIT$", lanmere::kExit);
  EXPECT_FALSE(htmlHelpLoaded());
  EXPECT_NE(htmlHelpEntry(), nullptr);  // loads again on the next use
  FREEHTMLDLL();
  EXPECT_FALSE(htmlHelpLoaded());
  EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr);
}

TEST(ExitHooks, ExitImageFreesARealModuleHandleOnly) {
  ASSERT_EQ(GetModuleHandleA("msimg32.dll"), nullptr);
  HMODULE library = LoadLibraryA("msimg32.dll");
  ASSERT_NE(library, nullptr);
  setImageLibrary(library);
  callHook(imageModule(), "EXITIMAGE$", lanmere::kExit);
  EXPECT_EQ(imageLibrary(), nullptr);
  EXPECT_EQ(GetModuleHandleA("msimg32.dll"), nullptr);

  // A load error code (32 or below) is no module: left as it is.
  setImageLibrary(reinterpret_cast<HMODULE>(32));
  UNLOADFREEIMAGE();
  EXPECT_EQ(imageLibrary(), reinterpret_cast<HMODULE>(32));
  setImageLibrary(nullptr);
  callHook(imageModule(), "EXITIMAGE$", lanmere::kExit);
  EXPECT_EQ(imageLibrary(), nullptr);
}

TEST(ExitHooks, MenuExitDeletesTheSharedCheckBitmap) {
  lanmere::registerModule(resTrackModule());
  clearTrackedResources();
  HBITMAP bitmap =
      trackedCreate("CREATEBITMAP", "BMP", [] { return CreateBitmap(16, 16, 1, 1, nullptr); });
  ASSERT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
  ASSERT_EQ(trackedResources().size(), 1u);
  setCheck2007Bitmap(bitmap);
  callHook(menuModule(), "KS_MENUEXIT$", lanmere::kExit);
  EXPECT_EQ(check2007Bitmap(), nullptr);
  EXPECT_TRUE(trackedResources().empty()) << "the tracker forgot the bitmap";
  EXPECT_EQ(GetObjectType(bitmap), 0u);
  callHook(menuModule(), "KS_MENUEXIT$", lanmere::kExit);  // none left: nothing to do
  EXPECT_EQ(check2007Bitmap(), nullptr);
}

TEST(StartTime, ElapsedTextCountsDaysOf86399Seconds) {
  const std::int32_t day = lanmere::julianFromDate(2024, 2, 28);
  EXPECT_EQ(elapsedText(day, 100, day, 100.99), "0 hours 0 mins 0 secs ");
  EXPECT_EQ(elapsedText(day, 10.5, day, 3735.75), "1 hours 2 mins 5 secs ");
  EXPECT_EQ(elapsedText(day, 86000, day + 1, 100), "0 hours 8 mins 19 secs ");
  EXPECT_EQ(elapsedText(day, 0, day + 3, 0), "71 hours 59 mins 57 secs ");
  EXPECT_EQ(elapsedText(day, 500, day - 1, 900), "0 hours 0 mins 0 secs ");
  // The fractions count before the seconds are cut.
  EXPECT_EQ(elapsedText(day, 10.9, day, 12.1), "0 hours 0 mins 1 secs ");
}

TEST(StartTime, InitTimeRecordsTodayAndTimeFromStartMeasuresFromIt) {
  // Before INITTIME$ has run, the first TIMEFROMSTART records the start itself.
  EXPECT_TRUE(programStartTime().isNil());
  EXPECT_EQ(TIMEFROMSTART().string(), "0 hours 0 mins 0 secs ");
  const Value first = programStartTime();
  ASSERT_TRUE(first.isList());

  callHook(msgBarModule(), "INITTIME$", lanmere::kInit);
  const Value start = programStartTime();
  ASSERT_TRUE(start.isList());
  ASSERT_EQ(start.length(), 2u);
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_TRUE(start.item(1).isDate());
  EXPECT_EQ(start.item(1).julian(), lanmere::julianFromDate(now.wYear, now.wMonth, now.wDay));
  const double seconds = now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
  EXPECT_TRUE(start.item(2).isNumber());
  EXPECT_NEAR(start.item(2).number(), seconds, 2.0);
  EXPECT_EQ(start.item(2).decimals(), 2);
  EXPECT_EQ(TIMEFROMSTART().string(), "0 hours 0 mins 0 secs ");
}

}  // namespace
}  // namespace kestrel
