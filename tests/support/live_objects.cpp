#include "tests/support/live_objects.h"

#include <windows.h>

#include <psapi.h>

#include "runtime/memory.h"

namespace kestrel::test {

namespace {

BOOL CALLBACK countChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

BOOL CALLBACK countTopLevel(HWND hwnd, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  EnumChildWindows(hwnd, countChild, count);  // every descendant, not only the children
  return TRUE;
}

// Handle tables hold at most 65536 entries. Under Wine a handle's low word is its index and a
// handle whose high word is 0 names the entry whatever its generation, so each index is asked
// once; on Windows the probe finds nothing and the system's own counter answers.
constexpr UINT_PTR kTableSize = 0x10000;
// Window-manager handles (windows, menus, ...) start at 0x20 and go in steps of 2.
constexpr UINT_PTR kFirstUserHandle = 0x20;

}  // namespace

long threadWindows() {
  long count = 0;
  EnumThreadWindows(GetCurrentThreadId(), countTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}

long drawingObjects() {
  if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) {
    return static_cast<long>(counted);
  }
  long count = 0;
  for (UINT_PTR index = 1; index < kTableSize; ++index) {
    count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
  }
  return count;
}

long liveMenus() {
  long count = 0;
  for (UINT_PTR index = kFirstUserHandle; index < kTableSize; index += 2) {
    count += IsMenu(reinterpret_cast<HMENU>(index)) != FALSE;
  }
  return count;
}

// Wine leaves PrivateUsage at 0 and fills the commit charge (the same figure on Windows) from the
// process's anonymous resident and swapped memory.
std::size_t privateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    return 0;
  }
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

LiveObjects LiveObjects::now() {
  LiveObjects live;
  live.add("windows", threadWindows())
      .add("drawing objects", drawingObjects())
      .add("menus", liveMenus())
      .add("run-time bytes", static_cast<long long>(lanmere::memoryCounters().inUse));
  return live;
}

LiveObjects& LiveObjects::add(std::string name, long long value) {
  counts_.push_back({std::move(name), value});
  return *this;
}

long long LiveObjects::operator[](std::string_view name) const {
  for (const Count& c : counts_) {
    if (c.name == name) return c.value;
  }
  return 0;
}

std::string LiveObjects::grownSince(const LiveObjects& before) const {
  std::string grown;
  for (const Count& c : counts_) {
    const long long more = c.value - before[c.name];
    if (more <= 0) continue;
    if (!grown.empty()) grown += ", ";
    grown += c.name + " +" + std::to_string(more);
  }
  return grown;
}

std::string LiveObjects::describe() const {
  std::string text;
  for (const Count& c : counts_) {
    if (!text.empty()) text += ", ";
    text += c.name + " " + std::to_string(c.value);
  }
  return text;
}

}  // namespace kestrel::test
