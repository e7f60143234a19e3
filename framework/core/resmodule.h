// The framework's current resource module: where bitmaps, icons and dialogs named by resource are
// loaded from. The program's own module until something chooses another.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

HINSTANCE resourceModule() noexcept;
// Null goes back to the program's own module. Returns the previous one.
HINSTANCE setResourceModule(HINSTANCE module) noexcept;

// Loads a library of dialogs and other resources and makes it the current resource module; the
// framework owns it until FREERESOURCES. A library loaded before is freed first. Null when the
// library cannot be loaded (the current module is kept then).
HINSTANCE loadResourceLibrary(const std::string& path);
// The framework's global atom, added on first use and kept until FREERESOURCES.
ATOM frameworkAtom();

// FREERESOURCES(): frees the resource library loaded for dialogs (the program's own module is
// the resource module again when it was current) and deletes the framework's atom, whichever
// exist. With nothing to free it does nothing, so calling it again is harmless.
void FREERESOURCES();

// A resource name as the loaders take it: a text up to its first zero byte names a resource, a
// number from 1 to 65535 is an ordinal. Anything else, and a number outside that range (the
// system would take it for an address), names nothing.
class ResourceName {
 public:
  explicit ResourceName(const lanmere::Value& name);
  // A text of digits only is an ordinal here (bitmaps named in brush descriptions).
  explicit ResourceName(const std::string& name);
  // Null when nothing is named.
  LPCSTR get() const noexcept;

 private:
  void fromNumber(long long n) noexcept;
  void fromText(std::string text);
  std::string text_;
  WORD id_ = 0;
  bool named_ = false;
};

// GETRESOURCES(): the current resource module's handle.
lanmere::Value GETRESOURCES();

const lanmere::ModuleTable& resModule();

}  // namespace kestrel
