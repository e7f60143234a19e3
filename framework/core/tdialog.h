// TDialog: a window the dialog manager creates, from a dialog resource or from a template built
// in memory out of the dialog and its controls; modal (Activate returns when it ends, with the
// result in nResult) or modeless (registered with the loops' modeless-dialog table).
//
// The dialog reaches its controls only by message (nId, hWnd, cToChar, Initiate, lValid,
// lCancel, nHelpId, ...), and the collaborators above the core (message boxes, help, scroll
// bars, menus) by name, as the window class does.
#pragma once

#include <windows.h>

#include "framework/core/twindow.h"
#include "runtime/binding.h"
#include "runtime/functions.h"

namespace kestrel {

class TDialog : public TWindow {
  LM_CLASS(TDialog, TWindow)

  TDialog();
  ~TDialog() override;

  // ---- Data members, in their documented order ----
  Value cResName, cResData;
  Value hResources;
  Value lCentered, lCenterInWnd, lModal, lModify;
  Value bStart;
  Value lHelpIcon;
  Value lResize16;
  Value lTransparent;
  Value bNcActivate;

  // ---- Construction and activation ----
  LM_ARGS(NewArgs, nTop, nLeft, nBottom, nRight, cCaption, cResName, hResources, lVbx, nStyle,
          nClrText, nClrBack, oBrush, oWnd, lPixels, oIcon, oFont, nHelpId, nWidth, nHeight,
          lTransparent, aGradColors)
  Value New(Args args) override;
  LM_ARGS(DefineArgs, nTop, nLeft, nBottom, nRight, cCaption, nStyle, lVbx, nClrText, nClrBack,
          oBrush)
  virtual Value Define(Args args);
  LM_ARGS(ActivateArgs, bLClicked, bMoved, bPainted, lCentered, bValid, lModal, bInit, bRClicked,
          bWhen, lResize16, lCenterInWnd)
  Value Activate(Args args) override;
  // The init-dialog message (hWndNew is the dialog's own window), and a modeless Activate.
  virtual Value Initiate(const Value& hWndFocus = {}, const Value& hWndNew = {});

  // ---- Ending ----
  virtual Value End(const Value& nResultNew);
  Value End() override;
  Value Close(const Value& nResultNew = {}) override;
  Value Destroy() override;
  Value QueryEndSession() override;

  // ---- Events ----
  Value Command(const Value& nWParam, const Value& nLParam = {}) override;
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value KeyChar(const Value& nKey, const Value& nFlags = {}) override;
  Value SysCommand(const Value& nCmd, const Value& nKey = {}, const Value& nHigh = {}) override;
  Value CtlColor(const Value& hWndCtl, const Value& hDCCtl) override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value Paint() override;
  Value Display() override;
  Value LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value GotFocus(const Value& hWndLost = {}) override;
  Value LostFocus(const Value& hWndNew = {}) override;
  Value NcActivate(const Value& lActiveNow) override;
  Value Help(const Value& nWParam = {}, const Value& nLParam = {}) override;
  virtual Value PrintClient();

  // ---- Controls, fonts and the rest ----
  Value SetFont(const Value& oFontNew) override;
  // The in-memory template: the header for the dialog, then each control's item.
  virtual Value cToChar(const Value& hWndOwner = {});
  virtual Value DefControl(const Value& oCtrl);
  virtual Value GetItem(const Value& nIdItem);
  virtual Value GetHotPos(const Value& nChar, const Value& hCtl = {});
  virtual Value Help95();
  virtual Value ChangeFocus();
  virtual Value AdjTop();
  virtual Value SetControl(const Value& oCtrl);
  Value cGenPrg() override;

  bool modal() const;
  // Dialogs whose instances are alive (a leak check for tests).
  static long liveCount() noexcept;

 private:
  // A modeless dialog's close once bValid agreed: nResult, hidden, destroyed.
  void closeValidated(const Value& nResultNew);
  void activateModal(HWND owner);
  void activateModeless(HWND owner);
  void markTransparent();
  void resize16();
  void place();
  bool validationStops(long long id, HWND sender);
  Value controlWithId(long long id);
};

// The activation nesting count (Activate calls in progress).
int dialogNesting() noexcept;

// CREATEDLGERROR (oDlg): framework error 3, naming the resource or, for a dialog built in
// memory, its caption.
void CREATEDLGERROR(const lanmere::Value& oDlg);
// SETDIALOGESC ([lOn]) and SETCENTERONPARENT ([lOn]) answer the previous setting and change it
// only with exactly one logical argument; SETDLGGRADIENT ([aColors]) answers the previous
// gradient and sets it with one argument (nil clears).
lanmere::Value SETDIALOGESC(lanmere::Args args);
lanmere::Value SETCENTERONPARENT(lanmere::Args args);
lanmere::Value SETDLGGRADIENT(lanmere::Args args);
// TDIALOG (): a new instance, to be sent New.
lanmere::Value TDIALOG();

// Registering the module registers the class TDIALOG.
const lanmere::ModuleTable& tDialogModule();

}  // namespace kestrel
