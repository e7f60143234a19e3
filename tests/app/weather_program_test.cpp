// The weather program end to end: the real weather.exe against peers on 127.0.0.1, its box read
// from another process and answered with OK, as a user at the screen would.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/files.h"
#include "tools/boxreader/box.h"
#include "tools/replay/replay_peer.h"

namespace kestrel::test {
namespace {

using tools::ReplayMode;
using tools::ReplayPeer;

struct ProgramRun {
  bool started = false;
  bool boxSeen = false;
  BoxInfo box;
  DWORD exitCode = 0xFFFFFFFF;
};

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK findProgramBox(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == search->pid && IsWindowVisible(hwnd) && className(hwnd) == "#32770") {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

ProgramRun runWeather(const std::string& port);

// Starts weather.exe pointed at 127.0.0.1:port, waits (bounded) for its box, reads it, presses
// OK ("&Quit" in the error dialog) and waits for the program to end.
ProgramRun runWeather(std::uint16_t port) {
  return runWeather(std::to_string(port));
}

ProgramRun runWeather(const std::string& port) {
  SetEnvironmentVariableA("WEATHER_HOST", "127.0.0.1");
  SetEnvironmentVariableA("WEATHER_PORT", port.c_str());
  const std::string program = besideThisProgram(KESTREL_WEATHER_PATH);
  std::string command = "\"" + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ProgramRun run;
  // In a temporary folder, where the error handler's report file goes.
  const TempFolder folder;
  run.started = CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.path().c_str(), &startup, &info);
  if (!run.started) return run;
  CloseHandle(info.hThread);
  for (int i = 0; i < 600 && !run.boxSeen; ++i) {  // at most 60 seconds
    Search search{info.dwProcessId, nullptr};
    EnumWindows(findProgramBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      Sleep(100);  // let the box finish drawing its controls
      run.box = readBox(search.found);
      run.boxSeen = true;
      if (!pressButton(search.found, "&Quit")) pressButton(search.found, IDOK);
    } else if (WaitForSingleObject(info.hProcess, 100) == WAIT_OBJECT_0) {
      break;
    }
  }
  if (WaitForSingleObject(info.hProcess, 30000) != WAIT_OBJECT_0)
    TerminateProcess(info.hProcess, 99);
  GetExitCodeProcess(info.hProcess, &run.exitCode);
  CloseHandle(info.hProcess);
  return run;
}

// The PE machine a file's header names (0x14c i386, 0x8664 x86-64), or 0.
WORD fileMachine(const std::string& path) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  IMAGE_DOS_HEADER dos{};
  IMAGE_FILE_HEADER header{};
  DWORD got = 0, signature = 0;
  bool ok = ReadFile(file, &dos, sizeof dos, &got, nullptr) && got == sizeof dos &&
            SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
            ReadFile(file, &signature, 4, &got, nullptr) && signature == IMAGE_NT_SIGNATURE &&
            ReadFile(file, &header, sizeof header, &got, nullptr) && got == sizeof header;
  CloseHandle(file);
  return ok ? header.Machine : 0;
}

// What runs is what was built: the 32-bit build tests the 32-bit weather.exe in a 32-bit
// process, the x86-64 build its own twin.
TEST(WeatherProgram, RunsTheBuildsOwnArchitecture) {
  const std::string self = thisProgram();
  ASSERT_FALSE(self.empty());
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(GetModuleHandleA(nullptr));
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(dos) + dos->e_lfanew);
  EXPECT_EQ(nt->FileHeader.Machine, KESTREL_PE_MACHINE) << "the process in memory";
  EXPECT_EQ(fileMachine(self), KESTREL_PE_MACHINE) << "this test program's file";
  EXPECT_EQ(fileMachine(besideThisProgram(KESTREL_WEATHER_PATH)), KESTREL_PE_MACHINE)
      << "weather.exe";
  EXPECT_EQ(sizeof(void*), std::size_t{KESTREL_POINTER_SIZE});
  SYSTEM_INFO info;
  GetNativeSystemInfo(&info);
  if (KESTREL_POINTER_SIZE == 4) {
    // A 32-bit process on a 64-bit Wine (or Windows) runs under WOW64.
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_EQ(wow64 != FALSE, info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64);
  }
}

TEST(WeatherProgram, ShowsTheRawReplyUpToItsFirstZeroByte) {
  const std::string head =
      "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<pre>METAR LEAL 081200Z 27010KT CAVOK "
      "18/09 Q1017\r\nTAF LEAL 081100Z 0812/0918 26012KT 9999 FEW030</pre>\xE9";
  ReplayPeer peer({.reply = head + std::string("\0after the zero", 15), .pieceSize = 37});
  std::thread server([&] { peer.serve(); });
  const ProgramRun run = runWeather(peer.port());
  server.join();
  ASSERT_TRUE(run.started);
  ASSERT_TRUE(run.boxSeen);
  EXPECT_EQ(run.box.title, "Alert");
  EXPECT_EQ(run.box.text, "\r\n" + head);
  EXPECT_TRUE(run.box.hasIcon);
  ASSERT_EQ(run.box.buttons.size(), 1u);
  EXPECT_EQ(run.box.buttons[0].id, IDOK);
  EXPECT_EQ(run.exitCode, 0u);
}

TEST(WeatherProgram, NobodyListeningShowsOnlyALineBreak) {
  std::uint16_t port;
  {
    ReplayPeer probe({});
    port = probe.port();
  }
  const ProgramRun run = runWeather(port);
  ASSERT_TRUE(run.started);
  ASSERT_TRUE(run.boxSeen);
  EXPECT_EQ(run.box.title, "Alert");
  EXPECT_EQ(run.box.text, "\r\n");
  EXPECT_EQ(run.exitCode, 0u);
}

TEST(WeatherProgram, APeerThatClosesAtOnceShowsOnlyALineBreak) {
  ReplayPeer peer({.mode = ReplayMode::CloseAtOnce});
  std::thread server([&] { peer.serve(); });
  const ProgramRun run = runWeather(peer.port());
  server.join();
  ASSERT_TRUE(run.boxSeen);
  EXPECT_EQ(run.box.text, "\r\n");
  EXPECT_EQ(run.exitCode, 0u);
}

// A bad WEATHER_PORT takes the program's own road of failure: HB_INETCONNECT's argument error,
// raised to the error handler and shown, then exit code 1.
TEST(WeatherProgram, ABadPortOverrideIsShownAsTheConnectArgumentError) {
  const ProgramRun run = runWeather("8080x");
  ASSERT_TRUE(run.boxSeen);
  EXPECT_EQ(run.box.title, "Kestrel for Lanmere");
  ASSERT_FALSE(run.box.statics.empty());
  EXPECT_TRUE(run.box.statics[0].text.ends_with("  Argument error: HB_INETCONNECT\r\n"))
      << run.box.statics[0].text;
  EXPECT_EQ(run.exitCode, 1u);
}

}  // namespace
}  // namespace kestrel::test
