// The image module's external image library: its module handle, set by whoever loads the
// library, and freed by the exit procedure EXITIMAGE$ (through UNLOADFREEIMAGE).
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

HMODULE imageLibrary() noexcept;
void setImageLibrary(HMODULE library) noexcept;

// A handle above 32 (a real module, not a load error code) is freed and cleared.
void unloadImageLibrary() noexcept;

lanmere::Value UNLOADFREEIMAGE();

const lanmere::ModuleTable& imageModule();

}  // namespace kestrel
