// The weather program end to end: the real weather.exe against peers on 127.0.0.1, its box read
// from another process and answered with OK, as a user at the screen would.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "tools/boxreader/box.h"
#include "tools/replay/replay_peer.h"

namespace kestrel::test {
namespace {

using tools::ReplayMode;
using tools::ReplayPeer;

std::string ownDirectory() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

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
// OK and waits for the program to end.
ProgramRun runWeather(std::uint16_t port) {
  return runWeather(std::to_string(port));
}

ProgramRun runWeather(const std::string& port) {
  SetEnvironmentVariableA("WEATHER_HOST", "127.0.0.1");
  SetEnvironmentVariableA("WEATHER_PORT", port.c_str());
  const std::string program = ownDirectory() + KESTREL_WEATHER_PATH;
  std::string command = "\"" + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ProgramRun run;
  run.started = CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &info);
  if (!run.started) return run;
  CloseHandle(info.hThread);
  for (int i = 0; i < 600 && !run.boxSeen; ++i) {  // at most 60 seconds
    Search search{info.dwProcessId, nullptr};
    EnumWindows(findProgramBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      Sleep(100);  // let the box finish drawing its controls
      run.box = readBox(search.found);
      run.boxSeen = true;
      pressButton(search.found, IDOK);
    } else if (WaitForSingleObject(info.hProcess, 100) == WAIT_OBJECT_0) {
      break;
    }
  }
  if (WaitForSingleObject(info.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 99);
  GetExitCodeProcess(info.hProcess, &run.exitCode);
  CloseHandle(info.hProcess);
  return run;
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
  EXPECT_EQ(run.box.title, "Error");
  EXPECT_EQ(run.box.text, "Argument error: HB_INETCONNECT");
  EXPECT_EQ(run.exitCode, 1u);
}

}  // namespace
}  // namespace kestrel::test
