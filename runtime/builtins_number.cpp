// Number functions: STR and VAL, integer part, rounding, absolute value, modulo, maximum and
// minimum, hexadecimal text and the 2- and 4-byte binary forms.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/builtins_internal.h"
#include "runtime/callstack.h"
#include "runtime/error.h"

namespace lanmere {

using detail::optionalNumber;

namespace {

// Decimal values such as 2.675 are stored a hair below their half; scaling by a few units in
// the last place first lets them round up as written.
constexpr double kHalfNudge = 1 + 4 * DBL_EPSILON;

// The integer part of STR's default field: 10 digits, 20 for numbers that do not fit in 10.
int defaultIntegerWidth(double number) {
  return number >= 1e10 || number <= -1e9 ? 20 : 10;
}

// The number with exactly `decimals` digits after the point, rounded half away from zero; no
// sign when every shown digit is zero.
std::string fixed(const Value& number, int decimals) {
  if (number.isInteger()) {
    std::string text = std::to_string(number.integer());
    if (decimals > 0) text.append(".").append(static_cast<std::size_t>(decimals), '0');
    return text;
  }
  const double value = number.number();
  const double scaled = value * std::pow(10.0, decimals);
  if (decimals <= 15 && std::fabs(scaled) < 9e15) {
    const auto digitsValue = static_cast<long long>(std::round(scaled * kHalfNudge));
    std::string digits = std::to_string(digitsValue < 0 ? -digitsValue : digitsValue);
    const auto places = static_cast<std::size_t>(decimals);
    if (places > 0) {
      if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
      digits.insert(digits.size() - places, ".");
    }
    if (digitsValue < 0) digits.insert(0, "-");
    return digits;
  }
  const int size = std::snprintf(nullptr, 0, "%.*f", decimals, value);
  std::string text(static_cast<std::size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, "%.*f", decimals, value);
  return text;
}

Value wholeNumber(double number) {
  if (number > -9.2e18 && number < 9.2e18) return Value(static_cast<long long>(number));
  return Value(number, 0);
}

// The order MAX and MIN compare in; both operands must be of one kind.
bool comparable(const Value& a, const Value& b) {
  if (a.isNumber() && b.isNumber()) return true;
  if ((a.isDate() || a.isTimestamp()) && (b.isDate() || b.isTimestamp())) return true;
  return a.isLogical() && b.isLogical();
}

bool less(const Value& a, const Value& b) {
  if (a.isInteger() && b.isInteger()) return a.integer() < b.integer();
  if (a.isNumber()) return a.number() < b.number();
  if (a.isLogical()) return !a.logical() && b.logical();
  return a.julian() < b.julian() || (a.julian() == b.julian() && a.millisecond() < b.millisecond());
}

std::string littleEndian(unsigned long long bits, int bytes) {
  std::string text(static_cast<std::size_t>(bytes), '\0');
  for (int i = 0; i < bytes; ++i)
    text[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * i));
  return text;
}

unsigned long long fromLittleEndian(std::string_view text, int bytes) {
  unsigned long long bits = 0;
  for (int i = 0; i < bytes && i < static_cast<int>(text.size()); ++i) {
    bits |= static_cast<unsigned long long>(
                static_cast<unsigned char>(text[static_cast<std::size_t>(i)]))
            << (8 * i);
  }
  return bits;
}

}  // namespace

double roundHalfAway(double number, int decimals) {
  if (!std::isfinite(number)) return number;
  const double scale = std::pow(10.0, std::abs(decimals));
  const double scaled = decimals >= 0 ? number * scale : number / scale;
  const double rounded = std::round(scaled * kHalfNudge);
  return decimals >= 0 ? rounded / scale : rounded * scale;
}

std::string str(const Value& number, int width, int decimals) {
  if (decimals < 0) decimals = width >= 1 ? 0 : number.decimals();
  if (width < 1) {
    width = defaultIntegerWidth(number.number()) + (decimals > 0 ? decimals + 1 : 0);
  }
  if (number.isFloat() && !std::isfinite(number.number())) {
    return std::string(static_cast<std::size_t>(width), '*');
  }
  std::string text = fixed(number, decimals);
  if (text.size() > static_cast<std::size_t>(width)) {
    return std::string(static_cast<std::size_t>(width), '*');
  }
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

std::string numToHex(unsigned long long number) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[number & 0xF]);
    number >>= 4;
  } while (number != 0);
  return text;
}

// STR (number, [width], [decimals]).
Value STR(Args args) {
  if (!arg(args, 1).isNumber() || !optionalNumber(arg(args, 2)) || !optionalNumber(arg(args, 3))) {
    return argumentError(1099);
  }
  const auto width = static_cast<int>(std::clamp(detail::countOr(arg(args, 2), -1), -1LL, 999LL));
  const auto decimals = static_cast<int>(std::clamp(detail::countOr(arg(args, 3), -1), -1LL, 99LL));
  return Value(str(arg(args, 1), width, decimals));
}

// VAL (text): leading blanks, a sign, digits and one point; it stops at the first other byte.
// A number written with a point keeps the count of digits after it as its decimals.
Value VAL(Args args) {
  if (!arg(args, 1).isText()) return argumentError(1098);
  const std::string_view text = arg(args, 1).text();
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::size_t integerDigits = 0, fractionDigits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++integerDigits;
  const bool point = i < text.size() && text[i] == '.';
  if (point) {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++fractionDigits;
  }
  if (integerDigits + fractionDigits == 0) return Value(0);
  const std::string number(text.substr(start, i - start));
  if (!point && integerDigits <= 18) return Value(std::strtoll(number.c_str(), nullptr, 10));
  return Value(std::strtod(number.c_str(), nullptr), static_cast<int>(fractionDigits));
}

