// Tests whose log files land in a temporary current folder: the resource tracker and the log
// writer registered, and a fixed log clock (5 March 2024, 13:45:07).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "framework/services/logfile.h"
#include "framework/services/restrack.h"
#include "runtime/builtins.h"
#include "runtime/functions.h"
#include "tests/support/files.h"

namespace kestrel::test {

inline LogTime fixedLogClock() {
  return {lanmere::Value::date(lanmere::julianFromDate(2024, 3, 5)), "13:45:07"};
}
inline const std::string kLogPrefix = "03/05/24 13:45:07: ";

// The tracker's records of `tag` that hold a handle (a failed creation records 0).
inline std::size_t liveRecords(const std::string& tag) {
  std::size_t count = 0;
  for (const TrackedResource& r : trackedResources()) count += r.type == tag && r.handle != 0;
  return count;
}

class LogFolderTest : public ::testing::Test {
 protected:
  // The modules a suite needs besides the tracker and the log writer, registered first.
  virtual void registerModules() {}

  void SetUp() override {
    lanmere::clearModules();
    registerModules();
    lanmere::registerModule(resTrackModule());
    lanmere::registerModule(logFileModule());
    lanmere::setDateFormat("MM/DD/YY");
    clearTrackedResources();
    GetCurrentDirectoryA(MAX_PATH, previousDir_);
    SetCurrentDirectoryA(folder_.path().c_str());
    setLogClock(fixedLogClock);
  }
  void TearDown() override {
    setLogClock(nullptr);
    SetCurrentDirectoryA(previousDir_);
    clearTrackedResources();
    lanmere::clearModules();
  }
  std::string file(const std::string& name) { return readFile(folder_ / name); }

  TempFolder folder_;

 private:
  char previousDir_[MAX_PATH] = {};
};

}  // namespace kestrel::test
