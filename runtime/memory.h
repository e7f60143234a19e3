// Counters of the run-time's own allocations (texts, lists, hashes, objects, closures), as the
// error report prints them.
#pragma once

#include <cstddef>
#include <new>

namespace lanmere {

struct MemoryCounters {
  std::size_t inUse = 0;
  std::size_t highest = 0;
};

const MemoryCounters& memoryCounters();
// Starts a new high-water mark from the memory in use now (benchmarks measure one run's peak).
void resetMemoryPeak();
void* countedAllocate(std::size_t bytes);
void countedFree(void* block, std::size_t bytes) noexcept;

template <class T>
struct CountingAllocator {
  using value_type = T;
  CountingAllocator() noexcept = default;
  template <class U>
  CountingAllocator(const CountingAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(countedAllocate(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { countedFree(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const CountingAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace lanmere
