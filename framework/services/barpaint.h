// The button bar's native helpers: placing a docked bar against its parent (BARADJUST) and the
// classic look's shadow line, raised frame and gripper (BARPAINT).
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Docking modes of a bar, as `nMode` holds them.
enum BarMode : int { kBarTop = 1, kBarLeft = 2, kBarRight = 3, kBarBottom = 4, kBarFloat = 5 };

// Where a docked bar of that mode goes in its parent's client area, as a window rectangle
// {x, y, width, height}. `own` is the bar's client size: its window is two pixels larger with the
// border, so reading the window size would grow the bar on every resize. The message-bar term is
// 0 without a message bar; `topHeight` and `bottomHeight` are the heights of the windows docked at
// the top and bottom, which a side bar starts and ends on (their borders overlapping).
struct BarPlace {
  int x, y, width, height;
};
BarPlace barPlace(int mode, SIZE parentClient, SIZE own, int msgBarHeight, int topHeight,
                  int bottomHeight);

// BARADJUST (hWnd, nMode, lMsgBar, nMsgBarHeight [, nTopHeight, nBottomHeight]): moves the bar
// without changing its z-order; a floating bar stays where it is.
lanmere::Value BARADJUST(lanmere::Args args);
// BARPAINT (hWnd, hDC): the shadow line along the top (not in a maximised MDI child), the raised
// frame and the gripper (the themed one with visual styles). A context it takes itself is
// released.
lanmere::Value BARPAINT(const lanmere::Value& hWnd, const lanmere::Value& hDC);

const lanmere::ModuleTable& barPaintModule();

}  // namespace kestrel
