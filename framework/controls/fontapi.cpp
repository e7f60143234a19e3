#include "framework/controls/fontapi.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "framework/core/themes.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "runtime/binding.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::arg;
using lanmere::Value;

namespace {

constexpr std::size_t kEffectsArguments = 2;

BYTE byteOf(const Value& v) {
  return static_cast<BYTE>(v.isLogical() ? v.logical() : v.integer());
}

std::string faceName(HDC dc) {
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, LF_FACESIZE, face);
  return face;
}

// Centres the dialog on its parent (the screen when it has none).
UINT_PTR CALLBACK fontDialogHook(HWND dialog, UINT message, WPARAM, LPARAM) {
  return lanmere::guardCallback<UINT_PTR>(FALSE, [&]() -> UINT_PTR {
    if (message != WM_INITDIALOG) return FALSE;
    RECT box{}, area{};
    GetWindowRect(dialog, &box);
    const HWND parent = GetParent(dialog);
    if (parent == nullptr || !GetWindowRect(parent, &area)) {
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int x = area.left + ((area.right - area.left) - (box.right - box.left)) / 2;
    const int y = area.top + ((area.bottom - area.top) - (box.bottom - box.top)) / 2;
    SetWindowPos(dialog, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
  });
}

}  // namespace

LOGFONTA logFontFromList(const Value& list) {
  LOGFONTA font{};
  auto item = [&](int n) -> const Value& { return list.item(static_cast<std::size_t>(n)); };
  font.lfHeight = static_cast<LONG>(item(kFontHeight).integer());
  font.lfWidth = static_cast<LONG>(item(kFontWidth).integer());
  font.lfEscapement = static_cast<LONG>(item(kFontEscapement).integer());
  font.lfOrientation = static_cast<LONG>(item(kFontOrientation).integer());
  font.lfWeight = static_cast<LONG>(item(kFontWeight).integer());
  font.lfItalic = byteOf(item(kFontItalic));
  font.lfUnderline = byteOf(item(kFontUnderline));
  font.lfStrikeOut = byteOf(item(kFontStrikeOut));
  font.lfCharSet = byteOf(item(kFontCharSet));
  font.lfOutPrecision = byteOf(item(kFontOutPrecision));
  font.lfClipPrecision = byteOf(item(kFontClipPrecision));
  font.lfQuality = byteOf(item(kFontQuality));
  font.lfPitchAndFamily = byteOf(item(kFontPitchFamily));
  const std::string_view face = item(kFontFaceName).text();
  std::memcpy(font.lfFaceName, face.data(),
              face.size() < LF_FACESIZE ? face.size() : LF_FACESIZE - 1);
  return font;
}

Value listFromLogFont(const LOGFONTA& font) {
  return Value::list(
      {static_cast<long long>(font.lfHeight), static_cast<long long>(font.lfWidth),
       static_cast<long long>(font.lfEscapement), static_cast<long long>(font.lfOrientation),
       static_cast<long long>(font.lfWeight), font.lfItalic != 0, font.lfUnderline != 0,
       font.lfStrikeOut != 0, static_cast<long long>(font.lfCharSet),
       static_cast<long long>(font.lfOutPrecision), static_cast<long long>(font.lfClipPrecision),
       static_cast<long long>(font.lfQuality), static_cast<long long>(font.lfPitchAndFamily),
       font.lfFaceName});
}

Value CREATEFONT(const Value& list) {
  const LOGFONTA font = logFontFromList(list);
  return handleNumber(
      trackedCreate("CREATEFONT", "FONT", [&] { return CreateFontIndirectA(&font); }));
}

Value GETFONTINFO(const Value& font) {
  const HWND window = GetActiveWindow();
  const HDC dc = GetDC(window);
  const HGDIOBJ old = SelectObject(dc, handleOf<HFONT>(font));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const std::string face = faceName(dc);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return Value::list({static_cast<long long>(metrics.tmHeight),
                      static_cast<long long>(metrics.tmAveCharWidth),
                      metrics.tmWeight == kFontBoldWeight, face});
}

long textWidth(HDC dc, std::string_view text, HFONT font) {
  const HDC target = dc ? dc : GetDC(nullptr);
  const HGDIOBJ old = font ? SelectObject(target, font) : nullptr;
  SIZE size{};
  GetTextExtentPoint32A(target, text.data(), static_cast<int>(text.size()), &size);
  if (old) SelectObject(target, old);
  if (!dc) ReleaseDC(nullptr, target);
  return size.cx;
}

Value GETTEXTWIDTH(const Value& hDC, const Value& text, const Value& font) {
  const std::string_view bytes = text.isText() ? text.text() : std::string_view();
  return static_cast<long long>(textWidth(handleOf<HDC>(hDC), bytes, handleOf<HFONT>(font)));
}

Value CREATEFONTUNDERLINE(const Value& font) {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, handleOf<HFONT>(font));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const std::string face = faceName(dc);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  LOGFONTA underlined{};
  underlined.lfHeight = metrics.tmHeight;
  underlined.lfWidth = metrics.tmAveCharWidth;
  underlined.lfWeight = metrics.tmWeight;
  underlined.lfItalic = metrics.tmItalic;
  underlined.lfUnderline = TRUE;
  underlined.lfStrikeOut = metrics.tmStruckOut;
  underlined.lfCharSet = metrics.tmCharSet;
  std::memcpy(underlined.lfFaceName, face.data(), face.size());
  return handleNumber(trackedCreate("CREATEFONTUNDERLINE", "FONT",
                                    [&] { return CreateFontIndirectA(&underlined); }));
}

