#include "tests/support/ui.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>

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

namespace {

// A 24-bit bottom-up .bmp file of `pixels` (rows padded to 4 bytes).
bool writeBmp(const std::string& path, int width, int height,
              const std::vector<unsigned char>& pixels) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
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

DWORD bmpStride(int width) {
  return ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
}

}  // namespace

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
  std::vector<unsigned char> pixels(static_cast<size_t>(bmpStride(width)) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return writeBmp(path, width, height, pixels);
}

std::string resourceBytes(const char* name) {
  const HRSRC found = FindResourceA(nullptr, name, RT_RCDATA);
  const HGLOBAL loaded = LoadResource(nullptr, found);
  return std::string(static_cast<const char*>(LockResource(loaded)),
                     SizeofResource(nullptr, found));
}

bool writeBitmapFile(const std::string& path, int width, int height,
                     const std::function<COLORREF(int x, int y)>& pixel) {
  const DWORD stride = bmpStride(width);
  std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
  for (int y = 0; y < height; ++y) {
    unsigned char* row = pixels.data() + static_cast<size_t>(stride) * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const COLORREF c = pixel(x, y);
      row[x * 3] = GetBValue(c);
      row[x * 3 + 1] = GetGValue(c);
      row[x * 3 + 2] = GetRValue(c);
    }
  }
  return writeBmp(path, width, height, pixels);
}

namespace {
TimedSteps* activeSteps = nullptr;
}  // namespace

TimedSteps::TimedSteps(std::vector<Step> steps, UINT periodMs) : steps_(std::move(steps)) {
  activeSteps = this;
  timer_ = SetTimer(nullptr, 0, periodMs, onTimer);
}

TimedSteps::~TimedSteps() {
  KillTimer(nullptr, timer_);
  activeSteps = nullptr;
}

void CALLBACK TimedSteps::onTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (activeSteps) activeSteps->tick();
}

void TimedSteps::tick() {
  if (done() || failure_) return;
  // The index moves first: a step may run a nested loop in which the timer ticks again.
  const std::size_t step = next_++;
  try {
    steps_[step]();
  } catch (...) {
    failure_ = std::current_exception();
    next_ = steps_.size();
  }
}

void TimedSteps::rethrow() const {
  if (failure_) std::rethrow_exception(failure_);
}

bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  constexpr DWORD kNap = 5;
  bool quit = false;
  int exitCode = 0;
  while (!condition() && GetTickCount() - start < timeoutMs) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, kNap, QS_ALLINPUT);
      continue;
    }
    if (message.message == WM_QUIT) {
      quit = true;
      exitCode = static_cast<int>(message.wParam);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (quit) PostQuitMessage(exitCode);
  return condition();
}

LPARAM mousePosition(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

void postMouse(HWND hwnd, UINT message, int x, int y, WPARAM flags) {
  PostMessageA(hwnd, message, flags, mousePosition(x, y));
}

void postClick(HWND hwnd, int x, int y) {
  postMouse(hwnd, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  postMouse(hwnd, WM_LBUTTONUP, x, y);
}

void postKey(HWND hwnd, UINT virtualKey) {
  constexpr LPARAM kRepeatOnce = 1;
  constexpr int kScanShift = 16;
  constexpr LPARAM kUpTransition = 0xC0000000;  // previous state down, key released
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC))
                      << kScanShift;
  PostMessageA(hwnd, WM_KEYDOWN, virtualKey, kRepeatOnce | scan);
  PostMessageA(hwnd, WM_KEYUP, virtualKey, kRepeatOnce | scan | kUpTransition);
}

void postCtrlKey(HWND hwnd, UINT virtualKey) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_CONTROL] = 0x80;
  SetKeyboardState(state);
  postKey(hwnd, virtualKey);
}

void releaseKeys() {
  BYTE state[256] = {};
  SetKeyboardState(state);
}

COLORREF windowPixel(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return colour;
}

RECT rectInParent(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  if (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  }
  return rect;
}

