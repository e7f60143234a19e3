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
// The window with the keyboard focus in another process's thread.
HWND focusOf(DWORD thread);
// A window's text, asked of its own process (GetWindowText answers only the creation text of
// another process's window).
std::string textOf(HWND hwnd);
// Another process's private bytes (its commit charge); 0 when it cannot be read.
std::size_t privateBytesOf(HANDLE process);
// The direct children of `parent` of class `windowClass` ("" for all), in creation order.
std::vector<HWND> childrenOf(HWND parent, const std::string& windowClass = "");
// Every window below `parent`, at any depth, in creation order.
std::vector<HWND> descendantsOf(HWND parent);

// ---- Pictures of what the display shows ----

struct Picture {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;  // row by row from the top left
  COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// The window as the display shows it now (its whole rectangle, frame included).
Picture pictureOf(HWND hwnd);
// A 24-bit .bmp file as a picture; empty (0 x 0) when it cannot be read.
Picture readPicture(const std::string& path);
bool writePicture(const std::string& path, const Picture& picture);
// The share (0 to 1) of pixels where a colour channel differs by more than `tolerance`; 1 when
// the sizes differ. A tolerance of about a quarter of the range lets anti-aliased and hinted
// text edges move by a pixel while a missing shape or a wrong colour still counts.
double differingShare(const Picture& a, const Picture& b, int tolerance);

}  // namespace kestrel::test
