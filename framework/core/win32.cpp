#include "framework/core/win32.h"

#include <cstring>

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

bool isDialogWindow(HWND hwnd) {
  char name[8] = {};
  return hwnd && GetClassNameA(hwnd, name, sizeof name) && std::string_view(name) == "#32770";
}

bool isRadioButton(HWND hwnd) {
  if (!hwnd) return false;
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof name);
  const LONG_PTR type = GetWindowLongPtrA(hwnd, GWL_STYLE) & BS_TYPEMASK;
  return lstrcmpiA(name, "Button") == 0 && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

namespace {

// The first button of the radio button's group for which `wanted` holds, null when none does.
// The walk wraps inside the group; it is bounded by the parent's children in case it does not.
template <class Wanted>
HWND groupMember(HWND radio, Wanted wanted) {
  if (!isRadioButton(radio)) return nullptr;
  const HWND parent = GetParent(radio);
  HWND each = radio;
  for (int guard = 0; each && guard < 1024; ++guard) {
    if (isRadioButton(each) && wanted(each)) return each;
    each = GetNextDlgGroupItem(parent, each, FALSE);
    if (each == radio) break;
  }
  return nullptr;
}

}  // namespace

HWND checkedRadio(HWND radio) {
  return groupMember(
      radio, [](HWND each) { return SendMessageA(each, BM_GETCHECK, 0, 0) == BST_CHECKED; });
}

HWND radioTabStop(HWND radio) {
  const HWND stop = groupMember(
      radio, [](HWND each) { return (GetWindowLongPtrA(each, GWL_STYLE) & WS_TABSTOP) != 0; });
  return stop ? stop : radio;
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

FARPROC systemProc(const char* library, const char* name) noexcept {
  HMODULE module = GetModuleHandleA(library);
  if (module == nullptr) module = LoadLibraryA(library);
  return module == nullptr ? nullptr : GetProcAddress(module, name);
}

}  // namespace kestrel
