// Native font services: creation from the 14 logical-font values, the metrics of a font as the
// screen draws it, the width of a text, an underlined twin of a font, and the system font dialog.
#pragma once

#include <windows.h>

#include <string_view>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Positions (1-based) in the 14-element font list that CREATEFONT takes and CHOOSEFONT answers.
enum FontListItem : int {
  kFontHeight = 1,
  kFontWidth,
  kFontEscapement,
  kFontOrientation,
  kFontWeight,
  kFontItalic,
  kFontUnderline,
  kFontStrikeOut,
  kFontCharSet,
  kFontOutPrecision,
  kFontClipPrecision,
  kFontQuality,
  kFontPitchFamily,
  kFontFaceName,
};
inline constexpr int kFontListSize = kFontFaceName;
inline constexpr long kFontBoldWeight = 700;

// The logical font a 14-element list describes, and back.
LOGFONTA logFontFromList(const lanmere::Value& list);
lanmere::Value listFromLogFont(const LOGFONTA& font);

// CREATEFONT (aFont): a new font, recorded as "FONT".
lanmere::Value CREATEFONT(const lanmere::Value& list);
// GETFONTINFO (hFont): {character height, average width, bold (weight 700), face name} as the
// active window's device context (the screen's when none) draws it.
lanmere::Value GETFONTINFO(const lanmere::Value& font);
// The width in pixels of `text` drawn in `dc` (the screen's when null) with `font` selected (the
// context's own when null); the context is left as it was.
long textWidth(HDC dc, std::string_view text, HFONT font);
// GETTEXTWIDTH (hDC, cText, hFont)
lanmere::Value GETTEXTWIDTH(const lanmere::Value& hDC, const lanmere::Value& text,
                            const lanmere::Value& font);
// CREATEFONTUNDERLINE (hFont): the same font underlined, recorded as "FONT".
lanmere::Value CREATEFONTUNDERLINE(const lanmere::Value& font);
// CHOOSEFONT (aFont, nRGBColor by reference, hDC, nFlags): the font dialog; always answers a
// 14-element list.
lanmere::Value CHOOSEFONT(lanmere::Args args);
// The same, telling whether the user confirmed.
lanmere::Value chooseFont(lanmere::Args args, bool& confirmed);

// GETSYSFONT (): the face of the framework's dialog font, "Ms Sans Serif" on the NT family and
// Windows 95, "System" on the others.
lanmere::Value GETSYSFONT();

const lanmere::ModuleTable& fontApiModule();

}  // namespace kestrel
