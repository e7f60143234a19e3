// The window procedures of the registry: the subclass procedure every linked window receives,
// the exported `__WndProc` and `__DbgWndProc`, the bridge `_KQX` callable by name, and the two
// helpers every Windows entry and every Windows call of the framework go through.
//
// No C++ exception may cross a Windows frame. Each procedure Windows calls runs inside
// guardWindowCallback: a BREAK, quit or failure is parked as the pending request and the message
// answers 0. While a request is pending the procedures call no object (messages go to the
// previous or the default procedure, so windows still paint, close and are destroyed). The
// framework code that made the Windows call which called back raises the parked request as soon
// as that call returns: every such call is wrapped in callWindows.
#pragma once

#include <windows.h>

#include <type_traits>
#include <utility>

#include "runtime/error.h"
#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Wakes the innermost modal dialog, so its procedure sees a request parked elsewhere
// (framework/core/dlgregistry.cpp).
void wakeModalDialog() noexcept;

// Runs a Windows call that can call back into the framework's procedures (DispatchMessageA,
// SendMessageA, IsDialogMessageA, TranslateAcceleratorA, DialogBoxIndirectParamA, ...) and
// raises the request a callback parked, right after the call returns. Answers the call's result.
template <class Call>
decltype(auto) callWindows(Call&& call) {
  if constexpr (std::is_void_v<decltype(call())>) {
    call();
    lanmere::raiseParked();
  } else {
    auto result = call();
    lanmere::raiseParked();
    return result;
  }
}

// The body of every procedure Windows calls here: guardCallback, and when the body parks a
// request while a modal dialog is open, that dialog is woken so its loop ends.
template <class R, class Body>
R guardWindowCallback(R neutral, Body&& body) noexcept {
  const bool quiet = !lanmere::hasParked();
  R result = lanmere::guardCallback(neutral, std::forward<Body>(body));
  if (quiet && lanmere::hasParked()) wakeModalDialog();
  return result;
}

// The slot goes to the window's user-data long, where the subclass procedure finds it.
void setWindowSlot(HWND hwnd, long long slot) noexcept;
// XCHANGEPROC: the slot goes to the window's user-data long and the subclass procedure becomes
// the window's procedure; answers the replaced procedure's address.
long long changeProc(HWND hwnd, long long slot) noexcept;
// RESTPROC: `previous` becomes the window's procedure again; answers the replaced one.
long long restoreProc(HWND hwnd, long long previous) noexcept;
// Whether the window's procedure is the subclass procedure.
bool isSubclassed(HWND hwnd) noexcept;

// The functions called by name.
lanmere::Value XCHANGEPROC(const lanmere::Value& hWnd, const lanmere::Value& nIndex);
lanmere::Value RESTPROC(const lanmere::Value& hWnd, const lanmere::Value& nOldProc);
// The bridge for one message: {HandleEvent's answer, nOldProc} of the object in slot nIndex, or
// nil when the slot holds none. The first argument is ignored.
lanmere::Value KQX(const lanmere::Value& x, const lanmere::Value& nMsg,
                   const lanmere::Value& nWParam, const lanmere::Value& nLParam,
                   const lanmere::Value& nIndex);

const lanmere::ModuleTable& wndProcModule();

}  // namespace kestrel

// The exported procedures (export names "__WndProc" and "__DbgWndProc",
// framework/core/CMakeLists.txt): every message goes to the object in slot 1 of the window list.
extern "C" {
LRESULT CALLBACK kestrelWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK kestrelDbgWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
}
