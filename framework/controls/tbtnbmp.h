// TBtnBmp: a flat bitmap button over the system "BUTTON", drawn by its owner: a bitmap (from a
// file or else a resource) or a caption, sunken while pressed. Clicking it runs `bAction` with
// the button. As a cancel control (`lCancel`) it takes the focus without validating the control
// left behind.
//
// On a button bar (made by NewBar) it takes the bar's button size, shows a second image while
// down, the bar's pressed gradient (flat bars) or a raised edge (classic bars) while the mouse is
// over it, its message in the window's message bar and its tool tip; with a drop-down menu
// (`oPopup`) its right 13 pixels hold an arrow that opens the menu. The bar is reached by
// message only (the bar lives above the controls).
#pragma once

#include "framework/core/tcontrol.h"

namespace kestrel {

class TBtnBmp : public TControl {
  LM_CLASS(TBtnBmp, TControl)

  // hPalette1 stays 0: the button's bitmaps have no palette (a cursor made from it asks).
  Value hBitmap1 = 0, hPalette1 = 0, cBmpName, bAction, lGroup = false, oPopup, lPressed = false,
        lProcessing = false;
  // The bar button's: its images by resource and by file (a file is used when it exists), its
  // action as source text, whether the image is stretched to the face, and the image shown down.
  Value cResName1, cResName2, cBmpFile1, cBmpFile2, cAction, lAdjust = false, hBitmap2 = 0;

  // New takes pixels; a bitmap name is a file when one exists, else a resource.
  LM_ARGS(NewArgs, nTop, nLeft, nWidth, nHeight, cBmpName, cCaption, oWnd, bAction, lCancel,
          lTransparent, lGroup, oPopup)
  Value New(Args args) override;
  // A button of a bar, in the order of the bar's INI record; it goes in through the bar's Add.
  LM_ARGS(NewBarArgs, oBar, cResName1, cResName2, cBmpFile1, cBmpFile2, cMsg, bAction, lGroup,
          lAdjust, cToolTip, lPressed, cAction, nPos, oPopup, bWhen, cCaption)
  Value NewBar(Args args);
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  Value LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value Click() override;
  Value DrawItem(const Value& nIdCtl, const Value& pItemStruct) override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value Refresh(const Value& lErase = {}) override;
  Value cGenPrg() override;
  Value Destroy() override;

  // The mouse is over the button (the hot look); the menu of the arrow is open.
  bool hot() const { return hot_; }
  bool dropped() const { return dropped_; }

 private:
  bool onBar() const { return barButton_; }
  void leave();

  bool barButton_ = false;
  bool hot_ = false;
  bool dropped_ = false;
};

// TBTNBMP (): a new instance, to be sent New.
lanmere::Value TBTNBMP();

const lanmere::ModuleTable& tBtnBmpModule();

}  // namespace kestrel
