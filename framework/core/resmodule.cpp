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

bool resourceName(const lanmere::Value& resource, ResourceName& out) {
  constexpr long long kFirstResourceId = 1;
  constexpr long long kLastResourceId = 0xFFFF;
  if (resource.isText()) {
    out.text = std::string(resource.text().substr(0, resource.text().find('\0')));
    out.name = out.text.c_str();
    return true;
  }
  if (!resource.isNumber()) return false;
  const long long id = resource.integer();
  if (id < kFirstResourceId || id > kLastResourceId) return false;
  out.name = MAKEINTRESOURCEA(static_cast<WORD>(id));
  return true;
}

lanmere::Value GETRESOURCES() {
  return handleNumber(resourceModule());
}

const lanmere::ModuleTable& resModule() {
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&GETRESOURCES>("GETRESOURCES")}};
  return module;
}

}  // namespace kestrel
