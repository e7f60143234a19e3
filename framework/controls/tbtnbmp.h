// TBtnBmp: a flat bitmap button over the system "BUTTON", drawn by its owner: a bitmap (from a
// file or else a resource) or a caption, sunken while pressed. Clicking it runs `bAction` with
// the button. As a cancel control (`lCancel`) it takes the focus without validating the control
// left behind. The button bar positions it (`Move`), groups it (`lGroup`) and hangs a drop-down
// menu on it (`oPopup`).
#pragma once

#include "framework/core/tcontrol.h"

namespace kestrel {

class TBtnBmp : public TControl {
  LM_CLASS(TBtnBmp, TControl)

  // hPalette1 stays 0: the button's bitmaps have no palette (a cursor made from it asks).
  Value hBitmap1 = 0, hPalette1 = 0, cBmpName, bAction, lGroup = false, oPopup, lPressed = false,
        lProcessing = false;

  // New takes pixels; a bitmap name is a file when one exists, else a resource.
  LM_ARGS(NewArgs, nTop, nLeft, nWidth, nHeight, cBmpName, cCaption, oWnd, bAction, lCancel,
          lTransparent, lGroup, oPopup)
  Value New(Args args) override;
  Value Click() override;
  Value DrawItem(const Value& nIdCtl, const Value& pItemStruct) override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value Refresh(const Value& lErase = {}) override;
  Value cGenPrg() override;
  Value Destroy() override;
};

// TBTNBMP (): a new instance, to be sent New.
lanmere::Value TBTNBMP();

const lanmere::ModuleTable& tBtnBmpModule();

}  // namespace kestrel
