// The portable build has no code pages: each byte is the character of the same number
// (Latin-1), so every text widens to one unit per byte.
#include "framework/core/dlgtemplate.h"

namespace kestrel {

std::u16string widen(std::string_view text, CodePage) {
  std::u16string wide;
  wide.reserve(text.size());
  for (char byte : text) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(byte)));
  return wide;
}

}  // namespace kestrel
