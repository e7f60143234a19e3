// TButton: the system push button. It runs its action when clicked (never re-entered while the
// action runs), wears the default-push look while it has the focus, and writes its own source
// text and resource line.
#pragma once

#include "framework/core/tcontrol.h"

namespace kestrel {

class TButton : public TControl {
  LM_CLASS(TButton, TControl)

  Value bAction, lDefault, lProcessing;

  LM_ARGS(NewArgs, nRow, nCol, cCaption, oWnd, bAction, nWidth, nHeight, nHelpId, oFont, lDefault,
          lPixel, lDesign, cMsg, lUpdate, bWhen, bValid, lCancel)
  Value New(Args args) override;
  LM_ARGS(ReDefineArgs, nId, bAction, oWnd, nHelpId, cMsg, lUpdate, bWhen, bValid, cPrompt, lCancel)
  Value ReDefine(Args args);
  Value Initiate(const Value& hDlg) override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;

  Value Click() override;
  Value GotFocus(const Value& hWndLost = {}) override;
  Value LostFocus(const Value& hWndNew = {}) override;
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value GetDlgCode(const Value& nKey = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value Colors(const Value& hDCCtl) override;
  Value cToChar(const Value& cClassName = {}) override;

  // cGenPRG (lDlgUnits = false): the source line that builds this button again.
  Value cGenPRG(const Value& lDlgUnits = {});
  Value cGenPrg() override { return cGenPRG(); }
  // SaveToRC (nIndent): the resource script line.
  Value saveToRC(const Value& nIndent = {});

 private:
  void setLook(bool defaultPush);
  bool checked_ = false;  // the click being handled came through the dialog's command check
};

// TBUTTON (): a new instance, to be sent New or ReDefine.
lanmere::Value TBUTTON();

const lanmere::ModuleTable& tButtonModule();

}  // namespace kestrel
