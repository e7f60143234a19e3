// TComboBox: a drop-down list of texts over the system's "COMBOBOX" control, optionally with an
// editable text field (style 2) whose editing goes through an embedded edit field (`oGet`, a
// TGet bound to the combo box's edit child). The items live in `aItems`, 1-based, in the order
// of the control's own list; the bound variable holds either the selected item's number or its
// text, and the control stores the kind the variable holds. With `lIncSearch` typed characters
// build a search key that selects the item equal to it.
#pragma once

#include <windows.h>

#include "framework/controls/tfont.h"
#include "framework/core/tcontrol.h"

namespace kestrel {

class TComboBox : public TControl {
  LM_CLASS(TComboBox, TControl)

  TComboBox();

  // ---- Data members, in their documented order ----
  Value aItems, aBitmaps;
  Value lOwnerDraw = false, nBmpHeight, nBmpWidth;
  Value nAt = 0;
  Value bDrawItem, bCloseUp;
  Value cError;
  Value oGet;
  Value cSearchKey = "";
  Value lIncSearch = false, lCaseSensitive = false;

  LM_ARGS(NewArgs, nRow, nCol, bSetGet, aItems, nWidth, nHeight, oWnd, nHelpId, bChange, bValid,
          nClrFore, nClrBack, lPixel, oFont, cMsg, lUpdate, bWhen, lDesign, acBitmaps, bDrawItem,
          nStyle, cEditPict, bEChange)
  Value New(Args args) override;
  LM_ARGS(ReDefineArgs, nId, bSetGet, aItems, oWnd, nHelpId, bValid, bChange, nClrFore, nClrBack,
          cMsg, lUpdate, bWhen, acBitmaps, bDrawItem, nStyle, cEditPict, bEChange)
  Value ReDefine(Args args);
  Value Initiate(const Value& hDlg) override;
  Value Default() override;

  // ---- Selection and the bound variable ----
  Value Change() override;
  Value Set(const Value& uValue);
  Value Select(const Value& nItem);
  Value VarGet() override;
  Value Refresh(const Value& lErase = {}) override;

  // ---- Items ----
  Value Add(const Value& cItem, const Value& nPos = {});
  Value Insert(const Value& cItem, const Value& nPos = {});
  Value Modify(const Value& cItem, const Value& nPos = {});
  Value Del(const Value& nPos = {});
  Value Reset(const Value& lChange = {});
  Value SetItems(const Value& aNewItems, const Value& lChange = {});
  Value FindString(const Value& cText, const Value& nFrom = {});
  Value findItem(const Value& cText, const Value& nFrom = {});  // "Find"

  // ---- The drop-down list ----
  Value Open();
  Value Close(const Value& wParam = {}) override;
  Value State();
  Value IsOpen();
  Value IsClosed();
  Value CloseUp();
  Value GetMinVisible();
  Value SetMinVisible(const Value& nCount);

  // ---- Events ----
  Value GotFocus(const Value& hWndLost = {}) override;
  Value LostFocus(const Value& hWndNew = {}) override;
  Value KillFocus(const Value& hWndNew = {}) override;
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value KeyChar(const Value& nKey, const Value& nFlags = {}) override;
  Value lValid() override;
  Value CtlColor(const Value& hWndCtl, const Value& hDCCtl) override;
  Value DrawItem(const Value& nIdCtl, const Value& pItemStruct) override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  Value ShowToolTip(const Value& nRow = {}, const Value& nCol = {},
                    const Value& uToolTip = {}) override;

  // ---- Children, bitmaps and the end ----
  virtual Value DefControl(const Value& oCtrl);
  Value SetBitmaps(const Value& acBitmaps);
  Value Destroy() override;
  Value End() override;

  // ---- Generation ----
  Value cToChar(const Value& cClassName = {}) override;
  Value cGenPrg() override;

 private:
  long long itemCount() const;
  std::string itemText(long long n) const;
  // The 1-based number of the control's current item, 0 when none.
  long long current() const;
  // The first item equal to `text` after trimming and upper-casing both, 0 when none.
  long long matching(const Value& text) const;
  long long prefixMatch(const std::string& text, long long after) const;
  Value bound() const;
  void store(const Value& value);
  // What the variable receives for item n: its number, or its text ("" when n names none).
  Value storedFor(long long n) const;
  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void selectIndex(long long n);
  // Writes text into the edit area; the list's selection stays what it was (the system control
  // clears it when the edit text changes).
  void showText(const std::string& text);
  bool editBound() const;
  void refreshEdit();
  void fillControl();
  void afterCreation();
  void defineEdit(const Value& picture, const Value& editChange);
  void bindEdit();
  void editLostFocus();
  void applyItemHeight();
  Value drawPopupEntry(const Value& nIdCtl, const Value& pItemStruct);

  HBRUSH paneBrush_ = nullptr;  // CtlColor's brush, made once, released by Destroy
  MadeFontUse fontUse_;         // the default font New made
  bool redefined_ = false;      // bound to an item of a dialog resource
  long long fullHeight_ = 0;    // New's height, the drop-down list included
};

// TCOMBOBOX (): a new instance, to be sent New or ReDefine.
lanmere::Value TCOMBOBOX();

const lanmere::ModuleTable& tComboBoxModule();

}  // namespace kestrel
