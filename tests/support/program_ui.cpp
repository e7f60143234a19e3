#include "tests/support/program_ui.h"

#include <psapi.h>

#include <cstdlib>

#include "tests/support/ui.h"

namespace kestrel::test {

RunningProgram::RunningProgram(const std::string& program, const std::string& folder) {
  std::string command = "\"" + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  processId_ = info.dwProcessId;
  threadId_ = info.dwThreadId;
}

RunningProgram::~RunningProgram() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) TerminateProcess(process_, 99);
  CloseHandle(process_);
}

long long RunningProgram::waitForExit(DWORD timeoutMs) {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

std::size_t privateBytesOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    return 0;
  }
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

HWND waitForWindow(const std::function<HWND()>& found, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    if (const HWND hwnd = found()) return hwnd;
    Sleep(50);
  }
  return nullptr;
}

bool waitUntil(const std::function<bool()>& holds, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    if (holds()) return true;
    Sleep(50);
  }
  return holds();
}

namespace {

struct ChildSearch {
  HWND parent;
  bool direct;
  const std::string& windowClass;
  std::vector<HWND> found;
};

BOOL CALLBACK collectChild(HWND hwnd, LPARAM param) {
  auto& s = *reinterpret_cast<ChildSearch*>(param);
  if (s.direct && GetParent(hwnd) != s.parent) return TRUE;
  if (s.windowClass.empty() || className(hwnd) == s.windowClass) s.found.push_back(hwnd);
  return TRUE;
}

}  // namespace

HWND focusOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

std::string textOf(HWND hwnd) {
  char text[1024] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  return text;
}

std::vector<HWND> childrenOf(HWND parent, const std::string& windowClass) {
  ChildSearch search{parent, true, windowClass, {}};
  EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> descendantsOf(HWND parent) {
  const std::string all;
  ChildSearch search{parent, false, all, {}};
  EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

// The 32-bit top-down pixels of a bitmap, as COLORREF values.
Picture pixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> bgr(static_cast<std::size_t>(width) * height);
  Picture picture;
  if (GetDIBits(dc, bitmap, 0, height, bgr.data(), &info, DIB_RGB_COLORS) != height) {
    return picture;
  }
  picture.width = width;
  picture.height = height;
  picture.pixels.reserve(bgr.size());
  for (const DWORD p : bgr) {
    picture.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  }
  return picture;
}

}  // namespace

Picture pictureOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  Picture picture = pixelsOf(memory, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

Picture readPicture(const std::string& path) {
  const auto bitmap = static_cast<HBITMAP>(
      LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!bitmap) return {};
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  HDC memory = CreateCompatibleDC(nullptr);
  Picture picture = pixelsOf(memory, bitmap, info.bmWidth, info.bmHeight);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return picture;
}

bool writePicture(const std::string& path, const Picture& picture) {
  return writeBitmapFile(path, picture.width, picture.height,
                         [&](int x, int y) { return picture.at(x, y); });
}

double differingShare(const Picture& a, const Picture& b, int tolerance) {
  if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 1;
  std::size_t differing = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    const COLORREF p = a.pixels[i], q = b.pixels[i];
    if (std::abs(GetRValue(p) - GetRValue(q)) > tolerance ||
        std::abs(GetGValue(p) - GetGValue(q)) > tolerance ||
        std::abs(GetBValue(p) - GetBValue(q)) > tolerance) {
      ++differing;
    }
  }
  return static_cast<double>(differing) / static_cast<double>(a.pixels.size());
}

}  // namespace kestrel::test
