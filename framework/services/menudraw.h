// The painters of owner-drawn menu entries. Each gets the system's draw (DRAWITEMSTRUCT) or
// measure (MEASUREITEMSTRUCT) record as a pointer number, the entry's prompt, the menu bar's
// handle, the entry's bitmap and the owner window. The plain look underlines the "&" letter,
// right-aligns the text after a TAB (the shortcut), draws the check mark, the bitmap at the left,
// greys a disabled entry, highlights a selected one and draws a separator as a line. The flat
// 2007/2010 look has a gutter, a framed selection and the module's shared check bitmap.
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The flat looks' colours, as the painters use them.
struct FlatMenuColors {
  COLORREF background, gutter, selection, frame, text, grayText;
};
FlatMenuColors flatMenuColors(bool look2010) noexcept;

// MENUMEASUREITEM (pMeasure, cPrompt, hMenu, hBitmap, hWnd, lFlat): fills the record's width and
// height so the prompt, the shortcut and the check area fit. Answers true.
bool MENUMEASUREITEM(lanmere::Args args);
// MENUDRAWITEM (pDraw, cPrompt, hMenu, hBitmap, hWnd): the plain look. Answers true.
bool MENUDRAWITEM(lanmere::Args args);
// MENUDRAW2007 (pDraw, cPrompt, hMenu, hBitmap, hWnd, l2010): the flat look. Answers true.
bool MENUDRAW2007(lanmere::Args args);

const lanmere::ModuleTable& menuDrawModule();

}  // namespace kestrel
