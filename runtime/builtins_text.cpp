// Text functions: substrings, search, case, trimming, padding, repetition, character codes, and
// the few value queries (length, type letter, emptiness, class name, network-error flag).
#include <algorithm>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/builtins_internal.h"
#include "runtime/callstack.h"
#include "runtime/error.h"
#include "runtime/object.h"

namespace lanmere {

namespace detail {

Value textOverflow(long long subCode) {
  return raiseRuntimeErrorSubstitute(
      {.genCode = 3, .subCode = subCode, .args = ErrorArgs::currentParams()});
}

Value listOverflow(long long subCode) {
  return raiseRuntimeErrorSubstitute(
      {.genCode = 2, .subCode = subCode, .args = ErrorArgs::currentParams()});
}

}  // namespace detail

using detail::countOr;
using detail::optionalNumber;
using detail::optionalText;
using detail::textOverflow;

namespace {

bool netErrFlag = false;
std::size_t textLimit = kMaxTextLength;

std::string_view trimBlanksRight(std::string_view text) {
  return trimRight(text);
}

std::string_view trimLeft(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

// The first `count` bytes of a text value; the value itself when that is the whole text, so the
// result shares its storage.
Value leading(const Value& text, long long count) {
  if (count <= 0) return Value("");
  if (static_cast<std::size_t>(count) >= text.length()) return text;
  return Value(text.text().substr(0, static_cast<std::size_t>(count)));
}

// What the padding functions accept: texts as they are, numbers as STR shows them without
// blanks, dates in the date format.
bool padSource(const Value& value, std::string& out) {
  if (value.isText()) {
    out = value.string();
  } else if (value.isNumber()) {
    out = allTrim(str(value));
  } else if (value.isDate() || value.isTimestamp()) {
    out = dtoc(value);
  } else {
    return false;
  }
  return true;
}

template <std::string (*Pad)(std::string_view, long long, char)>
Value pad(Args args, long long subCode) {
  std::string source;
  const Value& fill = arg(args, 3);
  if (!padSource(arg(args, 1), source) || !arg(args, 2).isNumber() || !optionalText(fill)) {
    return argumentError(subCode);
  }
  const long long width = arg(args, 2).integer();
  if (width > static_cast<long long>(maxTextLength())) return textOverflow(subCode);
  return Value(Pad(source, width, fill.length() > 0 ? fill.text()[0] : ' '));
}

std::string_view trimBoth(std::string_view text) {
  return trimLeft(trimRight(text));
}

// A trimmed text shares the argument's bytes when nothing was cut.
template <std::string_view (*Trim)(std::string_view)>
Value trimText(Args args, long long subCode) {
  const Value& text = arg(args, 1);
  if (!text.isText()) return argumentError(subCode);
  const std::string_view trimmed = Trim(text.text());
  return trimmed.size() == text.length() ? text : Value(trimmed);
}

template <char (*Convert)(char)>
Value convertCase(Args args, long long subCode) {
  const Value& text = arg(args, 1);
  if (!text.isText()) return argumentError(subCode);
  Value result = text;
  Bytes& bytes = result.mutableText();
  std::transform(bytes.begin(), bytes.end(), bytes.begin(), Convert);
  return result;
}

char toUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char toLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::size_t maxTextLength() noexcept {
  return textLimit;
}

void setMaxTextLength(std::size_t bytes) noexcept {
  textLimit = std::min(bytes, kMaxTextLength);
}

std::string_view trimRight(std::string_view text, std::string_view blanks) noexcept {
  const std::size_t last = text.find_last_not_of(blanks);
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string allTrim(std::string_view text) {
  return std::string(trimBoth(text));
}

std::string padRight(std::string_view text, long long width, char fill) {
  if (width <= 0) return {};
  const auto n = static_cast<std::size_t>(width);
  std::string result(text.substr(0, n));
  result.append(n - result.size(), fill);
  return result;
}

std::string padLeft(std::string_view text, long long width, char fill) {
  if (width <= 0) return {};
  const auto n = static_cast<std::size_t>(width);
  if (text.size() >= n) return std::string(text.substr(0, n));
  return std::string(n - text.size(), fill).append(text);
}

std::string padCenter(std::string_view text, long long width, char fill) {
  if (width <= 0) return {};
  const auto n = static_cast<std::size_t>(width);
  if (text.size() >= n) return std::string(text.substr(0, n));
  const std::size_t before = (n - text.size()) / 2;
  std::string result(before, fill);
  result.append(text);
  result.append(n - result.size(), fill);
  return result;
}

bool netErr() {
  return netErrFlag;
}
void setNetErr(bool on) {
  netErrFlag = on;
}

Value SPACE(Args args) {
  const Value& count = arg(args, 1);
  if (!count.isNumber()) return argumentError(1105);
  const long long n = count.integer();
  if (n <= 0) return Value("");
  if (static_cast<unsigned long long>(n) > maxTextLength()) return textOverflow(1105);
  return Value(Bytes(static_cast<std::size_t>(n), ' '));
}

Value LEFT(Args args) {
  if (!arg(args, 1).isText() || !arg(args, 2).isNumber()) return argumentError(1124);
  return leading(arg(args, 1), arg(args, 2).integer());
}

Value RIGHT(Args args) {
  const Value& text = arg(args, 1);
  if (!text.isText() || !arg(args, 2).isNumber()) return argumentError(1125);
  const long long n = arg(args, 2).integer();
  if (n <= 0) return Value("");
  if (static_cast<std::size_t>(n) >= text.length()) return text;
  return Value(text.text().substr(text.length() - static_cast<std::size_t>(n)));
}

// STRTRAN (text, search, [replacement ""], [first occurrence replaced 1], [how many: all]).
Value STRTRAN(Args args) {
  const Value& text = arg(args, 1);
  const Value& search = arg(args, 2);
  if (!text.isText() || !search.isText() || !optionalText(arg(args, 3)) ||
      !optionalNumber(arg(args, 4)) || !optionalNumber(arg(args, 5))) {
    return argumentError(1126);
  }
  const std::string_view source = text.text();
  const std::string_view what = search.text();
  const std::string_view with = arg(args, 3).text();
  const long long first = countOr(arg(args, 4), 1);
  const long long limit = countOr(arg(args, 5), -1);
  if (what.empty() || what.size() > source.size() || limit == 0) return text;

  Bytes result;
  std::size_t from = 0;
  long long occurrence = 0, replaced = 0;
  for (std::size_t at; (at = source.find(what, from)) != std::string_view::npos;
       from = at + what.size()) {
    ++occurrence;
    const bool replace = occurrence >= first && (limit < 0 || replaced < limit);
    result.append(source.data() + from, at - from);
    if (replace) {
      result.append(with.data(), with.size());
      ++replaced;
      if (result.size() > maxTextLength()) return textOverflow(1126);
    } else {
      result.append(what.data(), what.size());
    }
  }
  if (replaced == 0) return text;
  result.append(source.data() + from, source.size() - from);
  return Value(std::move(result));
}

// SUBSTR (text, start, [count]): a start of 0 counts as 1; a negative start counts from the
// end (-1 is the last byte).
Value SUBSTR(Args args) {
  const Value& text = arg(args, 1);
  if (!text.isText() || !arg(args, 2).isNumber() || !optionalNumber(arg(args, 3))) {
    return argumentError(1110);
  }
  const auto length = static_cast<long long>(text.length());
  long long start = arg(args, 2).integer();
  if (start < 0) start = std::max(1LL, length + start + 1);
  if (start == 0) start = 1;
  if (start > length) return Value("");
  const long long available = length - start + 1;
  const long long count = std::min(countOr(arg(args, 3), available), available);
  if (count <= 0) return Value("");
  if (start == 1 && count == length) return text;
  return Value(
      text.text().substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

// AT (search, text, [start 1]): the position of the first occurrence at or after start, or 0.
Value AT(Args args) {
  const Value& search = arg(args, 1);
  const Value& text = arg(args, 2);
  if (!search.isText() || !text.isText() || !optionalNumber(arg(args, 3))) {
    return argumentError(1108);
  }
  const long long start = std::max(1LL, countOr(arg(args, 3), 1));
  if (search.length() == 0 || start > static_cast<long long>(text.length())) return Value(0);
  const std::size_t at = text.text().find(search.text(), static_cast<std::size_t>(start - 1));
  return Value(at == std::string_view::npos ? 0LL : static_cast<long long>(at) + 1);
}

Value RAT(Args args) {
  const Value& search = arg(args, 1);
  const Value& text = arg(args, 2);
  if (!search.isText() || !text.isText()) return argumentError(1109);
  if (search.length() == 0) return Value(0);
  const std::size_t at = text.text().rfind(search.text());
  return Value(at == std::string_view::npos ? 0LL : static_cast<long long>(at) + 1);
}

Value UPPER(Args args) {
  return convertCase<toUpper>(args, 1102);
}

Value LOWER(Args args) {
  return convertCase<toLower>(args, 1103);
}

Value TRIM(Args args) {
  return trimText<trimBlanksRight>(args, 1100);
}

Value LTRIM(Args args) {
  return trimText<trimLeft>(args, 1101);
}

Value ALLTRIM(Args args) {
  return trimText<trimBoth>(args, 1130);
}

Value PADR(Args args) {
  return pad<padRight>(args, 1127);
}

Value PADL(Args args) {
  return pad<padLeft>(args, 1128);
}

Value PADC(Args args) {
  return pad<padCenter>(args, 1129);
}

Value REPLICATE(Args args) {
  const Value& text = arg(args, 1);
  if (!text.isText() || !arg(args, 2).isNumber()) return argumentError(1106);
  const long long times = arg(args, 2).integer();
  if (times <= 0 || text.length() == 0) return Value("");
  if (static_cast<unsigned long long>(times) > maxTextLength() / text.length()) {
    return textOverflow(1106);
  }
  Bytes result;
  result.reserve(text.length() * static_cast<std::size_t>(times));
  for (long long i = 0; i < times; ++i) result.append(text.text().data(), text.length());
  return Value(std::move(result));
}

Value CHR(Args args) {
  if (!arg(args, 1).isNumber()) return argumentError(1104);
  const char byte = static_cast<char>(static_cast<unsigned char>(arg(args, 1).integer() & 0xFF));
  return Value(std::string_view(&byte, 1));
}

Value ASC(Args args) {
  const Value& text = arg(args, 1);
  if (!text.isText()) return argumentError(1107);
  return Value(text.length() == 0 ? 0 : static_cast<unsigned char>(text.text()[0]));
}

Value LEN(Args args) {
  const Value& value = arg(args, 1);
  if (!value.isText() && !value.isList() && !value.isHash()) return argumentError(1111);
  return Value(static_cast<long long>(value.length()));
}

Value VALTYPE(Args args) {
  const char letter = typeLetter(arg(args, 1));
  return Value(std::string_view(&letter, 1));
}

Value EMPTY(Args args) {
  return Value(isEmpty(arg(args, 1)));
}

Value CLASSNAME(Args args) {
  return Value(className(arg(args, 1)));
}

// NETERR ([flag]): sets the flag when given a logical; answers the flag.
Value NETERR(Args args) {
  if (arg(args, 1).isLogical()) setNetErr(arg(args, 1).logical());
  return Value(netErr());
}

const ModuleTable& textModule() {
  static const ModuleTable module{__FILE__,
                                  {fn<&SPACE>("SPACE"),
                                   fn<&LEFT>("LEFT"),
                                   fn<&RIGHT>("RIGHT"),
                                   fn<&STRTRAN>("STRTRAN"),
                                   fn<&SUBSTR>("SUBSTR"),
                                   fn<&AT>("AT"),
                                   fn<&RAT>("RAT"),
                                   fn<&UPPER>("UPPER"),
                                   fn<&LOWER>("LOWER"),
                                   fn<&TRIM>("TRIM"),
                                   fn<&TRIM>("RTRIM"),
                                   fn<&LTRIM>("LTRIM"),
                                   fn<&ALLTRIM>("ALLTRIM"),
                                   fn<&PADR>("PADR"),
                                   fn<&PADL>("PADL"),
                                   fn<&PADC>("PADC"),
                                   fn<&REPLICATE>("REPLICATE"),
                                   fn<&CHR>("CHR"),
                                   fn<&ASC>("ASC"),
                                   fn<&LEN>("LEN"),
                                   fn<&VALTYPE>("VALTYPE"),
                                   fn<&EMPTY>("EMPTY"),
                                   fn<&CLASSNAME>("CLASSNAME"),
                                   fn<&NETERR>("NETERR")}};
  return module;
}

std::vector<std::string> memoLines(std::string_view text, std::size_t width) {
  width = std::max<std::size_t>(width, 1);
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view hard = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!hard.empty() && hard.back() == '\r') hard.remove_suffix(1);
    do {
      std::size_t take = hard.size();
      if (take > width) {
        const std::size_t blank = hard.substr(0, width).rfind(' ');
        take = blank == std::string_view::npos ? width : blank + 1;
      }
      lines.emplace_back(hard.substr(0, take));
      hard.remove_prefix(take);
    } while (!hard.empty());
  }
  return lines;
}

}  // namespace lanmere
