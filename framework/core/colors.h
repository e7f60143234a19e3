// The framework's named colours, the source-text form of a colour (CCLRTOCODE) and the reader of
// colour-pair texts such as "W+/B".
#pragma once

#include <string>
#include <string_view>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// A colour as the drawing services take it: red in the low byte.
constexpr long rgb(int red, int green, int blue) {
  return static_cast<long>(red) | (static_cast<long>(green) << 8) | (static_cast<long>(blue) << 16);
}

struct NamedColor {
  const char* name;
  long color;
};

// The sixteen colours of the text screen under their names; CLR_HGRAY and CLR_LIGHTGRAY name
// one value, and a value with two names is written with the first.
inline constexpr NamedColor kNamedColors[] = {
    {"CLR_BLACK", rgb(0, 0, 0)},           {"CLR_BLUE", rgb(0, 0, 128)},
    {"CLR_GREEN", rgb(0, 128, 0)},         {"CLR_CYAN", rgb(0, 128, 128)},
    {"CLR_RED", rgb(128, 0, 0)},           {"CLR_MAGENTA", rgb(128, 0, 128)},
    {"CLR_BROWN", rgb(128, 128, 0)},       {"CLR_HGRAY", rgb(192, 192, 192)},
    {"CLR_LIGHTGRAY", rgb(192, 192, 192)}, {"CLR_GRAY", rgb(128, 128, 128)},
    {"CLR_HBLUE", rgb(0, 0, 255)},         {"CLR_HGREEN", rgb(0, 255, 0)},
    {"CLR_HCYAN", rgb(0, 255, 255)},       {"CLR_HRED", rgb(255, 0, 0)},
    {"CLR_HMAGENTA", rgb(255, 0, 255)},    {"CLR_YELLOW", rgb(255, 255, 0)},
    {"CLR_WHITE", rgb(255, 255, 255)},
};

// The colour's name, else "RGB(" + red, green and blue right-aligned in 4, joined by "," + " )".
std::string colorCode(long color);

struct ColorPair {
  long foreground;
  long background;
};
// Reads "fore/back" colour letters (N, B, G, BG, R, RB, GR, W, in any order of B, G and R), "+"
// brightening the foreground and "*" the background. A text it cannot read is an argument
// error (genCode 1, sub-code kColorPairSubCode) through substitution; the handler's answer, when
// it is a two-element list of numbers, is taken as the pair, anything else gives black on white.
inline constexpr long long kColorPairSubCode = 6101;
ColorPair colorPair(std::string_view text);

// CCLRTOCODE (nColor): colorCode of the number.
lanmere::Value CCLRTOCODE(const lanmere::Value& color);

const lanmere::ModuleTable& colorsModule();

}  // namespace kestrel
