#include "framework/services/timage.h"

#include <cstdint>

#include "runtime/binding.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

// Values up to 32 are the load errors of the old 16-bit loader, never a module.
constexpr std::uintptr_t kLastLoadError = 32;

HMODULE& library() {
  static HMODULE handle = nullptr;
  return handle;
}

Value EXITIMAGE() {
  unloadImageLibrary();
  return {};
}

}  // namespace

HMODULE imageLibrary() noexcept {
  return library();
}
void setImageLibrary(HMODULE handle) noexcept {
  library() = handle;
}

void unloadImageLibrary() noexcept {
  if (reinterpret_cast<std::uintptr_t>(library()) > kLastLoadError) {
    FreeLibrary(library());
    library() = nullptr;
  }
}

Value UNLOADFREEIMAGE() {
  unloadImageLibrary();
  return {};
}

const lanmere::ModuleTable& imageModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&UNLOADFREEIMAGE>("UNLOADFREEIMAGE"),
       lanmere::fn<&EXITIMAGE>("EXITIMAGE$", lanmere::kExit | lanmere::kDefined)}};
  return module;
}

}  // namespace kestrel
