// TControl: the base of every control. A control is a child window of a dialog or window
// (`oWnd`), known there by `nId`, either defined for a dialog built in memory (it writes its
// own template item), redefined from an item of a dialog resource and bound to that window when
// the dialog initialises, or created by a subclass with its own window. Its window is
// subclassed, so the object sees every message first; the control takes part in the framework's
// focus, validation, colouring, mnemonic, drag-and-drop and design-mode protocols.
//
// A control whose binding failed keeps `hWnd` 0 and is inert: no method makes a system call with
// a null window (SetFocus(0) would take the focus from every window of the thread, and a post to
// window 0 becomes a thread message for whatever loop runs).
#pragma once

#include <windows.h>

#include <functional>

#include "framework/core/twindow.h"
#include "runtime/binding.h"
#include "runtime/functions.h"

namespace kestrel {

class TControl : public TWindow {
  LM_CLASS(TControl, TWindow)

  TControl();
  ~TControl() override;

  // ---- Data members, in their documented order ----
  Value bSetGet, bChange, bDragBegin;
  Value lCaptured = false, lDrag = false, lMouseDown = false, lUpdate = false;
  Value l3DLook = false;
  Value nLastRow = 0, nLastCol = 0;
  Value nMResize = 0;
  Value nDlgCode;
  Value oJump;
  Value l97Look = false;
  Value bSysKeyDown, bPreDelControl, bPostDelControl, bDrag, bPostDrag, bPreDrag;
  Value nClientBevel = 0;
  Value lTransparent = false;

  // ---- Creation and binding ----
  virtual Value Redefine(const Value& nIdNew, const Value& oWndNew);
  virtual Value Initiate(const Value& hDlg);
  virtual Value cToChar(const Value& cClassName = {});
  // The height in pixels the dialog manager made the control from its item in the dialog's
  // template (cToChar's), before any fitting; 0 for a control whose definition gives no edges
  // (one bound to a resource's item).
  long long templateHeight(HWND dialog) const;
  Value GetNewId();
  virtual Value Default();
  virtual Value Init();

  // ---- Messages of the control (the framework's click, change and colours, and the system's) ----
  virtual Value Click();
  virtual Value Change();
  virtual Value Colors(const Value& hDCCtl);
  Value Display() override;
  Value Paint() override;
  Value HelpTopic(const Value& nWParam = {}, const Value& nLParam = {}) override;
  virtual Value KeyUp(const Value& nKey = {}, const Value& nFlags = {});
  // A radio button or check box has its parent repaint its background behind it.
  virtual Value UpdateUIState(const Value& nWParam = {}, const Value& nLParam = {});

  // ---- Focus, keys and validation ----
  Value GotFocus(const Value& hWndLost = {}) override;
  Value LostFocus(const Value& hWndNew = {}) override;
  Value KillFocus(const Value& hWndNew = {}) override;
  virtual Value KSLostFocus(const Value& hWndNew = {});
  virtual Value ForWhen();
  Value SetFocus() override;
  virtual Value ChangeFocus();
  Value GetDlgCode(const Value& nKey = {}) override;
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value KeyChar(const Value& nKey, const Value& nFlags = {}) override;
  Value SysCommand(const Value& nCmd, const Value& nKey = {}, const Value& nHigh = {}) override;
  virtual Value SysChar(const Value& nKey, const Value& nFlags = {});
  virtual Value SysKeyDown(const Value& nKey, const Value& nFlags = {});

