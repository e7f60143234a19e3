#include "framework/controls/tsay.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "framework/controls/ctlsource.h"
#include "framework/controls/fontapi.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/persist.h"
#include "framework/core/tdialog.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/closure.h"
#include "runtime/transform.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kRowHeight = 15;
constexpr long long kRowOffset = 2;
constexpr long long kColumnWidth = 6;
constexpr long long kDefaultHeight = 15;
constexpr long long kAdjustMargin = 20;     // pixels added to the text's width when widening
constexpr int kButtonFace = COLOR_BTNFACE;  // 15
constexpr UINT kHitTest = WM_NCHITTEST;     // 132
constexpr const char* kCrLf = "\r\n";

// A window of the window class itself, not a dialog or a control.
bool isPlainWindow(const TWindow& window) {
  return &window.classInfo() == &TWindow::Class();
}

Value emptyText() {
  return lanmere::block([](Args) { return Value(""); }, "(b)TSAY");
}

}  // namespace

LM_DEFINE_CLASS(TSay) {
  c.data({{"l3D", &TSay::l3DFrame},
          {"cPicture", &TSay::cPicture},
          {"bGet", &TSay::bGet},
          {"lWantClick", &TSay::lWantClick},
          {"lAdjust", &TSay::lAdjust}});
  c.methods(LM_METHODS(New, ReDefine, Initiate, Default, HandleEvent, SetText, Refresh, VarPut,
                       EraseBkGnd, cToChar, cGenPrg));
  c.method<&TSay::saveToRC>("SaveToRC");
  c.creatable();
}

// The picture is used when it is not empty, everywhere a value becomes the caption.
std::string TSay::caption(const Value& value) const {
  if (cPicture.isText() && !cPicture.string().empty()) {
    return lanmere::transform(value, cPicture.string());
  }
  return value.isNil() ? std::string() : textForm(value);
}

void TSay::setColors(const Value& text, const Value& back) {
  const TWindow* above = parent();
  const Value fore = text.isNil() && above ? above->nClrText : text;
  Value pane = back;
  if (pane.isNil()) {
    const bool plainWindow = above && isPlainWindow(*above);
    pane = plainWindow ? above->nClrPane : sysColor(kButtonFace);
  }
  SetColor(fore, pane);
}

Value TSay::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool design = flag(a.lDesign);
  const bool centered = flag(a.lCentered);
  l3DFrame = flag(a.lShaded) || flag(a.lBox) || flag(a.lRaised);
  bGet = orDefault(a.bText, emptyText());
  bSetGet = bGet;
  oFont = a.oFont;
  cPicture = a.cPicture;
  cCaption = caption(evaluate(bGet));
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  TWindow* above = parent();
  long long width = 0;
  if (a.nWidth.isNil()) {
    HFONT font = handleOfMember<HFONT>(oFont, msg::hFont);
    if (!font && above) font = handleOfMember<HFONT>(above->oFont, msg::hFont);
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    width = textWidth(nullptr, textForm(cCaption), font);
  } else {
    width = a.nWidth.integer();
  }
  long long height = kDefaultHeight;
  if (!a.nHeight.isNil()) {
    height = a.nHeight.integer();
  } else if (oFont.isObject()) {
    height = std::llabs(lanmere::send(oFont, msg::nHeight).integer());
  }
  const bool pixel = flag(a.lPixel);
  nTop = pixel ? cellPixels(a.nRow, 1) : cellPixels(a.nRow, kRowHeight) + kRowOffset;
  nLeft = cellPixels(a.nCol, pixel ? 1 : kColumnWidth);
  nBottom = nTop.integer() + height - 1;
  nRight = nLeft.integer() + width - 1;
  nId = GetNewId();
  long long style = WS_CHILD | WS_VISIBLE;
  if (design) style |= WS_CLIPSIBLINGS | WS_TABSTOP;
  if (centered) style |= SS_CENTER;
  if (flag(a.lRight) && !centered) style |= SS_RIGHT;
  if (flag(a.lBorder)) style |= WS_BORDER;
  if (flag(a.lShaded)) style |= SS_BLACKRECT;  // 4
  if (flag(a.lBox)) style |= SS_GRAYRECT;      // 5
  if (flag(a.lRaised)) style |= SS_WHITERECT;  // 6
  nStyle = style;
  lDrag = design;
  lCaptured = false;
  lUpdate = flag(a.lUpdate);
  lWantClick = false;
  lAdjust = flag(a.lAdjust);
  lTransparent = flag(a.lTransparent);
  setColors(a.nClrText, a.nClrBack);
  if (lTransparent.logical() && above && above->oBrush.isObject() && oBrush.isObject()) {
    // A plain window, a dialog or a panel paints its own brush under visual styles too.
    const bool ownBrushParent = isPlainWindow(*above) ||
                                above->classInfo().derivesFrom(TDialog::Class()) ||
                                isKindOf(*above, "TPANEL");
    if (!ISAPPTHEMED() || ownBrushParent) SetBrush(above->oBrush);
  }
  createOrDefer("STATIC", design, [&] {
    Default();
    if (l3DFrame.logical()) Set3DLook(true);
  });
  return self();
}

