// cliphelper: another program on the clipboard, for the clipboard tests. Runs its steps in order:
//
//   cliphelper [--set-text TEXT] [--set-wide TEXT] [--set-raw TEXT] [--print] [--out PATH]
//              [--ready PATH] [--hold MS]
//
//   --set-text TEXT  empties the clipboard and places TEXT as text (with its zero byte)
//   --set-wide TEXT  the same as wide text (each byte widened to one UTF-16 unit)
//   --set-raw TEXT   the same as text, in a block of exactly TEXT's bytes: no zero byte
//   --print          writes the clipboard's text to stdout, and to the --out file when given
//   --out PATH       where --print writes (given before --print)
//   --ready PATH     the file --hold creates once it holds the clipboard (given before --hold)
//   --hold MS        opens the clipboard, creates the --ready file, keeps it open MS
//                    milliseconds, then closes it (Windows refuses the clipboard to other
//                    programs meanwhile; Wine 8 does not)
//
// The clipboard is opened for a message-only window of the helper's own, a few tries over at
// most two seconds (another program may hold it for a moment).
//
// Exit status: 0 done; 1 the clipboard could not be opened or refused the data; 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

enum ExitCode { kDone = 0, kRefused = 1, kUsage = 2 };
constexpr int kOpenTries = 100;
constexpr DWORD kOpenPauseMs = 20;

HWND owner() {
  static const HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                             GetModuleHandleA(nullptr), nullptr);
  return window;
}

bool open() {
  for (int i = 0; i < kOpenTries; ++i) {
    if (OpenClipboard(owner())) return true;
    Sleep(kOpenPauseMs);
  }
  return false;
}

bool place(UINT format, const void* bytes, std::size_t size) {
  if (!open()) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  bool placed = false;
  if (void* memory = block ? GlobalLock(block) : nullptr) {
    std::memcpy(memory, bytes, size);
    GlobalUnlock(block);
    placed = SetClipboardData(format, block) != nullptr;
  }
  if (block && !placed) GlobalFree(block);
  CloseClipboard();
  return placed;
}

bool print(const std::string& outPath) {
  if (!open()) return false;
  std::string text;
  if (HANDLE block = GetClipboardData(CF_TEXT)) {
    const char* bytes = static_cast<const char*>(GlobalLock(block));
    if (bytes) text.assign(bytes, strnlen(bytes, GlobalSize(block)));
    GlobalUnlock(block);
  }
  CloseClipboard();
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  if (outPath.empty()) return true;
  // Written aside and renamed, so a reader never sees half of it.
  const std::string aside = outPath + ".part";
  FILE* file = std::fopen(aside.c_str(), "wb");
  if (!file) return false;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return MoveFileExA(aside.c_str(), outPath.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool hold(DWORD ms, const std::string& readyPath) {
  if (!open()) return false;
  if (!readyPath.empty()) {
    if (FILE* file = std::fopen(readyPath.c_str(), "wb")) std::fclose(file);
  }
  Sleep(ms);
  CloseClipboard();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outPath, readyPath;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--print") {
      if (!print(outPath)) return kRefused;
      continue;
    }
    if (i + 1 >= argc) return kUsage;
    const std::string value = argv[++i];
    bool ok = true;
    if (option == "--set-text") {
      ok = place(CF_TEXT, value.c_str(), value.size() + 1);
    } else if (option == "--set-wide") {
      const std::wstring wide(value.begin(), value.end());
      ok = place(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    } else if (option == "--set-raw") {
      ok = place(CF_TEXT, value.data(), value.size());
    } else if (option == "--out") {
      outPath = value;
    } else if (option == "--ready") {
      readyPath = value;
    } else if (option == "--hold") {
      ok = hold(static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10)), readyPath);
    } else {
      return kUsage;
    }
    if (!ok) return kRefused;
  }
  return kDone;
}
