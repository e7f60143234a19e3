// The event loop and the application window: WINRUN, the one main loop; SYSREFRESH, which
// drains the queue during long work; the running flag, the application window and the current
// accelerator table they share (GUI thread only).
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The application window: the window whose destruction ends the program. One that no longer
// exists reads as none.
HWND applicationWindow() noexcept;
// True while the main loop or a modal dialog runs (LWRUNNING).
bool isRunning() noexcept;

// Sets the running flag for its lifetime and puts the previous value back on every way out
// (the dialog class holds one around each modal dialog call).
class RunningMarker {
 public:
  RunningMarker() noexcept;
  ~RunningMarker();
  RunningMarker(const RunningMarker&) = delete;
  RunningMarker& operator=(const RunningMarker&) = delete;

 private:
  bool previous_;
};

// The current accelerator table, translated for the application window by the loops, and the
// object that installed it (a serial number the accelerator-table class gives each instance; 0
// for a table installed by SETACCTABLE). While SYSREFRESH drains the queue the table is held
// aside: currentAccelerators reads none, the drain still translates with it, and it comes back
// afterwards only if nothing installed, cleared or ended a table meanwhile.
struct Accelerators {
  HACCEL table = nullptr;
  std::uint64_t installer = 0;
};
HACCEL currentAccelerators() noexcept;
// The installed table, also while a drain holds it aside.
Accelerators installedAccelerators() noexcept;
// Makes `next` the current table and destroys the one it replaces (one held aside too).
void installAccelerators(Accelerators next) noexcept;

// WINRUN (hWnd): runs the main loop until it takes the quit message; hWnd, when not 0, is the
// application window meanwhile. The running flag and the application window are put back on
// every way out, a request raised by a window procedure included.
lanmere::Value WINRUN(const lanmere::Value& hWnd = {});
// SYSREFRESH (): dispatches what is queued, without waiting; false when it took the quit message
// (posted again when the main loop runs), true otherwise.
bool SYSREFRESH();
bool LWRUNNING();
// Sets the application window only when none is set.
lanmere::Value SETWNDAPP(const lanmere::Value& hWnd);
long long GETWNDAPP();
lanmere::Value POSTQUITMESSAGE(const lanmere::Value& nExitCode);
bool WAITMESSAGE();

const lanmere::ModuleTable& winRunModule();

}  // namespace kestrel
