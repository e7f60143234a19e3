// TMsgItem: one pane of a message bar, packed from the bar's right edge. A pane shows a text
// (refreshed from `bMsg` by the bar's timer when `lTimer` is set), optionally a bitmap, and runs
// `bAction` (nRow, nCol) on a click. It holds one use of its font and its own bitmaps; End gives
// them back.
#pragma once

#include <windows.h>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TMsgBar;

class TMsgItem : public lanmere::Object {
  LM_CLASS(TMsgItem, lanmere::Object)
  using Value = lanmere::Value;

  ~TMsgItem() override;

  // ---- Data members, in their documented order ----
  Value oMsgBar, cMsg, nWidth, nClrText, nClrPane, nClrDisabled;
  Value bMsg, bAction, oFont;
  Value lActive = true, lTimer = false, lWasActive = true;
  Value hBitmap1, hPalette1, hBitmap2, hPalette2;
  Value cToolTip, hBack, bRClicked, OnClick;

  LM_ARGS(NewArgs, oMsgBar, cMsg, nWidth, oFont, nClrFore, nClrBack, lAdd, bAction, cBmp1, cBmp2,
          cToolTip)
  Value New(lanmere::Args args);
  Value Refresh();
  Value Paint();
  Value SetText(const Value& text);
  Value SetFont(const Value& font);
  Value Click(const Value& nRow, const Value& nCol);
  Value RClick(const Value& nRow, const Value& nCol);
  Value IsOver(const Value& nRow, const Value& nCol);
  Value nLeft();
  Value End();
  // The record of the pane (text, width, click event), compared with a pane made without New.
  Value Save();
  Value Load(const Value& cData);

  // C++ side: paints on the bar's context `dc`.
  void paintOn(HDC dc);
  TMsgBar* bar() const;
  long long width() const { return nWidth.integer(); }
  // Items alive (a leak check for tests).
  static long liveCount() noexcept;

  TMsgItem();

 private:
  std::string lastPainted_;
  bool painted_ = false;
};

lanmere::Value TMSGITEM();

const lanmere::ModuleTable& msgItemModule();

}  // namespace kestrel
