// The default error handler in whole programs: error_program fails as each case says, in a
// folder of its own; this test finds its error dialogs as a user sees them, reads them, answers
// them with buttons and keys, and checks the exit code, the trace and the report file.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ui.h"
#include "tools/boxreader/box.h"

namespace kestrel::test {
namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr const char* kCaption = "Kestrel for Lanmere";
constexpr DWORD kPollMs = 50;
constexpr ULONGLONG kProgramTimeoutMs = 60000;

std::string besideThisProgram(const std::string& name) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of("\\/") + 1) + name;
}

std::string fileBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

Strings linesOf(const std::string& text) {
  Strings lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The report's lines that start with `prefix`, each with its CR LF.
Strings reportLines(const std::string& report, const std::string& prefix) {
  Strings found;
  for (std::size_t at = 0; at < report.size();) {
    std::size_t end = report.find("\r\n", at);
    end = end == std::string::npos ? report.size() : end + 2;
    const std::string line = report.substr(at, end - at);
    if (line.starts_with(prefix)) found.push_back(line);
    at = end;
  }
  return found;
}

// The running programs the report lists, as many lines as it counts, each "title, program path"
// in printable characters.
::testing::AssertionResult cleanTaskList(const std::string& report) {
  const std::string head = "   Windows total applications running: ";
  const Strings counted = reportLines(report, head);
  if (counted.size() != 1) return ::testing::AssertionFailure() << counted.size() << " counts";
  const std::size_t count = std::stoul(counted[0].substr(head.size()));
  if (count == 0) return ::testing::AssertionFailure() << "no program counted";
  const std::regex entry(R"(    [ \d]{3} [\x20-\x7E]*, [A-Za-z]:\\[\x20-\x7E]+\.exe\r\n)",
                         std::regex::icase);
  std::size_t at = report.find(counted[0]) + counted[0].size();
  for (std::size_t n = 1; n <= count; ++n) {
    const std::size_t end = std::min(report.find("\r\n", at), report.size() - 2) + 2;
    const std::string line = report.substr(at, end - at);
    if (!std::regex_match(line, entry) || std::stoul(line.substr(4, 3)) != n) {
      return ::testing::AssertionFailure() << "program " << n << " of " << count << ": " << line;
    }
    at = end;
  }
  return ::testing::AssertionSuccess();
}

struct Search {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK collectErrorDialog(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search->pid && IsWindowVisible(hwnd) && className(hwnd) == "#32770" &&
      windowText(hwnd) == kCaption) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

// The error dialogs the program shows, in z-order (topmost first).
std::vector<HWND> errorDialogsOf(DWORD pid) {
  Search search{pid, {}};
  EnumWindows(collectErrorDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A dialog is ready once it is shown: the dialog manager shows it when its initialisation, which
// binds the controls, is over.
bool ready(HWND dialog) {
  return IsWindowVisible(dialog) && readBox(dialog).buttons.size() >= 2;
}

struct ProgramRun;
// What the user does with the n-th error dialog the program shows.
using Answer = std::function<void(HWND dialog, ProgramRun& run)>;

struct ProgramRun {
  DWORD exitCode = 0xFFFFFFFF;
  Strings trace;
  std::vector<BoxInfo> dialogs;  // as each was first seen, ready
  fs::path folder;
  std::string screenshot;  // saved once for the first dialog when not empty

  std::string file(const std::string& name) const { return fileBytes(folder / name); }
  bool exists(const std::string& name) const { return fs::exists(folder / name); }
};

Answer press(std::string caption) {
  return
      [caption](HWND dialog, ProgramRun&) { EXPECT_TRUE(pressButton(dialog, caption)) << caption; };
}
Answer enter() {
  return [](HWND dialog, ProgramRun&) { postEnter(dialog); };
}
Answer escape() {
  return [](HWND dialog, ProgramRun&) { postEscape(dialog); };
}
Answer closeBox() {
  return [](HWND dialog, ProgramRun&) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); };
}
Answer nothing() {
  return [](HWND, ProgramRun&) {};
}

// Runs error_program in a new folder with KESTREL_ERROR_SETUP and KESTREL_ERROR_CASE, answering
// its error dialogs in turn, and waits (bounded) for it to end. A dialog without an answer is
// read and left to the program.
ProgramRun runProgram(const std::string& setup, const std::string& failure,
                      std::vector<Answer> answers, const std::string& screenshot = {}) {
  static int serial = 0;
  ProgramRun run;
  run.screenshot = screenshot;
  run.folder = fs::temp_directory_path() / ("kestrel-errors-" + std::to_string(++serial));
  fs::remove_all(run.folder);
  fs::create_directories(run.folder);
  const std::string trace = (run.folder / "trace.txt").string();
  SetEnvironmentVariableA("KESTREL_ERROR_TRACE", trace.c_str());
  SetEnvironmentVariableA("KESTREL_ERROR_SETUP", setup.c_str());
  SetEnvironmentVariableA("KESTREL_ERROR_CASE", failure.c_str());

  const std::string program = besideThisProgram("error_program.exe");
  std::string command = "\"" + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      run.folder.string().c_str(), &startup, &process)) {
    ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
    return run;
  }
  CloseHandle(process.hThread);
  // Tells a program that closes its own dialog (the "repaint" setup) that the dialog was read.
  const std::string seenName = "kestrel-error-dialog-seen-" + std::to_string(process.dwProcessId);
  const HANDLE dialogSeen = CreateEventA(nullptr, TRUE, FALSE, seenName.c_str());
  std::vector<HWND> seen;
  const ULONGLONG deadline = GetTickCount64() + kProgramTimeoutMs;
  while (WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
    if (GetTickCount64() > deadline) {
      ADD_FAILURE() << failure << ": the program did not end; stopped it";
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 10000);
      break;
    }
    for (const HWND dialog : errorDialogsOf(process.dwProcessId)) {
      if (std::find(seen.begin(), seen.end(), dialog) != seen.end() || !ready(dialog)) continue;
      seen.push_back(dialog);
      Sleep(200);  // let it finish painting
      run.dialogs.push_back(readBox(dialog));
      if (run.dialogs.size() == 1 && !run.screenshot.empty()) {
        saveScreenshot(run.screenshot + ".bmp");
      }
      SetEvent(dialogSeen);
      if (seen.size() <= answers.size()) answers[seen.size() - 1](dialog, run);
      break;  // one new dialog per poll: an answer may open or close others
    }
  }
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(dialogSeen);
  run.trace = linesOf(run.file("trace.txt"));
  return run;
}

