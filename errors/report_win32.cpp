#include <fcntl.h>
#include <intrin.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <set>

#include "errors/report.h"
#include "runtime/callstack.h"
#include "runtime/functions.h"
#include "runtime/object.h"
#include "runtime/platform.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr long long kHkeyLocalMachine = 2147483650LL;

// The clock rate measured over 1/32 of a second of the performance counter: the time-stamp
// counter is read first, then the performance counter polled, then the time-stamp counter again.
double measureClockMhz() {
  LARGE_INTEGER frequency, start, now;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return 0;
  const unsigned long long tscStart = __rdtsc();
  QueryPerformanceCounter(&start);
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < frequency.QuadPart / 32);
  const unsigned long long tscEnd = __rdtsc();
  return clockRateMhz(tscEnd - tscStart, now.QuadPart - start.QuadPart, frequency.QuadPart);
}

std::string textOf(const Value& v) {
  return v.isText() ? v.string() : std::string();
}

Value callIfPresent(const char* name, std::initializer_list<Value> args = {}) {
  return lanmere::findFunction(name) ? lanmere::callFunction(name, args) : Value();
}

BOOL CALLBACK collectTask(HWND window, LPARAM param) {
  auto* state =
      reinterpret_cast<std::pair<std::set<std::string>, std::vector<std::string>>*>(param);
  char module[MAX_PATH] = {};
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameA(process, 0, module, &size)) module[0] = 0;
    CloseHandle(process);
  }
  if (!state->first.insert(module).second) return TRUE;
  char title[512] = {};
  GetWindowTextA(window, title, sizeof title);
  state->second.push_back(std::string(title) + ", " + module);
  return TRUE;
}

}  // namespace

// CreateFile never waits (a pipe without a free instance fails at once); anything but a disk
// file (a pipe, a console or other device) is refused before it is truncated.
std::FILE* openReportFile(const std::string& path) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(handle) != FILE_TYPE_DISK || !SetEndOfFile(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (!file) _close(fd);
  return file;
}

Value GETCPU() {
  Value reg = lanmere::createObject("TREG32");
  if (reg.isNil()) return "";
  lanmere::send(reg, "New",
                {kHkeyLocalMachine, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"});
  Value name = lanmere::send(reg, "Get", {"ProcessorNameString", ""});
  lanmere::send(reg, "Close");
  return name.isText() ? name : Value("");
}

Value GETTASKS() {
  std::pair<std::set<std::string>, std::vector<std::string>> state;
  EnumChildWindows(GetDesktopWindow(), collectTask, reinterpret_cast<LPARAM>(&state));
  std::sort(state.second.begin(), state.second.end());
  Value list = Value::list();
  for (const std::string& entry : state.second) list.listData()->items.push_back(entry);
  return list;
}

ReportFacts gatherReportFacts() {
  ReportFacts facts;
  facts.programPath = lanmere::programPath();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExA(facts.programPath.c_str(), GetFileExInfoStandard, &data)) {
    facts.programSize = (static_cast<long long>(data.nFileSizeHigh) << 32) |
                        static_cast<long long>(data.nFileSizeLow);
  }
  facts.compilerVersion = "Lanmere 1.0 (mingw-w64 g++ " __VERSION__ ")";
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (GetVersionExA(&version)) {
#pragma GCC diagnostic pop
    facts.windowsMajor = version.dwMajorVersion;
    facts.windowsMinor = version.dwMinorVersion;
    facts.windowsBuild = version.dwBuildNumber & 0xFFFF;
    facts.servicePack = version.szCSDVersion;
    facts.ntFamily = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  }
  facts.elapsed = textOf(callIfPresent("TIMEFROMSTART"));
  facts.date = textOf(callIfPresent("DTOC", {callIfPresent("DATE")}));
  facts.time = textOf(callIfPresent("TIME"));
  facts.cpuName = textOf(GETCPU());
  facts.clockMhz = roundClockRate(measureClockMhz());
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory)) facts.availablePhysicalBytes = memory.ullAvailPhys;
  const Value tasks = GETTASKS();
  for (const Value& task : tasks.items()) facts.tasks.push_back(task.string());
  facts.staticVariables = lanmere::staticVariableCount();
  facts.memoryInUse = lanmere::memoryCounters().inUse;
  facts.memoryHighest = lanmere::memoryCounters().highest;
  return facts;
}

}  // namespace kestrel
