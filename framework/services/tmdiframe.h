// TMdiFrame: the frame window of a multiple-document program. Its client area holds the system's
// MDI client (TMdiClient), which holds the child windows (TMdiChild); the frame keeps its own
// menu, swaps in the active child's, lays the client out between its bars and passes the
// editing commands to the active child.
#pragma once

#include "framework/core/twindow.h"

namespace kestrel {

class TMdiFrame : public TWindow {
  LM_CLASS(TMdiFrame, TWindow)

  // ---- Data members, in their documented order ----
  Value oWndActive, oWndClient, oMenuStart, nMenuInfo, bOnOpen;

  // Position 15 is not used.
  LM_ARGS(NewArgs, nTop, nLeft, nBottom, nRight, cTitle, nStyle, oMenu, oBrush, oIcon, nClrFore,
          nClrBack, lVScroll, lHScroll, nMenuInfo, unused15, oWnd, lPixel)
  Value New(Args args) override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  // The first menu is the frame's own (oMenuStart); later ones are shown through the client.
  Value SetMenu(const Value& oMenuNew, const Value& nPosition);
  Value SetMenu(const Value& oMenuNew) override { return SetMenu(oMenuNew, Value()); }
  Value ReSize(const Value& nSizeType = {}, const Value& nWidth = {},
               const Value& nHeight = {}) override;
  Value Command(const Value& nWParam, const Value& nLParam = {}) override;
  Value End() override;
  Value GotFocus(const Value& hWndLost = {}) override;
  Value Destroy() override;
  Value Open();

  // ---- Delegated to the client ----
  LM_ARGS(ChildNewArgs, nTop, nLeft, nBottom, nRight, cTitle, nStyle)
  Value ChildNew(Args args);
  Value Cascade();
  Value CloseAll();
  Value IconizeAll();
  Value Tile(const Value& lHorizontal = {});
  Value ArrangeIcons();
  Value Zoom();
  Value CloseActive();
  Value NextWindow();
  Value PrevWindow();
  Value Select(const Value& nChild = {});

  // ---- Delegated to the active child (nil without one) ----
  Value Copy() override;
  Value Cut() override;
  Value Delete() override;
  Value Find() override;
  Value FindNext() override;
  Value Paste() override;
  Value Print() override;
  Value ReDo() override;
  Value UnDo() override;
  Value Properties() override;
  Value Replace() override;
  Value SelectAll() override;

  // ---- For C++ callers ----
  // The frame's own menu on its bar again (a child with a menu was deactivated or closed).
  void showStartMenu();
  // The active child as the system has it, or nil.
  Value activeChild();

 private:
  Value toActive(const lanmere::Symbol* message);

  Value startPosition_;  // the window-menu position of oMenuStart
  bool ending_ = false;
};

lanmere::Value TMDIFRAME();

const lanmere::ModuleTable& tMdiFrameModule();

}  // namespace kestrel
