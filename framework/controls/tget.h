// TGet: the single-line edit field. It shows one program value through its setter-getter
// closure under a picture, lets the user edit it and writes it back when the focus leaves. The
// picture's editing rules live in the run-time's GET (`oGet`): the field interprets the keys,
// applies them to the GET and shows the GET's buffer in the system edit control.
#pragma once

#include <functional>

#include "framework/controls/tfont.h"
#include "framework/core/tcontrol.h"
#include "runtime/get.h"

namespace kestrel {

class TGet : public TControl {
  LM_CLASS(TGet, TControl)

  TGet();

  // ---- Data members, in their documented order ----
  Value oGet, oBtn, bAction, bMin, bMax;
  Value nPos = 1;
  Value lReadOnly = false, lPassword = false;
  Value cError, cBmpName, hHeap = 0, cPicture, bPostKey;
  Value lSpinner = false;
  Value nOldClrPane, nClrTextDis, nClrPaneDis, nBmpWidth;
  Value lAdjustBtn = false, lBtnTransparent = false;
  Value cCueText;
  Value nTxtStyle = 6;

  LM_ARGS(NewArgs, nRow, nCol, bSetGet, oWnd, nWidth, nHeight, cPicture, bValid, nClrFore, nClrBack,
          oFont, lDesign, oCursor, lPixel, cMsg, lUpdate, bWhen, lCenter, lRight, bChanged,
          lReadOnly, lPassword, lNoBorder, nHelpId, lSpinner, bUp, bDown, bMin, bMax, bAction,
          cBmpName, cVarName, cCueText)
  Value New(Args args) override;
  LM_ARGS(ReDefineArgs, nId, bSetGet, oWnd, nHelpId, cPicture, bValid, nClrFore, nClrBack, oFont,
          oCursor, cMsg, lUpdate, bWhen, bChanged, lReadOnly, lSpinner, bUp, bDown, bMin, bMax,
          bAction, cBmpName, cVarName, cCueText)
  Value ReDefine(Args args);

  // ---- Value access ----
  Value value();  // "Value": the closure's value
  Value VarPut(const Value& uValue) override;
  Value Assign();
  Value cText(const Value& v = {});
  Value UnDo() override;
  Value Refresh(const Value& lErase = {}) override;

  // ---- Caret and selection ----
  Value SetPos(const Value& nStart = {}, const Value& nEnd = {});
  Value SetSel(const Value& nStart = {}, const Value& nEnd = {});
  Value GetSel();
  Value GetSelPos(Value& nStart, Value& nEnd);
  Value GetDelSel(const Value& nStart, const Value& nEnd);
  Value SelectAll() override;
  Value HideSel();
  Value GoHome();
  Value EditUpdate();
  Value DispText();

  // ---- Clipboard ----
  Value Copy() override;
  Value Cut() override;
  Value Paste() override { return PasteText({}); }
  Value PasteText(const Value& cText);  // "Paste" (cText)

  // ---- Spinner ----
  Value Spinner(const Value& bUp = {}, const Value& bDown = {}, const Value& bMinNew = {},
                const Value& bMaxNew = {});
  Value increment();  // "++"
  Value decrement();  // "--"
  Value ScrollNumber(const Value& nDir);
  Value ScrollDate(const Value& nDir);

  // ---- Appearance ----
  Value SetColorFocus(const Value& nClr = {}) { return setColorFocusAll(nClr); }
  static Value setColorFocusAll(const Value& nClr);
  Value SetMargins(const Value& nLeftMargin = {}, const Value& nRightMargin = {});
  Value GetMargins();
  Value SetCueBanner(const Value& lShowFocused = {}, const Value& cText = {});
  Value LimitText(const Value& nChars = {});
  Value Paint() override;
  Value Display() override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value Move(const Value& top, const Value& left, const Value& width, const Value& height,
             const Value& lRepaint = {}) override;
  Value ReSize(const Value& nSizeType = {}, const Value& nWidth = {},
               const Value& nHeight = {}) override;

  // ---- Events ----
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value KeyChar(const Value& nKey, const Value& nFlags = {}) override;
  Value KeyUp(const Value& nKey = {}, const Value& nFlags = {}) override;
  Value GotFocus(const Value& hWndLost = {}) override;
  Value LostFocus(const Value& hWndNew = {}) override;
  Value lValid() override;
  Value LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value GetDlgCode(const Value& nKey = {}) override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  Value Initiate(const Value& hDlg) override;
  Value Create(const Value& cClassName = {}) override;
  Value CreateButton();
  Value Default() override;
  Value Destroy() override;

  // SelFile (cMask, cTitle): the file-open dialog; the chosen name ("" when cancelled).
  Value SelFile(const Value& cMask = {}, const Value& cTitle = {});

  // ---- Generation ----
  Value cToChar(const Value& cClassName = {}) override;
  Value cGenPrg() override;
  Value saveToRC(const Value& nIndent = {});  // "SaveToRC"

 private:
  // A setting the class's fields share (lDisColors, lClrFocus, nClrFocus).
  static Value& classValue(const lanmere::Symbol* name);
  lanmere::Get& get() const;
  bool editing() const;
  // The field is the edit part of a combo box.
  bool inComboBox() const;
  DWORD selection() const;  // EM_GETSEL: start in the low word, end in the high word
  void caretTo(long long pos);
  void caretShape();
  bool changed();
  void assignIfEdited();
  bool templated();
  bool upperCasePicture() const;  // "@!" among the picture's function letters
  bool numericPicture();
  void bell() const;
  Value runChange(const Value& nKey, const Value& nFlags);
  // Puts text into the buffer at the cursor through the GET, as typed characters.
  void typeThrough(const std::string& text);
  // Blanks the selected part of the buffer through the GET.
  void deleteThrough(long long start, long long end);
  // Runs `edit` with the GET editing (the field focused for the call when it is not).
  void whileEditing(const std::function<void()>& edit);
  Value step(long long direction);  // the spinner's and the ++ and -- messages' step
  long long bufferLength() const;
  Value keyLeftRight(long long key);
  Value keyInsert();
  Value keyPasteCut(long long key);
  Value keyHomeEnd(long long key);
  Value keyDelete(long long key, const Value& nFlags);

  Value spinUp_, spinDown_;  // the arrows' closures, kept until the field's window exists
  MadeFontUse fontUse_;      // the password field's default font
};

// TGET (): a new instance, to be sent New or ReDefine.
lanmere::Value TGET();

const lanmere::ModuleTable& tGetModule();

}  // namespace kestrel