namespace {

struct LastDialog {
  HWND found = nullptr;
};

BOOL CALLBACK findDialog(HWND hwnd, LPARAM param) {
  if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && className(hwnd) == "#32770") {
    reinterpret_cast<LastDialog*>(param)->found = hwnd;
  }
  return TRUE;
}

BOOL CALLBACK findMenu(HWND hwnd, LPARAM param) {
  if (IsWindowVisible(hwnd) && className(hwnd) == "#32768") {
    reinterpret_cast<LastDialog*>(param)->found = hwnd;
  }
  return TRUE;
}

DialogSteps* activeDialogSteps = nullptr;

}  // namespace

HWND currentMenu() {
  LastDialog last;
  EnumThreadWindows(GetCurrentThreadId(), findMenu, reinterpret_cast<LPARAM>(&last));
  return last.found;
}

HWND currentDialog() {
  const HWND active = GetActiveWindow();
  if (active && className(active) == "#32770") return active;
  LastDialog last;
  EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&last));
  return last.found;
}

DialogSteps::DialogSteps(std::vector<Step> steps, UINT periodMs, DWORD timeoutMs)
    : steps_(std::move(steps)), deadline_(GetTickCount() + timeoutMs), timeoutMs_(timeoutMs) {
  activeDialogSteps = this;
  timer_ = SetTimer(nullptr, 0, periodMs, onTimer);
}

DialogSteps::~DialogSteps() {
  KillTimer(nullptr, timer_);
  activeDialogSteps = nullptr;
}

void CALLBACK DialogSteps::onTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (activeDialogSteps) activeDialogSteps->tick();
}

void DialogSteps::abandon(std::exception_ptr failure) {
  failure_ = failure;
  next_ = steps_.size();
  if (currentMenu()) EndMenu();
  if (const HWND dialog = currentDialog()) {
    EndDialog(dialog, kAbandoned);
  } else {
    PostQuitMessage(0);  // no dialog up: the steps ran inside WINRUN, which the quit ends
  }
}

void DialogSteps::tick() {
  if (done() || failure_) return;
  // The index moves first: a step may run a nested loop in which the timer ticks again.
  const std::size_t step = next_++;
  try {
    const bool finished = steps_[step](currentDialog());
    if (finished) {
      deadline_ = GetTickCount() + timeoutMs_;
    } else if (next_ == step + 1) {
      next_ = step;
      if (static_cast<LONG>(GetTickCount() - deadline_) > 0) {
        throw std::runtime_error("step " + std::to_string(step + 1) + " still waits");
      }
    }
  } catch (...) {
    abandon(std::current_exception());
  }
}

void DialogSteps::rethrow() const {
  if (failure_) std::rethrow_exception(failure_);
}