  // ---- Mouse and drag-and-drop ----
  Value LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value LDblClick(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  virtual Value DragBegin(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  // The mouse capture went elsewhere: a drag or a design-mode move ends.
  virtual Value CaptureChanged(const Value& hWndNew = {});

  // ---- Colours ----
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value PaintBack(const Value& hDCBack) override;

  // ---- Removal, value and geometry ----
  Value End() override;
  Value Destroy() override;
  Value Move(const Value& top, const Value& left, const Value& width, const Value& height,
             const Value& lRepaint = {}) override;
  // Without a window these do nothing: a post to window 0 is a thread message for whatever loop
  // runs, and invalidating window 0 repaints every window.
  Value PostMsg(const Value& nMsg, const Value& nWParam = {}, const Value& nLParam = {});
  Value Refresh(const Value& lErase = {}) override;
  virtual Value VarGet();
  virtual Value VarPut(const Value& uValue);
  Value l3D();
  virtual Value Set3DLook(const Value& lOn = {});
  // nTop, nLeft (and their assignments) read and move the window; the data members of the
  // same names keep the last coordinates read.
  Value topOfWindow(const Value& top = {});
  Value setTop(const Value& top);
  Value leftOfWindow(const Value& left = {});
  Value setLeft(const Value& left);
  Value nWidth(const Value& width = {});
  Value _nWidth(const Value& width);
  Value nHeight(const Value& height = {});
  Value _nHeight(const Value& height);
  Value nAlign(const Value& align = {});
  Value _nAlign(const Value& align);
  virtual Value AdjTop();
  virtual Value AdjBottom();
  virtual Value AdjLeft();
  virtual Value AdjRight();
  virtual Value AdjClient();

  // ---- Design mode (tcontrol_design.cpp) ----
  virtual Value ShowDots();
  virtual Value HideDots();
  virtual Value CheckDots();
  virtual Value MResize(const Value& nHandle, const Value& nRow, const Value& nCol);
  Value Inspect() override;

  // Controls whose instances are alive (a leak check for tests).
  static long liveCount() noexcept;

 protected:
  // The parent window object and its window (null when there is none).
  TWindow* parent() const;
  HWND parentHwnd() const;
  // The end of a control's New: with a parent window the control's window of `windowClass` is
  // made (nil: the class the control registered), `ready` runs on it and the parent adds the
  // control; without one the parent defines it, to be made with the dialog. A control made in
  // design mode shows its sizing dots.
  void createOrDefer(const Value& windowClass, bool design,
                     const std::function<void()>& ready = {});
  // The control's own font to its window, else the parent's (GetFont).
  void useFont();
  // The window's previous procedure (the subclass bypassed) for one message, the default one
  // when there is none; 0 without a window.
  LRESULT callPrevious(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Before a click that did not pass the dialog's command check acts: the control awaiting
  // validation (another one) is asked, its focus loss kept quiet. False when it refuses; the
  // focus is then back on it.
  bool validateAwaiting();
  // Gives `target` the focus without validating the control that loses it.
  void focusQuietly(HWND target);

 private:
  bool sameTopLevel(HWND other) const;
  Value clickHotControl(HWND hot);
  bool designKey(long long key);
  void designPress(long long row, long long col);
  void designMove(long long row, long long col);
  void designRelease(long long row, long long col);
  void designCancel();
  void HideDotsOf(HWND owner);
  void dropAt(long long row, long long col, const Value& nFlags);
  void alignTo(Value TWindow::*slot, long long align);
};

// The design grid, in pixels (8 by 8 unless SETGRIDSIZE changed it).
struct GridSize {
  long long width;
  long long height;
};
GridSize designGrid() noexcept;
// A position snapped to the nearest line of a grid of `step` pixels.
long long snapToGrid(long long value, long long step) noexcept;

// SETGRIDSIZE (nWidth, nHeight): the previous {width, height}; a size below 1 keeps its value.
lanmere::Value SETGRIDSIZE(const lanmere::Value& nWidth, const lanmere::Value& nHeight);
// GETGRIDSIZE (): {width, height}.
lanmere::Value GETGRIDSIZE();
// TCONTROL (): a new instance.
lanmere::Value TCONTROL();

// Registering the module registers the class TCONTROL; the design module has the grid's
// functions.
const lanmere::ModuleTable& tControlModule();
const lanmere::ModuleTable& tControlDesignModule();

}  // namespace kestrel
