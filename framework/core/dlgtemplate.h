// In-memory dialog templates: the writer of the standard template the framework builds for its
// code-built dialogs (CDLG2CHR, CCTRL2CHR), and a reader that walks a whole template, standard or
// extended, with every read bounds-checked, so that no template reaches the dialog manager
// unless its declared items are all there.
//
// Plain C++ on byte strings, built and tested in both builds; the one platform piece is the
// widening of a text to UTF-16 (dlgtemplate_win32.cpp with the system's code pages,
// dlgtemplate_posix.cpp as Latin-1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The style bit that says a font entry follows the title (DS_SETFONT).
inline constexpr std::uint32_t kDialogSetFont = 0x40;
// The argument errors of the writer: a value that does not fit its 16-bit field.
inline constexpr long long kDialogHeaderSubCode = 6110;
inline constexpr long long kDialogItemSubCode = 6111;

enum class CodePage { Oem, Ansi };
// The text widened to UTF-16 with the code page (platform file).
std::u16string widen(std::string_view text, CodePage page);

// ---- Writer ----

// Each coordinate is a signed 16-bit dialog unit; the writer's callers range-check (the
// functions by name raise the argument error).
struct DialogHeader {
  std::uint32_t style = 0;
  std::uint16_t items = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;                     // OEM code page
  std::optional<std::uint16_t> pointSize;  // with faceName: the font entry
  std::string faceName;                    // OEM code page
};
struct DialogItem {
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint16_t id = 0;
  std::string className;  // OEM code page
  std::string caption;    // ANSI code page
};
// The bytes, padded with zeros to a multiple of 4. A text ends at its first zero byte.
std::string writeDialogHeader(const DialogHeader& header);
std::string writeDialogItem(const DialogItem& item);

// CDLG2CHR (nItems, nTop, nLeft, nBottom, nRight, cCaption, nStyle, nPointSize, cFaceName)
lanmere::Value CDLG2CHR(const lanmere::Value& nItems, const lanmere::Value& nTop,
                        const lanmere::Value& nLeft, const lanmere::Value& nBottom,
                        const lanmere::Value& nRight, const lanmere::Value& cCaption,
                        const lanmere::Value& nStyle, const lanmere::Value& nPointSize,
                        const lanmere::Value& cFaceName);
// CCTRL2CHR (nTop, nLeft, nBottom, nRight, nId, nStyle, cClassName, cCaption)
lanmere::Value CCTRL2CHR(const lanmere::Value& nTop, const lanmere::Value& nLeft,
                         const lanmere::Value& nBottom, const lanmere::Value& nRight,
                         const lanmere::Value& nId, const lanmere::Value& nStyle,
                         const lanmere::Value& cClassName, const lanmere::Value& cCaption);

// ---- Reader ----

// A menu, class or title field: none (0x0000), an ordinal (0xFFFF, number), or a string.
struct TemplateName {
  bool ordinal = false;
  std::uint16_t number = 0;
  std::u16string text;

  bool operator==(const TemplateName&) const = default;
};
struct TemplateFont {
  std::uint16_t pointSize = 0;
  std::uint16_t weight = 0;  // extended form only
  std::uint8_t italic = 0;   // extended form only
  std::uint8_t charset = 0;  // extended form only
  std::u16string face;
};
struct TemplateItem {
  std::uint32_t helpId = 0;  // extended form only
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t id = 0;  // 16 bits in the standard form
  TemplateName windowClass;
  TemplateName title;
  std::string creationData;
};
struct ParsedTemplate {
  bool extended = false;
  std::uint32_t helpId = 0;  // extended form only
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  std::uint16_t count = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  TemplateName menu;
  TemplateName windowClass;
  TemplateName title;
  std::optional<TemplateFont> font;
  std::vector<TemplateItem> items;
  std::size_t size = 0;  // bytes up to the end of the last item
};
struct TemplateRefusal {
  std::size_t offset = 0;
  std::string reason;
};
using TemplateReading = std::variant<ParsedTemplate, TemplateRefusal>;

// Parses the header and exactly the declared number of items; anything after them is ignored.
TemplateReading readDialogTemplate(std::string_view bytes);

// CDLG2CHR and CCTRL2CHR.
const lanmere::ModuleTable& dlgTemplateModule();

}  // namespace kestrel
