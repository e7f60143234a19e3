// The help module's HTML Help library: loaded on first use, unloaded by the exit procedure
// CHMEXIT$ (through FREEHTMLDLL).
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The HTML Help library ("hhctrl.ocx"), loaded the first time it is asked for; null when it
// cannot be loaded.
HMODULE htmlHelpLibrary();
// Its "HtmlHelpA" entry, or null.
FARPROC htmlHelpEntry();
bool htmlHelpLoaded() noexcept;

// Unloads the library if it was loaded and forgets its handle.
void freeHtmlDll() noexcept;

lanmere::Value FREEHTMLDLL();

const lanmere::ModuleTable& helpModule();

}  // namespace kestrel
