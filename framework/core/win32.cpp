#include "framework/core/win32.h"

#include "framework/core/wndproc.h"

namespace kestrel {

using lanmere::Value;

std::string windowText(HWND hwnd) {
  if (!hwnd) return {};
  // Both ask the window itself, whose procedure can call back into the framework.
  const int length = callWindows([&] { return GetWindowTextLengthA(hwnd); });
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = callWindows([&] { return GetWindowTextA(hwnd, text.data(), length + 1); });
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

bool keyDown(int virtualKey) {
  return (GetKeyState(virtualKey) & 0x8000) != 0;
}

Value sysColor(int index) {
  return static_cast<long long>(GetSysColor(index));
}

bool fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool pathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace kestrel