Value INT(Args args) {
  const Value& number = arg(args, 1);
  if (!number.isNumber()) return argumentError(1090);
  if (number.isInteger()) return number;
  return wholeNumber(std::trunc(number.number()));
}

// ROUND (number, decimals): half away from zero; decimals of 0 or less give a whole number.
Value ROUND(Args args) {
  const Value& number = arg(args, 1);
  if (!number.isNumber() || !arg(args, 2).isNumber()) return argumentError(1094);
  const auto decimals = static_cast<int>(std::clamp(arg(args, 2).integer(), -20LL, 99LL));
  if (number.isInteger() && decimals >= 0) return number;
  const double rounded = roundHalfAway(number.number(), decimals);
  return decimals <= 0 ? wholeNumber(rounded) : Value(rounded, decimals);
}

Value ABS(Args args) {
  const Value& number = arg(args, 1);
  if (!number.isNumber()) return argumentError(1089);
  if (number.isInteger()) {
    const long long n = number.integer();
    if (n == LLONG_MIN) return Value(-static_cast<double>(n), 0);
    return Value(n < 0 ? -n : n);
  }
  return Value(std::fabs(number.number()), number.decimals());
}

// MOD (dividend, divisor): the remainder takes the divisor's sign.
Value MOD(Args args) {
  const Value& a = arg(args, 1);
  const Value& b = arg(args, 2);
  if (!a.isNumber() || !b.isNumber()) return argumentError(1085);
  if (b.number() == 0) {
    return raiseRuntimeErrorSubstitute(
        {.genCode = 5, .subCode = 1341, .args = ErrorArgs::currentParams()});
  }
  if (a.isInteger() && b.isInteger()) {
    const long long divisor = b.integer();
    if (divisor == -1) return Value(0);
    long long r = a.integer() % divisor;
    if (r != 0 && ((r < 0) != (divisor < 0))) r += divisor;
    return Value(r);
  }
  double r = std::fmod(a.number(), b.number());
  if (r != 0 && ((r < 0) != (b.number() < 0))) r += b.number();
  return Value(r, std::max(a.decimals(), b.decimals()));
}

Value MAX(Args args) {
  const Value& a = arg(args, 1);
  const Value& b = arg(args, 2);
  if (!comparable(a, b)) return argumentError(1093);
  return less(a, b) ? b : a;
}

Value MIN(Args args) {
  const Value& a = arg(args, 1);
  const Value& b = arg(args, 2);
  if (!comparable(a, b)) return argumentError(1092);
  return less(b, a) ? b : a;
}

// HB_NUMTOHEX (number or pointer, [digits]): upper-case hexadecimal without leading zeros,
// padded with zeros to `digits` when given. A negative number shows its 64-bit pattern.
Value HB_NUMTOHEX(Args args) {
  const Value& value = arg(args, 1);
  if ((!value.isNumber() && !value.isPointer()) || !optionalNumber(arg(args, 2))) {
    return argumentError(1131);
  }
  const unsigned long long bits = value.isPointer()
                                      ? reinterpret_cast<std::uintptr_t>(value.pointer())
                                      : static_cast<unsigned long long>(value.integer());
  std::string text = numToHex(bits);
  const long long digits = std::min(detail::countOr(arg(args, 2), 0), 64LL);
  if (digits > static_cast<long long>(text.size())) {
    text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  }
  return Value(text);
}

Value I2BIN(Args args) {
  if (!arg(args, 1).isNumber()) return argumentError(1132);
  return Value(littleEndian(static_cast<unsigned long long>(arg(args, 1).integer()), 2));
}

// BIN2I (text): the first two bytes as a signed little-endian number; missing bytes count 0.
Value BIN2I(Args args) {
  if (!arg(args, 1).isText()) return argumentError(1133);
  return Value(static_cast<std::int16_t>(fromLittleEndian(arg(args, 1).text(), 2)));
}

Value L2BIN(Args args) {
  if (!arg(args, 1).isNumber()) return argumentError(1134);
  return Value(littleEndian(static_cast<unsigned long long>(arg(args, 1).integer()), 4));
}

Value BIN2L(Args args) {
  if (!arg(args, 1).isText()) return argumentError(1135);
  return Value(static_cast<std::int32_t>(fromLittleEndian(arg(args, 1).text(), 4)));
}

const ModuleTable& numberModule() {
  static const ModuleTable module{
      __FILE__,
      {fn<&STR>("STR"), fn<&VAL>("VAL"), fn<&INT>("INT"), fn<&ROUND>("ROUND"), fn<&ABS>("ABS"),
       fn<&MOD>("MOD"), fn<&MAX>("MAX"), fn<&MIN>("MIN"), fn<&HB_NUMTOHEX>("HB_NUMTOHEX"),
       fn<&I2BIN>("I2BIN"), fn<&BIN2I>("BIN2I"), fn<&L2BIN>("L2BIN"), fn<&BIN2L>("BIN2L")}};
  return module;
}

}  // namespace lanmere
