// The event loop and the application window: WINRUN, the one main loop; SYSREFRESH, which
// drains the queue during long work; the running flag, the application window and the current
// accelerator table they share (GUI thread only).
#pragma once

#include <windows.h>

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

// The current accelerator table (null for none), translated for the application window by the
// loops. The setter answers the previous table; destroying it is the caller's business.
HACCEL currentAccelerators() noexcept;
HACCEL setCurrentAccelerators(HACCEL table) noexcept;

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