Strings captions(const BoxInfo& dialog) {
  Strings all;
  for (const ButtonInfo& button : dialog.buttons) all.push_back(button.text);
  return all;
}

// The choice buttons ("&Retry", "&Quit", "&Default") from left to right, the dialog's default
// button (the one Enter presses unless a button has the focus) marked with "*".
Strings buttonRow(const BoxInfo& dialog) {
  std::vector<ButtonInfo> row;
  for (const ButtonInfo& button : dialog.buttons) {
    if (!button.text.starts_with("See ")) row.push_back(button);
  }
  std::sort(row.begin(), row.end(),
            [](const ButtonInfo& a, const ButtonInfo& b) { return a.rect.left < b.rect.left; });
  Strings names;
  for (const ButtonInfo& button : row) {
    names.push_back(button.text + (button.id == dialog.defaultId ? "*" : ""));
  }
  return names;
}

bool inside(const RECT& rect, const RECT& client) {
  return rect.left >= client.left && rect.top >= client.top && rect.right <= client.right &&
         rect.bottom <= client.bottom;
}

std::string labelOf(const BoxInfo& dialog) {
  return dialog.statics.empty() ? std::string() : dialog.statics[0].text;
}

bool has(const Strings& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const Strings kExits = {"exit one", "exit two"};

// The trace without the line that says where MAIN fails.
Strings steps(const ProgramRun& run) {
  Strings kept;
  for (const std::string& line : run.trace) {
    if (!line.starts_with("fails at ")) kept.push_back(line);
  }
  return kept;
}

Strings tail(const Strings& lines, std::size_t n) {
  return lines.size() < n ? lines
                          : Strings(lines.end() - static_cast<std::ptrdiff_t>(n), lines.end());
}

// ---- Soft answers ----

TEST(ErrorProgram, SoftAnswersAndTheRecordsThatGoOnToTheDialog) {
  struct Case {
    const char* failure;
    Strings buttons;  // of the dialog; empty: no dialog
    Answer answer;
    DWORD exitCode;
    std::string traced;  // a line the trace must hold
  } cases[] = {
      {"divide", {}, nullptr, 0, "divide 0 mod 0"},
      {"launch:21:32:4", {}, nullptr, 0, "action 0 neterr T tries 0"},
      {"launch:21:5:4", {}, nullptr, 0, "action 0 neterr T tries 0"},
      {"launch:40:0:4", {}, nullptr, 0, "action 0 neterr T tries 0"},
      {"launch:21:2:4", {"&Quit", "&Default"}, press("&Default"), 0, "action 0 neterr F tries 0"},
      {"launch:21:32:0", {"&Quit*"}, press("&Quit"), 1, "attempt 1"},
      {"launch:5:0:0", {"&Quit*"}, press("&Quit"), 1, "attempt 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    const ProgramRun run = runProgram("", c.failure, {c.answer ? c.answer : nothing()});
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(has(run.trace, c.traced));
    EXPECT_EQ(tail(run.trace, 2), kExits);
    if (c.buttons.empty()) {
      EXPECT_TRUE(run.dialogs.empty());
      EXPECT_FALSE(run.exists("error.log"));
    } else {
      ASSERT_EQ(run.dialogs.size(), 1u);
      EXPECT_EQ(buttonRow(run.dialogs[0]), c.buttons);
      EXPECT_TRUE(run.exists("error.log"));
    }
    EXPECT_FALSE(run.exists("lanmere.log")) << "an internal error ended the program";
  }
}

// ---- A fatal error in MAIN ----

TEST(ErrorProgram, AnUndefinedFunctionInMainIsReportedShownAndEndsTheProgramWithOne) {
  const ProgramRun run = runProgram("", "undefined", {enter()}, "error-dialog-quit");
  ASSERT_EQ(run.dialogs.size(), 1u);
  const BoxInfo& dialog = run.dialogs[0];
  EXPECT_EQ(dialog.title, kCaption);
  EXPECT_EQ(captions(dialog), (Strings{"&Quit", "See error.log file"}));
  EXPECT_EQ(buttonRow(dialog), Strings{"&Quit*"});

  const std::string report = run.file("error.log");
  ASSERT_FALSE(report.empty());
  EXPECT_TRUE(report.ends_with("\r\n\x1A"));
  EXPECT_TRUE(cleanTaskList(report));
  const Strings errorLines = reportLines(report, "   Error description: ");
  ASSERT_EQ(errorLines.size(), 1u);
  EXPECT_EQ(labelOf(dialog), errorLines[0]);
  EXPECT_EQ(errorLines[0],
            "   Error description: Error BASE/1001  Undefined function: NO_SUCH_FUNCTION\r\n");
  const Strings stack = reportLines(report, "   Called from: ");
  ASSERT_FALSE(stack.empty());
  ASSERT_EQ(dialog.lists.size(), 1u);
  Strings listed;
  for (const std::string& line : dialog.lists[0].lines) listed.push_back(line + "\r\n");
  EXPECT_EQ(listed, stack);
  EXPECT_EQ(dialog.lists[0].selected, 0);
  ASSERT_EQ(run.trace.size(), 4u);
  EXPECT_EQ(stack[0], "   Called from: tests/framework/errorui/error_program.cpp => MAIN( " +
                          run.trace[1].substr(std::string("fails at ").size()) + " )\r\n");

  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(run.trace, (Strings{"main", run.trace[1], "exit one", "exit two"}));
}

// ---- Buttons ----

TEST(ErrorProgram, TheButtonsFollowTheFlagsAndEveryWayOutButDefaultEndsWithOne) {
  struct Case {
    const char* failure;
    Strings row;  // left to right, "*" the default button
    std::vector<Answer> answers;
    DWORD exitCode;
    Strings traced;  // lines the trace holds, in order, between "main" and the exits
    std::string screenshot;
    std::string labelEnd;
  } cases[] = {
      {"launch:21:2:0", {"&Quit*"}, {escape()}, 1, {"attempt 1"}, "", "Open error: TABLE\r\n"},
      {"launch:21:2:1",
       {"&Quit", "&Retry"},
       {press("&Retry")},
       1,
       {"attempt 1"},
       "error-dialog-retry",
       "(DOS Error 2) BASE/1001  Open error: TABLE\r\n"},
      {"launch:21:2:4",
       {"&Quit", "&Default"},
       {closeBox()},
       1,
       {"attempt 1"},
       "error-dialog-default",
       "Open error: TABLE\r\n"},
      {"launch:21:2:5",
       {"&Retry", "&Quit*", "&Default"},
       {enter()},
       1,
       {"attempt 1"},
       "error-dialog-all",
       "Open error: TABLE\r\n"},
      {"paint:5",
       {"&Retry", "&Quit*", "&Default"},
       {press("&Retry"), press("&Default")},
       0,
       {"attempt 1", "attempt 2", "action 0 neterr F tries 2", "loop ended", "main returns"},
       "",
       "Open error: TABLE\r\n"},
      {"framework",
       {"&Quit*"},
       {press("&Quit")},
       1,
       {},
       "",
       "Error Kestrel/6  Cannot create window or control: \r\nClass: TWINDOW\r\n"},
      {"lowmem",
       {"&Quit", "&Default"},
       {press("&Default")},
       0,
       {"lowmem F", "main returns"},
       "error-dialog-warning",
       "Warning BASE/5300  Memory Low\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    const ProgramRun run = runProgram("", c.failure, c.answers, c.screenshot);
    EXPECT_EQ(run.exitCode, c.exitCode);
    ASSERT_EQ(run.dialogs.size(), c.answers.size());
    for (const BoxInfo& dialog : run.dialogs) {
      EXPECT_EQ(buttonRow(dialog), c.row);
      EXPECT_TRUE(labelOf(dialog).ends_with(c.labelEnd)) << labelOf(dialog);
      for (const ButtonInfo& button : dialog.buttons) {
        EXPECT_TRUE(inside(button.rect, dialog.client)) << button.text;
      }
      for (const StaticInfo& label : dialog.statics) {
        EXPECT_TRUE(inside(label.rect, dialog.client)) << label.text;
      }
      for (const ListInfo& list : dialog.lists) EXPECT_TRUE(inside(list.rect, dialog.client));
    }
    Strings expected{"main"};
    expected.insert(expected.end(), c.traced.begin(), c.traced.end());
    expected.insert(expected.end(), kExits.begin(), kExits.end());
    EXPECT_EQ(run.trace, expected);
  }
}

// ---- The report file ----

TEST(ErrorProgram, ReportSettingsAndThePostErrorAction) {
  struct Case {
    std::string setup;
    std::string reportName;  // "" when no report may exist
    std::string reportButton;
    Strings traced;  // between "main" and the exits
  } cases[] = {
      {"path:.\\missing\\", "", "See error.log file", {}},
      {"file:crash.txt", "crash.txt", "See crash.txt file", {}},
      {"post",
       "error.log",
       "See error.log file",
       {"post .\\error.log Undefined function dialog closed"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setup);
    const ProgramRun run = runProgram(c.setup, "undefined", {press("&Quit")});
    ASSERT_EQ(run.dialogs.size(), 1u);
    EXPECT_EQ(captions(run.dialogs[0]), (Strings{"&Quit", c.reportButton}));
    EXPECT_TRUE(labelOf(run.dialogs[0]).ends_with("Undefined function: NO_SUCH_FUNCTION\r\n"));
    Strings files;
    for (const auto& entry : fs::recursive_directory_iterator(run.folder)) {
      files.push_back(fs::relative(entry.path(), run.folder).string());
    }
    std::sort(files.begin(), files.end());
    Strings expectedFiles{"trace.txt"};
    if (!c.reportName.empty()) expectedFiles.push_back(c.reportName);
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(files, expectedFiles);
    Strings expected{"main"};
    expected.insert(expected.end(), c.traced.begin(), c.traced.end());
    expected.insert(expected.end(), kExits.begin(), kExits.end());
    EXPECT_EQ(steps(run), expected);
    EXPECT_EQ(run.exitCode, 1u);
  }
}

// ---- Re-entry ----

TEST(ErrorProgram, AnErrorOfThePostErrorActionEndsTheProgramWithoutASecondDialog) {
  const ProgramRun run = runProgram("post-raises", "undefined", {press("&Quit")});
  EXPECT_EQ(run.dialogs.size(), 1u);
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(steps(run), (Strings{"main", "post fails", "exit one", "exit two"}));
  EXPECT_EQ(
      reportLines(run.file("error.log"), "   Error description: "),
      Strings{"   Error description: Error BASE/1001  Undefined function: NO_SUCH_FUNCTION\r\n"});
}

TEST(ErrorProgram, AnotherWindowsErrorDuringTheDialogBringsASecondDialogOnTop) {
  bool firstStillOpen = false;
  const ProgramRun run = runProgram(
      "timer", "undefined", {nothing(), [&](HWND second, ProgramRun& run) {
                               firstStillOpen = IsWindowVisible(run.dialogs[0].hwnd) != FALSE;
                               EXPECT_TRUE(pressButton(second, "&Quit"));
                             }});
  // The second is owned by the first, so it stays above it; "&Quit" there ends everything, the
  // first dialog's loop included (the program ends by itself, not stopped by the test).
  ASSERT_EQ(run.dialogs.size(), 2u);
  EXPECT_TRUE(firstStillOpen);
  EXPECT_EQ(run.dialogs[1].owner, run.dialogs[0].hwnd);
  EXPECT_TRUE(labelOf(run.dialogs[0]).ends_with("NO_SUCH_FUNCTION\r\n"));
  EXPECT_TRUE(labelOf(run.dialogs[1]).ends_with("NO_SUCH_TIMER_FUNCTION\r\n"));
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(steps(run), (Strings{"main", "timer fails", "exit one", "exit two"}));
}

// ---- Texts ----

TEST(ErrorProgram, TheErrorLineIsShownAsItIs) {
  struct Case {
    const char* failure;
    std::string shown;
  } cases[] = {
      {"launch:21:2:0:a&b", "Open error: a&b\r\n"},
      {"launch:21:2:0:USE:caf\xE9.dbf", "Open error: caf\xE9.dbf\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    const ProgramRun run = runProgram("", c.failure, {press("&Quit")});
    ASSERT_EQ(run.dialogs.size(), 1u);
    ASSERT_FALSE(run.dialogs[0].statics.empty());
    const StaticInfo& label = run.dialogs[0].statics[0];
    EXPECT_TRUE(label.text.ends_with(c.shown)) << label.text;
    EXPECT_EQ(label.style & SS_NOPREFIX, SS_NOPREFIX);
    EXPECT_EQ(reportLines(run.file("error.log"), "   Error description: "), Strings{label.text});
  }
}

// ---- The report button ----

struct NotepadSearch {
  std::string title;
  HWND found = nullptr;
};

BOOL CALLBACK findTitled(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<NotepadSearch*>(param);
  if (IsWindowVisible(hwnd) && windowText(hwnd).find(search->title) != std::string::npos &&
      className(hwnd) != "#32770") {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A top-level window (not a dialog) whose title names the file.
HWND findNotepad(const std::string& fileName) {
  NotepadSearch search{fileName};
  EnumWindows(findTitled, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST(ErrorProgram, TheReportButtonOpensTheReportInNotepadAndTheDialogStays) {
  struct Case {
    std::string setup;
    std::string file;
  } cases[] = {
      {"", "error.log"},
      {"mkdir:dir with blank|path:.\\dir with blank\\|file:blank report.log", "blank report.log"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    bool notepadSeen = false, stayed = false;
    const ProgramRun run =
        runProgram(c.setup, "undefined", {[&](HWND dialog, ProgramRun&) {
                     ASSERT_TRUE(pressButton(dialog, "See " + c.file + " file"));
                     HWND notepad = nullptr;
                     const ULONGLONG deadline = GetTickCount64() + 30000;
                     while (!(notepad = findNotepad(c.file)) && GetTickCount64() < deadline)
                       Sleep(kPollMs);
                     notepadSeen = notepad != nullptr;
                     stayed = IsWindowVisible(dialog) != FALSE;
                     if (notepad) {
                       DWORD pid = 0;
                       GetWindowThreadProcessId(notepad, &pid);
                       PostMessageA(notepad, WM_CLOSE, 0, 0);
                       if (HANDLE editor = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
                         WaitForSingleObject(editor, 10000);
                         CloseHandle(editor);
                       }
                     }
                     pressButton(dialog, "&Quit");
                   }});
    EXPECT_TRUE(notepadSeen);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(run.exitCode, 1u);
  }
}

// ---- The logo ----

TEST(ErrorProgram, TheLogoIsPaintedWithoutLeaksAndDeletedWithTheDialog) {
  const ProgramRun run = runProgram("repaint", "launch:21:2:4", {nothing()});
  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_EQ(run.dialogs.size(), 1u);
  ASSERT_GE(run.trace.size(), 4u);
  // While the dialog was open: one record of the logo, and the same records after 50 paints.
  const Strings expected{
      "main",           "attempt 1",    run.trace[2], "action 0 neterr F tries 0",
      "logo records 0", "main returns", "exit one",   "exit two"};
  EXPECT_EQ(run.trace, expected);
  std::istringstream repaints(run.trace[2]);
  std::string word;
  long long before = -1, after = -2, logo = -1;
  repaints >> word >> before >> after >> word >> logo;
  EXPECT_EQ(before, after);
  EXPECT_EQ(logo, 1);
  EXPECT_EQ(run.file("checkres.txt").find("Logo"), std::string::npos);
  EXPECT_NE(run.file("checkres.txt").find(std::string(100, '=')), std::string::npos);
}

}  // namespace
}  // namespace kestrel::test
