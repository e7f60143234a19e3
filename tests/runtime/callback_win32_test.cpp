// Exceptions and Windows frames: the i686 compiler unwinds with DWARF tables, which cannot cross a
// frame of the system. A guarded window procedure parks what was thrown, the system call returns
// normally, and the request is raised again right after it.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "runtime/error.h"
#include "runtime/value.h"

namespace {

using lanmere::BreakException;
using lanmere::Value;

constexpr UINT kThrowBreak = WM_APP + 1;
constexpr UINT kThrowFailure = WM_APP + 2;
int deepest = 0;

// A few frames of our own between the system's frame and the throw, as a real handler has.
void throwFrom(int depth, UINT what) {
  if (depth > 0) return throwFrom(depth - 1, what);
  ++deepest;
  if (what == kThrowBreak) lanmere::doBreak(Value(7));
  throw std::runtime_error("failure inside a window procedure");
}

LRESULT CALLBACK guardedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return lanmere::guardCallback<LRESULT>(0, [&]() -> LRESULT {
    if (msg == kThrowBreak || msg == kThrowFailure) {
      throwFrom(5, msg);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  });
}

HWND makeWindow() {
  static const ATOM atom = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = guardedProc;  // a procedure without CALLBACK does not convert on i686
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KestrelGuardedTest";
    return RegisterClassA(&wc);
  }();
  EXPECT_NE(atom, 0);
  return CreateWindowExA(0, "KestrelGuardedTest", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(GuardedCallback, RequestComesOutAfterTheSystemCallReturns) {
  struct Case {
    UINT message;
    bool isBreak;
  };
  for (const Case c : {Case{kThrowBreak, true}, Case{kThrowFailure, false}}) {
    SCOPED_TRACE(c.message);
    HWND hwnd = makeWindow();
    ASSERT_NE(hwnd, nullptr);
    deepest = 0;
    // Through the message queue and DispatchMessageA ...
    ASSERT_TRUE(PostMessageA(hwnd, c.message, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, c.message, c.message, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_EQ(deepest, 1);
    ASSERT_TRUE(lanmere::hasParked()) << "DispatchMessageA returned without a parked request";
    if (c.isBreak) {
      try {
        lanmere::raiseParked();
        ADD_FAILURE() << "no break raised";
      } catch (const BreakException& e) {
        EXPECT_EQ(e.value.integer(), 7);
      }
    } else {
      EXPECT_THROW(lanmere::raiseParked(), std::runtime_error);
    }
    EXPECT_FALSE(lanmere::hasParked());
    // ... and through SendMessageA, a direct call from the system into the procedure.
    EXPECT_EQ(SendMessageA(hwnd, c.message, 0, 0), 0);
    EXPECT_TRUE(lanmere::hasParked());
    EXPECT_ANY_THROW(lanmere::raiseParked());
    DestroyWindow(hwnd);
  }
}

}  // namespace
