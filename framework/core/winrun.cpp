#include "framework/core/winrun.h"

#include <cstddef>
#include <utility>

#include "framework/core/dlgregistry.h"
#include "framework/core/handles.h"
#include "framework/core/wndproc.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

// A queue that refills itself (a handler that posts again for every message it gets) cannot
// keep SYSREFRESH from returning.
constexpr std::size_t kMaxDrained = 100000;

struct LoopState {
  HWND application = nullptr;
  bool running = false;
  HACCEL accelerators = nullptr;
};

LoopState& state() {
  static LoopState loop;
  return loop;
}

// Puts a value back when the scope ends, however it ends.
template <class T>
class Restore {
 public:
  explicit Restore(T& place) : place_(place), saved_(place) {}
  ~Restore() { place_ = saved_; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& place_;
  T saved_;
};

// Translates and dispatches one message unless the modeless dialogs or the accelerator table
// take it.
void deliver(MSG& message, HACCEL accelerators) {
  if (modelessFilter(message)) return;
  const HWND application = applicationWindow();
  if (accelerators && application && message.message != WM_QUIT &&
      callWindows([&] { return TranslateAcceleratorA(application, accelerators, &message); })) {
    return;
  }
  TranslateMessage(&message);
  callWindows([&] { return DispatchMessageA(&message); });
}

}  // namespace

HWND applicationWindow() noexcept {
  HWND& application = state().application;
  if (application && !IsWindow(application)) application = nullptr;
  return application;
}

bool isRunning() noexcept {
  return state().running;
}

RunningMarker::RunningMarker() noexcept : previous_(std::exchange(state().running, true)) {}

RunningMarker::~RunningMarker() {
  state().running = previous_;
}

HACCEL currentAccelerators() noexcept {
  return state().accelerators;
}

HACCEL setCurrentAccelerators(HACCEL table) noexcept {
  return std::exchange(state().accelerators, table);
}

Value WINRUN(const Value& hWnd) {
  LoopState& loop = state();
  const Restore<HWND> application(loop.application);
  const RunningMarker running;
  if (const HWND window = handleFrom<HWND>(hWnd)) loop.application = window;
  MSG message;
  for (;;) {
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();  // no idle work: timers arrive as messages
      continue;
    }
    if (message.message == WM_QUIT) break;
    deliver(message, loop.accelerators);
  }
  return {};
}

bool SYSREFRESH() {
  LoopState& loop = state();
  const Restore<HACCEL> accelerators(loop.accelerators);
  const HACCEL taken = std::exchange(loop.accelerators, nullptr);
  MSG message;
  bool quit = false;
  for (std::size_t n = 0; n < kMaxDrained && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
       ++n) {
    if (message.message == WM_QUIT) {
      quit = true;
      break;
    }
    deliver(message, taken);
  }
  // The exit code is not read: the program's exit code is the error level.
  if (quit && loop.running) PostQuitMessage(0);
  return !quit;
}

bool LWRUNNING() {
  return isRunning();
}

Value SETWNDAPP(const Value& hWnd) {
  if (!applicationWindow()) state().application = handleFrom<HWND>(hWnd);
  return {};
}

long long GETWNDAPP() {
  return handleNumber(applicationWindow());
}

Value POSTQUITMESSAGE(const Value& nExitCode) {
  PostQuitMessage(static_cast<int>(nExitCode.integer()));
  return {};
}

bool WAITMESSAGE() {
  return WaitMessage() != FALSE;
}

const lanmere::ModuleTable& winRunModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/core/winrun.cpp",
      {fn<&WINRUN>("WINRUN"), fn<&SYSREFRESH>("SYSREFRESH"), fn<&LWRUNNING>("LWRUNNING"),
       fn<&SETWNDAPP>("SETWNDAPP"), fn<&GETWNDAPP>("GETWNDAPP"),
       fn<&POSTQUITMESSAGE>("POSTQUITMESSAGE"), fn<&WAITMESSAGE>("WAITMESSAGE")}};
  return module;
}

}  // namespace kestrel
