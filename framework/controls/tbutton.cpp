#include "framework/controls/tbutton.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "framework/controls/ctlsource.h"
#include "framework/core/args.h"
#include "framework/core/dialogbox.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr const char* kDefaultCaption = "&Button";
constexpr long long kRowHeight = 18;
constexpr long long kColumnWidth = 6;
constexpr long long kCharWidth = 6;  // pixels per caption character
constexpr long long kMinWidth = 30;
constexpr long long kDefaultHeight = 13;
constexpr UINT kSetStyle = BM_SETSTYLE;  // 244
constexpr long long kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr double kTemplateUnitsX = 4;
constexpr double kTemplateUnitsY = 8;
constexpr const char* kCrLf = "\r\n";

}  // namespace

LM_DEFINE_CLASS(TButton) {
  c.data(LM_FIELDS(bAction, lDefault, lProcessing));
  c.classData("aEvents", Value::list({Value::list({"OnClick", "Sender"})}));
  c.methods(LM_METHODS(New, ReDefine, Initiate, HandleEvent, Click, GotFocus, LostFocus, KeyDown,
                       GetDlgCode, MouseMove, LButtonUp, Colors, cToChar, cGenPRG));
  c.method<&TButton::saveToRC>("SaveToRC");
  c.creatable();
}

Value TButton::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool pixel = flag(a.lPixel);
  const bool design = flag(a.lDesign);
  cCaption = orDefault(a.cCaption, Value(kDefaultCaption));
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  TWindow* above = parent();
  oFont = a.oFont.isNil() && above ? above->oFont : a.oFont;
  const auto captionLength = static_cast<long long>(textForm(cCaption).size());
  const long long width =
      a.nWidth.isNil() ? std::max(kCharWidth * captionLength, kMinWidth) : a.nWidth.integer();
  const long long height = a.nHeight.isNil() ? kDefaultHeight : a.nHeight.integer();
  nTop = cellPixels(a.nRow, pixel ? 1 : kRowHeight);
  nLeft = cellPixels(a.nCol, pixel ? 1 : kColumnWidth);
  // Inclusive edges: a window of exactly width x height.
  nBottom = nTop.integer() + height - 1;
  nRight = nLeft.integer() + width - 1;
  nHelpId = a.nHelpId;
  bAction = a.bAction;
  lDefault = flag(a.lDefault);
  nStyle =
      kButtonStyle | (lDefault.logical() ? BS_DEFPUSHBUTTON : 0) | (design ? WS_CLIPSIBLINGS : 0);
  nId = GetNewId();
  lDrag = design;
  lCaptured = false;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bValid = a.bValid;
  lCancel = flag(a.lCancel);
  lProcessing = false;
  createOrDefer("BUTTON", design, [&] {
    if (oFont.isObject()) SetFont(oFont);
  });
  return self();
}

Value TButton::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  bAction = a.bAction;
  nHelpId = a.nHelpId;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bValid = a.bValid;
  cCaption = a.cPrompt;
  lCancel = flag(a.lCancel);
  lCaptured = false;
  lDrag = false;
  hWnd = 0;
  Redefine(a.nId, orDefault(a.oWnd, GETWNDDEFAULT()));
  return self();
}

Value TButton::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  lDefault = hwnd() && (GetWindowLongPtrA(hwnd(), GWL_STYLE) & BS_DEFPUSHBUTTON) != 0;
  lProcessing = false;
  if (!lanmere::isEmpty(cCaption) && hwnd()) TWindow::SetText(cCaption);
  return {};
}

// A click the dialog's command check sends says so in wParam: the control awaiting validation
// has been asked already. The dispatcher then sends Click.
Value TButton::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (nMsg.integer() == kWmFrameworkClick) checked_ = nWParam.integer() == kClickChecked;
  return TControl::HandleEvent(nMsg, nWParam, nLParam);
}

