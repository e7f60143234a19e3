// TRANSFORM: a value of any type as text under a picture. The GET builds its edit buffer with
// the same code, so the field and a static text never disagree on a value's shape.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/functions.h"
#include "runtime/picture.h"
#include "runtime/value.h"

namespace lanmere {

// The value as TRANSFORM shows it under `picture`.
std::string transform(const Value& value, std::string_view picture);
// The same under a parsed picture. `forEditing` builds an edit buffer: the functions that only
// decorate a display ("@B", "@C", "@X", "@(") are left out.
std::string transform(const Value& value, const ParsedPicture& picture, bool forEditing = false);

// A number's digits filled into a numeric template: the integer digits (no sign, leading zeros
// allowed) right-aligned before the point, the fraction digits after it, `sign` ('-', '(' or 0
// for none) just left of the first digit, a separator only after a digit. "@E" swaps the point
// and the separator. Nothing when the digits and the sign do not fit.
std::optional<std::string> fillNumberTemplate(std::string_view mask, std::string_view integer,
                                              std::string_view fraction, char sign, bool european);
// A number that does not fit: every digit, separator and point position "*", literals kept.
std::string numberOverflow(std::string_view mask);
// Digit positions after a numeric template's point.
int templateDecimals(std::string_view mask) noexcept;
// The date format "@E" uses: day, month and year with the format's separator and year length.
std::string dayFirstFormat(std::string_view format);
// The date format a picture shows dates in.
std::string pictureDateFormat(const ParsedPicture& picture);

// TRANSFORM (value, picture): a picture that is neither nil nor text is the argument error
// (sub-code 1149), through substitution.
Value TRANSFORM(const Value& value, const Value& picture);
const ModuleTable& transformModule();

}  // namespace lanmere
