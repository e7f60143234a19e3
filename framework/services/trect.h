// TRect: the framework's rectangle value, {top, left, bottom, right} in pixels with inclusive
// bottom and right edges, and its 16-byte binary form as the system's drawing and window
// services take it (signed 32-bit little-endian left, top, right, bottom).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

// Sub-codes of the rectangle's errors (subsystem "BASE").
inline constexpr long long kRectIndexSubCode = 5401;  // [] outside 1 to 4 (bound error)
inline constexpr long long kRectBytesSubCode = 5402;  // _cRect of a non-text (argument error)
inline constexpr std::size_t kRectBytes = 16;

class TRect : public lanmere::Object {
  LM_CLASS(TRect, lanmere::Object)

  lanmere::Value aRect = lanmere::Value::list({0, 0, 0, 0});  // {top, left, bottom, right}

  // (top, left, bottom, right), nil as 0; a list as the first argument is copied instead (padded
  // with 0 to four elements; elements past the fourth are kept and unused). Returns the object.
  lanmere::Value New(const lanmere::Value& top = {}, const lanmere::Value& left = {},
                     const lanmere::Value& bottom = {}, const lanmere::Value& right = {});
  lanmere::Value nTop() const;
  lanmere::Value nLeft() const;
  lanmere::Value nBottom() const;
  lanmere::Value nRight() const;
  lanmere::Value _nTop(const lanmere::Value& value);
  lanmere::Value _nLeft(const lanmere::Value& value);
  lanmere::Value _nBottom(const lanmere::Value& value);
  lanmere::Value _nRight(const lanmere::Value& value);
  lanmere::Value nHeight() const;  // bottom - top + 1
  lanmere::Value nWidth() const;   // right - left + 1
  lanmere::Value _nHeight(const lanmere::Value& height);
  lanmere::Value _nWidth(const lanmere::Value& width);
  // The binary form: coordinates by their integer part, clamped to the 32-bit range.
  std::string cRect() const;
  // Reads a binary form; a shorter text reads its missing bytes as 0, a longer one its first 16.
  // A non-text raises an argument error and changes nothing.
  lanmere::Value _cRect(const lanmere::Value& bytes);
  lanmere::Value MoveBy(const lanmere::Value& rows = {}, const lanmere::Value& columns = {});
  lanmere::Value MoveTo(const lanmere::Value& top = {}, const lanmere::Value& left = {});
  // "==": the four coordinates equal; false for anything that is not a rectangle.
  lanmere::Value Equals(const lanmere::Value& other) const;
  // "[]": element `index` of aRect, or with a value stores it there. An index outside 1 to 4
  // raises a bound error and changes nothing.
  lanmere::Value Item(const lanmere::Value& index, const lanmere::Value& value = {});

  bool operator==(const TRect& other) const;
  // Coordinates as the binary form holds them: left, top, right, bottom.
  std::array<std::int32_t, 4> binary() const;

 private:
  const lanmere::Value& at(std::size_t position) const { return aRect.item(position); }
  // aRect made a list of at least four elements (a replaced member is repaired) for writing.
  lanmere::Value& slot(std::size_t position);
};

// TRECT(): a new instance, to be sent New.
lanmere::Value TRECT();

const lanmere::ModuleTable& tRectModule();

}  // namespace kestrel
