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
  Accelerators accelerators;
  bool acceleratorsHeld = false;         // SYSREFRESH holds the table aside
  std::uint64_t acceleratorChanges = 0;  // installs and removals, so a drain sees them
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
  const LoopState& loop = state();
  return loop.acceleratorsHeld ? nullptr : loop.accelerators.table;
}

Accelerators installedAccelerators() noexcept {
  return state().accelerators;
}

void installAccelerators(Accelerators next) noexcept {
  LoopState& loop = state();
  const HACCEL replaced = loop.accelerators.table;
  loop.accelerators = next;
  loop.acceleratorsHeld = false;
  ++loop.acceleratorChanges;
  if (replaced && replaced != next.table) DestroyAcceleratorTable(replaced);
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
    deliver(message, currentAccelerators());
  }
  return {};
}

bool SYSREFRESH() {
  LoopState& loop = state();
  // The held table comes back on every way out, unless a handler installed, cleared or ended a
  // table meanwhile: then that state stands.
  struct HoldAside {
    LoopState& loop;
    const bool wasHeld = std::exchange(loop.acceleratorsHeld, true);
    const std::uint64_t changes = loop.acceleratorChanges;
    ~HoldAside() {
      if (loop.acceleratorChanges == changes) loop.acceleratorsHeld = wasHeld;
    }
  } holdAside{loop};
  MSG message;
  bool quit = false;
  for (std::size_t n = 0; n < kMaxDrained && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
       ++n) {
    if (message.message == WM_QUIT) {
      quit = true;
      break;
    }
    deliver(message, loop.accelerators.table);
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
