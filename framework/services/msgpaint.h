// The message bar's native painters: the message area (MSGPAINT), the size grip (MSGPAINT3L), a
// pane's text (DRAWMSGITEM), a sunken frame (WNDBOXIN) and the two flat background bitmaps
// (MSGBAR2007, MSGBAR2010), one colour per row.
#pragma once

#include <windows.h>

#include <span>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The rows of a flat background, top to bottom, as the system's colour numbers (red low).
std::span<const COLORREF> flatBarRows(bool style2007);
// The flat background's width in pixels (its height is its number of rows).
int flatBarWidth(bool style2007);

// MSGPAINT (hWnd, cMsg, cMsgDef, lFrame, lCentered, nItemsLeft, nClrText, nClrBack, hFont,
// lInset, hDC)
lanmere::Value MSGPAINT(lanmere::Args args);
// MSGPAINT3L (hWnd, lCaptureBack, hDC): the size grip in the bottom-right corner.
lanmere::Value MSGPAINT3L(const lanmere::Value& hWnd, const lanmere::Value& lCaptureBack,
                          const lanmere::Value& hDC);
// DRAWMSGITEM (hDC, cText, aRect {top, left, bottom, right}, nClrText, nClrBack, hFont)
lanmere::Value DRAWMSGITEM(lanmere::Args args);
// WNDBOXIN (hDC, nTop, nLeft, nBottom, nRight): shadow top and left, highlight bottom and right.
lanmere::Value WNDBOXIN(lanmere::Args args);
// MSGBAR2007 (hDC), MSGBAR2010 (hDC): a new (tracked) background bitmap.
lanmere::Value MSGBAR2007(const lanmere::Value& hDC);
lanmere::Value MSGBAR2010(const lanmere::Value& hDC);

// C++ forms used by the bar.
void drawSunkenBox(HDC dc, int top, int left, int bottom, int right);
void drawPaneText(HDC dc, const std::string& text, RECT area, COLORREF text_colour, COLORREF back,
                  HFONT font);

const lanmere::ModuleTable& msgPaintModule();

}  // namespace kestrel
