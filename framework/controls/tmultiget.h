// TMultiGet: the multi-line edit field for free text. The system's multi-line edit control does
// the editing; the field writes the whole text back through its setter-getter closure after
// every change the control made, and adds a context menu, a "Go To" line dialog, a find dialog
// and printing of its lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "framework/core/tcontrol.h"

namespace kestrel {

class TMultiGet : public TControl {
  LM_CLASS(TMultiGet, TControl)

  // ---- Data members, in their documented order ----
  Value lReadOnly = false;
  Value nPos = 0;  // 0-based caret offset
  Value hHeap = 0;

  LM_ARGS(NewArgs, nRow, nCol, bSetGet, oWnd, nWidth, nHeight, oFont, lHScroll, nClrFore, nClrBack,
          oCursor, lPixel, cMsg, lUpdate, bWhen, lCenter, lRight, lReadOnly, bValid, bChanged,
          lDesign, lNoBorder, lNoVScroll)
  Value New(Args args) override;
  LM_ARGS(ReDefineArgs, nId, bSetGet, oWnd, nHelpId, nClrFore, nClrBack, oFont, oCursor, cMsg,
          lUpdate, bWhen, lReadOnly, bValid, bChanged)
  Value ReDefine(Args args);

  // ---- Text ----
  Value cText(const Value& c = {});
  Value Len();
  Value GetLine(const Value& nLine);
  Value GetLineCount();
  Value LineIndex(const Value& nLine = {});
  Value GetRow();
  Value GetCol();
  Value Append(const Value& c);
  Value replace(const Value& c);  // "Replace" (c)
  Value Replace() override { return replace({}); }
  Value SaveToFile(const Value& cFile);
  Value Refresh(const Value& lErase = {}) override;
  Value UnDo() override;

  // ---- Caret and selection ----
  Value SetPos(const Value& nStart = {}, const Value& nEnd = {});
  Value SetSel(const Value& nStart = {}, const Value& nEnd = {});
  Value GetSel();
  Value GetSelPos(Value& nStart, Value& nEnd);
  Value GoTo(const Value& nLine);
  Value GoBottom();
  Value SelectAll() override;
  Value HideSel();
  Value DlgGoLine();

  // ---- Editing ----
  Value Copy() override;
  Value Cut() override;
  Value PasteText(const Value& cText);  // "Paste" (cText)
  Value Paste() override { return PasteText({}); }
  Value Del();
  Value DelLine(const Value& nLine = {});
  Value find(const Value& cText);  // "Find" (cText)
  Value Find() override { return find({}); }
  Value Print() override;
  Value LimitText(const Value& nChars = {});

  // ---- Events ----
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value KeyChar(const Value& nKey, const Value& nFlags = {}) override;
  Value GotFocus(const Value& hWndLost = {}) override;
  Value LostFocus(const Value& hWndNew = {}) override;
  Value LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value Paint() override;
  Value Display() override;
  Value EraseBkGnd(const Value& hDCErase = {}) override;
  Value Move(const Value& top, const Value& left, const Value& width, const Value& height,
             const Value& lRepaint = {}) override;
  Value SetCoors(const Value& oRect) override;
  Value AdjClient() override;
  Value VScroll(const Value& nWParam, const Value& nLParam = {}) override;
  Value HScroll(const Value& nWParam, const Value& nLParam = {}) override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  Value Initiate(const Value& hDlg) override;
  Value Create(const Value& cClassName = {}) override;
  Value Default() override;
  Value Destroy() override;
  Value cToChar(const Value& cClassName = {}) override;

 private:
  LRESULT sendToControl(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  std::string lineText(long long line) const;  // a whole line, 0-based, however long
  void writeBack();
  Value runChange(const Value& nKey = {}, const Value& nFlags = {});
  // The system control makes the change of `message`; the text is written back.
  void systemEdit(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  bool refused(const char* title);  // a read-only field tells the user and refuses
  void contextMenu(long long row, long long col);
  void findNext(const void* request);
};

// Where each printed line of a text goes when it is printed as notes: 60 lines to a page, each
// 1/60 of the page height below the previous one, a new page after every 60th line (and none
// after the last). An empty text still prints one blank page.
struct NotesLine {
  std::size_t page;  // 0-based
  long long top;     // device units from the top of the page
};
struct NotesLayout {
  std::size_t pages = 0;
  std::vector<NotesLine> lines;
};
constexpr std::size_t kNotesLinesPerPage = 60;
NotesLayout notesLayout(std::size_t lineCount, long long pageHeight);

// TMULTIGET (): a new instance, to be sent New or ReDefine.
lanmere::Value TMULTIGET();

const lanmere::ModuleTable& tMultiGetModule();

}  // namespace kestrel
