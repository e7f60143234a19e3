// What the MDI classes share: the module's frame (GETWNDFRAME), the layout of the client between
// the docked bars (WNDADJCLIENT), the frame procedure that hands unanswered frame messages to
// the system's default frame procedure with the frame's client, and the rule by which the
// system's default MDI procedures see the messages they need even when the object answers them.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "framework/core/twindow.h"
#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// A child asked for without a frame that lives (none, not a frame, or destroyed).
inline constexpr long long kMdiNoFrameSubCode = 6160;

// GETWNDFRAME (): the module's frame (the last frame made, until it is destroyed), or nil.
lanmere::Value GETWNDFRAME();
void setModuleFrame(const lanmere::Value& frame);

// WNDADJCLIENT (hClient, hTop, hBottom, hLeft, hRight): moves the client, keeping its z-order,
// into the frame's client area between the docked windows (0 or a hidden one counts as none).
lanmere::Value WNDADJCLIENT(const lanmere::Value& hClient, const lanmere::Value& hTop = {},
                            const lanmere::Value& hBottom = {}, const lanmere::Value& hLeft = {},
                            const lanmere::Value& hRight = {});

// The frame procedure as a number for nOldProc, and the client it passes for a frame (null
// forgets the frame).
long long frameProcAddress() noexcept;
void setFrameClient(HWND frame, HWND client);

// The window's previous procedure (nOldProc) run on one message; its answer.
lanmere::Value callOldProc(TWindow& window, const lanmere::Value& nMsg,
                           const lanmere::Value& nWParam, const lanmere::Value& nLParam);

// Messages the default MDI procedure must see whatever the object answers: `first` ones run the
// default before the object (the object's answer wins unless nil), `after` ones after it (the
// object's answer stands unless nil). An unmatched menu character (object answers nil or 0)
// takes the default's answer. Everything else is the window class's dispatch.
lanmere::Value mdiHandleEvent(TWindow& window, const lanmere::Value& nMsg,
                              const lanmere::Value& nWParam, const lanmere::Value& nLParam,
                              std::initializer_list<UINT> first, std::initializer_list<UINT> after);

// The object a value holds as class T, or null.
template <class T>
T* mdiObject(const lanmere::Value& value) {
  return value.isObject() ? dynamic_cast<T*>(value.object()) : nullptr;
}

// The window object of a live window handle, or nil.
lanmere::Value windowObject(HWND hwnd);

const lanmere::ModuleTable& mdiApiModule();

}  // namespace kestrel
