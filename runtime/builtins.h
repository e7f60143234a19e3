// Built-in functions of the run-time. Each is registered by name (builtinModules()) and is an
// ordinary C++ function taking the argument list; argument errors go through the substitution
// protocol (genCode 1, the function's own sub-code), so a handler may supply the result.
// Typed helpers below serve C++ callers that already hold the right types.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace lanmere {

// ---- Registered by name ----
Value SPACE(Args args);        // sub-code 1105
Value LEFT(Args args);         // 1124
Value STRTRAN(Args args);      // 1126
Value STR(Args args);
Value ALLTRIM(Args args);
Value VAL(Args args);
Value DTOC(Args args);
Value CTOD(Args args);
Value HB_TTOC(Args args);
Value HB_NUMTOHEX(Args args);
Value I2BIN(Args args);
Value BIN2I(Args args);
Value CLASSNAME(Args args);
Value NETERR(Args args);

// ---- Typed helpers ----
// STR: an integer right-aligned in 10 by default; a floating value with its own decimals;
// width and decimals with rounding; a too-narrow field gives asterisks.
std::string str(const Value& number, int width = -1, int decimals = -1);
std::string allTrim(std::string_view text);
// The date format setting, "MM/DD/YY" by default.
const std::string& dateFormat();
void setDateFormat(std::string format);
std::string dtoc(const Value& date);
Value ctod(std::string_view text);
std::string ttoc(const Value& timestamp);
std::string numToHex(unsigned long long number);
bool netErr();
void setNetErr(bool on);

// Julian day numbers (0 is the blank date).
std::int32_t julianFromDate(int year, int month, int day);
void dateFromJulian(std::int32_t julian, int& year, int& month, int& day);

// The run-time's module tables, in registration order.
std::vector<const ModuleTable*> builtinModules();

}  // namespace lanmere
