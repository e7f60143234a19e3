// TIcon: a 32 x 32 child control of its own window class that shows an icon from an icon file or
// a resource (a program's or the system's). A system icon is shared and never destroyed here.
#pragma once

#include "framework/core/tcontrol.h"

namespace kestrel {

class TIcon : public TControl {
  LM_CLASS(TIcon, TControl)

  Value cIcoFile, cResName, hIcon = 0;

  // bClick becomes the control's bLClicked.
  LM_ARGS(NewArgs, nRow, nCol, cResName, cIcoFile, lBorder, bClick, oWnd, lUpdate, bWhen, nClrFore,
          nClrBack)
  Value New(Args args) override;
  LM_ARGS(ReDefineArgs, nId, cResName, cIcoFile, bClick, lUpdate, oWnd, bWhen)
  Value ReDefine(Args args);
  Value Initiate(const Value& hDlg) override;
  Value Paint() override;
  Value Display() override;
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  // A file that does not exist or a resource that does not load leaves the icon as it is.
  Value SetName(const Value& name);
  Value SetFile(const Value& file);
  Value Destroy() override;
  Value End() override;

 private:
  void load();
  void replaceIcon(const Value& icon);
};

// TICON (): a new instance, to be sent New or ReDefine.
lanmere::Value TICON();

const lanmere::ModuleTable& tIconModule();

}  // namespace kestrel
