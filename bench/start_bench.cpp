// How long the weather program takes to show its first box, against a minimal program that shows
// a box with the same title and text. Each start is timed from CreateProcess until the box is a
// visible window on the display; then OK is pressed and the process awaited. The weather program
// is pointed at 127.0.0.1 and a port nothing listens on, so its box comes at once and no request
// leaves the machine. Starts alternate between the two programs; the medians and their ratio close
// the output.
#include <winsock2.h>  // before windows.h

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/wintime.h"
#include "tools/boxreader/box.h"

namespace {

using kestrel::bench::besideMe;
using kestrel::bench::median;
using kestrel::bench::milliseconds;
using kestrel::bench::startProgram;

constexpr int kRuns = 10;
constexpr DWORD kBoxTimeoutMs = 60000;
constexpr double kGoal = 1.2;

// A port of 127.0.0.1 that nothing listens on: one the system just gave and took back.
int freePort() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  closesocket(s);
  WSACleanup();
  return port;
}

struct Start {
  double ms = -1;
  kestrel::test::BoxInfo box;
};

// Starts `program`, waits for its box, reads it, presses OK and waits for the process to end.
Start timeStart(const std::string& program) {
  Start start;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  if (!startProgram(program, process)) return start;
  HWND box = nullptr;
  const DWORD begun = GetTickCount();
  while (!box && GetTickCount() - begun < kBoxTimeoutMs) {
    box = kestrel::test::topLevelOf(process.dwProcessId, "#32770");
    if (!box) Sleep(1);
  }
  QueryPerformanceCounter(&to);
  if (box) {
    start.ms = milliseconds(from, to);
    start.box = kestrel::test::readBox(box);
    kestrel::test::pressButton(box, IDOK);
  } else {
    std::printf("  no box from %s\n", program.c_str());
    TerminateProcess(process.hProcess, 1);
  }
  WaitForSingleObject(process.hProcess, kBoxTimeoutMs);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return start;
}

}  // namespace

int main() {
  const std::string weather = besideMe("..\\app\\weather.exe");
  const std::string minimal = besideMe("start_minimal.exe");
  const int port = freePort();
  if (!port) {
    std::printf("no free port on 127.0.0.1\n");
    return 1;
  }
  SetEnvironmentVariableA("WEATHER_HOST", "127.0.0.1");
  SetEnvironmentVariableA("WEATHER_PORT", std::to_string(port).c_str());

  // The first start of each warms the file cache and tells the minimal program what to show.
  const Start first = timeStart(weather);
  if (first.ms < 0) return 1;
  SetEnvironmentVariableA("START_BOX_TITLE", first.box.title.c_str());
  SetEnvironmentVariableA("START_BOX_TEXT", first.box.text.c_str());
  SetEnvironmentVariableA("START_BOX_ICON", first.box.hasIcon ? "1" : "0");
  const Start baseline = timeStart(minimal);
  if (baseline.ms < 0) return 1;
  if (baseline.box.text != first.box.text || baseline.box.title != first.box.title) {
    std::printf("  the two boxes differ\n");
    return 1;
  }

  std::vector<double> program, plain;
  for (int run = 0; run < kRuns; ++run) {
    const Start a = timeStart(weather);
    const Start b = timeStart(minimal);
    if (a.ms < 0 || b.ms < 0) return 1;
    program.push_back(a.ms);
    plain.push_back(b.ms);
  }
  const double p = median(program), m = median(plain);
  std::printf("Start until the first box is on the display, %d-bit build, median of %d\n",
              static_cast<int>(sizeof(void*) * 8), kRuns);
  std::printf("  box: \"%s\" / \"%s\"\n", first.box.title.c_str(), first.box.text.c_str());
  std::printf("  weather.exe (127.0.0.1:%d, nothing listening) %8.1f ms\n", port, p);
  std::printf("  minimal MessageBoxA program                   %8.1f ms\n", m);
  std::printf("  weather / minimal %5.2f (goal at most %.2f)\n", p / m, kGoal);
  return 0;
}