namespace {

INPUT keyInput(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void pressKeys(std::initializer_list<WORD> chord) {
  pressKeys(std::vector<WORD>(chord));
}

void pressKeys(const std::vector<WORD>& chord) {
  std::vector<INPUT> inputs;
  for (WORD key : chord) inputs.push_back(keyInput(key, false));
  for (auto key = std::rbegin(chord); key != std::rend(chord); ++key) {
    inputs.push_back(keyInput(*key, true));
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void typeText(const std::string& text) {
  constexpr SHORT kShiftState = 0x0100;
  for (char c : text) {
    const SHORT scan = VkKeyScanA(c);
    const auto key = static_cast<WORD>(scan & 0xFF);
    if (scan & kShiftState) {
      pressKeys({VK_SHIFT, key});
    } else {
      pressKeys({key});
    }
  }
}

bool menuKeys(const std::vector<WORD>& keys) {
  const HWND menu = currentMenu();
  if (!menu) return false;
  for (WORD key : keys) {
    PostMessageA(menu, WM_KEYDOWN, key, 1);
    PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
  }
  return true;
}

namespace steps {

bool inputPending() {
  return HIWORD(GetQueueStatus(QS_INPUT)) != 0;
}

DialogSteps::Step type(std::string text) {
  return [text](HWND) { return typeText(text), true; };
}

DialogSteps::Step settle() {
  auto quiet = std::make_shared<int>(0);
  return [quiet](HWND) {
    *quiet = inputPending() ? 0 : *quiet + 1;
    if (*quiet < 4) return false;
    *quiet = 0;
    return true;
  };
}

DialogSteps::Step check(std::function<void()> body) {
  return [body](HWND) { return !inputPending() && (body(), true); };
}

}  // namespace steps

namespace {

// The pointer moved to the client point (x, y) of `hwnd`, as an absolute move on the screen.
INPUT pointerTo(HWND hwnd, int x, int y) {
  POINT point{x, y};
  ClientToScreen(hwnd, &point);
  constexpr int kAbsoluteRange = 65535;  // absolute mouse coordinates span the primary screen
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(point.x, kAbsoluteRange, width - 1);
  input.mi.dy = MulDiv(point.y, kAbsoluteRange, height - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return input;
}

INPUT mouseButton(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  return input;
}

}  // namespace

void clickAt(HWND hwnd, int x, int y, bool right) {
  INPUT inputs[] = {pointerTo(hwnd, x, y),
                    mouseButton(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN),
                    mouseButton(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)};
  SendInput(3, inputs, sizeof(INPUT));
}

void moveTo(HWND hwnd, int x, int y) {
  INPUT input = pointerTo(hwnd, x, y);
  SendInput(1, &input, sizeof(INPUT));
}

void pressAt(HWND hwnd, int x, int y) {
  INPUT inputs[] = {pointerTo(hwnd, x, y), mouseButton(MOUSEEVENTF_LEFTDOWN)};
  SendInput(2, inputs, sizeof(INPUT));
}

void releaseMouse() {
  INPUT input = mouseButton(MOUSEEVENTF_LEFTUP);
  SendInput(1, &input, sizeof(INPUT));
}

void clickCenter(HWND hwnd, bool right) {
  RECT client{};
  GetClientRect(hwnd, &client);
  clickAt(hwnd, client.right / 2, client.bottom / 2, right);
}

int focusedId(HWND dialog) {
  const HWND focus = GetFocus();
  return focus && IsChild(dialog, focus) ? GetDlgCtrlID(focus) : 0;
}

std::string itemText(HWND dialog, int id) {
  return windowText(GetDlgItem(dialog, id));
}

DialogTemplate::DialogTemplate(const std::string& title, DWORD style, short x, short y, short cx,
                               short cy) {
  const DWORD withFont = style | DS_SETFONT;
  words_ = {LOWORD(withFont), HIWORD(withFont), 0, 0};  // style, extended style
  countAt_ = words_.size();
  words_.insert(words_.end(), {0, static_cast<WORD>(x), static_cast<WORD>(y), static_cast<WORD>(cx),
                               static_cast<WORD>(cy)});
  words_.insert(words_.end(), {0, 0});  // no menu, the dialog class
  text(title);
  constexpr WORD kPointSize = 8;
  words_.push_back(kPointSize);
  text("MS Shell Dlg");
}

DialogTemplate& DialogTemplate::item(ControlClass controlClass, WORD id, const std::string& label,
                                     DWORD style, short x, short y, short cx, short cy) {
  align();
  const DWORD visible = style | WS_CHILD | WS_VISIBLE;
  words_.insert(words_.end(),
                {LOWORD(visible), HIWORD(visible), 0, 0, static_cast<WORD>(x), static_cast<WORD>(y),
                 static_cast<WORD>(cx), static_cast<WORD>(cy), id, 0xFFFF, controlClass});
  text(label);
  words_.push_back(0);  // no creation data
  ++words_[countAt_];
  return *this;
}

void DialogTemplate::text(const std::string& ascii) {
  for (unsigned char c : ascii) words_.push_back(c);
  words_.push_back(0);
}

void DialogTemplate::align() {
  if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
}

}  // namespace kestrel::test
