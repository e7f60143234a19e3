// gallerydriver: sets the running gallery up as a user would for its picture, then ends it.
//
//   gallerydriver [--timeout SECONDS] [--until-file PATH]
//
// Waits up to --timeout seconds (default 120) for the gallery's frame, opens a form (Ctrl+N) and
// a drawing (File > New drawing), tiles them (Window > Tile) and prints "ready". Then it waits
// until the file PATH exists (at most --timeout seconds more) and chooses File > Exit. Without
// --until-file it stops after "ready" and leaves the gallery to its user.
//
// Exit status: 0 done; 2 bad arguments; 3 no frame appeared; 4 a step did not happen in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "tools/boxreader/box.h"

namespace {

enum ExitCode { kDone = 0, kUsage = 2, kNoFrame = 3, kStepFailed = 4 };
constexpr DWORD kStepMs = 20000;

DWORD deadlineMs = 120000;

template <class Found>
bool waitFor(Found found, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (found()) return true;
    Sleep(50);
  }
  return found();
}

void key(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void chord(std::initializer_list<WORD> keys) {
  for (WORD k : keys) key(k, false);
  for (auto k = std::rbegin(keys); k != std::rend(keys); ++k) key(*k, true);
  Sleep(100);
}

// Alt + the menu's letter, then the item's letter once the menu is open.
bool menu(HWND frame, WORD menuKey, WORD itemKey) {
  DWORD process = 0;
  GetWindowThreadProcessId(frame, &process);
  SetForegroundWindow(frame);
  chord({VK_MENU, menuKey});
  const bool open = waitFor(
      [&] { return kestrel::test::topLevelOf(process, "#32768") != nullptr; },
      kStepMs);
  if (open) chord({itemKey});
  return open;
}

// How many visible children of the MDI client carry this title.
int children(HWND frame, const char* title) {
  const HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
  int count = 0;
  for (HWND child = client ? GetWindow(client, GW_CHILD) : nullptr; child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char text[64] = {};
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    if (IsWindowVisible(child) && std::string(text) == title) ++count;
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  std::string untilFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--timeout" && i + 1 < argc) {
      deadlineMs = static_cast<DWORD>(std::atof(argv[++i]) * 1000);
    } else if (arg == "--until-file" && i + 1 < argc) {
      untilFile = argv[++i];
    } else {
      std::fprintf(stderr, "usage: gallerydriver [--timeout SECONDS] [--until-file PATH]\n");
      return kUsage;
    }
  }
  HWND frame = nullptr;
  waitFor(
      [&] {
        frame = FindWindowA(nullptr, "Kestrel gallery");
        return frame && IsWindowVisible(frame);
      },
      deadlineMs);
  if (!frame || !IsWindowVisible(frame)) return kNoFrame;
  Sleep(500);  // the frame finishes its first paint
  SetForegroundWindow(frame);
  chord({VK_CONTROL, 'N'});
  if (!waitFor([&] { return children(frame, "Form") == 1; }, kStepMs)) return kStepFailed;
  if (!menu(frame, 'F', 'D') ||
      !waitFor([&] { return children(frame, "Drawing") == 1; }, kStepMs)) {
    return kStepFailed;
  }
  if (!menu(frame, 'W', 'T')) return kStepFailed;
  Sleep(1000);  // the tiled children repaint
  std::printf("ready\n");
  std::fflush(stdout);
  if (untilFile.empty()) return kDone;
  waitFor([&] { return GetFileAttributesA(untilFile.c_str()) != INVALID_FILE_ATTRIBUTES; },
          deadlineMs);
  return menu(frame, 'F', 'X') ? kDone : kStepFailed;
}
