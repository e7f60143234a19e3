// Timing for the Windows benchmarks: the performance counter in milliseconds, and medians.
#pragma once

#include <windows.h>

#include <algorithm>
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

}  // namespace kestrel::bench
