#include <windows.h>

#include "runtime/platform.h"

namespace lanmere {

std::string programPath() {
  char buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, n);
}

}  // namespace lanmere
