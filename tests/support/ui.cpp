#include "tests/support/ui.h"

#include <algorithm>
#include <cstdio>

namespace kestrel::test {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
ModalDriver* activeDriver = nullptr;

BOOL CALLBACK collectChild(HWND child, LPARAM param) {
  auto* info = reinterpret_cast<BoxInfo*>(param);
  const std::string cls = className(child);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if (cls == "Button") {
    const LONG kind = style & BS_TYPEMASK;
    if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
      info->buttons.push_back({GetDlgCtrlID(child), windowText(child), kind == BS_DEFPUSHBUTTON});
    }
  } else if (cls == "Static") {
    if ((style & SS_TYPEMASK) == SS_ICON) info->hasIcon = true;
    if (GetDlgCtrlID(child) == kMessageBoxTextId) info->text = windowText(child);
  }
  return TRUE;
}

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

std::string className(HWND hwnd) {
  char buffer[256] = {};
  GetClassNameA(hwnd, buffer, sizeof buffer);
  return buffer;
}

std::string windowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

BoxInfo readBox(HWND box) {
  BoxInfo info;
  info.hwnd = box;
  info.owner = GetWindow(box, GW_OWNER);
  info.className = className(box);
  info.title = windowText(box);
  EnumChildWindows(box, collectChild, reinterpret_cast<LPARAM>(&info));
  return info;
}

void pressButton(HWND box, int id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

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
