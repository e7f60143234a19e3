// Dates and times: Julian day numbers, the date format setting, date texts in both directions,
// today's date, the time of day and seconds since midnight.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/error.h"

namespace lanmere {

namespace {

constexpr std::int32_t kMillisecondsPerDay = 86'400'000;
// Two-digit years in CTOD count from this year.
constexpr int kEpoch = 1900;

std::string& formatSetting() {
  static std::string format = "MM/DD/YY";
  return format;
}

struct LocalNow {
  int year, month, day, hour, minute, second, millisecond;
};

LocalNow localNow() {
  const auto now = std::chrono::system_clock::now();
  const auto sinceEpoch =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(sinceEpoch / 1000);
  const std::tm local = *std::localtime(&seconds);
  return {local.tm_year + 1900,
          local.tm_mon + 1,
          local.tm_mday,
          local.tm_hour,
          local.tm_min,
          local.tm_sec,
          static_cast<int>(sinceEpoch % 1000)};
}

// `value` in exactly `width` digits: zero-padded, keeping the low digits when it is wider.
std::string digits(int value, std::size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text.substr(text.size() - width);
}

bool isDateValue(const Value& value) {
  return value.isDate() || value.isTimestamp();
}

bool formatLetter(char c) {
  return c == 'D' || c == 'M' || c == 'Y';
}

}  // namespace

std::int32_t julianFromDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return 0;
  const int a = (14 - month) / 12;
  const int y = year + 4800 - a;
  const int m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void dateFromJulian(std::int32_t julian, int& year, int& month, int& day) {
  if (julian < kFirstJulian || julian > kLastJulian) {
    year = month = day = 0;
    return;
  }
  const int a = julian + 32044;
  const int b = (4 * a + 3) / 146097;
  const int c = a - 146097 * b / 4;
  const int d = (4 * c + 3) / 1461;
  const int e = c - 1461 * d / 4;
  const int m = (5 * e + 2) / 153;
  day = e - (153 * m + 2) / 5 + 1;
  month = m + 3 - 12 * (m / 10);
  year = 100 * b + d - 4800 + m / 10;
}

const std::string& dateFormat() {
  return formatSetting();
}
void setDateFormat(std::string format) {
  formatSetting() = std::move(format);
}

std::string dtoc(const Value& date) {
  return dtoc(date, dateFormat());
}

std::string dtoc(const Value& date, std::string_view format) {
  int year = 0, month = 0, day = 0;
  dateFromJulian(date.julian(), year, month, day);
  const bool blank = year == 0;
  std::string text;
  for (std::size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (!formatLetter(c)) {
      text += c;
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    i += run;
    if (blank) {
      text.append(run, ' ');
    } else if (c == 'Y') {
      text += digits(year, run >= 4 ? 4 : run);
    } else {
      const int part = c == 'M' ? month : day;
      text += run == 1 ? std::to_string(part) : digits(part, run);
    }
  }
  return text;
}

Value ctod(std::string_view text) {
  return ctod(text, dateFormat());
}

// CTOD reads the digit groups of the text in the order the format names day, month and year;
// anything that is not a digit separates groups. A text without digits is the blank date.
Value ctod(std::string_view text, std::string_view format) {
  char order[3];
  int fields = 0;
  for (char c : format) {
    if (!formatLetter(c)) continue;
    bool seen = false;
    for (int i = 0; i < fields; ++i) seen = seen || order[i] == c;
    if (!seen && fields < 3) order[fields++] = c;
  }
  int values[3] = {0, 0, 0};
  std::size_t widths[3] = {0, 0, 0};
  int found = 0;
  for (std::size_t i = 0; i < text.size() && found < fields;) {
    if (text[i] < '0' || text[i] > '9') {
      ++i;
      continue;
    }
    long long value = 0;
    std::size_t width = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++width) {
      if (value < 100000) value = value * 10 + (text[i] - '0');
    }
    values[found] = static_cast<int>(value);
    widths[found] = width;
    ++found;
  }
  if (fields < 3 || found < 3) return Value::date(0);
  int year = 0, month = 0, day = 0;
  for (int i = 0; i < 3; ++i) {
    if (order[i] == 'D') day = values[i];
    if (order[i] == 'M') month = values[i];
    if (order[i] == 'Y') year = widths[i] <= 2 ? kEpoch + values[i] : values[i];
  }
  return Value::date(julianFromDate(year, month, day));
}

std::string dtos(const Value& date) {
  int year = 0, month = 0, day = 0;
  dateFromJulian(date.julian(), year, month, day);
  if (year == 0) return std::string(8, ' ');
  return digits(year, 4) + digits(month, 2) + digits(day, 2);
}

Value stod(std::string_view text) {
  if (text.size() < 8) return Value::date(0);
  int parts[3] = {0, 0, 0};
  const std::size_t widths[3] = {4, 2, 2};
  std::size_t at = 0;
  for (int p = 0; p < 3; ++p) {
    for (std::size_t i = 0; i < widths[p]; ++i, ++at) {
      if (text[at] < '0' || text[at] > '9') return Value::date(0);
      parts[p] = parts[p] * 10 + (text[at] - '0');
    }
  }
  return Value::date(julianFromDate(parts[0], parts[1], parts[2]));
}

std::string timeText(std::int32_t millisecond) {
  if (millisecond < 0 || millisecond >= kMillisecondsPerDay) millisecond = 0;
  const int seconds = millisecond / 1000;
  return digits(seconds / 3600, 2) + ":" + digits(seconds / 60 % 60, 2) + ":" +
         digits(seconds % 60, 2) + "." + digits(millisecond % 1000, 3);
}

std::string ttoc(const Value& timestamp) {
  return dtoc(timestamp) + " " + timeText(timestamp.millisecond());
}

Value today() {
  const LocalNow now = localNow();
  return Value::date(julianFromDate(now.year, now.month, now.day));
}

std::string timeOfDay() {
  const LocalNow now = localNow();
  return digits(now.hour, 2) + ":" + digits(now.minute, 2) + ":" + digits(now.second, 2);
}

double secondsSinceMidnight() {
  const LocalNow now = localNow();
  const int hundredths =
      (now.hour * 3600 + now.minute * 60 + now.second) * 100 + now.millisecond / 10;
  return hundredths / 100.0;
}

Value DATE() {
  return today();
}

Value TIME() {
  return Value(timeOfDay());
}

Value SECONDS() {
  return Value(secondsSinceMidnight(), 2);
}

namespace {

template <int Part>
Value datePart(Args args, long long subCode) {
  if (!isDateValue(arg(args, 1))) return argumentError(subCode);
  int parts[3];
  dateFromJulian(arg(args, 1).julian(), parts[0], parts[1], parts[2]);
  return Value(parts[Part]);
}

}  // namespace

Value YEAR(Args args) {
  return datePart<0>(args, 1112);
}

Value MONTH(Args args) {
  return datePart<1>(args, 1113);
}

Value DAY(Args args) {
  return datePart<2>(args, 1114);
}

Value DTOC(Args args) {
  if (!isDateValue(arg(args, 1))) return argumentError(1118);
  return Value(dtoc(arg(args, 1)));
}

Value CTOD(Args args) {
  if (!arg(args, 1).isText()) return argumentError(1119);
  return ctod(arg(args, 1).text());
}

Value DTOS(Args args) {
  if (!isDateValue(arg(args, 1))) return argumentError(1120);
  return Value(dtos(arg(args, 1)));
}

// STOD ([text]): without an argument, the blank date.
Value STOD(Args args) {
  if (arg(args, 1).isNil()) return Value::date(0);
  if (!arg(args, 1).isText()) return argumentError(1121);
  return stod(arg(args, 1).text());
}

Value HB_TTOC(Args args) {
  if (!isDateValue(arg(args, 1))) return argumentError(1122);
  return Value(ttoc(arg(args, 1)));
}

const ModuleTable& dateModule() {
  static const ModuleTable module{
      __FILE__,
      {fn<&DATE>("DATE"), fn<&TIME>("TIME"), fn<&SECONDS>("SECONDS"), fn<&YEAR>("YEAR"),
       fn<&MONTH>("MONTH"), fn<&DAY>("DAY"), fn<&DTOC>("DTOC"), fn<&CTOD>("CTOD"),
       fn<&DTOS>("DTOS"), fn<&STOD>("STOD"), fn<&HB_TTOC>("HB_TTOC")}};
  return module;
}

}  // namespace lanmere
