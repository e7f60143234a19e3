// Built-in functions of the run-time. Each is registered by name (builtinModules()) and is an
// ordinary C++ function taking the argument list; argument errors go through the substitution
// protocol (genCode 1, the function's own sub-code), so a handler may supply the result.
// Typed helpers below serve C++ callers that already hold the right types.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace lanmere {

// ---- Registered by name ----

// Texts (builtins_text.cpp)
Value SPACE(Args args);      // sub-code 1105
Value LEFT(Args args);       // 1124
Value RIGHT(Args args);      // 1125
Value STRTRAN(Args args);    // 1126
Value SUBSTR(Args args);     // 1110
Value AT(Args args);         // 1108
Value RAT(Args args);        // 1109
Value UPPER(Args args);      // 1102
Value LOWER(Args args);      // 1103
Value TRIM(Args args);       // 1100 (RTRIM is the same function)
Value LTRIM(Args args);      // 1101
Value ALLTRIM(Args args);    // 1130
Value PADR(Args args);       // 1127
Value PADL(Args args);       // 1128
Value PADC(Args args);       // 1129
Value REPLICATE(Args args);  // 1106
Value CHR(Args args);        // 1104
Value ASC(Args args);        // 1107
Value LEN(Args args);        // 1111
Value VALTYPE(Args args);
Value EMPTY(Args args);
Value CLASSNAME(Args args);
Value NETERR(Args args);

// Numbers (builtins_number.cpp)
Value STR(Args args);          // 1099
Value VAL(Args args);          // 1098
Value INT(Args args);          // 1090
Value ROUND(Args args);        // 1094
Value ABS(Args args);          // 1089
Value MOD(Args args);          // 1085; a zero divisor: genCode 5, 1341
Value MAX(Args args);          // 1093
Value MIN(Args args);          // 1092
Value HB_NUMTOHEX(Args args);  // 1131
Value I2BIN(Args args);        // 1132
Value BIN2I(Args args);        // 1133
Value L2BIN(Args args);        // 1134
Value BIN2L(Args args);        // 1135

// Dates and times (builtins_date.cpp)
Value DATE();
Value TIME();
Value SECONDS();
Value YEAR(Args args);     // 1112
Value MONTH(Args args);    // 1113
Value DAY(Args args);      // 1114
Value DTOC(Args args);     // 1118
Value CTOD(Args args);     // 1119
Value DTOS(Args args);     // 1120
Value STOD(Args args);     // 1121
Value HB_TTOC(Args args);  // 1122

// Lists (builtins_list.cpp)
Value AADD(Args args);   // 1123
Value ASIZE(Args args);  // 1136
Value ACLONE(Args args);
Value ASCAN(Args args);
Value AINS(Args args);
Value ADEL(Args args);
Value ASORT(Args args);
Value AEVAL(Args args);  // 1137

// Files (builtins_file.cpp); handles are the operating system's, -1 is none.
Value FCREATE(Args args);    // 1140
Value FOPEN(Args args);      // 1141
Value FREAD(Args args);      // 1142; the buffer (argument 2) is written in place
Value FWRITE(Args args);     // 1143
Value FSEEK(Args args);      // 1144
Value FCLOSE(Args args);     // 1145
Value FERASE(Args args);     // 1146
Value FILE(Args args);       // 1147
Value DIRECTORY(Args args);  // 1148
Value FERROR();

// ---- Typed helpers ----
// STR: an integer right-aligned in 10 by default; a floating value with its own decimals;
// width and decimals with rounding; a too-narrow field gives asterisks.
std::string str(const Value& number, int width = -1, int decimals = -1);
// Rounds half away from zero at `decimals` (negative rounds to tens, hundreds, ...).
double roundHalfAway(double number, int decimals);
// Texts longer than this raise "String overflow" (genCode 3) instead of exhausting memory.
inline constexpr std::size_t kMaxTextLength = std::size_t{1} << 30;
// The limit in force: kMaxTextLength unless lowered (tests set a small one to reach it).
std::size_t maxTextLength() noexcept;
void setMaxTextLength(std::size_t bytes) noexcept;
// Lists longer than this raise "Bound error" (genCode 2): a gigabyte of items.
inline constexpr std::size_t kMaxListLength = kMaxTextLength / sizeof(Value);

std::string allTrim(std::string_view text);
// The text without its trailing characters from `blanks`: a view into `text`.
std::string_view trimRight(std::string_view text, std::string_view blanks = " ") noexcept;
std::string padRight(std::string_view text, long long width, char fill = ' ');
std::string padLeft(std::string_view text, long long width, char fill = ' ');
std::string padCenter(std::string_view text, long long width, char fill = ' ');

// The date format setting, "MM/DD/YY" by default: runs of D, M and Y stand for the day, month
// and year digits (a run of four Y's gives the full year); other characters are kept.
const std::string& dateFormat();
void setDateFormat(std::string format);
std::string dtoc(const Value& date);
Value ctod(std::string_view text);
// The same under an explicit format, for texts kept in a format of their own (an edit buffer).
std::string dtoc(const Value& date, std::string_view format);
Value ctod(std::string_view text, std::string_view format);
std::string dtos(const Value& date);  // "YYYYMMDD", eight blanks for the blank date
Value stod(std::string_view text);
// A timestamp as date + " " + "hh:mm:ss.fff".
std::string ttoc(const Value& timestamp);
// A time of day in milliseconds as "hh:mm:ss.fff".
std::string timeText(std::int32_t millisecond);
Value today();
std::string timeOfDay();        // "hh:mm:ss"
double secondsSinceMidnight();  // with hundredths
std::string numToHex(unsigned long long number);
// A memo text as lines of at most `width` characters: CR LF (or a lone LF) ends a line; a longer
// line wraps after its last blank that fits (the blank stays at the end of the line), and a word
// longer than the width is cut. A line end at the very end starts no further line; an empty text
// has no lines. A width of 0 counts as 1.
std::vector<std::string> memoLines(std::string_view text, std::size_t width);
bool netErr();
void setNetErr(bool on);

// Julian day numbers (0 is the blank date). The calendar runs from 0001-01-01 to 9999-12-31:
// an invalid date or one outside those years gives 0, and a day number outside them reads as
// the blank date (year, month and day 0; blanks in texts).
inline constexpr std::int32_t kFirstJulian = 1721426;  // 0001-01-01
inline constexpr std::int32_t kLastJulian = 5373484;   // 9999-12-31
std::int32_t julianFromDate(int year, int month, int day);
void dateFromJulian(std::int32_t julian, int& year, int& month, int& day);

// A copy of a list and of every list nested in it; a list reached twice (or through itself)
// is copied once, so the copy has the original's shape.
Value listClone(const Value& list);

// The run-time's module tables, in registration order.
std::vector<const ModuleTable*> builtinModules();

}  // namespace lanmere
