// What the process entry received from Windows, kept for the framework (window classes are
// registered for this instance; the first main window takes the show command).
#pragma once

#include <windows.h>

namespace kestrel {

HINSTANCE processInstance() noexcept;
HINSTANCE previousInstance() noexcept;
int showCommand() noexcept;

// Called once by the process entry before the start-up sequence.
void setProcessEntry(HINSTANCE instance, HINSTANCE previous, int show) noexcept;

}  // namespace kestrel
