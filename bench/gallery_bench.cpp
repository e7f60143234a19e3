// The gallery, measured two ways.
//   gallery_bench.exe start   the gallery's start until its frame is painted and waiting for
//                             input, against the minimal program's start until its box shows
//                             (bench/start_minimal.cpp); starts alternate, medians and their
//                             ratio close the output.
//   gallery_bench.exe rounds  in one process, the gallery's frame with 10 rounds of each child
//                             (a form, a drawing) opened, painted and closed; the live objects
//                             and the private bytes after the first round and after the last.
//                             Exits 1 when a count grew.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/wintime.h"
#include "framework/controls/modules.h"
#include "framework/core/modules.h"
#include "framework/core/twindow.h"
#include "framework/core/winrun.h"
#include "framework/display/modules.h"
#include "framework/errorui/ui_modules.h"
#include "framework/services/modules.h"
#include "framework/services/tmdiframe.h"
#include "runtime/binding.h"
#include "runtime/functions.h"
#include "samples/gallery/drawing.h"
#include "samples/gallery/form.h"
#include "samples/gallery/status.h"
#include "tests/support/live_objects.h"
#include "tools/boxreader/box.h"

// The rounds run without a message bar: the forms' notices go nowhere.
void gallery::showStatus(const std::string&) {}

namespace {

using kestrel::bench::besideMe;
using kestrel::bench::median;
using kestrel::bench::milliseconds;
using kestrel::bench::startProgram;
using lanmere::Value;

constexpr int kRuns = 5;
constexpr int kRounds = 10;
constexpr DWORD kTimeoutMs = 90000;

struct Search {
  DWORD process;
  const char* windowClass;  // or null: any class
  const char* title;
  HWND found = nullptr;
};

BOOL CALLBACK findWindow(HWND hwnd, LPARAM lParam) {
  auto& s = *reinterpret_cast<Search*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s.process || !IsWindowVisible(hwnd)) return TRUE;
  if (s.windowClass && kestrel::test::className(hwnd) != s.windowClass) return TRUE;
  char text[128] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  if (s.title && std::string(text) != s.title) return TRUE;
  s.found = hwnd;
  return FALSE;
}

// Starts `program`, waits until its window (class or title) is visible and the program waits for
// input (its first paint is done), then closes it as `close` says; the milliseconds, or -1.
double timeStart(const std::string& program, const char* windowClass, const char* title,
                 bool pressOk) {
  PROCESS_INFORMATION process{};
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  if (!startProgram(program, process)) return -1;
  Search search{process.dwProcessId, windowClass, title};
  const DWORD begun = GetTickCount();
  while (!search.found && GetTickCount() - begun < kTimeoutMs) {
    EnumWindows(findWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(1);
  }
  if (search.found) WaitForInputIdle(process.hProcess, kTimeoutMs);
  QueryPerformanceCounter(&to);
  double ms = -1;
  if (search.found) {
    ms = milliseconds(from, to);
    if (pressOk) {
      kestrel::test::pressButton(search.found, IDOK);
    } else {
      PostMessageA(search.found, WM_CLOSE, 0, 0);
    }
  } else {
    std::printf("  no window from %s\n", program.c_str());
    TerminateProcess(process.hProcess, 1);
  }
  if (WaitForSingleObject(process.hProcess, kTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ms;
}

int starts() {
  const std::string gallery = besideMe("..\\samples\\gallery\\gallery.exe");
  const std::string minimal = besideMe("start_minimal.exe");
  SetEnvironmentVariableA("START_BOX_TITLE", "Kestrel gallery");
  SetEnvironmentVariableA("START_BOX_TEXT", "A plain program's box");
  SetEnvironmentVariableA("START_BOX_ICON", "0");
  // The first start of each warms the file cache.
  if (timeStart(gallery, nullptr, "Kestrel gallery", false) < 0) return 1;
  if (timeStart(minimal, "#32770", nullptr, true) < 0) return 1;
  std::vector<double> program, plain;
  for (int run = 0; run < kRuns; ++run) {
    const double a = timeStart(gallery, nullptr, "Kestrel gallery", false);
    const double b = timeStart(minimal, "#32770", nullptr, true);
    if (a < 0 || b < 0) return 1;
    program.push_back(a);
    plain.push_back(b);
  }
  const double g = median(program), m = median(plain);
  std::printf("Start until the first window is painted, %d-bit build, median of %d\n",
              static_cast<int>(sizeof(void*) * 8), kRuns);
  std::printf("  gallery.exe (MDI frame, menu, bar, message bar) %8.1f ms\n", g);
  std::printf("  minimal MessageBoxA program                     %8.1f ms\n", m);
  std::printf("  gallery / minimal %5.2f\n", g / m);
  return 0;
}

void drain() {
  for (int i = 0; i < 5; ++i) kestrel::SYSREFRESH();
}

kestrel::test::LiveObjects countNow() {
  auto counts = kestrel::test::LiveObjects::now();
  counts.add("window objects", kestrel::TWindow::liveCount());
  return counts;
}

int rounds() {
  for (const auto& layer : {kestrel::coreModules(), kestrel::controlsModules(),
                            kestrel::displayModules(), kestrel::servicesModules()}) {
    for (const lanmere::ModuleTable* module : layer) lanmere::registerModule(*module);
  }
  const Value frame = lanmere::construct<kestrel::TMdiFrame>(
      {.nTop = 10, .nLeft = 10, .nBottom = 600, .nRight = 900, .cTitle = "rounds", .lPixel = true});
  ShowWindow(static_cast<kestrel::TMdiFrame&>(*frame.object()).hwnd(), SW_SHOW);
  drain();
  int grown = 0;
  struct Kind {
    const char* name;
    Value (*open)(const Value&);
  };
  const Kind kinds[] = {
      {"form", [](const Value& f) { return gallery::newForm(f, gallery::FormValues()); }},
      {"drawing", gallery::newDrawing}};
  for (const Kind& kind : kinds) {
    kestrel::test::LiveObjects afterFirst;
    std::size_t bytesAfterFirst = 0;
    for (int round = 1; round <= kRounds; ++round) {
      const Value child = kind.open(frame);
      drain();
      lanmere::send(child, "End");
      drain();
      if (round == 1) {
        afterFirst = countNow();
        bytesAfterFirst = kestrel::test::privateBytes();
      }
    }
    const auto last = countNow();
    const std::size_t bytes = kestrel::test::privateBytes();
    const std::string growth = last.grownSince(afterFirst);
    std::printf("%s, %d rounds: after the first %s; private bytes %zu\n", kind.name, kRounds,
                afterFirst.describe().c_str(), bytesAfterFirst);
    std::printf("%s, after round %d: %s; private bytes %zu (%+lld)\n", kind.name, kRounds,
                last.describe().c_str(), bytes,
                static_cast<long long>(bytes) - static_cast<long long>(bytesAfterFirst));
    std::printf("  grown: %s\n", growth.empty() ? "nothing" : growth.c_str());
    if (!growth.empty()) ++grown;
  }
  DestroyWindow(static_cast<kestrel::TMdiFrame&>(*frame.object()).hwnd());
  drain();
  return grown == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "start") return starts();
  if (mode == "rounds") return rounds();
  std::printf("usage: gallery_bench start | rounds\n");
  return 2;
}
