// Which system family runs us, the common controls' one-time start-up, and visual styles, loaded at
// run time from the theme library when the system has one (the one loader of that library):
// whether the application is themed, the parent's background drawn behind a control, and a part
// of the style (a gripper) drawn into a framework control. Without the library (or without an
// active theme) the application is not themed and the background is a plain fill with the
// parent's brush.
#pragma once

#include <windows.h>

#include <optional>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// True when the system running us is of the NT family (Wine is).
bool isNtFamily() noexcept;
// Starts the common controls (tool tips, image lists) once per process; later calls do nothing.
void initCommonControls();
// True on Windows 95 itself (version 4.0 of the 9x family).
bool isWindows95() noexcept;

// ISAPPTHEMED (): the application draws with an active visual style.
bool ISAPPTHEMED();
// DRAWPBACK (hWnd, hDC): draws the parent's background behind the window into hDC; true when
// something was drawn.
bool DRAWPBACK(const lanmere::Value& hWnd, const lanmere::Value& hDC);

// Draws part `part` (state `state`) of the visual style's class `themeClass` ("REBAR", ...) into
// `area` of hDC, as the active style draws it for `hwnd`; false when the system has no theme
// library or the style has no data for that class (nothing is drawn then).
bool drawThemedPart(HWND hwnd, const wchar_t* themeClass, int part, int state, HDC dc,
                    const RECT& area);

// A test switch: ISAPPTHEMED answers `themed` instead of asking the system (nullopt: ask). The
// display the tests run on has no active theme, so the themed branches are reached only so.
void overrideAppThemed(std::optional<bool> themed) noexcept;

const lanmere::ModuleTable& themesModule();

}  // namespace kestrel
