// The window module's process-wide state and its functions called by name: the default window,
// the tooltip state, the balloon flag and the layered-window switch.
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The one tooltip the windows share: its window, the window it belongs to and that window's
// parent, and whether it is shown.
struct ToolTipState {
  HWND tip = nullptr;
  HWND owner = nullptr;
  HWND parent = nullptr;
  bool shown = false;
};
ToolTipState& toolTipState() noexcept;

bool balloonToolTips() noexcept;
bool layeredWindows() noexcept;
// The default window object (nil when none).
const lanmere::Value& defaultWindow() noexcept;

// SETWNDDEFAULT (oWnd): the default window becomes oWnd (nil clears it).
void SETWNDDEFAULT(const lanmere::Value& oWnd);
lanmere::Value GETWNDDEFAULT();
// Puts the default window back when it goes out of scope: a code-built dialog makes itself the
// default while it is built, and later controls would attach to it once it is gone.
class DefaultWindowKeeper {
 public:
  DefaultWindowKeeper() : saved_(GETWNDDEFAULT()) {}
  ~DefaultWindowKeeper() { SETWNDDEFAULT(saved_); }
  DefaultWindowKeeper(const DefaultWindowKeeper&) = delete;
  DefaultWindowKeeper& operator=(const DefaultWindowKeeper&) = delete;

 private:
  lanmere::Value saved_;
};
// SETBALLOON (lOn) / SETALPHA (lOn): answer the previous setting; a non-logical argument changes
// nothing.
bool SETBALLOON(const lanmere::Value& lOn = {});
bool SETALPHA(const lanmere::Value& lOn = {});
// WNDCREATEERROR (oWnd [, cClassName]): framework error 6 for the window oWnd could not create,
// with the window class asked for (oWnd's class name when not given), the caption and the
// system's text for the last error.
void WNDCREATEERROR(const lanmere::Value& oWnd, const lanmere::Value& cClassName = {});
// WNDPARENTS (oWnd): the parent window objects of oWnd, from the nearest outwards (following
// `oWnd`); an empty list for a window without parent or a value that is no object.
lanmere::Value WNDPARENTS(const lanmere::Value& oWnd);
// TWINDOW (): a new instance, to be sent New.
lanmere::Value TWINDOW();

// Registering the module registers the class TWINDOW.
const lanmere::ModuleTable& wndFuncsModule();

}  // namespace kestrel
