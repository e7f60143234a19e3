// TMdiClient: the system's MDI client window inside a frame, and the list of its child objects
// in creation order. Arranging, activating and closing children go through the system's MDI
// messages.
#pragma once

#include "framework/core/twindow.h"

namespace kestrel {

class TMdiClient : public TWindow {
  LM_CLASS(TMdiClient, TWindow)

  Value aWnd;

  LM_ARGS(NewArgs, oWnd, nMenuInfo, nFirstId, oBrush, lVScroll, lHScroll)
  Value New(Args args) override;

  // ---- Children ----
  LM_ARGS(ChildNewArgs, nTop, nLeft, nBottom, nRight, cTitle, nStyle)
  Value ChildNew(Args args);
  Value GetActive();
  Value ChildActivate(const Value& oChild);
  Value ChildMaximize(const Value& oChild);
  Value ChildRestore(const Value& oChild);
  Value Zoom();
  Value ChildClose(const Value& oChild);
  Value CloseActive();
  Value lCloseAll();
  Value IconizeAll();
  Value Select(const Value& nChild = {});

  // ---- Arrangement ----
  Value Tile(const Value& lHorizontal = {});
  Value Cascade();
  Value ArrangeIcons();
  Value ChildNext(const Value& oChild, const Value& lPrevious = {});
  Value NextWindow();
  Value PrevWindow();

  // The menu's pop-up at the position (1 first; default the last) lists the children.
  Value SetMenu(const Value& oMenuNew, const Value& nPosition);
  Value SetMenu(const Value& oMenuNew) override { return SetMenu(oMenuNew, Value()); }
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags = {}) override;
  Value GotFocus(const Value& hWndLost = {}) override;
  Value Display() override;
  Value Destroy() override;

  // ---- For C++ callers ----
  // The children as they are now, apart from aWnd (a child's End changes the list).
  std::vector<Value> childrenNow() const;
  bool lists(const Value& oChild) const;
  void forget(const Value& oChild);
};

// The pop-up at a 1-based position of a menu object, or null outside its entries.
HMENU windowMenuAt(const lanmere::Value& oMenu, long long position);

lanmere::Value TMDICLIENT();

const lanmere::ModuleTable& tMdiClientModule();

}  // namespace kestrel
