// The menu module's shared check-mark bitmap of the 2007-style menus, deleted by the exit
// procedure KS_MENUEXIT$ (through DELCHECK2007).
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

HBITMAP check2007Bitmap() noexcept;
void setCheck2007Bitmap(HBITMAP bitmap) noexcept;

// Deletes the bitmap if it exists and clears the handle.
void deleteCheck2007();

lanmere::Value DELCHECK2007();

const lanmere::ModuleTable& menuModule();

}  // namespace kestrel
