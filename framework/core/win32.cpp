#include "framework/core/win32.h"

#include <cstring>

namespace kestrel {

using lanmere::Value;

std::string windowText(HWND hwnd) {
  if (!hwnd) return {};
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(hwnd, text.data(), length + 1);
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

HGLOBAL globalBlock(std::string_view bytes, std::size_t size) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, size);
  if (block == nullptr) return nullptr;
  void* memory = GlobalLock(block);
  if (memory == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(memory, bytes.data(), bytes.size() < size ? bytes.size() : size);
  GlobalUnlock(block);
  return block;
}

std::string blockBytes(HANDLE block, bool toZero) {
  if (block == nullptr) return {};
  const SIZE_T size = GlobalSize(block);
  if (size == 0) return {};
  const char* memory = static_cast<const char*>(GlobalLock(block));
  if (memory == nullptr) return {};
  const std::size_t length = toZero ? strnlen(memory, size) : size;
  std::string bytes(memory, length);
  GlobalUnlock(block);
  return bytes;
}

}  // namespace kestrel
