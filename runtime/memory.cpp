#include "runtime/memory.h"

#include <algorithm>
#include <cstdlib>

namespace lanmere {

namespace {
MemoryCounters counters;
}

const MemoryCounters& memoryCounters() { return counters; }

void resetMemoryPeak() { counters.highest = counters.inUse; }

void* countedAllocate(std::size_t bytes) {
  void* block = ::operator new(bytes);
  counters.inUse += bytes;
  counters.highest = std::max(counters.highest, counters.inUse);
  return block;
}

void countedFree(void* block, std::size_t bytes) noexcept {
  if (!block) return;
  counters.inUse -= bytes;
  ::operator delete(block);
}

}  // namespace lanmere
