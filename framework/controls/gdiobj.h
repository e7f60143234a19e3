// Native drawing-object services: brushes (solid, hatched, pattern), pens, the four built-in
// pattern bitmaps, stock objects, selection and deletion. Every brush and bitmap handed out is
// recorded with the resource tracker, and deletion forgets the record; pens have a single owner
// (TPen) and are not recorded.
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The built-in pattern bitmaps: 8 x 8 pixels, rows from the top; L light grey, W white, D dark
// grey. Numbered 1 to 4.
inline constexpr int kPatternCount = 4;
inline constexpr int kPatternSize = 8;
extern const char* const kPatternRows[kPatternCount][kPatternSize];

// Whether h is a live drawing object.
bool isGdiObject(HGDIOBJ h) noexcept;
// Forgets the tracker's record of h, then deletes it when it is a live drawing object; 0 and
// anything else answer false.
bool deleteObject(HGDIOBJ h);
// Tracked creation of a pattern brush on a bitmap.
HBRUSH createPatternBrush(HBITMAP bitmap);
HBRUSH createSolidBrush(COLORREF color);

lanmere::Value CREATESOLIDBRUSH(const lanmere::Value& color);
lanmere::Value CREATEHATCHBRUSH(const lanmere::Value& style, const lanmere::Value& color);
lanmere::Value CREATEPATTERNBRUSH(const lanmere::Value& bitmap);
// CREATEPEN (nStyle, nWidth, nColor): the width is rounded to the nearest whole number.
lanmere::Value CREATEPEN(const lanmere::Value& style, const lanmere::Value& width,
                         const lanmere::Value& color);
// KSBRUSHES (n): a new bitmap of pattern n, 0 outside 1 to 4.
lanmere::Value KSBRUSHES(const lanmere::Value& n);
lanmere::Value GETSTOCKOBJECT(const lanmere::Value& n);
lanmere::Value DELETEOBJECT(const lanmere::Value& h);
lanmere::Value ISGDIOBJECT(const lanmere::Value& h);
lanmere::Value SELECTOBJECT(const lanmere::Value& hDC, const lanmere::Value& h);
// FILLRECT (hDC, {nTop, nLeft, nBottom, nRight}, hBrush): fills the rectangle, edges included,
// with the brush; false for a rectangle that is no list of four numbers or a failed fill.
lanmere::Value FILLRECT(const lanmere::Value& hDC, const lanmere::Value& rect,
                        const lanmere::Value& hBrush);

const lanmere::ModuleTable& gdiObjModule();

}  // namespace kestrel
