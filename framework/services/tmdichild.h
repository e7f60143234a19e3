// TMdiChild: a document window inside an MDI frame's client, made by the system's MDI create
// message. A child with a menu puts it on the frame's bar while it is active.
#pragma once

#include "framework/core/twindow.h"

namespace kestrel {

class TMdiChild : public TWindow {
  LM_CLASS(TMdiChild, TWindow)

  // ---- Data members, in their documented order ----
  Value oWndClient, oControl, lKeepMenu = false, nMenuInfo, bPostEnd;

  LM_ARGS(NewArgs, nTop, nLeft, nBottom, nRight, cTitle, nStyle, oMenu, oWnd, oIcon, lVScroll,
          nClrFore, nClrBack, oCursor, oBrush, lPixel, lHScroll, nHelpId, cBorder, lSysMenu,
          lCaption, lMin, lMax, nMenuInfo)
  Value New(Args args) override;
  Value Register(const Value& nClsStyle = {}) override;
  Value SetMenu(const Value& oMenuNew, const Value& nPosition);
  Value SetMenu(const Value& oMenuNew) override { return SetMenu(oMenuNew, Value()); }
  Value Activate(Args args) override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  Value MdiActivate(const Value& lActivated);
  Value End() override;
  Value KeyDown(const Value& nKey, const Value& nFlags = {}) override;
  Value KeyChar(const Value& nKey, const Value& nFlags = {}) override;
  Value Maximize() override;
  Value Restore() override;
  Value SetFocus() override;
  Value Next();
  Value Prev();
  Value Center(const Value& oWndOver = {}) override;
  Value IsZoomed();

  // ---- Editing commands: to oControl ----
  Value Copy() override;
  Value Cut() override;
  Value Delete() override;
  Value Paste() override;
  Value Find() override;
  Value FindNext() override;
  Value Properties() override;
  Value Replace() override;
  Value SelectAll() override;
  Value ReDo() override;
  Value UnDo() override;
  Value Print() override;
  Value Destroy() override;

 private:
  bool ending_ = false;
};

lanmere::Value TMDICHILD();

const lanmere::ModuleTable& tMdiChildModule();

}  // namespace kestrel
