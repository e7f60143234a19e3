#include "framework/controls/tfont.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "framework/controls/fontapi.h"
#include "framework/controls/gdiobj.h"
#include "framework/core/args.h"
#include "framework/core/messages.h"
#include "framework/core/persist.h"
#include "framework/core/tracked.h"
#include "runtime/builtins.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Ref;
using lanmere::Value;

namespace {

constexpr long long kDefaultHeight = 14;
constexpr long long kSmallestTahoma = 12;
constexpr long long kNormalWeight = 400;
constexpr long long kFullCircle = 3600;
constexpr long long kRightAngle = 900;
constexpr long long kPointsPerInch = 72;
constexpr double kWidthPerHeight = 0.44;
constexpr long long kQuarterParts = 4;

struct StockFont {
  const char* name;
  int object;
};
constexpr StockFont kStockFonts[] = {
    {"OEM_FIXED_FONT", OEM_FIXED_FONT},
    {"ANSI_FIXED_FONT", ANSI_FIXED_FONT},
    {"ANSI_VAR_FONT", ANSI_VAR_FONT},
    {"SYSTEM_FONT", SYSTEM_FONT},
    {"DEVICE_DEFAULT_FONT", DEVICE_DEFAULT_FONT},
    {"SYSTEM_FIXED_FONT", SYSTEM_FIXED_FONT},
};

std::vector<Ref<TFont>>& liveFonts() {
  static std::vector<Ref<TFont>> fonts;
  return fonts;
}

std::string numberText(const Value& v) {
  return v.isNil() ? std::string() : lanmere::allTrim(lanmere::str(v));
}

std::string flagText(const Value& v) {
  return v.logical() ? ".t." : ".f.";
}

// Appends a line to "resources.txt" through LOGFILE, when the log writer is registered.
void logResourceFailure(std::initializer_list<Value> values) {
  if (const lanmere::FunctionEntry* log = lanmere::findFunction("LOGFILE")) {
    Value args[] = {Value("resources.txt"), Value::list(values)};
    log->call(lanmere::Args(args));
  }
}

long long screenPixelsPerInch() {
  const HDC screen = GetDC(nullptr);
  const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi;
}

}  // namespace

LM_DEFINE_CLASS(TFont) {
  c.data(LM_FIELDS(cFaceName, hFont, hFontOld, lBold, lItalic, lUnderline, lStrikeOut, nInpHeight,
                   nInpWidth, nEscapement, nOrientation, nWeight, nCharSet, nOutPrecision,
                   nClipPrecision, nQuality, nPitchFamily, nCount, lDestroy, lNew));
  c.classData("aProperties",
              Value::list({"cFaceName", "lBold", "lItalic", "lUnderline", "lStrikeOut",
                           "nOrientation", "nWeight", "nCharSet", "nInpHeight", "nInpWidth"}));
  c.methods(LM_METHODS(New, End, Release, Activate, DeActivate, nSize, nHeight, nWidth, Bold,
                       Italic, Underline, StrikeOut, Escapement, Rotate, Modify, Choose, cGenPrg,
                       Save, Load, SaveToText));
  c.method<&TFont::Equals>("==");
  c.creatable();
}

const std::vector<Ref<TFont>>& TFont::fonts() {
  return liveFonts();
}

