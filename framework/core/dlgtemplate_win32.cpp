// Widening with the system's code pages, as the dialog manager would read the texts.
#include <windows.h>

#include "framework/core/dlgtemplate.h"

namespace kestrel {

std::u16string widen(std::string_view text, CodePage page) {
  if (text.empty()) return {};
  const UINT codePage = page == CodePage::Oem ? CP_OEMCP : CP_ACP;
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), units);
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace kestrel
