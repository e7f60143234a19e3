#include "runtime/operators.h"

#include <algorithm>
#include <cmath>

#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/error.h"

namespace lanmere {

namespace {

Value operatorError(long long genCode, long long subCode, std::string_view operation,
                    const Value& a, const Value& b) {
  return raiseRuntimeErrorSubstitute({.genCode = genCode,
                                      .subCode = subCode,
                                      .operation = operation,
                                      .args = ErrorArgs::of({a, b})});
}

// A date moved by a number of days. Adding to the blank date leaves it blank; a result outside
// the calendar's years 1 to 9999 raises "Numeric overflow" (genCode 4, sub-code 1210), never a
// wrapped date.
Value addDays(const Value& date, const Value& days, const Value& a, const Value& b) {
  if (date.julian() == 0) return date;
  const double moved = static_cast<double>(date.julian()) + std::trunc(days.number());
  if (!(moved >= kFirstJulian && moved <= kLastJulian)) {
    return operatorError(4, kDateOverflowSubCode, "+", a, b);
  }
  return Value::date(static_cast<std::int32_t>(moved));
}

}  // namespace

Value add(const Value& a, const Value& b, std::source_location where) {
  atLine(where);
  if (a.isInteger() && b.isInteger()) {
    long long sum;
    if (!__builtin_add_overflow(a.integer(), b.integer(), &sum)) return Value(sum);
    return Value(a.number() + b.number(), 0);
  }
  if (a.isNumber() && b.isNumber()) {
    return Value(a.number() + b.number(), std::max(a.decimals(), b.decimals()));
  }
  if (a.isText() && b.isText()) {
    if (a.length() + b.length() > maxTextLength()) return operatorError(3, 1209, "+", a, b);
    Value sum = a;
    sum.append(b.text());
    return sum;
  }
  if (a.isDate() && b.isNumber()) return addDays(a, b, a, b);
  if (a.isNumber() && b.isDate()) return addDays(b, a, a, b);
  return operatorError(1, 1081, "+", a, b);
}

void addAssign(Value& target, const Value& b, std::source_location where) {
  if (target.isText() && b.isText()) {
    atLine(where);
    if (target.length() + b.length() > maxTextLength()) {
      target = operatorError(3, 1209, "+", target, b);
      return;
    }
    target.append(b.text());
    return;
  }
  target = add(target, b, where);
}

Value divide(const Value& a, const Value& b, std::source_location where) {
  atLine(where);
  if (!a.isNumber() || !b.isNumber()) return operatorError(1, 1084, "/", a, b);
  if (b.number() == 0) return operatorError(5, 1340, "/", a, b);
  if (a.isInteger() && b.isInteger()) {
    const long long x = a.integer(), y = b.integer();
    if (y != -1 && x % y == 0) return Value(x / y);
  }
  return Value(a.number() / b.number());
}

}  // namespace lanmere
