// Driving a program that runs in a process of its own, as its user would: start it in a folder,
// wait for its windows, read their texts and the focus, and see it end.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kestrel::test {

// A program started by the test; however the test ends, the program does not outlive it.
class RunningProgram {
 public:
  // Starts `program` with `folder` as its current folder; started() tells whether it did.
  RunningProgram(const std::string& program, const std::string& folder);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD processId() const { return processId_; }
  DWORD threadId() const { return threadId_; }
  HANDLE process() const { return process_; }
  // Waits (bounded) for the program to end; its exit code, or -1 while it still runs.
  long long waitForExit(DWORD timeoutMs);

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  DWORD threadId_ = 0;
};

// Polls (bounded) until `found` answers a window.
HWND waitForWindow(const std::function<HWND()>& found, int timeoutMs);
// Polls (bounded) until `holds` answers true.
bool waitUntil(const std::function<bool()>& holds, int timeoutMs);
// The visible top-level window of process `pid` whose class is `windowClass`.
HWND topLevelOf(DWORD pid, const std::string& windowClass);
// The window with the keyboard focus in another process's thread.
HWND focusOf(DWORD thread);
// A window's text, asked of its own process (GetWindowText answers only the creation text of
// another process's window).
std::string textOf(HWND hwnd);
// The direct children of `parent` of class `windowClass` ("" for all), in creation order.
std::vector<HWND> childrenOf(HWND parent, const std::string& windowClass = "");
// Every window below `parent`, at any depth, in creation order.
std::vector<HWND> descendantsOf(HWND parent);

}  // namespace kestrel::test