Value TFont::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const Value zero(0), no(false);
  std::string faceName = a.cFaceName.isNil() ? "SYSTEM_FONT" : a.cFaceName.string();
  Value inputHeight = orDefault(a.nHeight, Value(kDefaultHeight));
  if (nCount.isNil()) nCount = 0;
  if (lDestroy.isNil()) lDestroy = true;
  if (lanmere::upper(faceName) == "SYSTAHOMA") {
    if (inputHeight.number() < 0 && -inputHeight.number() < kSmallestTahoma) {
      inputHeight = -kSmallestTahoma;
    }
    faceName = "TAHOMA";
  }
  bool user = a.lFromUser.logical();
  Value chosen;
  if (user) {
    Value choose[] = {Value(), Value(0)};
    chosen = CHOOSEFONT(choose);
    user = !chosen.item(kFontFaceName).text().empty();
  }
  // Bold asks for a weight of at least 700; a heavier weight stays.
  Value boldWeight = orDefault(a.nWeight, zero);
  if (a.lBold.logical() && boldWeight.integer() < kFontBoldWeight) boldWeight = kFontBoldWeight;
  if (user) {
    auto item = [&](int n) { return chosen.item(static_cast<std::size_t>(n)); };
    cFaceName = item(kFontFaceName);
    nInpHeight = item(kFontHeight);
    nInpWidth = item(kFontWidth);
    nEscapement = item(kFontEscapement);
    nOrientation = item(kFontOrientation);
    nWeight = item(kFontWeight);
    lBold = nWeight.integer() != kNormalWeight;
    lItalic = item(kFontItalic);
    lUnderline = item(kFontUnderline);
    lStrikeOut = item(kFontStrikeOut);
    nCharSet = item(kFontCharSet);
    nOutPrecision = item(kFontOutPrecision);
    nClipPrecision = item(kFontClipPrecision);
    nQuality = item(kFontQuality);
    nPitchFamily = item(kFontPitchFamily);
  } else {
    cFaceName = faceName;
    nInpHeight = inputHeight;
    nInpWidth = orDefault(a.nWidth, zero);
    nEscapement = orDefault(a.nEscapement, zero);
    nOrientation = orDefault(a.nOrientation, zero);
    nWeight = boldWeight;
    lBold = orDefault(a.lBold, no);
    lItalic = orDefault(a.lItalic, no);
    lUnderline = orDefault(a.lUnderline, no);
    lStrikeOut = orDefault(a.lStrikeOut, no);
    nCharSet = orDefault(a.nCharSet, zero);
    nOutPrecision = orDefault(a.nOutPrecision, zero);
    nClipPrecision = orDefault(a.nClipPrecision, zero);
    nQuality = orDefault(a.nQuality, zero);
    nPitchFamily = orDefault(a.nPitchFamily, zero);
  }
  hFontOld = 0;
  if (a.oDevice.isObject()) {
    const double perPoint = tell(a.oDevice, msg::nLogPixelY).number() / kPointsPerInch;
    nInpHeight = Value(nInpHeight.number() * perPoint);
  }
  for (const Ref<TFont>& live : liveFonts()) {
    if (sameFont(*live)) {
      live->nCount = live->nCount.integer() + 1;
      live->lNew = false;
      return Value(live);
    }
  }
  const std::string upperFace = lanmere::upper(cFaceName.text());
  for (const StockFont& stock : kStockFonts) {
    if (upperFace != stock.name) continue;
    hFont = handleNumber(GetStockObject(stock.object));
    const Value info = GETFONTINFO(hFont);
    nInpHeight = info.item(1);
    nInpWidth = info.item(2);
    lBold = info.item(3);
    lDestroy = false;
    nCount = nCount.integer() + 1;
    lNew = true;
    return Value(Ref<TFont>(this));
  }
  hFont = CREATEFONT(fontList());
  lDestroy = true;
  nCount = nCount.integer() + 1;
  lNew = true;
  liveFonts().push_back(Ref<TFont>(this));
  return Value(Ref<TFont>(this));
}

Value TFont::fontList() const {
  return Value::list({nInpHeight, nInpWidth, nEscapement, nOrientation, nWeight, lItalic,
                      lUnderline, lStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality,
                      nPitchFamily, cFaceName});
}

bool TFont::sameFont(const TFont& o) const {
  const Value TFont::*const fields[] = {
      &TFont::nInpHeight, &TFont::nInpWidth,    &TFont::nEscapement,   &TFont::nOrientation,
      &TFont::nWeight,    &TFont::lItalic,      &TFont::lUnderline,    &TFont::lBold,
      &TFont::lStrikeOut, &TFont::nCharSet,     &TFont::nOutPrecision, &TFont::nClipPrecision,
      &TFont::nQuality,   &TFont::nPitchFamily, &TFont::cFaceName};
  return std::all_of(std::begin(fields), std::end(fields), [&](const Value TFont::*field) {
    return lanmere::exactlyEqual(this->*field, o.*field);
  });
}

