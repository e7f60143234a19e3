// The box reader runs as a second process against a box this test shows, as it does against
// the weather program.
#include "tests/support/ui.h"

#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::test {
namespace {

constexpr DWORD kExitWaitMs = 20000;
constexpr ULONGLONG kBoxDeadlineMs = 30000;

// One run of boxreader.exe, its stdout going to a file the test can read while it runs.
class BoxReaderRun {
 public:
  explicit BoxReaderRun(const std::string& args) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outPath_.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string program = besideThisProgram(KESTREL_BOXREADER_PATH);
    std::string command = "\"" + program + "\" " + args;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
    CloseHandle(out);
  }

  ~BoxReaderRun() {
    if (process_) {
      if (running()) TerminateProcess(process_, 99);
      CloseHandle(process_);
    }
  }

  bool started() const { return process_ != nullptr; }
  bool running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  // The exit status, or -1 when it did not end in time.
  int finish() {
    if (!process_ || WaitForSingleObject(process_, kExitWaitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
  }

  std::string output() const {
    HANDLE in = CreateFileA(outPath_.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE) return "";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(in);
    return text;
  }

 private:
  TempFolder folder_;
  const std::string outPath_ = folder_ / "boxreader.txt";
  HANDLE process_ = nullptr;
};

// Closes a box the reader left behind (it ended, or the deadline passed) so no test can hang
// on it; `step` runs on every look at the open box before that.
class Watchdog {
 public:
  explicit Watchdog(const BoxReaderRun& run, int button = IDCANCEL, std::function<void()> step = {})
      : deadline_(GetTickCount64() + kBoxDeadlineMs),
        driver_([this, &run, button, step](const BoxInfo&) {
          if (step) step();
          if (run.running() && GetTickCount64() < deadline_) return 0;
          pressed_ = true;
          return button;
        }) {}

  bool pressed() const { return pressed_; }

 private:
  ULONGLONG deadline_;
  bool pressed_ = false;
  ModalDriver driver_;
};

TEST(BoxReader, PrintsTheBoxAndPressesOk) {
  BoxReaderRun reader("--title Alert --timeout 20");
  ASSERT_TRUE(reader.started());
  Watchdog watchdog(reader);
  EXPECT_EQ(MessageBoxA(nullptr, "\r\nabc", "Alert", MB_ICONWARNING | MB_OK), IDOK);
  EXPECT_FALSE(watchdog.pressed());
  EXPECT_EQ(reader.finish(), 0);
  EXPECT_EQ(reader.output(), "title: Alert\ntext: \\r\\nabc\nbutton: 1 OK\n");
}

TEST(BoxReader, EscapesWhatWouldBreakALineAndKeepsOtherBytes) {
  BoxReaderRun reader("--timeout 20");
  ASSERT_TRUE(reader.started());
  Watchdog watchdog(reader);
  EXPECT_EQ(MessageBoxA(nullptr, "a\tb\\c\x01\x7f d\xe9\r\n\r\nz", "Two words", MB_OK), IDOK);
  EXPECT_FALSE(watchdog.pressed());
  EXPECT_EQ(reader.finish(), 0);
  EXPECT_EQ(reader.output(),
            "title: Two words\ntext: a\\tb\\\\c\\x01\\x7F d\xe9\\r\\n\\r\\nz\nbutton: 1 OK\n");
}

TEST(BoxReader, LeavesABoxWithAnotherTitleAndFailsWhenNoneAppears) {
  BoxReaderRun reader("--title Alert --timeout 1");
  ASSERT_TRUE(reader.started());
  Watchdog watchdog(reader);
  EXPECT_EQ(MessageBoxA(nullptr, "x", "Other", MB_OKCANCEL), IDCANCEL);
  EXPECT_TRUE(watchdog.pressed());
  EXPECT_EQ(reader.finish(), 3);
  EXPECT_EQ(reader.output(), "");
}

TEST(BoxReader, HoldsTheBoxOpenUntilTheFileAppears) {
  const TempFolder folder;
  const std::string signal = folder / "signal";
  BoxReaderRun reader("--timeout 20 --until-file \"" + signal + "\"");
  ASSERT_TRUE(reader.started());
  bool signalledWhileOpen = false;
  Watchdog watchdog(reader, IDCANCEL, [&] {
    if (signalledWhileOpen || reader.output().find("\nbutton: ") == std::string::npos) return;
    HANDLE file = CreateFileA(signal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);
    signalledWhileOpen = true;
  });
  EXPECT_EQ(MessageBoxA(nullptr, "wait", "Alert", MB_OK), IDOK);
  EXPECT_TRUE(signalledWhileOpen);
  EXPECT_FALSE(watchdog.pressed());
  EXPECT_EQ(reader.finish(), 0);
}

TEST(BoxReader, WithoutPressingLeavesTheBoxToTheUser) {
  BoxReaderRun reader("--timeout 20 --no-press");
  ASSERT_TRUE(reader.started());
  Watchdog watchdog(reader, IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_TRUE(watchdog.pressed());
  EXPECT_EQ(reader.finish(), 0);
  EXPECT_EQ(reader.output(), "title: Question\ntext: Go on?\nbutton: 6 &Yes\nbutton: 7 &No\n");
}

}  // namespace
}  // namespace kestrel::test
