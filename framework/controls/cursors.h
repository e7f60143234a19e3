// Native cursor services: loading a cursor resource, the framework's built-in cursors (hand, stop
// and drag), a monochrome cursor made from a bitmap, and destroying. A module's cursor is loaded
// as a private copy (its owner destroys it); a system cursor (module 0) exists only shared, is not
// recorded and is never destroyed. Every cursor created is recorded with the tracker as "CUR".
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

inline constexpr const char* kCursorTag = "CUR";
// The built-in cursors: 32 x 32, hot spot at column 6, row 0.
inline constexpr int kBuiltinCursorSide = 32;
inline constexpr POINT kBuiltinHotSpot = {6, 0};

// What a pixel of a monochrome cursor shows, as its AND and XOR bits make it.
enum class CursorPixel : std::uint8_t { kTransparent, kBlack, kWhite, kInverted };

// The two planes of a monochrome cursor, rows of whole 16-bit words, transparent at first.
class CursorPlanes {
 public:
  // The width is rounded up to a multiple of 16.
  CursorPlanes(int width, int height);
  int width() const noexcept { return width_; }
  int height() const noexcept { return height_; }
  void set(int x, int y, CursorPixel pixel);
  // A new cursor (not recorded) with the hot spot moved inside the planes; null on failure.
  HCURSOR create(int hotX, int hotY) const;

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> and_;
  std::vector<std::uint8_t> xor_;
};

// The built-in hand as drawn here, used when the system has no hand cursor (C++ only).
HCURSOR builtinHandCursor();

// LOADCURSOR (hInstance, cName or nId)
lanmere::Value LOADCURSOR(const lanmere::Value& module, const lanmere::Value& name);
// DESTROYCURSOR (hCursor): forgets the record, then destroys; shared and built-in cursors are
// left alone (false).
lanmere::Value DESTROYCURSOR(const lanmere::Value& cursor);
lanmere::Value GETCURSORHAND();
lanmere::Value GETCURSORSTOP();
lanmere::Value GETCURSORDRAG();
// CREATEBMPCURSOR (hBmp, hPalette, nRow, nCol, lRanges, aBlack, aWhite, unused, aInvert)
lanmere::Value CREATEBMPCURSOR(const lanmere::Value& bitmap, const lanmere::Value& palette,
                               const lanmere::Value& row, const lanmere::Value& col,
                               const lanmere::Value& ranges, const lanmere::Value& black,
                               const lanmere::Value& white, const lanmere::Value& unused,
                               const lanmere::Value& invert);
// Whether `color` matches `list`: equal to one of its numbers, or, with `ranges`, each of its
// red, green and blue between the same channels of the list's first two values.
bool colorMatches(COLORREF color, const lanmere::Value& list, bool ranges);

const lanmere::ModuleTable& cursorsModule();

}  // namespace kestrel
