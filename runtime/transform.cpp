#include "runtime/transform.h"

#include <algorithm>
#include <vector>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/error.h"
#include "runtime/object.h"

namespace lanmere {

namespace {

constexpr long long kTransformSubCode = 1149;
// STR is asked for a field this wide, so every finite double's digits fit (1e308 has 309).
constexpr int kDigitsField = 330;
// Decimals STR produces at most; a template with more pads with zeros.
constexpr int kMaxDecimals = 99;

// What a number shows under a template with `decimals` places: sign and digits, rounded half
// away from zero as STR rounds; nothing for a value with no finite digits.
struct NumberParts {
  bool negative = false;
  std::string integer;
  std::string fraction;
};

std::optional<NumberParts> numberParts(const Value& number, int decimals) {
  decimals = std::min(decimals, kMaxDecimals);
  const std::string text = str(number, kDigitsField + decimals, decimals);
  if (text.find('*') != std::string::npos) return std::nullopt;
  NumberParts parts;
  std::size_t i = text.find_first_not_of(' ');
  if (i < text.size() && text[i] == '-') {
    parts.negative = true;
    ++i;
  }
  const std::size_t point = text.find('.', i);
  parts.integer = text.substr(i, point == std::string::npos ? std::string::npos : point - i);
  if (point != std::string::npos) parts.fraction = text.substr(point + 1);
  return parts;
}

bool allZero(std::string_view digits) {
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
}

char fillOf(char symbol) {
  return symbol == '$' || symbol == '*' ? symbol : ' ';
}

std::string upperAll(std::string text) {
  for (char& c : text) c = upperAscii(c);
  return text;
}

std::string transformText(std::string_view value, const ParsedPicture& picture) {
  if (!picture.hasTemplate()) {
    std::string out(value);
    return picture.upperCase ? upperAll(std::move(out)) : out;
  }
  std::string out;
  out.reserve(picture.mask.size());
  std::size_t next = 0;
  for (const char symbol : picture.mask) {
    if (isTextSymbol(symbol)) {
      char c = next < value.size() ? value[next++] : ' ';
      if (picture.upperCase || symbol == '!' || symbol == 'L' || symbol == 'Y') c = upperAscii(c);
      out += c;
    } else {
      // Without "@R" a literal stands in for the value's character at its place.
      out += symbol;
      if (!picture.literalsInserted && next < value.size()) ++next;
    }
  }
  return out;
}

std::string transformNumber(const Value& number, const ParsedPicture& picture, bool forEditing) {
  const bool decorate = !forEditing;
  std::string body;
  bool negative = false;
  bool zero = false;
  if (picture.hasTemplate()) {
    const std::optional<NumberParts> parts = numberParts(number, templateDecimals(picture.mask));
    if (!parts) return numberOverflow(picture.mask);
    negative = parts->negative;
    zero = allZero(parts->integer) && allZero(parts->fraction);
    char sign = 0;
    if (negative)
      sign = decorate && picture.parentheses ? '(' : decorate && picture.debit ? 0 : '-';
    const std::optional<std::string> filled =
        fillNumberTemplate(picture.mask, parts->integer, parts->fraction, sign, picture.european);
    if (!filled) return numberOverflow(picture.mask);
    body = *filled;
  } else {
    body = str(number);
    if (body.find('*') != std::string::npos) return body;
    negative = body.find('-') != std::string::npos;
    zero = body.find_first_of("123456789") == std::string::npos;
    if (picture.european) std::replace(body.begin(), body.end(), '.', ',');
    if (negative && decorate && (picture.parentheses || picture.debit)) {
      std::replace(body.begin(), body.end(), '-', picture.parentheses ? '(' : ' ');
    }
  }
  if (picture.blankZero && zero) return std::string(body.size(), ' ');
  if (!decorate) return body;
  if (negative && picture.parentheses) body += ')';
  if (negative && picture.debit) body += " DB";
  if (!negative && !zero && picture.credit) body += " CR";
  if (picture.leftJustify) {
    const std::size_t width = body.size();
    body.erase(0, std::min(body.find_first_not_of(' '), width));
    body.resize(width, ' ');
  }
  return body;
}

std::string transformDate(const Value& date, const ParsedPicture& picture) {
  // A template on a date is ignored: the date format decides its shape.
  std::string text = dtoc(date, pictureDateFormat(picture));
  if (date.isTimestamp()) text += " " + timeText(date.millisecond());
  return text;
}

std::string transformLogical(bool value, const ParsedPicture& picture) {
  const bool yesNo = picture.mask.find('Y') != std::string::npos;
  const char letter = yesNo ? (value ? 'Y' : 'N') : (value ? 'T' : 'F');
  return transformText(std::string_view(&letter, 1), picture);
}

}  // namespace

int templateDecimals(std::string_view mask) noexcept {
  const std::size_t point = pointIndex(mask);
  if (point == std::string_view::npos) return 0;
  const auto digits = std::count_if(mask.begin() + static_cast<std::ptrdiff_t>(point), mask.end(),
                                    [](char c) { return isDigitSymbol(c); });
  return static_cast<int>(digits);
}

std::string numberOverflow(std::string_view mask) {
  std::string out(mask);
  const std::size_t point = pointIndex(mask);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (isDigitSymbol(out[i]) || out[i] == ',' || i == point) out[i] = '*';
  }
  return out;
}

