// Counters of the run-time's own allocations (texts, lists, hashes, objects, closures), as the
// error report prints them, and what an allocation that fails becomes.
#pragma once

#include <cstddef>
#include <new>
#include <source_location>
#include <stdexcept>

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

// The run-time's memory error: an allocation that failed ("Memory low", genCode 11, sub-code
// 5300, operation the function being executed) is raised through the error handler with no
// retry, default or substitute, so the handler ends the program or breaks out. Called once the
// failing function's body has unwound: its frame's locals are forgotten. Never returns.
inline constexpr long long kMemoryLowSubCode = 5300;
[[noreturn]] void memoryError(std::source_location where = std::source_location::current());

// Runs `body`; an allocation failure inside it (std::bad_alloc, or std::length_error for a size
// no container can hold) becomes the memory error instead of ending the process. The binding
// wraps every registered function and method in it.
template <class F>
auto guardAllocation(F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  memoryError();
}

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
