// One message, four ways: WM_LBUTTONDOWN sent with SendMessageA from the same thread to
//   1. a bare C window procedure that computes the answer;
//   2. a minimal C++ subclass: slot from GWLP_USERDATA, a std::vector, one virtual call, one
//      std::function;
//   3. the framework: a TWindow made by New, whose LButtonDown evaluates its bLClicked
//      (nRow, nCol, nFlags, Self);
//   4. the same through a control: a TControl child of that window on a system button, whose
//      LButtonDown (the parent's last key, then the window's) evaluates its bLClicked.
// Each computes the same value from row, column and flags. Rounds are interleaved and the best
// round of each path counts; the ratios close the output.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

#include "framework/core/tcontrol.h"
#include "framework/core/twindow.h"
#include "runtime/closure.h"
#include "runtime/object.h"

namespace {

using lanmere::Args;
using lanmere::Value;

constexpr int kMessagesPerRound = 20000;
constexpr int kRounds = 15;
constexpr int kWarmUpMessages = 5000;
constexpr double kGoalOverBare = 1.5;
constexpr double kGoalOverMinimal = 1.15;

long long answer(long long row, long long column, long long flags) {
  return row * 100000 + column * 10 + flags;
}

// 1. Bare.
LRESULT CALLBACK bareProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) {
    return static_cast<LRESULT>(answer(static_cast<short>(HIWORD(lParam)),
                                       static_cast<short>(LOWORD(lParam)),
                                       static_cast<long long>(wParam)));
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// 2. Minimal C++ subclass.
struct Handler {
  virtual ~Handler() = default;
  virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

struct ClickHandler : Handler {
  std::function<long long(long long, long long, long long)> clicked;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_LBUTTONDOWN) return 0;
    return static_cast<LRESULT>(clicked(static_cast<short>(HIWORD(lParam)),
                                        static_cast<short>(LOWORD(lParam)),
                                        static_cast<long long>(wParam)));
  }
};

std::vector<std::unique_ptr<Handler>> handlers(1);  // slot 0 is none

LRESULT CALLBACK minimalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto slot = static_cast<std::size_t>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_LBUTTONDOWN && slot > 0 && slot < handlers.size()) {
    return handlers[slot]->onMessage(message, wParam, lParam);
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);  // the procedure it replaced
}

HWND createWindow(const char* className, WNDPROC procedure) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, className, "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                         windowClass.hInstance, nullptr);
}

double seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(to.QuadPart - from.QuadPart) / frequency;
}

struct Path {
  const char* name;
  HWND hwnd;
  double best = std::numeric_limits<double>::max();
  LRESULT result = 0;
};

constexpr WPARAM kFlags = MK_LBUTTON;
const LPARAM kPosition = MAKELPARAM(37, 21);  // column 37, row 21

void round(Path& path, int messages) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  LRESULT result = 0;
  for (int i = 0; i < messages; ++i)
    result = SendMessageA(path.hwnd, WM_LBUTTONDOWN, kFlags, kPosition);
  QueryPerformanceCounter(&end);
  path.result = result;
  path.best = std::min(path.best, seconds(start, end) / messages);
}

}  // namespace

int main() {
  HWND bare = createWindow("BenchBare", bareProc);

  HWND minimal = createWindow("BenchMinimal", DefWindowProcA);
  auto click = std::make_unique<ClickHandler>();
  click->clicked = [](long long row, long long column, long long flags) {
    return answer(row, column, flags);
  };
  handlers.push_back(std::move(click));
  SetWindowLongPtrA(minimal, GWLP_USERDATA, static_cast<LONG_PTR>(handlers.size() - 1));
  SetWindowLongPtrA(minimal, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&minimalProc));

  const Value window =
      lanmere::construct<kestrel::TWindow>({.nBottom = 99, .nRight = 99, .lPixel = true});
  auto& framedWindow = static_cast<kestrel::TWindow&>(*window.object());
  framedWindow.bLClicked = lanmere::block(
      [](Args args) -> Value {
        return Value(answer(args[0].integer(), args[1].integer(), args[2].integer()));
      },
      "(b)BENCH");
  HWND framed = framedWindow.hwnd();

  kestrel::TControl::Class();
  const Value control = lanmere::createObject("TCONTROL");
  auto& framedControl = static_cast<kestrel::TControl&>(*control.object());
  framedControl.oWnd = window;
  framedControl.nId = 100;
  framedControl.nBottom = 30;
  framedControl.nRight = 80;
  framedControl.nStyle = static_cast<long long>(WS_CHILD | WS_VISIBLE);
  framedControl.Create(Value("BUTTON"));
  framedControl.bLClicked = framedWindow.bLClicked;
  HWND controlled = framedControl.hwnd();

  Path paths[] = {{"bare C procedure", bare},
                  {"minimal C++ subclass", minimal},
                  {"framework (TWindow, bLClicked)", framed},
                  {"framework control (TControl, bLClicked)", controlled}};
  constexpr int kPaths = static_cast<int>(std::size(paths));
  for (Path& path : paths) round(path, kWarmUpMessages);
  for (Path& path : paths) path.best = std::numeric_limits<double>::max();
  for (int r = 0; r < kRounds; ++r) {
    for (int i = 0; i < kPaths; ++i) round(paths[(r + i) % kPaths], kMessagesPerRound);
  }

  std::printf("WM_LBUTTONDOWN by SendMessageA, %d-bit build, best of %d rounds of %d messages\n",
              static_cast<int>(sizeof(void*) * 8), kRounds, kMessagesPerRound);
  for (const Path& path : paths) {
    std::printf("  %-46s %8.1f ns per message (answer %lld)\n", path.name, path.best * 1e9,
                static_cast<long long>(path.result));
  }
  const bool same = paths[0].result == paths[1].result && paths[1].result == paths[2].result &&
                    paths[2].result == paths[3].result && paths[0].result == answer(21, 37, kFlags);
  const double overBare = paths[2].best / paths[0].best;
  const double overMinimal = paths[2].best / paths[1].best;
  std::printf("  framework / bare    %5.2f (goal at most %.2f)\n", overBare, kGoalOverBare);
  std::printf("  framework / minimal %5.2f (goal at most %.2f)\n", overMinimal, kGoalOverMinimal);
  std::printf("  control / window    %5.2f\n", paths[3].best / paths[2].best);
  if (!same) std::printf("  the three answers differ\n");
  DestroyWindow(controlled);
  DestroyWindow(framed);
  DestroyWindow(minimal);
  DestroyWindow(bare);
  return same ? 0 : 1;
}
