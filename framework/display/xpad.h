// XPADR, XPADL and XPADC: a text padded with a fill until it reaches a width in pixels, as the
// screen's default font measures it. The counting is pure (the measure is a parameter), so the
// tables test it with a measure of their own; the functions by name pass the screen's.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// A padding function's text or fill that is not a text, or a width that is not a number
// (genCode 1).
inline constexpr long long kPadArgumentSubCode = 5431;

// The width in pixels of a text.
using TextMeasure = std::function<long long(std::string_view)>;

// The smallest number of fills that, appended (or prepended), makes the text no narrower than
// `width`: the count the plain loop "add a fill while narrower" ends with, found from the
// widths and confirmed with a few measurements instead of one per fill. 0 when the text
// already reaches the width or when the fill is empty or measures 0 (such a fill never widens
// anything); nothing when the count exceeds `maxCount`.
std::optional<std::size_t> fillCount(std::string_view text, std::string_view fill, double width,
                                     bool prepend, const TextMeasure& measure,
                                     std::size_t maxCount);

// The padded texts; nothing when the result would be longer than `maxLength`.
std::optional<std::string> padRightPixels(std::string_view text, double width,
                                          std::string_view fill, const TextMeasure& measure,
                                          std::size_t maxLength);
std::optional<std::string> padLeftPixels(std::string_view text, double width, std::string_view fill,
                                         const TextMeasure& measure, std::size_t maxLength);
// The trimmed text centred with the fill's first character in a field of the untrimmed length
// plus the whole number of fill characters the missing width holds; the trimmed text when the
// width is not greater than the text's or the fill measures 0.
std::optional<std::string> padCenterPixels(std::string_view text, double width,
                                           std::string_view fill, const TextMeasure& measure,
                                           std::size_t maxLength);

// XPADR (cText, nWidth, cFill = " "), XPADL (...), XPADC (cText, nWidth, cFill).
lanmere::Value XPADR(const lanmere::Value& text, const lanmere::Value& width,
                     const lanmere::Value& fill);
lanmere::Value XPADL(const lanmere::Value& text, const lanmere::Value& width,
                     const lanmere::Value& fill);
lanmere::Value XPADC(const lanmere::Value& text, const lanmere::Value& width,
                     const lanmere::Value& fill);

const lanmere::ModuleTable& xpadModule();

}  // namespace kestrel
