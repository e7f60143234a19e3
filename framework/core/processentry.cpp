#include "framework/core/processentry.h"

namespace kestrel {

namespace {

struct ProcessEntry {
  HINSTANCE instance = nullptr;
  HINSTANCE previous = nullptr;
  int show = SW_SHOWNORMAL;
};

ProcessEntry& entry() {
  static ProcessEntry value;
  return value;
}

}  // namespace

HINSTANCE processInstance() noexcept {
  // A test program that did not come through the process entry still has its own module.
  return entry().instance ? entry().instance : GetModuleHandleA(nullptr);
}
HINSTANCE previousInstance() noexcept {
  return entry().previous;
}
int showCommand() noexcept {
  return entry().show;
}

void setProcessEntry(HINSTANCE instance, HINSTANCE previous, int show) noexcept {
  entry() = {instance, previous, show};
}

}  // namespace kestrel
