// TRadio: one automatic radio button of a group (TRadMenu), at position nPos. A button made
// without a group gets an empty one of its own and stands alone: the system checks it when
// clicked and lIsChecked reads it, but no program value is bound to it.
#pragma once

#include "framework/core/tcontrol.h"

namespace kestrel {

class TRadMenu;

class TRadio : public TControl {
  LM_CLASS(TRadio, TControl)

  Value lChecked = false, oRadMenu, nPos = 1;

  LM_ARGS(NewArgs, nRow, nCol, cCaption, lGroup, lChecked, nPos, oWnd, oRadMenu, nHelpId, nClrText,
          nClrPane, cMsg, lUpdate, bWhen, nWidth, nHeight, bValid, lDesign, lPixel)
  Value New(Args args) override;
  LM_ARGS(ReDefineArgs, nId, lChecked, nPos, oWnd, oRadMenu, nHelpId, nClrText, nClrPane, cMsg,
          lUpdate, bWhen, bValid)
  Value ReDefine(Args args);
  Value Initiate(const Value& hDlg) override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;

  Value SetCheck(const Value& lOn);
  Value lIsChecked();
  Value Check();
  Value UnCheck();
  Value Default() override;
  Value Click() override;
  // The dialog refused the click before the button heard of it: the marks go back.
  Value ClickRefused();
  Value GotFocus(const Value& hWndLost = {}) override;
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value GetDlgCode(const Value& nKey = {}) override;
  Value Refresh(const Value& lErase = {}) override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value SetText(const Value& cText) override;
  Value LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value cToChar(const Value& cClassName = {}) override;
  // SaveToRC (nIndent): the resource script line.
  Value saveToRC(const Value& nIndent = {});
  Value Destroy() override;

  TRadMenu* group() const;

 private:
  void setColors(const Value& text, const Value& back);
  bool checked_ = false;   // the click being handled came through the dialog's command check
  bool focusing_ = false;  // the system's own click of a button getting the focus is no choice
};

// TRADIO (): a new instance, to be sent New or ReDefine.
lanmere::Value TRADIO();

const lanmere::ModuleTable& tRadioModule();

}  // namespace kestrel
