// The picture language: an optional function part ("@" and letters up to the first blank) and a
// template of symbols and literals. One parsed form serves TRANSFORM and the GET edit buffer, so
// what is shown and what is edited follow the same rules.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lanmere {

struct ParsedPicture {
  bool upperCase = false;         // @!  letters upper case
  bool literalsInserted = false;  // @R  template literals shown, not stored in a text
  bool european = false;          // @E  decimal comma, thousands point, day-first dates
  bool clearOnType = false;       // @K  the first typed character clears the buffer
  bool blankZero = false;         // @Z  a zero shows as blanks
  bool leftJustify = false;       // @B  numbers left-justified
  bool lettersOnly = false;       // @A  only letters are typed
  bool currentDate = false;       // @D  dates in the current date format
  bool credit = false;            // @C  " CR" after a positive number
  bool debit = false;             // @X  " DB" after a negative number
  bool parentheses = false;       // @(  negative numbers in parentheses
  int scrollWidth = 0;            // @S<n>  the width of a scrolling field (0: none)
  std::string mask;               // the template; empty when there is none

  bool hasTemplate() const noexcept { return !mask.empty(); }
};

ParsedPicture parsePicture(std::string_view picture);

// How a template reads: numbers have digit positions, a point and separators; texts, dates and
// logicals have the character symbols.
enum class PictureKind { Text, Number };

// "9", "#", "$", "*": the digit positions of a number.
bool isDigitSymbol(char c) noexcept;
// "9", "#", "X", "A", "N", "!", "L", "Y": the positions of a text.
bool isTextSymbol(char c) noexcept;
// A template position the user types into.
bool isEditableSymbol(PictureKind kind, char c) noexcept;
// The index of a number template's decimal point (its first "."), or npos.
std::size_t pointIndex(std::string_view mask) noexcept;

char upperAscii(char c) noexcept;
bool isAsciiLetter(char c) noexcept;
bool isAsciiDigit(char c) noexcept;

// The character stored when `typed` is entered at a position of `symbol`, or nothing when the
// picture refuses it there. A number's positions take digits and "-" ("#" also a blank).
std::optional<char> acceptTyped(const ParsedPicture& picture, PictureKind kind, char symbol,
                                char typed) noexcept;

}  // namespace lanmere
