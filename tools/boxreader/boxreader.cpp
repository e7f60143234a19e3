// boxreader: watches for a modal box of another program, prints what it shows and presses OK,
// as a user at the screen would.
//
//   boxreader [--title TITLE] [--timeout SECONDS] [--hold SECONDS] [--until-file PATH]
//             [--no-press]
//
// Waits up to --timeout seconds (default 30) for a visible top-level window of class "#32770"
// (with exactly the title TITLE when given), then writes to stdout, in one piece:
//
//   title: <the box's title>
//   text: <its message, the static with id 0xFFFF; empty for other dialogs>
//   button: <id> <caption>          one line per push button, in window order
//
// Each value is escaped so that every record is one line: "\r", "\n", "\t", "\\", and "\xHH"
// for the other bytes below 0x20 and for 0x7F; other bytes are written as they are (ANSI code
// page). `printf '%b'` in a shell turns a value back into its bytes.
//
// Then it waits --hold seconds, or until the file PATH exists (at most --timeout seconds more),
// so that a picture of the screen can be taken, and presses OK (WM_COMMAND IDOK) unless
// --no-press is given, and waits for the box to close.
//
// Exit status: 0 done; 2 bad arguments; 3 no box appeared in time; 4 the file never appeared
// (OK was pressed anyway); 5 the box did not close after OK.
#include "tools/boxreader/box.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using kestrel::test::BoxInfo;

constexpr DWORD kPollMs = 50;
constexpr DWORD kCloseWaitMs = 5000;

enum ExitCode { kDone = 0, kUsage = 2, kNoBox = 3, kNoSignal = 4, kNotClosed = 5 };

struct Options {
  std::string title;
  bool anyTitle = true;
  double timeout = 30;
  double hold = 0;
  std::string untilFile;
  bool press = true;
};

struct Search {
  const Options* options;
  HWND found = nullptr;
};

BOOL CALLBACK findBox(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(hwnd) || kestrel::test::className(hwnd) != "#32770") return TRUE;
  if (!search->options->anyTitle && kestrel::test::windowText(hwnd) != search->options->title) {
    return TRUE;
  }
  search->found = hwnd;
  return FALSE;
}

// Polls `ready` every kPollMs until it holds or `seconds` have passed.
template <typename Ready>
bool waitFor(double seconds, Ready ready) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    if (ready()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
}

std::string escaped(const std::string& value) {
  std::string out;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", byte);
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string report(const BoxInfo& box) {
  std::string out = "title: " + escaped(box.title) + "\n";
  out += "text: " + escaped(box.text) + "\n";
  for (const auto& button : box.buttons) {
    out += "button: " + std::to_string(button.id) + " " + escaped(button.text) + "\n";
  }
  return out;
}

bool number(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && *end == '\0' && value >= 0;
}

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--no-press") {
      options.press = false;
    } else if (arg == "--title" && hasValue) {
      options.title = argv[++i];
      options.anyTitle = false;
    } else if (arg == "--timeout" && hasValue) {
      if (!number(argv[++i], options.timeout)) return false;
    } else if (arg == "--hold" && hasValue) {
      if (!number(argv[++i], options.hold)) return false;
    } else if (arg == "--until-file" && hasValue) {
      options.untilFile = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fputs(
        "usage: boxreader [--title TITLE] [--timeout SECONDS] [--hold SECONDS]"
        " [--until-file PATH] [--no-press]\n",
        stderr);
    return kUsage;
  }

  // Lines end in LF alone, whatever the C run-time's text mode would make of them.
  _setmode(_fileno(stdout), _O_BINARY);

  Search search{&options};
  const bool found = waitFor(options.timeout, [&] {
    EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  if (!found) {
    std::fputs("boxreader: no box appeared in time\n", stderr);
    return kNoBox;
  }
  const HWND box = search.found;
  // Let the box finish painting, so that a picture taken now shows it whole.
  RedrawWindow(box, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  const std::string out = report(kestrel::test::readBox(box));
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);

  int status = kDone;
  if (options.hold > 0) Sleep(static_cast<DWORD>(options.hold * 1000));
  if (!options.untilFile.empty()) {
    const bool signalled = waitFor(options.timeout, [&] {
      return GetFileAttributesA(options.untilFile.c_str()) != INVALID_FILE_ATTRIBUTES;
    });
    if (!signalled) {
      std::fputs("boxreader: the file to wait for never appeared; pressing OK\n", stderr);
      status = kNoSignal;
    }
  }
  if (!options.press) return status;

  kestrel::test::pressButton(box, IDOK);
  if (!waitFor(kCloseWaitMs / 1000.0, [&] { return !IsWindow(box); })) {
    std::fputs("boxreader: the box did not close after OK\n", stderr);
    return kNotClosed;
  }
  return status;
}
