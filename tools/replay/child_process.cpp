#include "tools/replay/child_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kestrel::tools {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPoll = std::chrono::milliseconds(10);

#ifdef _WIN32
// One argument quoted the way the C run-time splits a command line: backslashes are literal
// except before a quote, where they are doubled.
std::string quoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') backslashes = backslashes * 2 + 1;
    quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}
#endif

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
#ifdef _WIN32
  std::string commandLine = quoteArgument(program);
  for (const std::string& argument : arguments) commandLine += ' ' + quoteArgument(argument);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    throw std::runtime_error("cannot start " + program + ", error " +
                             std::to_string(GetLastError()));
  }
  CloseHandle(info.hThread);
  handle_ = reinterpret_cast<std::intptr_t>(info.hProcess);
#else
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0)
    throw std::runtime_error("cannot start " + program + ", error " + std::to_string(error));
  handle_ = pid;
#endif
}

ChildProcess::~ChildProcess() {
  if (!exitCode_) terminate();
#ifdef _WIN32
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
#endif
}

std::optional<int> ChildProcess::wait(int timeoutMs) {
  if (exitCode_) return exitCode_;
#ifdef _WIN32
  const HANDLE process = reinterpret_cast<HANDLE>(handle_);
  if (WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return {};
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  exitCode_ = static_cast<int>(code);
#else
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(static_cast<pid_t>(handle_), &status, WNOHANG);
    if (done == static_cast<pid_t>(handle_)) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (done < 0) {
      exitCode_ = -1;
      break;
    }
    if (Clock::now() >= deadline) return {};
    std::this_thread::sleep_for(kPoll);
  }
#endif
  return exitCode_;
}

void ChildProcess::terminate() {
  if (exitCode_) return;
#ifdef _WIN32
  TerminateProcess(reinterpret_cast<HANDLE>(handle_), 1);
#else
  kill(static_cast<pid_t>(handle_), SIGKILL);
#endif
  wait(5000);
}

std::optional<std::uint16_t> readPortFile(const std::string& path, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::ifstream file(path);
    unsigned port = 0;
    if (file >> port && port > 0 && port < 65536) return static_cast<std::uint16_t>(port);
    if (Clock::now() >= deadline) return {};
    std::this_thread::sleep_for(kPoll);
  }
}

bool writeFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush()) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  return !error;
}

}  // namespace kestrel::tools
