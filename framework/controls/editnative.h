// Native services of the edit fields: what the single-line and the multi-line field share (the
// frame, the caret, creating the system edit window), reading a line of a multi-line edit,
// replacing the selection, resetting the formatting rectangle after a move, the caret position,
// and the edit fields' class-wide focus colour.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

class TControl;

// The frame of an edit field of either kind. Without lNoBorder: the border style, which under
// visual styles only a field in a dialog keeps, and under visual styles the client edge. With
// lNoBorder nothing frames the text.
struct EditFrame {
  long long style = 0;
  long long exStyle = 0;
};
EditFrame editFrame(const lanmere::Value& oWnd, bool noBorder);

// The block caret both fields show in insert mode.
inline constexpr int kInsertCaretWidth = 6;
// The caret of a focused edit window: `width` pixels wide and its font's character height less
// `shorter` pixels, placed again at the selection. Nothing when the window has not the focus.
void shapeEditCaret(HWND edit, int width, int shorter);

// MGETCREATE (cClass, cCaption, nStyle, nLeft, nTop, nWidth, nHeight, hWndParent, nId,
// @hHeap, nExStyle): the new window's handle, 0 on failure. hHeap is always 0 here: the system
// gives every edit window its own text storage.
lanmere::Value MGETCREATE(lanmere::Args args);
// An edit field's window, as both edit fields create it: missing values filled in (empty
// caption, style 13565952, position 0, 0, 10, 10, identifier 0), the child style with a parent,
// the size from the inclusive edges (the raw values when nBottom is 32768), MGETCREATE with
// `caption` as the window text, the window-creation error on a 0 handle, else the link and the
// field's font. `hHeap` gets the by-reference heap.
void createEditWindow(TControl& field, const std::string& className, const lanmere::Value& caption,
                      lanmere::Value& hHeap);
// MGETLINE (hWnd, nLine): line nLine (1-based) of a multi-line edit, at most 255 characters.
lanmere::Value MGETLINE(const lanmere::Value& hWnd, const lanmere::Value& nLine);
// MGETREPLACE (hWnd, cText): replaces the selection with cText, undoable.
lanmere::Value MGETREPLACE(const lanmere::Value& hWnd, const lanmere::Value& cText);
// MOVEGET (hWnd): the formatting rectangle becomes the client area again.
lanmere::Value MOVEGET(const lanmere::Value& hWnd);
// GETCARETPOS (): {x, y} of the caret in its window, in pixels.
lanmere::Value GETCARETPOS();
// SETGETCOLORFOCUS (nClr): turns the edit fields' focus colour on (nClr, when given, becomes it);
// answers the previous colour.
lanmere::Value SETGETCOLORFOCUS(const lanmere::Value& nClr);

const lanmere::ModuleTable& editNativeModule();

}  // namespace kestrel
