// TFont: a system font shared by use count. Equal requests share one live font (the process-wide
// font list); every holder gives its use back with End, and the last End deletes the font.
#pragma once

#include <vector>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TFont : public lanmere::Object {
  LM_CLASS(TFont, lanmere::Object)

  lanmere::Value cFaceName;
  lanmere::Value hFont;
  lanmere::Value hFontOld;
  lanmere::Value lBold;
  lanmere::Value lItalic;
  lanmere::Value lUnderline;
  lanmere::Value lStrikeOut;
  lanmere::Value nInpHeight;
  lanmere::Value nInpWidth;
  lanmere::Value nEscapement;
  lanmere::Value nOrientation;
  lanmere::Value nWeight;
  lanmere::Value nCharSet;
  lanmere::Value nOutPrecision;
  lanmere::Value nClipPrecision;
  lanmere::Value nQuality;
  lanmere::Value nPitchFamily;
  lanmere::Value nCount;
  lanmere::Value lDestroy;
  lanmere::Value lNew;

  // New answers this object or an equal live font, which then counts one more use.
  LM_ARGS(NewArgs, cFaceName, nWidth, nHeight, lFromUser, lBold, nEscapement, nOrientation, nWeight,
          lItalic, lUnderline, lStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality,
          oDevice, nPitchFamily)
  lanmere::Value New(lanmere::Args args);
  void End();
  void Release() { End(); }
  void Activate(const lanmere::Value& hDC);
  void DeActivate(const lanmere::Value& hDC);
  lanmere::Value nSize();
  lanmere::Value nHeight(const lanmere::Value& height = {});
  lanmere::Value nWidth(const lanmere::Value& width = {});
  lanmere::Value Bold(const lanmere::Value& on = {});
  lanmere::Value Italic(const lanmere::Value& on = {});
  lanmere::Value Underline(const lanmere::Value& on = {});
  lanmere::Value StrikeOut(const lanmere::Value& on = {});
  lanmere::Value Escapement(const lanmere::Value& angle = {});
  lanmere::Value Rotate(const lanmere::Value& angle = {});
  lanmere::Value Modify(const lanmere::Value& height, const lanmere::Value& bold,
                        const lanmere::Value& italic, const lanmere::Value& underline,
                        const lanmere::Value& strikeOut, const lanmere::Value& escapement);
  lanmere::Value Choose(lanmere::Value& color);
  bool Equals(const lanmere::Value& other);
  lanmere::Value cGenPrg(const lanmere::Value& name = {});
  lanmere::Value Save();
  void Load(const lanmere::Value& data);
  lanmere::Value SaveToText(const lanmere::Value& indent = {});

  // The 14 values CREATEFONT takes, from the members.
  lanmere::Value fontList() const;
  // The live fonts New created, oldest first.
  static const std::vector<lanmere::Ref<TFont>>& fonts();

 private:
  bool sameFont(const TFont& other) const;
};

// The use a control holds of a font it made for itself, given back once its window has taken a
// use of its own (or when the control goes without ever having a window).
class MadeFontUse {
 public:
  void hold(const lanmere::Value& font) { held_ = font.isObject(); }
  void release(const lanmere::Value& font);

 private:
  bool held_ = false;
};

// The point size of a cell height (its absolute value) at `pixelsPerInch`: whole sizes as they
// are, a fraction of exactly a quarter down to the whole, any other fraction up by a quarter.
lanmere::Value pointSize(const lanmere::Value& height, long long pixelsPerInch);

// TFONT(): a new instance, to be sent New.
lanmere::Value TFONT();

const lanmere::ModuleTable& tFontModule();

}  // namespace kestrel
