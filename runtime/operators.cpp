#include "runtime/operators.h"

#include <algorithm>

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
    if (a.length() + b.length() > kMaxTextLength) return operatorError(3, 1209, "+", a, b);
    Value sum = a;
    sum.append(b.text());
    return sum;
  }
  if (a.isDate() && b.isNumber())
    return Value::date(static_cast<std::int32_t>(a.julian() + b.integer()));
  if (a.isNumber() && b.isDate())
    return Value::date(static_cast<std::int32_t>(b.julian() + a.integer()));
  return operatorError(1, 1081, "+", a, b);
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
