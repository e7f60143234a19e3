#include "runtime/picture.h"

#include <algorithm>

namespace lanmere {

namespace {

// A width after "@S" is cut here: no field is wider.
constexpr int kMaxScrollWidth = 9999;

struct FunctionLetter {
  char letter;
  bool ParsedPicture::*flag;
};

constexpr FunctionLetter kFunctionLetters[] = {
    {'!', &ParsedPicture::upperCase},   {'R', &ParsedPicture::literalsInserted},
    {'E', &ParsedPicture::european},    {'K', &ParsedPicture::clearOnType},
    {'Z', &ParsedPicture::blankZero},   {'B', &ParsedPicture::leftJustify},
    {'A', &ParsedPicture::lettersOnly}, {'D', &ParsedPicture::currentDate},
    {'C', &ParsedPicture::credit},      {'X', &ParsedPicture::debit},
    {'(', &ParsedPicture::parentheses},
};

}  // namespace

char upperAscii(char c) noexcept {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isAsciiLetter(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

ParsedPicture parsePicture(std::string_view picture) {
  ParsedPicture parsed;
  if (picture.empty() || picture.front() != '@') {
    parsed.mask = std::string(picture);
    return parsed;
  }
  std::size_t i = 1;
  for (; i < picture.size() && picture[i] != ' '; ++i) {
    const char letter = upperAscii(picture[i]);
    if (letter == 'S') {
      int width = 0;
      while (i + 1 < picture.size() && isAsciiDigit(picture[i + 1])) {
        width = std::min(width * 10 + (picture[++i] - '0'), kMaxScrollWidth);
      }
      parsed.scrollWidth = width;
      continue;
    }
    for (const FunctionLetter& function : kFunctionLetters) {
      if (function.letter == letter) parsed.*function.flag = true;  // others are ignored
    }
  }
  if (i < picture.size()) parsed.mask = std::string(picture.substr(i + 1));
  return parsed;
}

bool isDigitSymbol(char c) noexcept {
  return c == '9' || c == '#' || c == '$' || c == '*';
}

bool isTextSymbol(char c) noexcept {
  return std::string_view("9#XAN!LY").find(c) != std::string_view::npos;
}

bool isEditableSymbol(PictureKind kind, char c) noexcept {
  return kind == PictureKind::Number ? isDigitSymbol(c) : isTextSymbol(c);
}

std::size_t pointIndex(std::string_view mask) noexcept {
  return mask.find('.');
}

std::optional<char> acceptTyped(const ParsedPicture& picture, PictureKind kind, char symbol,
                                char typed) noexcept {
  if (kind == PictureKind::Number) {
    if (!isDigitSymbol(symbol)) return std::nullopt;
    if (isAsciiDigit(typed) || typed == '-') return typed;
    if (symbol == '#' && typed == ' ') return typed;
    return std::nullopt;
  }
  const char upper = upperAscii(typed);
  std::optional<char> stored;
  switch (symbol) {
    case '9':
      if (isAsciiDigit(typed)) stored = typed;
      break;
    case '#':
      if (isAsciiDigit(typed) || typed == ' ' || typed == '+' || typed == '-') stored = typed;
      break;
    case 'X':
      stored = typed;
      break;
    case 'A':
      if (isAsciiLetter(typed)) stored = typed;
      break;
    case 'N':
      if (isAsciiLetter(typed) || isAsciiDigit(typed)) stored = typed;
      break;
    case '!':
      stored = upper;
      break;
    case 'L':
      if (upper == 'T' || upper == 'F' || upper == 'Y' || upper == 'N') stored = upper;
      break;
    case 'Y':
      if (upper == 'Y' || upper == 'N') stored = upper;
      break;
    default:
      break;
  }
  if (!stored) return std::nullopt;
  if (picture.lettersOnly && !isAsciiLetter(*stored)) return std::nullopt;
  return picture.upperCase ? upperAscii(*stored) : *stored;
}

}  // namespace lanmere