Value chooseFont(lanmere::Args args, bool& confirmed) {
  const Value& initial = arg(args, 1);
  const bool withFont = initial.isList();
  LOGFONTA font = withFont ? logFontFromList(initial) : LOGFONTA{};
  CHOOSEFONTA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpLogFont = &font;
  dialog.rgbColors = static_cast<COLORREF>(arg(args, 2).integer());
  dialog.lpfnHook = fontDialogHook;
  dialog.Flags = CF_SCREENFONTS | CF_ENABLEHOOK;
  if (args.size() >= kEffectsArguments) dialog.Flags |= CF_EFFECTS;
  if (withFont) dialog.Flags |= CF_INITTOLOGFONTSTRUCT;
  if (!arg(args, 3).isNil()) {
    dialog.hDC = handleOf<HDC>(arg(args, 3));
    dialog.Flags |= CF_PRINTERFONTS;
  }
  if (!arg(args, 4).isNil()) dialog.Flags = static_cast<DWORD>(arg(args, 4).integer());
  confirmed = callSystem<"comdlg32.dll", "ChooseFontA", decltype(::ChooseFontA)>(&dialog) != FALSE;
  lanmere::raiseParked();
  if (confirmed && args.size() == kEffectsArguments) {
    args[1] = static_cast<long long>(dialog.rgbColors);
  }
  if (confirmed || withFont) return listFromLogFont(font);
  Value empty = Value::list();
  for (int i = 1; i < kFontListSize; ++i) empty.listData()->items.push_back(0);
  empty.listData()->items.push_back("");
  return empty;
}

Value CHOOSEFONT(lanmere::Args args) {
  bool confirmed = false;
  return chooseFont(args, confirmed);
}

Value GETSYSFONT() {
  return Value(isNtFamily() || isWindows95() ? "Ms Sans Serif" : "System");
}

const lanmere::ModuleTable& fontApiModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&CREATEFONT>("CREATEFONT"), fn<&GETFONTINFO>("GETFONTINFO"),
       fn<&GETTEXTWIDTH>("GETTEXTWIDTH"), fn<&CREATEFONTUNDERLINE>("CREATEFONTUNDERLINE"),
       fn<&CHOOSEFONT>("CHOOSEFONT"), fn<&GETSYSFONT>("GETSYSFONT")}};
  return module;
}

}  // namespace kestrel
