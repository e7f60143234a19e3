// The system functions found on first use: a function that exists is found once and called; a
// missing library or a missing function answers its type's zero, the failure answer, unharmed.
#include "framework/core/win32.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(SystemFunction, FoundOnceAndCalled) {
  const auto found =
      systemFunction<"kernel32.dll", "GetCurrentProcessId", decltype(::GetCurrentProcessId)>();
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(
      found,
      (systemFunction<"kernel32.dll", "GetCurrentProcessId", decltype(::GetCurrentProcessId)>()));
  EXPECT_EQ((callSystem<"kernel32.dll", "GetCurrentProcessId", decltype(::GetCurrentProcessId)>()),
            GetCurrentProcessId());
  // A library nothing imports is loaded by the first call that needs it.
  EXPECT_NE((systemFunction<"shell32.dll", "ShellExecuteA", decltype(::ShellExecuteA)>()), nullptr);
  // Arguments pass through in order: a stdcall function of several arguments.
  char buffer[MAX_PATH] = {};
  const DWORD length =
      callSystem<"kernel32.dll", "GetEnvironmentVariableA", decltype(::GetEnvironmentVariableA)>(
          "PATH", buffer, MAX_PATH);
  EXPECT_EQ(length, GetEnvironmentVariableA("PATH", nullptr, 0) - 1);
}

TEST(SystemFunction, MissingLibraryOrFunctionAnswersFailure) {
  EXPECT_EQ(systemProc("kestrel-no-such-library.dll", "PrintDlgA"), nullptr);
  EXPECT_EQ(systemProc("comdlg32.dll", "KestrelNoSuchFunction"), nullptr);
  EXPECT_EQ((systemFunction<"kestrel-no-such-library.dll", "PrintDlgA", decltype(::PrintDlgA)>()),
            nullptr);
  PRINTDLGA dialog{};
  dialog.lStructSize = sizeof dialog;
  EXPECT_EQ(
      (callSystem<"kestrel-no-such-library.dll", "PrintDlgA", decltype(::PrintDlgA)>(&dialog)),
      FALSE);
  EXPECT_EQ((callSystem<"comdlg32.dll", "KestrelNoSuchFunction", decltype(::PrintDlgA)>(&dialog)),
            FALSE);
  EXPECT_EQ((callSystem<"shell32.dll", "KestrelNoSuchFunction", decltype(::ExtractIconA)>(nullptr,
                                                                                          "x", 0)),
            nullptr);
  // A missing function without a result is skipped.
  callSystem<"shell32.dll", "KestrelNoSuchFunction", decltype(::DragFinish)>(nullptr);
}

}  // namespace
}  // namespace kestrel
