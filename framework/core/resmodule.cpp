#include "framework/core/resmodule.h"

#include "framework/core/tracked.h"
#include "runtime/binding.h"

namespace kestrel {

namespace {

HINSTANCE& current() {
  static HINSTANCE module = nullptr;
  return module;
}

}  // namespace

HINSTANCE resourceModule() noexcept {
  return current() ? current() : GetModuleHandleA(nullptr);
}

HINSTANCE setResourceModule(HINSTANCE module) noexcept {
  const HINSTANCE previous = resourceModule();
  current() = module;
  return previous;
}

lanmere::Value GETRESOURCES() {
  return handleNumber(resourceModule());
}

const lanmere::ModuleTable& resModule() {
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&GETRESOURCES>("GETRESOURCES")}};
  return module;
}

}  // namespace kestrel