std::optional<std::string> fillNumberTemplate(std::string_view mask, std::string_view integer,
                                              std::string_view fraction, char sign, bool european) {
  const std::size_t point = pointIndex(mask);
  const std::size_t integerEnd = point == std::string_view::npos ? mask.size() : point;
  const char pointMark = european ? ',' : '.';
  const char separator = european ? '.' : ',';
  std::vector<std::size_t> places;  // digit positions before the point
  for (std::size_t i = 0; i < integerEnd; ++i) {
    if (isDigitSymbol(mask[i])) places.push_back(i);
  }
  integer.remove_prefix(std::min(integer.find_first_not_of('0'), integer.size()));

  const auto attempt = [&](std::string_view digits) -> std::optional<std::string> {
    if (digits.size() > places.size()) return std::nullopt;
    std::string out(mask);
    std::size_t first = integerEnd;  // the first position holding a digit
    for (std::size_t j = 0; j < digits.size(); ++j) {
      const std::size_t at = places[places.size() - digits.size() + j];
      out[at] = digits[j];
      if (j == 0) first = at;
    }
    std::size_t signAt = std::string_view::npos;
    if (sign != 0) {
      for (std::size_t i = first; i-- > 0;) {
        if (isDigitSymbol(mask[i]) || mask[i] == ',') {
          signAt = i;
          break;
        }
      }
      if (signAt == std::string_view::npos) return std::nullopt;
      out[signAt] = sign;
    }
    for (std::size_t i = 0; i < first; ++i) {
      if (i == signAt) continue;
      if (isDigitSymbol(mask[i])) {
        out[i] = fillOf(mask[i]);
      } else if (mask[i] == ',') {
        // No digit to its left: the fill of the digit position it precedes.
        char fill = ' ';
        for (std::size_t j = i + 1; j < integerEnd; ++j) {
          if (isDigitSymbol(mask[j])) {
            fill = fillOf(mask[j]);
            break;
          }
        }
        out[i] = fill;
      }
    }
    for (std::size_t i = first; i < integerEnd; ++i) {
      if (mask[i] == ',') out[i] = separator;
    }
    if (point != std::string_view::npos) {
      out[point] = pointMark;
      std::size_t next = 0;
      for (std::size_t i = point + 1; i < out.size(); ++i) {
        if (isDigitSymbol(mask[i])) {
          out[i] = next < fraction.size() ? fraction[next] : '0';
          ++next;
        } else if (mask[i] == ',') {
          out[i] = separator;
        }
      }
    }
    return out;
  };

  if (!integer.empty()) return attempt(integer);
  // A zero integer part shows its "0" when there is room for it beside the sign.
  if (std::optional<std::string> withZero = attempt("0")) return withZero;
  return attempt("");
}

std::string dayFirstFormat(std::string_view format) {
  char separator = '/';
  std::size_t yearDigits = 0;
  for (std::size_t i = 0; i < format.size();) {
    const char c = format[i];
    std::size_t run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    if (c == 'Y') {
      yearDigits = std::max(yearDigits, run);
    } else if (c != 'D' && c != 'M' && separator == '/') {
      separator = c;
    }
    i += run;
  }
  if (yearDigits == 0) yearDigits = 2;
  return std::string("DD") + separator + "MM" + separator + std::string(yearDigits, 'Y');
}

std::string pictureDateFormat(const ParsedPicture& picture) {
  return picture.european ? dayFirstFormat(dateFormat()) : dateFormat();
}

std::string transform(const Value& value, const ParsedPicture& picture, bool forEditing) {
  switch (value.type()) {
    case Type::Nil:
      return {};
    case Type::Text:
      return transformText(value.text(), picture);
    case Type::Integer:
    case Type::Float:
      return transformNumber(value, picture, forEditing);
    case Type::Date:
    case Type::Timestamp:
      return transformDate(value, picture);
    case Type::Logical:
      return transformLogical(value.logical(), picture);
    default:
      // Lists, hashes, closures, objects, pointers and symbols show their class name.
      return className(value);
  }
}

std::string transform(const Value& value, std::string_view picture) {
  return transform(value, parsePicture(picture));
}

Value TRANSFORM(const Value& value, const Value& picture) {
  if (!picture.isNil() && !picture.isText()) return argumentError(kTransformSubCode);
  return Value(transform(value, picture.text()));
}

const ModuleTable& transformModule() {
  static const ModuleTable module{__FILE__, {fn<&TRANSFORM>("TRANSFORM")}};
  return module;
}

}  // namespace lanmere
