// TBar: the button bar. A child control docked at one edge of its window (the window's `oBar`
// and `oTop` slots at the top, `oLeft`, `oRight` or `oBottom` elsewhere) or floating in a small
// tool window; it holds its bitmap buttons (TBtnBmp) in its own control list, lays them out in a
// row or a column with gaps before each group, and paints a classic 3-D face or a flat gradient.
// The context menu moves it to another free edge or floats it.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/core/tcontrol.h"
#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Argument errors of the bar, through the framework's error road.
inline constexpr long long kBarWindowSubCode = 5461;  // New: no window to dock on
inline constexpr long long kBarButtonSubCode = 5462;  // Add: not a button (no hWnd and Move)
inline constexpr long long kBarIniSubCode = 5463;     // SaveIni: a name or file it cannot write

class TBar : public TControl {
  LM_CLASS(TBar, TControl)

  // ---- Data members, in their documented order (bClrGrad and l97Look are inherited) ----
  Value nGroups = 0, nMode = 1, nBtnWidth = 28, nBtnHeight = 28;
  Value l3D = false, l2007 = false, l2010 = false;

  LM_ARGS(NewArgs, oWnd, nBtnWidth, nBtnHeight, l3D, cMode, oCursor, l2007, l2010)
  Value New(Args args);
  LM_ARGS(NewAtArgs, nRow, nCol, nWidth, nHeight, nBtnWidth, nBtnHeight, oWnd, l3D, cMode, oCursor)
  Value NewAt(Args args);

  // ---- Buttons ----
  Value Add(const Value& oBtn, const Value& nPos = {});
  Value AddGroup(const Value& nPos);
  Value DelGroup(const Value& nPos);
  Value Del(const Value& nPos);
  Value GetBtnLeft(const Value& lGroup = {}, const Value& nPos = {});
  Value GetBtnTop(const Value& lGroup = {});
  Value BtnAdjust();

  // ---- Docking ----
  Value Adjust();
  Value AdjTop() override;
  Value AdjBottom() override;
  Value AdjLeft() override;
  Value AdjRight() override;
  Value GoTop() override;
  Value GoLeft();
  Value GoRight();
  Value GoDown();
  Value Float();
  Value FloatClick(const Value& nRow, const Value& nCol, const Value& oFloatWnd = {});

  // ---- Events ----
  Value RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value Paint() override;
  Value Display() override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;

  // ---- Saving, texts and the end ----
  Value SaveIni(const Value& cName, const Value& cIniFile);
  Value cGenPRG();
  Value Destroy() override;

  // ---- C++ side ----
  // The 3-D layout rules: l3D without a flat look.
  bool threeD() const;
  bool flat() const { return l2007.logical() || l2010.logical(); }
  // The gradient description bClrGrad answers, or the look's own when it answers none.
  Value gradient(bool pressed);
  // The tool window while floating, else nil.
  const Value& floatWindow() const { return floatWnd_; }
  // Whether `mode`'s edge of the parent is free for this bar (held by nothing, or by it).
  bool edgeFree(int mode) const;
  bool ended() const { return ended_; }

 private:
  TWindow* owner() const;
  std::vector<Value> buttons() const;
  long long position(const Value& nPos, long long count) const;
  void setSlot(int mode, bool on);
  Value setGroup(const Value& nPos, bool on);
  Value dock(int mode);
  static Value dockItem(const Value& bar, const char* prompt, int edge);
  void dockMenu(const Value& oWndShow, const Value& nRow, const Value& nCol);
  void sizeToolWindow();
  void closeToolWindow(bool destroy);
  bool toolWindowClosing();
  void paintSeparators(HDC dc, const RECT& client);

  Value floatWnd_;
  int lastDock_ = 1;
  bool ended_ = false;
  bool closingTool_ = false;
};

lanmere::Value TBAR();

const lanmere::ModuleTable& tBarModule();

}  // namespace kestrel