Value TSay::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  l3DFrame = false;
  bGet = a.bText;
  bSetGet = bGet;
  cPicture = a.cPicture;
  oFont = a.oFont;
  lTransparent = flag(a.lTransparent);
  if (bGet.isClosure()) cCaption = caption(evaluate(bGet));
  hWnd = 0;
  lDrag = false;
  lCaptured = false;
  lUpdate = flag(a.lUpdate);
  lWantClick = false;
  lAdjust = flag(a.lAdjust);
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  setColors(a.nClrText, orDefault(a.nClrBack, sysColor(kButtonFace)));  // whatever the parent
  Redefine(a.nId, oWnd);
  return self();
}

Value TSay::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  const TWindow* above = parent();
  if (!ISAPPTHEMED() && lTransparent.logical() && above && oBrush.isObject() &&
      handleOfMember<HBITMAP>(above->oBrush, msg::hBitmap)) {
    SetBrush(above->oBrush);
  }
  if (!hwnd()) return {};
  if (!cCaption.isNil()) {
    TWindow::SetText(cCaption);
  } else {
    cCaption = GetText();
  }
  return {};
}

Value TSay::Default() {
  const TWindow* above = parent();
  const Value font = oFont.isObject() ? oFont : (above ? above->oFont : Value());
  if (font.isObject()) SetFont(font);
  return {};
}

Value TSay::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (nMsg.integer() == kHitTest && hwnd() && (flag(lDrag) || flag(lWantClick))) {
    return static_cast<long long>(DefWindowProcA(hwnd(), kHitTest, 0, nLParam.integer()));
  }
  return TControl::HandleEvent(nMsg, nWParam, nLParam);
}

Value TSay::SetText(const Value& uValue) {
  if (lTransparent.isNil()) lTransparent = false;
  const std::string text = caption(uValue);
  if (!hwnd()) {
    cCaption = text;
    return {};
  }
  const TWindow* above = parent();
  const Value parentBrush = above ? above->oBrush : Value();
  if (handleOfMember<HBRUSH>(parentBrush, msg::hBrush) &&
      !handleOfMember<HBITMAP>(parentBrush, msg::hBitmap) &&
      (ISAPPTHEMED() || lTransparent.logical())) {
    const HDC dc = ::GetDC(hwnd());
    DRAWPBACK(hWnd, handleNumber(dc));
    ::ReleaseDC(hwnd(), dc);
  }
  const LONG_PTR type = GetWindowLongPtrA(hwnd(), GWL_STYLE) & SS_TYPEMASK;
  if (type != SS_CENTER && type != SS_RIGHT && flag(lAdjust)) {
    const auto font = reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
    const long long needed = textWidth(nullptr, text, font) + kAdjustMargin;
    if (needed > nWidth().integer()) _nWidth(needed);
  }
  TWindow::SetText(text);
  return {};
}

Value TSay::Refresh(const Value&) {
  if (bGet.isClosure()) SetText(evaluate(bGet));
  return {};
}

Value TSay::VarPut(const Value& uValue) {
  const Value text = caption(uValue);
  bGet = lanmere::block([text](Args) { return text; }, "(b)TSAY");
  return {};
}

Value TSay::EraseBkGnd(const Value& hDCErase) {
  if (lTransparent.isNil()) lTransparent = false;
  if (ISAPPTHEMED() || lTransparent.logical()) return 1;
  return TControl::EraseBkGnd(hDCErase);
}

Value TSay::cToChar(const Value& cClassName) {
  return TControl::cToChar(cClassName.isText() ? cClassName : Value("STATIC"));
}

Value TSay::cGenPrg() {
  const ControlBox box = controlBox(*this);
  return std::string(kCrLf) + "   @ " + field3(box.top) + ", " + field3(box.left) + " SAY \"" +
         textForm(cCaption) + "\" SIZE " + field3(box.width) + ", " + field3(box.height) +
         " PIXEL OF oWnd" + kCrLf;
}

Value TSay::saveToRC(const Value& nIndent) {
  return resourceLine(*this, "LTEXT ", nIndent);
}

Value TSAY() {
  return Value(lanmere::make<TSay>());
}

// A label read from a record shows its loaded text: its text closure (which a record cannot
// hold) answers that text from then on, so a refresh keeps it.
bool loadSayEntry(const Value& self, const RecordEntry& entry, LoadContext&) {
  if (entry.name != "cTitle" || entry.value.type != 'C') return false;
  const Value text(entry.value.text);
  lanmere::send(self, "_bGet", {lanmere::block([text](lanmere::Args) { return text; })});
  lanmere::send(self, "SetText", {text});
  return true;
}

const lanmere::ModuleTable& tSayModule() {
  TSay::Class();  // the class is known by name once its module is
  static const bool loader = [] {
    addClassLoader({.className = "TSAY", .entry = loadSayEntry});
    return true;
  }();
  (void)loader;
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TSAY>("TSAY")}};
  return module;
}

}  // namespace kestrel
