// Making and driving windows in the window class's tests: the modules registered once, windows
// made through New as a program makes them, and a test error block.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/core/handles.h"
#include "framework/core/twindow.h"
#include "runtime/closure.h"
#include "runtime/value.h"

namespace kestrel::test {

inline lanmere::Value number(auto handle) {
  return lanmere::Value(handleNumber(handle));
}

inline TWindow& as(const lanmere::Value& window) {
  return static_cast<TWindow&>(*window.object());
}

inline HWND hwndOf(const lanmere::Value& window) {
  return as(window).hwnd();
}

inline lanmere::Value closure(std::function<lanmere::Value(lanmere::Args)> body) {
  return lanmere::block(std::move(body), "(b)TEST");
}

// New of `className` with the default arguments.
lanmere::Value window(const char* className = "TWINDOW");
// New of `className` at pixels (top, left, bottom, right), with caption and style 0.
lanmere::Value pixelWindow(long long top, long long left, long long bottom, long long right,
                           const char* title = "", const char* className = "TWINDOW");
// A visible child window with a tab stop, 20 pixels high, at `top` inside `parent`.
lanmere::Value childWindow(const lanmere::Value& parent, long long top,
                           const char* className = "TWINDOW");
// Destroys the window as the system does (its Destroy runs from the destroy message).
void destroy(const lanmere::Value& window);

lanmere::Value newFont(const char* face, long long height);
lanmere::Value newBrush(long long color);

// Installs an error block for its lifetime that hands each record to `seen` and answers false.
class ErrorBlock {
 public:
  explicit ErrorBlock(std::function<void(const lanmere::Value&)> seen);
  ~ErrorBlock();
  ErrorBlock(const ErrorBlock&) = delete;
  ErrorBlock& operator=(const ErrorBlock&) = delete;

 private:
  lanmere::Value previous_;
};

}  // namespace kestrel::test
