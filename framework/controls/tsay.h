// TSay: the system static text. It shows a value its closure answers, formatted with a picture
// (TRANSFORM) or plainly converted (CVALTOCHAR), refreshed on demand, optionally widening
// itself to a longer text.
#pragma once

#include <string>

#include "framework/core/tcontrol.h"

namespace kestrel {

class TSay : public TControl {
  LM_CLASS(TSay, TControl)

  Value l3DFrame, cPicture, bGet, lWantClick, lAdjust;

  LM_ARGS(NewArgs, nRow, nCol, bText, oWnd, cPicture, oFont, lCentered, lRight, lBorder, lPixel,
          nClrText, nClrBack, nWidth, nHeight, lDesign, lUpdate, lShaded, lBox, lRaised, lAdjust,
          lTransparent)
  Value New(Args args) override;
  LM_ARGS(ReDefineArgs, nId, bText, oWnd, cPicture, nClrText, nClrBack, lUpdate, oFont,
          lTransparent, lAdjust)
  Value ReDefine(Args args);
  Value Initiate(const Value& hDlg) override;
  Value Default() override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;

  Value SetText(const Value& uValue) override;
  Value Refresh(const Value& lErase = {}) override;
  Value VarPut(const Value& uValue) override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value cToChar(const Value& cClassName = {}) override;
  Value cGenPrg() override;
  Value saveToRC(const Value& nIndent = {});

  // The text a value shows: under the picture when there is one, else plainly converted.
  std::string caption(const Value& value) const;

 private:
  void setColors(const Value& text, const Value& back);
};

// TSAY (): a new instance, to be sent New or ReDefine.
lanmere::Value TSAY();

const lanmere::ModuleTable& tSayModule();

}  // namespace kestrel
