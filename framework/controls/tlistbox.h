// TListBox: a list of text items over the system "LISTBOX", with single or multiple selection
// and, owner-drawn, a bitmap per item. `aItems` mirrors the control's list item by item after
// every operation; the bound variable receives the selected item's number or its text, the kind
// it holds at the time.
#pragma once

#include <string>

#include "framework/core/tcontrol.h"

namespace kestrel {

class TListBox : public TControl {
  LM_CLASS(TListBox, TControl)

  // ---- Data members, in their documented order ----
  Value aItems, aBitmaps, lOwnerDraw, nBmpHeight, nBmpWidth, cFileSpec, bDrawItem;

  LM_ARGS(NewArgs, nRow, nCol, bSetGet, aItems, nWidth, nHeight, bChange, oWnd, bValid, nClrFore,
          nClrBack, lPixel, lDesign, bLDblClick, oFont, cMsg, lUpdate, bWhen, aBitmaps, bDrawItem,
          lMulti, lSort)
  Value New(Args args) override;
  LM_ARGS(ReDefineArgs, nId, bSetGet, aItems, bChange, oWnd, nHelpId, aBitmaps, bValid, cFileSpec,
          nClrFore, nClrBack, bLDblClick, cMsg, lUpdate, bWhen, bDrawItem)
  Value ReDefine(Args args);
  Value Initiate(const Value& hDlg) override;
  Value Default() override;
  // The font, then the height fitted to whole rows of it (fitHeight).
  Value SetFont(const Value& oFontNew) override;

  // ---- Selection and the bound variable ----
  Value Change() override;
  Value Select(const Value& nItem);
  Value GoTop() override;
  Value GoBottom();
  Value Set(const Value& cText);
  Value GetPos();
  Value GetSelText();
  Value GetSel();
  Value IsMultipleSel();
  Value SetSel(const Value& nItem, const Value& lOn = {});
  Value GetSelCount();
  Value GetSelItems();
  Value aSelections();
  Value SetSelItems(const Value& aSel);

  // ---- Items ----
  Value SetItems(const Value& aNewItems);
  Value Reset();
  Value Add(const Value& cItem, const Value& nAt = {});
  Value Insert(const Value& cItem, const Value& nAt = {});
  Value Modify(const Value& cItem, const Value& nAt = {});
  Value Del(const Value& nAt = {});
  Value SwapUp();
  Value SwapDown();
  Value GetItem(const Value& nItem);
  Value Len();

  // ---- Owner drawing ----
  Value FillMeasure(const Value& pMitStruct);
  Value DrawItem(const Value& nIdCtl, const Value& pItemStruct) override;
  Value SetBitmaps(const Value& aNewBitmaps, const Value& hResources = {});

  // ---- Events ----
  Value LostFocus(const Value& hWndNew = {}) override;
  Value GetDlgCode(const Value& nKey = {}) override;
  Value LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value Destroy() override;

  // ---- Generation ----
  Value cToChar(const Value& cClassName = {}) override;
  Value cGenPrg() override;
  Value saveToRC(const Value& nIndent = {});  // "SaveToRC"

 private:
  long long count() const;
  long long style() const;
  bool multiple() const;
  // The current item, 0-based; -1 when none.
  long long current() const;
  void makeCurrent(long long index);
  // Writes the text into the control at a 0-based position and into aItems.
  void insertAt(long long index, const std::string& text);
  void removeAt(long long index);
  void store();
  void fitItemHeight();
  // The height nearest `wanted` that holds whole rows of the current font, as the system makes
  // it when the size changes (a list box without LBS_NOINTEGRALHEIGHT).
  void fitHeight(long long wanted);
};

// TLISTBOX (): a new instance, to be sent New or ReDefine.
lanmere::Value TLISTBOX();

const lanmere::ModuleTable& tListBoxModule();

}  // namespace kestrel