void TButton::setLook(bool defaultPush) {
  PostMsg(kSetStyle, defaultPush ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

Value TButton::Click() {
  const bool checked = std::exchange(checked_, false);
  if (lProcessing.logical()) return {};
  const lanmere::Ref<TButton> keep(this);
  // Cleared however Click is left: an action whose error handler BREAKs out would otherwise
  // leave the button dead for good.
  struct Idle {
    Value& processing;
    ~Idle() { processing = false; }
  } idle{lProcessing};
  lProcessing = true;
  if (bWhen.isClosure() && !lWhen().logical()) return {};
  // A click that did not pass the dialog's check (Enter handed on by a field, a posted click)
  // validates the control awaiting validation here.
  if (!checked && !lCancel.logical() && !validateAwaiting()) return {};
  focusQuietly(hwnd());
  evaluate(bAction, self());
  if (!lCancel.logical() && parentHwnd()) TControl::Click();
  if (hwnd() && GetFocus() == hwnd()) {
    setLook(true);
  } else if (!lDefault.logical()) {
    setLook(false);
  }
  return {};
}

Value TButton::GotFocus(const Value& hWndLost) {
  setLook(true);
  return TControl::GotFocus(hWndLost);
}

Value TButton::LostFocus(const Value& hWndNew) {
  if (!lDefault.logical()) setLook(false);
  return TControl::LostFocus(hWndNew);
}

Value TButton::KeyDown(const Value& nKey, const Value& nFlags) {
  if (TWindow* above = parent()) above->nLastKey = nKey;
  switch (nKey.integer()) {
    case VK_UP:
    case VK_LEFT:
      if (bKeyDown.isClosure()) {
        evaluate(bKeyDown, nKey, nFlags);
      } else {
        tell(oWnd, msg::GoPrevCtrl, hWnd);
      }
      return 0;
    case VK_DOWN:
    case VK_RIGHT:
      if (bKeyDown.isClosure()) {
        evaluate(bKeyDown, nKey, nFlags);
      } else {
        tell(oWnd, msg::GoNextCtrl, hWnd);
      }
      return 0;
    case VK_RETURN:
      if (bKeyDown.isClosure()) {
        evaluate(bKeyDown, nKey, nFlags);
      } else {
        PostMsg(kWmFrameworkClick);
      }
      return 0;
    default:
      return TControl::KeyDown(nKey, nFlags);
  }
}

Value TButton::GetDlgCode(const Value& nKey) {
  if (TWindow* above = parent()) above->nLastKey = nKey;
  return {};
}

Value TButton::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  TControl::MouseMove(nRow, nCol, nFlags);
  return {};
}

Value TButton::LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  evaluate(OnClick, self());
  if (lDrag.logical()) return TControl::LButtonUp(nRow, nCol, nFlags);
  return {};
}

Value TButton::Colors(const Value&) {
  return 0;
}

Value TButton::cToChar(const Value& cClassName) {
  return TControl::cToChar(cClassName.isText() ? cClassName : Value("BUTTON"));
}

Value TButton::cGenPRG(const Value& lDlgUnits) {
  ControlBox box = controlBox(*this);
  if (flag(lDlgUnits)) {
    const long long units = GETDLGBASEUNITS();
    const double bx = static_cast<double>(loWord(units));
    const double by = static_cast<double>(hiWord(units));
    auto x = [&](long long v) {
      return static_cast<long long>(std::trunc(v * kTemplateUnitsX / bx));
    };
    auto y = [&](long long v) {
      return static_cast<long long>(std::trunc(v * kTemplateUnitsY / by));
    };
    box = {y(box.top), x(box.left), x(box.width), y(box.height)};
  }
  return std::string(kCrLf) + "   @ " + std::to_string(box.top) + ", " + std::to_string(box.left) +
         " BUTTON \"" + textForm(cCaption) + "\" SIZE " + std::to_string(box.width) + ", " +
         std::to_string(box.height) + " PIXEL OF oWnd ;" + kCrLf +
         "      ACTION MsgInfo( \"Not defined yet!\" )" + kCrLf;
}

Value TButton::saveToRC(const Value& nIndent) {
  return resourceLine(*this, "PUSHBUTTON ", nIndent);
}

Value TBUTTON() {
  return Value(lanmere::make<TButton>());
}

const lanmere::ModuleTable& tButtonModule() {
  TButton::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TBUTTON>("TBUTTON")}};
  return module;
}

}  // namespace kestrel
