// What the Windows benchmarks share: the performance counter in milliseconds, medians, and the
// path of a program beside the running one.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kestrel::bench {

inline double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / frequency;
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2;
}

// `relative` to the folder of the running program.
inline std::string besideMe(const char* relative) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + relative;
}

}  // namespace kestrel::bench
