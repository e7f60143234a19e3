// Native scroll-bar services. A bar is named by a window and a selector: 1 the window's own
// vertical bar, 0 its horizontal bar, 2 the window itself when it is a scroll-bar control.
#pragma once

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// SETSCROLLRANGE (hWnd, nBar, nMin, nMax, lRedraw): range and a page of 1 in one call; a bar that
// cannot scroll is disabled, not hidden. Answers the system's result.
lanmere::Value SETSCROLLRANGE(const lanmere::Value& hWnd, const lanmere::Value& bar,
                              const lanmere::Value& min, const lanmere::Value& max,
                              const lanmere::Value& redraw);
// SETSCROLLPOS (hWnd, nBar, nPos, lRedraw): the previous position.
lanmere::Value SETSCROLLPOS(const lanmere::Value& hWnd, const lanmere::Value& bar,
                            const lanmere::Value& pos, const lanmere::Value& redraw);
// GETSCROLLPOS (hWnd, nBar)
lanmere::Value GETSCROLLPOS(const lanmere::Value& hWnd, const lanmere::Value& bar);
// GETSCROLLRANGE (hWnd, nBar): {nMin, nMax}.
lanmere::Value GETSCROLLRANGE(const lanmere::Value& hWnd, const lanmere::Value& bar);
// SETSCROLLINFO (hWnd, nBar, nPage, lRedraw): sets only the page size through the system's
// scroll-information call, found by name at run time; false when missing or failing.
lanmere::Value SETSCROLLINFO(const lanmere::Value& hWnd, const lanmere::Value& bar,
                             const lanmere::Value& page, const lanmere::Value& redraw);

const lanmere::ModuleTable& scrollbarNativeModule();

}  // namespace kestrel
