#include "tests/support/ui.h"

#include <algorithm>
#include <cstdio>

namespace kestrel::test {

namespace {

ModalDriver* activeDriver = nullptr;

struct Finder {
  const std::vector<HWND>* handled;
  HWND found = nullptr;
};

BOOL CALLBACK findBox(HWND hwnd, LPARAM param) {
  auto* finder = reinterpret_cast<Finder*>(param);
  if (!IsWindowVisible(hwnd) || className(hwnd) != "#32770") return TRUE;
  if (std::find(finder->handled->begin(), finder->handled->end(), hwnd) != finder->handled->end())
    return TRUE;
  finder->found = hwnd;
  return FALSE;
}

}  // namespace

ModalDriver::ModalDriver(Answer answer, UINT periodMs) : answer_(std::move(answer)) {
  activeDriver = this;
  timer_ = SetTimer(nullptr, 0, periodMs, onTimer);
}

ModalDriver::~ModalDriver() {
  KillTimer(nullptr, timer_);
  activeDriver = nullptr;
}

void CALLBACK ModalDriver::onTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (activeDriver) activeDriver->poll();
}

void ModalDriver::poll() {
  Finder finder{&handled_};
  EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&finder));
  if (!finder.found) return;
  BoxInfo info = readBox(finder.found);
  const int id = answer_(info);
  if (id == 0) return;
  handled_.push_back(finder.found);
  seen_.push_back(info);
  pressButton(finder.found, id);
}

bool saveScreenshot(const std::string& path) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
            std::fwrite(&header, sizeof header, 1, out) == 1 &&
            std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  ok = std::fclose(out) == 0 && ok;
  return ok;
}

}  // namespace kestrel::test
