#include "framework/controls/ticon.h"

#include <windows.h>

#include <cmath>
#include <string>

#include "framework/controls/icons.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kRowHeight = 14;
constexpr long long kColumnWidth = 8;
constexpr long long kIconSize = 32;
constexpr long long kFirstSystemIcon = 32512;  // IDI_APPLICATION
constexpr long long kLastSystemIcon = 32517;   // IDI_WINLOGO
constexpr UINT kHitTest = WM_NCHITTEST;

// A resource icon: a system one (shared) for the system's numbers or when the program has none
// by that number.
Value resourceIcon(const Value& name) {
  const bool number = name.isNumber();
  if (number && name.integer() >= kFirstSystemIcon && name.integer() <= kLastSystemIcon) {
    return LOADICON(0, name);
  }
  Value icon = LOADICON(GETRESOURCES(), name);
  if (lanmere::isEmpty(icon) && number) icon = LOADICON(0, name);
  return icon;
}

}  // namespace

LM_DEFINE_CLASS(TIcon) {
  c.data(LM_FIELDS(cIcoFile, cResName, hIcon));
  c.classData("lRegistered");
  c.methods(LM_METHODS(New, ReDefine, Initiate, Paint, Display, HandleEvent, SetName, SetFile,
                       Destroy, End));
  c.creatable();
}

// File first, then the resource, which wins: the file's icon is then destroyed, not leaked.
void TIcon::load() {
  Value icon = lanmere::isEmpty(cIcoFile) ? Value(0) : EXTRACTICON(cIcoFile, 0);
  if (!lanmere::isEmpty(cResName)) {
    const Value fromResource = resourceIcon(cResName);
    if (!lanmere::isEmpty(fromResource)) {
      if (!lanmere::isEmpty(icon)) DESTROYICON(icon);
      icon = fromResource;
    }
  }
  hIcon = lanmere::isEmpty(icon) ? Value(0) : icon;
}

void TIcon::replaceIcon(const Value& icon) {
  if (!lanmere::isEmpty(hIcon)) DESTROYICON(hIcon);
  hIcon = icon;
  if (hwnd()) InvalidateRect(hwnd(), nullptr, TRUE);
}

Value TIcon::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  nTop = cellPixels(a.nRow, kRowHeight);
  nLeft = cellPixels(a.nCol, kColumnWidth);
  nBottom = nTop.integer() + kIconSize - 1;
  nRight = nLeft.integer() + kIconSize - 1;
  nStyle = WS_CHILD | WS_VISIBLE | (flag(a.lBorder) ? WS_BORDER : 0);
  nId = GetNewId();
  cIcoFile = a.cIcoFile;
  cResName = a.cResName;
  bLClicked = a.bClick;
  lDrag = false;
  lCaptured = false;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  oWnd = a.oWnd;
  Register(static_cast<long long>(CS_VREDRAW | CS_HREDRAW));
  const TWindow* colours = parent();
  const Value fallback = colours ? Value() : GETWNDDEFAULT();
  if (!colours && fallback.isObject()) colours = static_cast<const TWindow*>(fallback.object());
  if (colours) {
    nClrText = colours->nClrText;
    nClrPane = colours->nClrPane;
  }
  createOrDefer(Value(), false);
  SetColor(a.nClrFore.isNil() ? nClrText : a.nClrFore, a.nClrBack.isNil() ? nClrPane : a.nClrBack);
  load();
  return self();
}

Value TIcon::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  cResName = a.cResName;
  cIcoFile = a.cIcoFile;
  bLClicked = a.bClick;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  lDrag = false;
  lCaptured = false;
  // The dialog creates the item by this class's name: the class is registered first.
  Register(static_cast<long long>(CS_VREDRAW | CS_HREDRAW));
  Redefine(a.nId, a.oWnd.isNil() ? GETWNDDEFAULT() : a.oWnd);
  return self();
}

Value TIcon::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  if (lanmere::isEmpty(hIcon)) load();  // one made with New has its icon already
  return {};
}

Value TIcon::Paint() {
  if (!lanmere::isEmpty(hIcon)) DRAWICON(hDC, 0, 0, hIcon);
  return {};
}

Value TIcon::Display() {
  BeginPaint();
  Paint();
  EndPaint();
  return 0;
}

Value TIcon::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (nMsg.integer() == kHitTest && hwnd()) {
    return static_cast<long long>(DefWindowProcA(hwnd(), kHitTest, 0, nLParam.integer()));
  }
  return TControl::HandleEvent(nMsg, nWParam, nLParam);
}

Value TIcon::SetName(const Value& name) {
  const Value icon = resourceIcon(name);
  if (lanmere::isEmpty(icon)) return {};
  cResName = name;
  replaceIcon(icon);
  return {};
}

Value TIcon::SetFile(const Value& file) {
  if (!file.isText() || !pathExists(file.string())) return {};
  const Value icon = EXTRACTICON(file, 0);
  if (lanmere::isEmpty(icon)) return {};
  cIcoFile = file;
  replaceIcon(icon);
  return {};
}

Value TIcon::Destroy() {
  if (!lanmere::isEmpty(hIcon)) DESTROYICON(hIcon);
  hIcon = 0;
  return TControl::Destroy();
}

Value TIcon::End() {
  if (!hwnd()) return Destroy();
  return TControl::End();
}

Value TICON() {
  return Value(lanmere::make<TIcon>());
}

const lanmere::ModuleTable& tIconModule() {
  TIcon::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TICON>("TICON")}};
  return module;
}

}  // namespace kestrel
