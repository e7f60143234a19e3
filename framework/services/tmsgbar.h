// The message bar: a strip at the bottom of a window with a one-line message on the left and a
// row of panes (TMsgItem) on the right, refreshed by one 400 ms timer. Classic 3-D look or one
// of two flat looks (`l2007` blue, `l2010` grey), each with its own background bitmap.
//
// The module also records the program's start (INITTIME$) for TIMEFROMSTART.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/core/tcontrol.h"
#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

class TMsgBar : public TControl {
  LM_CLASS(TMsgBar, TControl)

  // ---- Data members, in their documented order (`nHeight` is the control's height, which the
  // bar keeps at its own height) ----
  Value cMsgDef;
  Value lCentered = false, lInset = true;
  Value oTimer, aItems, nItem = 0;
  Value oKeyNum, oKeyCaps, oKeyIns, oClock, oDate;
  Value nSizeItem;
  Value lCheckRes = false;
  Value lInfoRes = true, l2007 = false, l2010 = false;
  Value lPainting = false;
  Value lPaint3L = true;

  LM_ARGS(NewArgs, oWnd, cMsg, lCentered, lClock, lDate, lKbd, nClrFore, nClrBack, oFont, lInset,
          l2007, l2010)
  Value New(Args args);
  Value AddItem(const Value& oItem);
  Value InsItem(const Value& oItem, const Value& nAt);
  Value DelItem(const Value& oItem);
  Value SetItems(const Value& aTexts);
  Value GetItems();
  Value ClockOn();
  Value ClockOff();
  Value DateOn();
  Value DateOff();
  Value KeybOn();
  Value KeybOff();
  Value SetMsg(const Value& cText, const Value& lDefault = {}) override;
  Value SetText(const Value& cText) override;
  Value Adjust();
  Value Height();
  Value Default() override;
  Value Paint() override;
  Value PaintBar(const Value& nLeftAt = {}, const Value& nWidthOf = {});
  Value Display() override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value Destroy() override;
  Value CheckTimer();
  Value TimerEval();
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value LDblClick(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value ShowToolTip(const Value& nRow = {}, const Value& nCol = {},
                    const Value& uToolTip = {}) override;
  Value ShowMsgBar();
  // The design menu at the bar's client point: the default message, the date, clock and keyboard
  // panes, and the bar's source.
  Value FastEdit(const Value& nRow = {}, const Value& nCol = {}) override;
  Value cGenPrg() override;

  // ---- C++ side ----
  bool flat() const { return l2007.logical() || l2010.logical(); }
  int barHeight() const { return barHeight_; }
  int clientWidth() const;
  // The bar's context while it paints as a whole, else null.
  HDC paintingDC() const { return paintDC_; }
  // Repaints the flat background from `left`, `width` wide (nothing while the bar paints).
  void paintBackground(HDC dc, int left, int width);
  // A pane's left edge: packed from the right edge, the last pane rightmost.
  long long paneLeft(const lanmere::Object& pane);
  // The title the resource information writes.
  static std::string resourceTitle();

 private:
  Value makeKeyPane(const char* text, int key);
  void showAsWindowText(const lanmere::Value& message);
  Value& keySlot(int key);
  Value makeTimedPane(const Value& text, const Value& refresh, const Value& action);
  void removePane(Value& slot);
  void paintWhole(HDC dc);
  void drawClassicMessage(HDC dc, bool frame);
  long long itemsLeft();

  int barHeight_ = 0;
  HDC paintDC_ = nullptr;
};

// SETMSGBARDEFAULT (oBar): the previous default bar. GETMSGBARDEFAULT (): the default bar.
lanmere::Value SETMSGBARDEFAULT(const lanmere::Value& oBar);
lanmere::Value GETMSGBARDEFAULT();
lanmere::Value TMSGBAR();

// {date, seconds since midnight} as INITTIME$ stored it; nil before.
lanmere::Value programStartTime();

lanmere::Value TIMEFROMSTART();

// The flat background bitmap of that style while one exists (0 after its bar went).
HBITMAP flatBarBitmap(bool style2007);

const lanmere::ModuleTable& msgBarModule();

}  // namespace kestrel