void TFont::End() {
  if (!nCount.isNil()) nCount = nCount.integer() - 1;
  if (nCount.integer() >= 1 || lanmere::isEmpty(hFont) || !lDestroy.logical()) return;
  if (deleteObject(handleOf<HGDIOBJ>(hFont))) {
    auto& fonts = liveFonts();
    std::erase_if(fonts, [&](const Ref<TFont>& f) { return f.get() == this; });
    hFont = 0;
    nCount = 0;
  } else {
    logResourceFailure(
        {Value("DeleteObject( ::hFont ) failed from TFont:End()"), hFont, nCount, lDestroy});
  }
}

void MadeFontUse::release(const Value& font) {
  if (std::exchange(held_, false)) tell(font, msg::End);
}

void TFont::Activate(const Value& hDC) {
  hFontOld = handleNumber(SelectObject(handleOf<HDC>(hDC), handleOf<HGDIOBJ>(hFont)));
}

void TFont::DeActivate(const Value& hDC) {
  SelectObject(handleOf<HDC>(hDC), handleOf<HGDIOBJ>(hFontOld));
}

Value pointSize(const Value& height, long long pixelsPerInch) {
  if (pixelsPerInch <= 0) return 0;
  if (height.isInteger()) {
    const long long scaled = std::llabs(height.integer()) * kPointsPerInch;
    const long long whole = scaled / pixelsPerInch;
    const long long rest = scaled % pixelsPerInch;
    if (rest == 0 || rest * kQuarterParts == pixelsPerInch) return whole;
    return Value(static_cast<double>(scaled) / static_cast<double>(pixelsPerInch) + 0.25);
  }
  const double n = std::fabs(height.number()) * kPointsPerInch / static_cast<double>(pixelsPerInch);
  const double fraction = n - std::floor(n);
  if (fraction == 0 || fraction == 0.25) return Value(std::floor(n));
  return Value(n + 0.25);
}

Value TFont::nSize() {
  return pointSize(nInpHeight, screenPixelsPerInch());
}

Value TFont::nHeight(const Value& height) {
  if (!height.isNil()) {
    nInpHeight = height;
    return height;
  }
  return nInpHeight.isFloat() ? Value(std::fabs(nInpHeight.number()))
                              : Value(std::llabs(nInpHeight.integer()));
}

Value TFont::nWidth(const Value& width) {
  if (!width.isNil()) {
    nInpWidth = width;
    return width;
  }
  if (nInpWidth.number() != 0) return nInpWidth;
  return Value(nHeight().number() * kWidthPerHeight);
}

Value TFont::Modify(const Value& height, const Value& bold, const Value& italic,
                    const Value& underline, const Value& strikeOut, const Value& escapement) {
  auto values = NewArgs{.cFaceName = cFaceName,
                        .nWidth = 0,
                        .nHeight = orDefault(height, nInpHeight),
                        .lFromUser = false,
                        .lBold = orDefault(bold, lBold),
                        .nEscapement = orDefault(escapement, nEscapement),
                        .nOrientation = nOrientation,
                        .lItalic = orDefault(italic, lItalic),
                        .lUnderline = orDefault(underline, lUnderline),
                        .lStrikeOut = orDefault(strikeOut, lStrikeOut),
                        .nCharSet = nCharSet,
                        .nOutPrecision = nOutPrecision,
                        .nClipPrecision = nClipPrecision,
                        .nQuality = nQuality,
                        .nPitchFamily = nPitchFamily}
                    .list();
  return lanmere::make<TFont>()->New(Args(values));
}

Value TFont::Bold(const Value& on) {
  return Modify({}, orDefault(on, Value(true)), {}, {}, {}, {});
}
Value TFont::Italic(const Value& on) {
  return Modify({}, {}, orDefault(on, Value(true)), {}, {}, {});
}
Value TFont::Underline(const Value& on) {
  return Modify({}, {}, {}, orDefault(on, Value(true)), {}, {});
}
Value TFont::StrikeOut(const Value& on) {
  return Modify({}, {}, {}, {}, orDefault(on, Value(true)), {});
}

Value TFont::Escapement(const Value& angle) {
  const long long n = orDefault(angle, nEscapement).integer();
  return Modify({}, {}, {}, {}, {}, Value((n % kFullCircle + kFullCircle) % kFullCircle));
}

Value TFont::Rotate(const Value& angle) {
  long long sum = nEscapement.integer() + orDefault(angle, Value(kRightAngle)).integer();
  while (sum < 0) sum += kFullCircle;
  return Escapement(sum);
}

