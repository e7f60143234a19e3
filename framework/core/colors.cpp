#include "framework/core/colors.h"

#include <cctype>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr int kCodeWidth = 4;
constexpr long kChannelMask = 0xFF;

// The eight base colours and their bright forms, indexed by the letters' bits (B 1, G 2, R 4).
constexpr long kBaseColors[] = {rgb(0, 0, 0),     rgb(0, 0, 128),    rgb(0, 128, 0),
                                rgb(0, 128, 128), rgb(128, 0, 0),    rgb(128, 0, 128),
                                rgb(128, 128, 0), rgb(192, 192, 192)};
constexpr long kBrightColors[] = {rgb(128, 128, 128), rgb(0, 0, 255),    rgb(0, 255, 0),
                                  rgb(0, 255, 255),   rgb(255, 0, 0),    rgb(255, 0, 255),
                                  rgb(255, 255, 0),   rgb(255, 255, 255)};
constexpr int kWhiteBits = 7;

// One side of the pair: its colour bits, or -1 when the text is not a colour. Sets the
// brightness marks met on the way.
int colorBits(std::string_view side, bool& brightFore, bool& brightBack) {
  int bits = 0;
  bool named = false;
  for (char c : side) {
    switch (std::toupper(static_cast<unsigned char>(c))) {
      case 'N':
        named = true;
        break;
      case 'B':
        bits |= 1;
        named = true;
        break;
      case 'G':
        bits |= 2;
        named = true;
        break;
      case 'R':
        bits |= 4;
        named = true;
        break;
      case 'W':
        bits |= kWhiteBits;
        named = true;
        break;
      case '+':
        brightFore = true;
        break;
      case '*':
        brightBack = true;
        break;
      case ' ':
        break;
      default:
        return -1;
    }
  }
  return named ? bits : -1;
}

}  // namespace

std::string colorCode(long color) {
  for (const NamedColor& named : kNamedColors) {
    if (named.color == color) return named.name;
  }
  auto channel = [&](int shift) {
    return lanmere::str(Value(static_cast<long long>((color >> shift) & kChannelMask)), kCodeWidth);
  };
  return "RGB(" + channel(0) + "," + channel(8) + "," + channel(16) + " )";
}

ColorPair colorPair(std::string_view text) {
  const std::size_t slash = text.find('/');
  bool brightFore = false, brightBack = false;
  const int fore = slash == std::string_view::npos
                       ? -1
                       : colorBits(text.substr(0, slash), brightFore, brightBack);
  const int back = slash == std::string_view::npos
                       ? -1
                       : colorBits(text.substr(slash + 1), brightFore, brightBack);
  if (fore >= 0 && back >= 0) {
    return {(brightFore ? kBrightColors : kBaseColors)[fore],
            (brightBack ? kBrightColors : kBaseColors)[back]};
  }
  const Value answer =
      lanmere::raiseRuntimeErrorSubstitute({.genCode = 1,
                                            .subCode = kColorPairSubCode,
                                            .operation = "colour pair",
                                            .args = lanmere::ErrorArgs::of({Value(text)})});
  if (answer.isList() && answer.length() == 2 && answer.item(1).isNumber() &&
      answer.item(2).isNumber()) {
    return {static_cast<long>(answer.item(1).integer()),
            static_cast<long>(answer.item(2).integer())};
  }
  return {kBaseColors[0], kBrightColors[kWhiteBits]};
}

Value CCLRTOCODE(const Value& color) {
  return colorCode(static_cast<long>(color.integer()));
}

const lanmere::ModuleTable& colorsModule() {
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&CCLRTOCODE>("CCLRTOCODE")}};
  return module;
}

}  // namespace kestrel
