// TWindow: the base of everything that owns a window (top-level windows, dialogs, controls). It
// keeps the window's geometry, colours, font, menu and child controls, creates and links the
// window, and turns each message into an overridable event method whose default evaluates the
// user's closure (`bLClicked`, `bPainted`, ...).
//
// The collaborators above the core (fonts, brushes, menus, scroll bars, icons, cursors, bars,
// timers) are reached only by name: created with createObject and sent messages through symbols
// resolved once. A class that is not registered is skipped (a nil member does nothing).
#pragma once

#include <windows.h>

#include <vector>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TWindow : public lanmere::Object {
  LM_CLASS(TWindow, lanmere::Object)
  using Value = lanmere::Value;
  using Args = lanmere::Args;

  TWindow();
  ~TWindow() override;

  // ---- Data members, in their documented order ----
  Value hWnd, nOldProc;
  Value bInit, bMoved, bLClicked, bLButtonUp, bKeyDown, bPainted;
  Value bMButtonDown, bMButtonUp, bRClicked, bRButtonUp, bMouseWheel;
  Value bResized, bLDblClick, bWhen, bValid, bKeyChar, bMMoved;
  Value bGotFocus, bLostFocus, bDropFiles, bDdeInit, bDdeExecute;
  Value bCommNotify, bMenuSelect, bZip, bUnZip, bDropOver;
  Value bCopy, bCut, bFind, bPaste, bPrint;
  Value bUnDo, bReDo, bDelete, bSelectAll, bFindNext, bReplace, bProperties;
  Value cCaption, cPS, cVarName, nPaintCount, cMsg, cToolTip;
  Value Cargo;
  Value hDC, nId;
  Value lActive = true;
  Value lCancel = false, lFocused = false, lVisible = false, lDesign = false, lVbx = false,
        lValidating = false;
  Value lBalloon;
  Value nTop = 0, nLeft = 0, nBottom = 0, nRight = 0;
  Value nStyle, nExStyle, nChrHeight, nChrWidth, nLastKey;
  Value nClrPane, nClrText, bClrGrad;
  Value nResult, nHelpId, hCtlFocus;
  Value aControls, aMinMaxInfo;
  Value oBar, oBrush, oCursor, oFont, oIcon, oMenu;
  Value oSysMenu, oPopup, oMsgBar, oWnd, oVScroll, oHScroll;
  Value oDragCursor;
  Value oCtlFocus;
  Value oTop, oLeft, oBottom, oRight, oClient;
  Value bSocket, bTaskBar, bEraseBkGnd;
  Value OnClick, OnMouseMove, OnKeyDown, OnMove, OnPaint, OnResize;
  Value nPosition;
  Value lFastEdit = false;
  Value aGradColors;
  Value hAlphaColor, hAlphaLevel;

  // ---- Construction and life cycle ----
  LM_ARGS(NewArgs, nTop, nLeft, nBottom, nRight, cTitle, nStyle, oMenu, oBrush, oIcon, oWnd,
          lVScroll, lHScroll, nClrFore, nClrBack, oCursor, cBorder, lSysMenu, lCaption, lMin, lMax,
          lPixel, nExStyle)
  virtual Value New(Args args);
  virtual Value Register(const Value& nClsStyle = {});
  virtual Value Create(const Value& cClassName = {});
  // The dispatcher (WNDHANDLEEVENT): each message becomes its event method.
  virtual Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam);
  // Activate: positions 4, 5, 7, 8 and 19 are not used.
  LM_ARGS(ActivateArgs, cShow, bLClicked, bRClicked, unused4, unused5, bPainted, unused7, unused8,
          bUp, bDown, bPgUp, bPgDn, bLeft, bRight, bPgLeft, bPgRight, bValid, bDropFiles)
  virtual Value Activate(Args args);
  virtual Value End();
  virtual Value Close(const Value& wParam = {});
  virtual Value Destroy();

  // ---- Event methods ----
  virtual Value Moved(const Value& nRow, const Value& nCol);
  virtual Value ReSize(const Value& nSizeType = {}, const Value& nWidth = {},
                       const Value& nHeight = {});
  virtual Value GotFocus(const Value& hWndLost = {});
  virtual Value LostFocus(const Value& hWndNew = {});
  virtual Value KillFocus(const Value& hWndNew = {});
  // The paint message: BeginPaint, Paint, EndPaint; answers EndPaint's answer.
  virtual Value Display();
  virtual Value BeginPaint();
  virtual Value Paint();
  virtual Value EndPaint();
  virtual Value EraseBkGnd(const Value& hDCErase = {});
  virtual Value KeyDown(const Value& nKey, const Value& nFlags = {});
  virtual Value KeyChar(const Value& nKey, const Value& nFlags = {});
  virtual Value Command(const Value& nWParam, const Value& nLParam = {});
  // nKey and nHigh are the halves of the message's lParam: the key of the key-menu command, or
  // the mouse position (called by name with two arguments, nKey is the whole lParam).
  virtual Value SysCommand(const Value& nCmd, const Value& nKey = {}, const Value& nHigh = {});
  virtual Value Timer(const Value& nId, const Value& nLParam = {});
  virtual Value HScroll(const Value& nWParam, const Value& nLParam = {});
  virtual Value VScroll(const Value& nWParam, const Value& nLParam = {});
  virtual Value LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  virtual Value LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  virtual Value LDblClick(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  virtual Value RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  virtual Value RButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  virtual Value MButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  virtual Value MButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  virtual Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {});
  virtual Value MouseWheel(const Value& nKeys, const Value& nDelta, const Value& nX,
                           const Value& nY);
  virtual Value NcMouseMove(const Value& nHitTest, const Value& nRow, const Value& nCol);
  virtual Value NcActivate(const Value& lActiveNow);
  virtual Value CtlColor(const Value& hWndCtl, const Value& hDCCtl);
  virtual Value DrawItem(const Value& nIdCtl, const Value& pItemStruct);
  virtual Value MeasureItem(const Value& nIdCtl, const Value& pMitStruct);
  virtual Value InitMenuPopup(const Value& hMenu, const Value& nPos, const Value& lSystem);
  virtual Value MenuSelect(const Value& nIdItem, const Value& nFlags, const Value& hMenu);
  virtual Value MenuChar(const Value& nKey, const Value& nFlags, const Value& hMenu);
  virtual Value DropFiles(const Value& hDrop);
  virtual Value DropOver(const Value& nRow, const Value& nCol, const Value& nLParam);
  virtual Value GetMinMaxInfo(const Value& pMinMaxInfo);
  virtual Value QueryEndSession();
  virtual Value QueryDragIcon();
  virtual Value QueryNewPalette();
  virtual Value PaletteChanged(const Value& hWndPal);
  virtual Value Help(const Value& nWParam, const Value& nLParam);
  // The help message: a window's Help.
  virtual Value HelpTopic(const Value& nWParam = {}, const Value& nLParam = {});
  virtual Value HelpF1();
  virtual Value Notify(const Value& nIdCtl, const Value& pNmHdr);
  virtual Value CommNotify(const Value& nComId, const Value& nStatus);
  virtual Value DdeInitiate(const Value& hWndClient, const Value& nApp, const Value& nTopic);
  virtual Value DdeAck(const Value& hWndServer, const Value& nLParam);
  virtual Value DdeExecute(const Value& hWndClient, const Value& hCommands);
  virtual Value DdeTerminate(const Value& hWndPartner);
  virtual Value AsyncSelect(const Value& nSocket, const Value& nLParam);
  virtual Value TaskBar(const Value& nWParam, const Value& nLParam);
  virtual Value GetDlgCode(const Value& nKey = {});
  virtual Value NcPaint();
  virtual Value Inspect();

  // ---- Geometry ----
  virtual Value Move(const Value& top, const Value& left, const Value& width, const Value& height,
                     const Value& lRepaint = {});
  virtual Value SetSize(const Value& width, const Value& height, const Value& lRepaint = {});
  virtual Value SetCoors(const Value& oRect);
  virtual Value SetBounds(const Value& left, const Value& top, const Value& right,
                          const Value& bottom);
  virtual Value CoorsUpdate();
  Value nWidth(const Value& width = {});
  Value _nWidth(const Value& width);
  Value nHeight(const Value& height = {});
  Value _nHeight(const Value& height);
  Value GetRect();
  Value GetCliRect();
  virtual Value Center(const Value& oWndOver = {});
  Value ChildLevel();

  // ---- Appearance ----
  virtual Value SetColor(const Value& nClrFore, const Value& nClrBack = {},
                         const Value& oBrushNew = {});
  virtual Value SetBrush(const Value& oBrushNew);
  virtual Value SelColor(const Value& lFore = {});
  virtual Value SetFont(const Value& oFontNew);
  virtual Value GetFont();
  virtual Value SelFont();
  Value nGetChrHeight();
  virtual Value SetIcon(const Value& oIconNew);
  virtual Value SetMenu(const Value& oMenuNew);
  virtual Value SetText(const Value& cText);
  Value cTitle(const Value& text = {});
  Value _cTitle(const Value& text);
  virtual Value GetText();
  Value ClientEdge();
  virtual Value Gradient(const Value& aColors = {});
  Value SetAlphaLevel();
  Value nOpacity(const Value& level = {});
  Value _nOpacity(const Value& level);
  Value nSeeThroClr(const Value& color = {});
  Value _nSeeThroClr(const Value& color);
  virtual Value Refresh(const Value& lErase = {});
  virtual Value Update();

  // ---- Show state ----
  virtual Value Show();
  virtual Value Hide();
  virtual Value Maximize();
  virtual Value Minimize();
  virtual Value Normal();
  virtual Value Restore();
  virtual Value Iconize();
  Value IsIconic();
  virtual Value GoTop();
  virtual Value Enable();
  virtual Value Disable();

  // ---- Focus and controls ----
  virtual Value SetFocus();
  virtual Value AddControl(const Value& oControl);
  virtual Value GoNextCtrl(const Value& hCtrl);
  virtual Value GoPrevCtrl(const Value& hCtrl);
  virtual Value FirstActiveCtrl();
  virtual Value LastActiveCtrl();
  virtual Value AEvalWhen();
  virtual Value lWhen();
  virtual Value lValid();

  // ---- Messages ----
  Value PostMsg(const Value& nMsg, const Value& nWParam = {}, const Value& nLParam = {});
  Value SendMsg(const Value& nMsg, const Value& nWParam = {}, const Value& nLParam = {});
  virtual Value SetMsg(const Value& cText, const Value& lDefault = {});
  Value Capture();

  // ---- Drawing ----
  virtual Value GetDC();
  virtual Value ReleaseDC();
  Value DispBegin();
  Value DispEnd();
  virtual Value PaintBack(const Value& hDCBack);
  Value Say(Args args);
  Value SayRect(Args args);
  Value SayBitmap(const Value& nRow, const Value& nCol, const Value& uBitmap,
                  const Value& width = {}, const Value& height = {});
  Value Box(const Value& top, const Value& left, const Value& bottom, const Value& right,
            const Value& hPen = {});
  Value Line(const Value& top, const Value& left, const Value& bottom, const Value& right,
             const Value& hPen = {});
  Value Circle(const Value& nRow, const Value& nCol, const Value& nWidth, const Value& hPen = {});
  Value FloodFill(const Value& nRow, const Value& nCol, const Value& nColor,
                  const Value& nFillColor = {});
  Value SetPixel(const Value& nRow, const Value& nCol, const Value& nColor);
  Value GetWidth(const Value& cText, const Value& oFontText = {});
  Value nVertRes();
  Value nHorzRes();
  Value Shadow(const Value& nDepth = {});
  Value ToolWindow(const Value& lOn = {});

  // ---- Tooltips ----
  virtual Value CheckToolTip();
  virtual Value ShowToolTip(const Value& nRow = {}, const Value& nCol = {},
                            const Value& uToolTip = {});
  virtual Value DestroyToolTip();

  // ---- Edit actions ----
  virtual Value Copy();
  virtual Value Cut();
  virtual Value Paste();
  virtual Value Delete();
  virtual Value Find();
  virtual Value FindNext();
  virtual Value Replace();
  virtual Value SelectAll();
  virtual Value UnDo();
  virtual Value ReDo();
  virtual Value Properties();
  virtual Value Zip(const Value& nParam = {});
  virtual Value UnZip(const Value& nParam = {});

  // ---- Design and generated texts ----
  Value Property(const Value& n);
  Value PropCount();
  Value Event(const Value& n);
  Value EveCount();
  virtual Value EditTitle();
  virtual Value FastEdit(const Value& nRow = {}, const Value& nCol = {});
  virtual Value cGenPrg();
  virtual Value SaveToText(const Value& nIndent = {});
  // The record of the window and its controls; Load (cData) applies one (true), or refuses it
  // with the error and changes nothing (false).
  virtual Value Save();
  virtual Value Load(const Value& cData);
  // Form files (".kfm" after cVarName without its first letter, by default): SaveFile writes
  // aside and renames over the old file; LoadFile checks the whole file before loading it;
  // ReadFile answers the checked record without loading it (nil after the error).
  virtual Value SaveFile(const Value& cFile = {});
  virtual Value LoadFile(const Value& cFile);
  virtual Value ReadFile(const Value& cFile);
  virtual Value SaveToRC();
  virtual Value SaveToBmp(const Value& cFile);
  virtual Value GenDbf();
  virtual Value Print();
  virtual Value HardCopy();
  virtual Value VbxFireEvent();

  // ---- For C++ callers ----
  HWND hwnd() const;
  Value self();
  // Windows whose instances are alive (a leak check for tests).
  static long liveCount() noexcept;
  // The character cell New places windows on unless it is given pixels, and the 16-bit "use the
  // system's default" value of a coordinate.
  static constexpr long long kCellHeight = 16;
  static constexpr long long kCellWidth = 8;
  static constexpr long long kUseDefault = 32768;
  // A coordinate in pixels: `at` cells of `cell` pixels, or `at` itself in pixel mode; nil for a
  // value that is no number.
  static Value placed(const Value& at, bool pixel, long long cell);

 protected:
  // The frame part of the style New builds for style 0: sizing border for "SINGLE" (the
  // default), caption with its system menu and boxes, and the scroll bars.
  static long long frameStyle(const Value& cBorder, const Value& lCaption, const Value& lSysMenu,
                              const Value& lMin, const Value& lMax, const Value& lVScroll,
                              const Value& lHScroll);
  // The scroll-bar objects of the window's own bars, when asked for; none while the scroll-bar
  // class is not registered (the window still has its bars).
  void makeScrollBars(const Value& lVScroll, const Value& lHScroll, const Value& nMin = {},
                      const Value& nMax = {});
  // The controls as they are now, apart from aControls: a closure or Initiate called for each may
  // add controls (the list outgrows its storage) or end one (the rest move up a place).
  std::vector<Value> controlsNow() const;

 private:
  // The background double buffer of one Paint.
  struct Buffer {
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    Value windowDC;
  };
  void releaseLinks();
  void clearPaintState();
  Value eventTarget();

  bool fontCounted_ = false;  // this window took its use of oFont
  bool dcFromGetDC_ = false;  // hDC came from GetDC, not from BeginPaint
  Buffer buffer_;
};

}  // namespace kestrel
