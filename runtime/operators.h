// Operators whose failures the run-time reports as error records: the handler's substitute
// becomes the value of the expression.
#pragma once

#include <source_location>

#include "runtime/value.h"

namespace lanmere {

// "+": numbers add (integers stay integers until they overflow; a floating sum keeps the larger
// decimals), texts concatenate, a date plus a number of days is a date. Anything else raises
// genCode 1, subCode 1081, operation "+", both operands as args. A text past maxTextLength()
// raises "String overflow" (genCode 3, 1209); a date leaving years 1 to 9999 "Numeric overflow"
// (genCode 4, 1210). Both go through substitution: the handler's value is the result.
Value add(const Value& a, const Value& b,
          std::source_location where = std::source_location::current());

// "+=": `target` := target + b, with the same errors. A text held by no one else grows in place,
// so appending piece by piece costs amortised O(1) per byte.
void addAssign(Value& target, const Value& b,
               std::source_location where = std::source_location::current());

inline constexpr long long kDateOverflowSubCode = 1210;

// "/": integers that divide exactly give an integer, anything else a floating value with 2
// decimals. A zero divisor raises genCode 5, subCode 1340; non-numbers genCode 1, subCode 1084;
// both with operation "/" and both operands as args.
Value divide(const Value& a, const Value& b,
             std::source_location where = std::source_location::current());

}  // namespace lanmere
