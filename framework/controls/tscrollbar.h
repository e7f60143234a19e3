// TScrollBar: a scroll bar, either a "SCROLLBAR" control of its own or the standard bar of its
// owner window's frame (`lIsChild`, no window of its own). It keeps the range and page step,
// moves the thumb a line or a page at a time and evaluates the caller's closures after each move.
#pragma once

#include "framework/core/tcontrol.h"

namespace kestrel {

class TScrollBar : public TControl {
  LM_CLASS(TScrollBar, TControl)

  Value lVertical, lReDraw, lIsChild, nMin, nMax, nPgStep;
  Value bGoUp, bGoDown, bGoTop, bGoBottom, bPageUp, bPageDown, bPos, bTrack;

  LM_ARGS(NewArgs, nRow, nCol, nMin, nMax, nPgStep, lVertical, oWnd, nWidth, nHeight, bUp, bDown,
          bPgUp, bPgDn, bPos, lPixel, nClrText, nClrBack, cMsg, lUpdate, bWhen, bValid, lDesign)
  Value New(Args args) override;
  LM_ARGS(WinNewArgs, nMin, nMax, nPgStep, lVertical, oWnd, bUp, bDown, bPgUp, bPgDn, bPos,
          nClrText, nClrBack, lUpdate, bWhen, bValid)
  Value WinNew(Args args);
  LM_ARGS(ReDefineArgs, nId, nMin, nMax, nPgStep, oWnd, bUp, bDown, bPgUp, bPgDn, bPos, nClrText,
          nClrBack, cMsg, lUpdate, bWhen, bValid)
  Value ReDefine(Args args);
  Value Initiate(const Value& hDlg) override;

  Value GetPos();
  Value GetRange();
  Value SetPos(const Value& nPos);
  Value SetRange(const Value& nMinNew, const Value& nMaxNew);
  Value GoUp();
  Value GoDown();
  Value GoTop();
  Value GoBottom();
  Value PageUp();
  Value PageDown();
  Value ThumbPos(const Value& nPos);
  Value ThumbTrack(const Value& nPos);
  Value SetPage(const Value& nSize, const Value& lRedraw = {});
  Value nOrientation();
  Value _nOrientation(const Value& nOrient);
  Value cToChar(const Value& cClassName = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  Value Destroy() override;

 private:
  // The window and selector the system's scroll calls take.
  Value barWindow() const;
  Value barSelector() const;
  Value moveTo(long long pos, const Value& closure);
};

// TSCROLLBAR (): a new instance, to be sent New, WinNew or ReDefine.
lanmere::Value TSCROLLBAR();

const lanmere::ModuleTable& tScrollBarModule();

}  // namespace kestrel
