// The start-up and shut-down sequence as a whole process: startup_program runs under its own
// WinMain and reports through its trace file and its exit code.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/startup.h"
#include "tests/support/files.h"
#include "tools/boxreader/box.h"
#include "tools/replay/replay_peer.h"

namespace {

using kestrel::test::besideThisProgram;
using Strings = std::vector<std::string>;

constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;

struct Outcome {
  DWORD exitCode = 0;
  Strings trace;
  Strings errorDialogs;  // the error lines of the error dialogs this test closed with "&Quit"
};

// Starts the program with `arguments` after its name in a temporary folder (where a report file
// goes), closes any error dialog it shows as a user would ("&Quit"), and waits for it to end.
Outcome runProgram(const std::string& mode, const std::string& arguments = "") {
  const kestrel::test::TempFolder folder;
  const std::string tracePath = folder / "kestrel-startup-trace.txt";
  SetEnvironmentVariableA("KESTREL_STARTUP_TRACE", tracePath.c_str());
  SetEnvironmentVariableA("KESTREL_STARTUP_MODE", mode.c_str());

  const std::string program = besideThisProgram("startup_program.exe");
  std::string commandLine = "\"" + program + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  Outcome run;
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.path().c_str(), &startup, &process)) {
    ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
    return run;
  }
  DWORD waited = 0;
  std::vector<HWND> pressed;  // a box may still be found while it goes away
  while (WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
    HWND box = FindWindowA("#32770", "Kestrel for Lanmere");
    if (box && std::find(pressed.begin(), pressed.end(), box) == pressed.end() &&
        kestrel::test::findButton(box, "&Quit")) {
      pressed.push_back(box);
      const kestrel::test::BoxInfo dialog = kestrel::test::readBox(box);
      run.errorDialogs.push_back(dialog.statics.empty() ? "" : dialog.statics[0].text);
      kestrel::test::pressButton(box, "&Quit");
    }
    waited += kPollMs;
    if (waited > kTimeoutMs) {
      ADD_FAILURE() << "the program did not end; stopped it";
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, kTimeoutMs);
      break;
    }
  }
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  std::ifstream file(tracePath, std::ios::binary);
  for (std::string line; std::getline(file, line);) run.trace.push_back(line);
  file.close();
  return run;
}

const Strings kBeforeMain = {"init before INITTIME$"};
const Strings kMainStart = {"main 0", "started today", "no console", "error class ready"};
const Strings kExits = {"exit one", "exit two"};