Value TFont::Choose(Value& color) {
  Value args[] = {fontList(), color};
  bool confirmed = false;
  const Value chosen = chooseFont(lanmere::Args(args, color.isNil() ? 1 : 2), confirmed);
  if (!color.isNil()) color = args[1];
  // A cancelled dialog answers this font's own values: nothing changes, nothing is given back.
  if (!confirmed || chosen.item(kFontFaceName).text().empty()) return Value(Ref<TFont>(this));
  End();
  auto item = [&](int n) { return chosen.item(static_cast<std::size_t>(n)); };
  auto values = NewArgs{.cFaceName = item(kFontFaceName),
                        .nHeight = item(kFontHeight),
                        .lFromUser = false,
                        .lBold = item(kFontWeight).integer() != kNormalWeight,
                        .nEscapement = item(kFontEscapement),
                        .nOrientation = item(kFontOrientation),
                        .nWeight = item(kFontWeight),
                        .lItalic = item(kFontItalic),
                        .lUnderline = item(kFontUnderline),
                        .lStrikeOut = item(kFontStrikeOut),
                        .nCharSet = item(kFontCharSet),
                        .nOutPrecision = item(kFontOutPrecision),
                        .nClipPrecision = item(kFontClipPrecision),
                        .nQuality = item(kFontQuality),
                        .nPitchFamily = item(kFontPitchFamily)}
                    .list();
  return lanmere::make<TFont>()->New(Args(values));
}

bool TFont::Equals(const Value& other) {
  if (!other.isObject() || other.object()->ClassName() != ClassName()) return false;
  return sameFont(static_cast<const TFont&>(*other.object()));
}

Value TFont::cGenPrg(const Value& name) {
  const std::string var = name.isNil() ? "oFont" : name.string();
  const std::string face = cFaceName.string();
  const bool defineForm = lanmere::isEmpty(nOrientation) && lanmere::isEmpty(lStrikeOut) &&
                          lanmere::isEmpty(nCharSet) && lanmere::isEmpty(nOutPrecision) &&
                          lanmere::isEmpty(nClipPrecision) && lanmere::isEmpty(nQuality);
  if (defineForm) {
    std::string out = "DEFINE FONT " + var + " NAME '" + face + "' " + " SIZE " +
                      numberText(nWidth()) + "," + numberText(nHeight());
    if (lBold.logical()) out += " BOLD";
    if (lItalic.logical()) out += " ITALIC";
    if (lUnderline.logical()) out += " UNDERLINE";
    if (!lanmere::isEmpty(nPitchFamily)) out += " PITCHFAMILY " + numberText(nPitchFamily);
    if (lBold.logical() && !lanmere::isEmpty(nWeight) && nWeight.integer() != kFontBoldWeight) {
      out += " WEIGHT " + numberText(nWeight);
    }
    if (!lanmere::isEmpty(nEscapement)) out += " ESCAPEMENT " + numberText(nEscapement);
    return out;
  }
  return var + " := TFont():New( " + "'" + face + "', " + numberText(nWidth()) + ", " +
         numberText(nHeight()) + ", .f., " + flagText(lBold) + ", " + numberText(nEscapement) +
         ", " + numberText(nOrientation) + ", " + numberText(nWeight) + ", " + flagText(lItalic) +
         ", " + flagText(lUnderline) + ", " + flagText(lStrikeOut) + ", " + numberText(nCharSet) +
         "," + numberText(nOutPrecision) + ", " + numberText(nClipPrecision) + ", " +
         numberText(nQuality) + ",, " + numberText(nPitchFamily) + " )";
}

Value TFont::Save() {
  return saveObject(Value(Ref<TFont>(this)));
}

void TFont::Load(const Value& data) {
  loadObject(Value(Ref<TFont>(this)), data.text());
}

Value TFont::SaveToText(const Value& indent) {
  return saveToText(Value(Ref<TFont>(this)), "oFont", indent.integer());
}

Value TFONT() {
  return Value(lanmere::make<TFont>());
}

const lanmere::ModuleTable& tFontModule() {
  TFont::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TFONT>("TFONT")}};
  return module;
}

}  // namespace kestrel
