// Making and driving windows in tests: windows made through New as a program makes them, handles
// as numbers. A program that calls these helpers (the linker then takes twindow_support.cpp) has
// the core's and the controls' modules registered before its first test, with an error block
// that fails the test an unexpected error reaches.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/core/handles.h"
#include "framework/core/twindow.h"
#include "runtime/value.h"
#include "tests/support/errors.h"
#include "tests/support/modules.h"
#include "tests/support/values.h"

namespace kestrel::test {

inline lanmere::Value number(auto handle) {
  return lanmere::Value(handleNumber(handle));
}

inline HWND hwndOf(const lanmere::Value& window) {
  return as<TWindow>(window).hwnd();
}

// New of `className` with the default arguments.
lanmere::Value window(const char* className = "TWINDOW");
// New of `className` at pixels (top, left, bottom, right), with caption and style 0.
lanmere::Value pixelWindow(long long top, long long left, long long bottom, long long right,
                           const char* title = "", const char* className = "TWINDOW");
// pixelWindow, shown.
lanmere::Value shownWindow(long long top, long long left, long long bottom, long long right,
                           const char* title = "", const char* className = "TWINDOW");
// A visible child window with a tab stop, 20 pixels high, at `top` inside `parent`.
lanmere::Value childWindow(const lanmere::Value& parent, long long top,
                           const char* className = "TWINDOW");
// Destroys the window as the system does (its Destroy runs from the destroy message).
void destroy(const lanmere::Value& window);

lanmere::Value newFont(const char* face, long long height);
lanmere::Value newBrush(long long color);

// Takes the quit message a destroyed main window posted, so the next test's loop does not end.
void dropQuitMessages();

// Drains the queue with SYSREFRESH (the current accelerator table translates, as in the main
// loop) until the condition holds or `rounds` rounds have passed; answers the condition.
bool refreshUntil(const std::function<bool()>& condition, int rounds = 300);

}  // namespace kestrel::test