Strings concat(std::initializer_list<Strings> parts) {
  Strings all;
  for (const Strings& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(StartupProgram, NormalRunEndsZeroWithExitProceduresOnceAfterMain) {
  const Outcome run = runProgram("normal");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.trace, concat({kBeforeMain, kMainStart, {"main returns"}, kExits}));
  EXPECT_TRUE(run.errorDialogs.empty());
}

TEST(StartupProgram, FatalErrorInMainShowsTheErrorAndEndsOneWithExitProceduresOnce) {
  const Outcome run = runProgram("fatal");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(
      run.errorDialogs,
      Strings{"   Error description: Error BASE/1001  Undefined function: NO_SUCH_FUNCTION\r\n"});
  EXPECT_EQ(run.trace, concat({kBeforeMain, kMainStart, kExits}));
}

TEST(StartupProgram, ErrorLevelBecomesTheExitCode) {
  const Outcome run = runProgram("level3");
  EXPECT_EQ(run.exitCode, 3u);
  EXPECT_EQ(run.trace, concat({kBeforeMain, kMainStart, {"main returns"}, kExits}));
}

// __QUIT inside a window procedure: the request leaves WINRUN and MAIN, the exit procedures run
// once, and the error level is the exit code.
TEST(StartupProgram, QuitInAWindowHandlerEndsTheProgramWithTheErrorLevel) {
  const Outcome run = runProgram("window-quit");
  EXPECT_EQ(run.exitCode, 3u);
  EXPECT_EQ(run.trace, concat({kBeforeMain, kMainStart, kExits}));
}

TEST(StartupProgram, MainGetsTheArgumentsWithoutInternalSwitches) {
  const Outcome run = runProgram("normal", R"(a "b c" //x --HB:y "")");
  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_EQ(run.trace.size(), 8u);
  EXPECT_EQ(run.trace[1], "main 3|a|b c|");
}

TEST(StartupProgram, ArgumentsAreCutTo128WithTheProgram) {
  std::string arguments;
  std::string expected = "main 127";
  for (int i = 1; i <= 129; ++i) {
    arguments += " w" + std::to_string(i);
    if (i <= 127) expected += "|w" + std::to_string(i);
  }
  const Outcome run = runProgram("normal", arguments);
  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_GE(run.trace.size(), 2u);
  EXPECT_EQ(run.trace[1], expected);
}

// The application's side first (its module, then the default error handler's), then the
// framework's modules, whose hooks come in their fixed order, then the run-time's.
TEST(StartupProgram, ModulesRegisterInTheirFixedOrder) {
  const Outcome run = runProgram("modules");
  EXPECT_EQ(run.exitCode, 0u);
  Strings modules, frameworkHooks;
  for (const std::string& line : run.trace) {
    if (line.starts_with("module ")) modules.push_back(line.substr(7));
    if (line.starts_with("hook ") && modules.size() > 2) frameworkHooks.push_back(line.substr(5));
  }
  Strings runtime;
  for (const lanmere::ModuleTable* module : kestrel::runtimeModules()) {
    runtime.push_back(module->name);
  }
  ASSERT_GT(modules.size(), 2 + runtime.size());
  EXPECT_EQ(modules[0], "tests/app/startup_program.cpp");
  EXPECT_EQ(modules[1], "framework/errorui/errorsys.cpp");
  const Strings framework(modules.begin() + 2, modules.end() - runtime.size());
  for (const std::string& module : framework) {
    EXPECT_TRUE(module.starts_with("framework/") || module.starts_with("errors/")) << module;
  }
  EXPECT_EQ(Strings(modules.end() - runtime.size(), modules.end()), runtime);
  EXPECT_EQ(frameworkHooks, (Strings{"CHMEXIT$", "EXITIMAGE$", "KS_MENUEXIT$", "INITTIME$"}));
}

// A reply past the text limit (lowered for the test) is the "String overflow" of appending to
// the reply, shown by the error handler; the program ends with 1, nothing lost to an abort.
TEST(StartupProgram, AReplyPastTheTextLimitEndsThroughTheErrorHandler) {
  kestrel::tools::ReplayPeer peer({.reply = std::string(5000, 'w'), .pieceSize = 1000});
  std::thread server([&] { peer.serve(); });
  SetEnvironmentVariableA("WEATHER_HOST", "127.0.0.1");
  SetEnvironmentVariableA("WEATHER_PORT", std::to_string(peer.port()).c_str());
  SetEnvironmentVariableA("KESTREL_TEXT_LIMIT", "2000");
  const Outcome run = runProgram("download");
  server.join();
  EXPECT_EQ(run.exitCode, 1u);
  ASSERT_EQ(run.errorDialogs.size(), 1u);
  EXPECT_TRUE(run.errorDialogs[0].ends_with("  String overflow: +\r\n")) << run.errorDialogs[0];
  EXPECT_EQ(run.trace, concat({kBeforeMain, kMainStart, kExits}));
}

TEST(StartupProgram, IsAWindowsGuiProgram) {
  std::ifstream file(besideThisProgram("startup_program.exe"), std::ios::binary);
  IMAGE_DOS_HEADER dos{};
  file.read(reinterpret_cast<char*>(&dos), sizeof dos);
  ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
  file.seekg(dos.e_lfanew + 4 + sizeof(IMAGE_FILE_HEADER));
  WORD magic = 0;
  file.read(reinterpret_cast<char*>(&magic), sizeof magic);
  // The subsystem sits at the same offset in the 32-bit and the 64-bit optional header.
  file.seekg(dos.e_lfanew + 4 + sizeof(IMAGE_FILE_HEADER) +
             offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem));
  WORD subsystem = 0;
  file.read(reinterpret_cast<char*>(&subsystem), sizeof subsystem);
  ASSERT_TRUE(file.good());
  EXPECT_TRUE(magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC || magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC);
  EXPECT_EQ(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

}  // namespace
