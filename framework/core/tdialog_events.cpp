// TDialog's messages and the rest of its behaviour: commands (with the validation of the control
// being left), keys, system commands, painting, colours, fonts, help, its controls and the
// generated source text.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <utility>

#include "errors/kserror.h"
#include "framework/core/classkind.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/tdialog.h"
#include "framework/core/tdialog_msgs.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/wndproc.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr UINT kCommandMask = 0xFFF0;  // the low four bits of a system command are the system's
constexpr long long kEnter = IDOK;
constexpr long long kCancel = IDCANCEL;
constexpr long long kClicked = BN_CLICKED;
constexpr long long kChanged = 1;   // a list's or combo box's selection changed
constexpr long long kClosedUp = 8;  // a combo box's list closed
constexpr long long kFirstNewId = 100;
constexpr char kHotKeyMark = '&';

// The parents whose dialogs Esc ends from the key messages.
constexpr const char* kEscapeParents[] = {"TMDICHILD", "TDIALOG", "TMDIFRAME"};

std::string upperAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void sendTo(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  if (hwnd) callWindows([&] { return SendMessageA(hwnd, message, wParam, lParam); });
}

bool isFalse(const Value& value) {
  return value.isLogical() && !value.logical();
}

}  // namespace

int mnemonicOf(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != kHotKeyMark) continue;
    if (text[i + 1] == kHotKeyMark) {
      ++i;
      continue;
    }
    return std::toupper(static_cast<unsigned char>(text[i + 1]));
  }
  return -1;
}

// ---- Commands ----

Value TDialog::controlWithId(long long id) {
  for (const Value& control : aControls.items()) {
    const Value known = offer(control, msg::nId);
    if (known.isNumber() && known.integer() == id) return control;
  }
  return {};
}

// A click is stopped while another control awaits validation and refuses it, unless the sender
// is a cancel control.
bool TDialog::validationStops(long long id, HWND sender) {
  if (!nResult.isObject()) return false;
  const Value pending = nResult;
  const Value pendingId = offer(pending, msg::nId);
  if (pendingId.isNumber() && pendingId.integer() == id) return false;
  if (!isFalse(offer(pending, msg::lValid))) return false;
  return !offer(OWNDFROMHWND(handleNumber(sender)), msg::lCancel).logical();
}

Value TDialog::Command(const Value& nWParam, const Value& nLParam) {
  const long long code = hiWord(nWParam.integer());
  const long long id = loWord(nWParam.integer());
  const HWND control = handleFrom<HWND>(nLParam);
  if (oPopup.isObject()) {
    tell(oPopup, msg::Command, id);
    return {};
  }
  if (!control && code == kClicked && id != kCancel && oMenu.isObject()) {
    tell(oMenu, msg::Command, id);
    return {};
  }
  if (control && windowClassName(control) == "ToolbarWindow32") {
    tell(OWNDFROMHWND(nLParam), msg::Command, id);
    return {};
  }
  if (id == 0) return {};
  if (code == kClicked && control && id != kCancel) {
    if (validationStops(id, control)) {
      // The system may have changed the control before asking (a radio button checks itself).
      offer(OWNDFROMHWND(handleNumber(control)), msg::ClickRefused);
      return {};
    }
    const Value target = controlWithId(id);
    if (target.isObject()) {
      sendTo(handleOfMember<HWND>(target, msg::hWnd), kWmFrameworkClick, kClickChecked);
    } else if (id == kEnter) {
      End(Value(kEnter));
    }
    return {};
  }
  if (code == kClicked) {
    // Enter without a default button, Esc, the close box, or a command without a control.
    if (id == kEnter) {
      GoNextCtrl(handleNumber(GetFocus()));
      return {};
    }
    // The dialog manager turns Esc into Cancel whatever the setting says; with Esc off, the
    // Cancel the key produced does nothing (the close box and a Cancel click still work).
    if (id == kCancel && !escapeEndsDialogs() && keyDown(VK_ESCAPE)) return {};
    if (id == kCancel) {
      const Value cancel = controlWithId(kCancel);
      if (cancel.isObject()) {
        sendTo(handleOfMember<HWND>(cancel, msg::hWnd), kWmFrameworkClick, kClickChecked);
        return false;
      }
    }
    End(Value(kCancel));
    return {};
  }
  if (code == kChanged) sendTo(control, kWmFrameworkChange);
  if (code == kClosedUp) sendTo(control, kWmFrameworkCloseUp);
  return {};
}

// ---- Keys and system commands ----

Value TDialog::KeyDown(const Value& nKey, const Value& nFlags) {
  if (nKey.integer() == VK_ESCAPE && escapeEndsDialogs() &&
      (!oWnd.isObject() || isKindOf(oWnd, kEscapeParents))) {
    End(Value());
    return 0;
  }
  return TWindow::KeyDown(nKey, nFlags);
}

Value TDialog::KeyChar(const Value& nKey, const Value& nFlags) {
  if (nKey.integer() == VK_ESCAPE && escapeEndsDialogs() && isKindOf(oWnd, kEscapeParents)) {
    End(Value());
    return 0;
  }
  return TWindow::KeyChar(nKey, nFlags);
}

Value TDialog::SysCommand(const Value& nCmd, const Value& nKey, const Value& nHigh) {
  const long long command = nCmd.integer() & kCommandMask;
  if (command == SC_CLOSE && modal()) {
    ReleaseCapture();
    return false;  // the default processing cancels the dialog
  }
  if (command == SC_CONTEXTHELP) {
    lHelpIcon = true;
    return false;
  }
  return TWindow::SysCommand(nCmd, nKey, nHigh);
}

// ---- Painting and colours ----

Value TDialog::Display() {
  BeginPaint();
  {
    struct Finish {
      TDialog& dialog;
      ~Finish() { dialog.EndPaint(); }
    } finish{*this};
    Paint();
  }
  // Cleared first: a paint that bStart causes cannot run it again.
  if (bStart.isClosure()) evaluate(std::exchange(bStart, Value()), self());
  return false;
}

Value TDialog::Paint() {
  return bPainted.isClosure() ? evaluate(bPainted, hDC, cPS, self()) : Value();
}

Value TDialog::EraseBkGnd(const Value& hDCErase) {
  if (bEraseBkGnd.isClosure()) return evaluate(bEraseBkGnd, hDCErase);
  if (!oBrush.isObject()) return {};
  PaintBack(hDCErase);
  return 1;
}

// On a page of a folder in a themed application, buttons and labels show the page's themed
// background. With lTransparent, the dialog's own static texts (no framework control behind
// them) paint on the dialog's brush too.
Value TDialog::CtlColor(const Value& hWndCtl, const Value& hDCCtl) {
  const HWND control = handleFrom<HWND>(hWndCtl);
  if (control && isKindOf(oWnd, kFolderClasses) && ISAPPTHEMED()) {
    const std::string kind = upperAscii(windowClassName(control));
    if (kind == "BUTTON" || kind == "STATIC") {
      SetBkMode(handleFrom<HDC>(hDCCtl), TRANSPARENT);
      DRAWPBACK(hWndCtl, hDCCtl);
      return handleNumber(GetStockObject(NULL_BRUSH));
    }
  }
  if (lTransparent.logical() && control && upperAscii(windowClassName(control)) == "STATIC" &&
      OWNDFROMHWND(hWndCtl).isNil()) {
    if (const HBRUSH brush = handleOfMember<HBRUSH>(oBrush, msg::hBrush)) {
      SetBkMode(handleFrom<HDC>(hDCCtl), TRANSPARENT);
      return handleNumber(brush);
    }
  }
  return TWindow::CtlColor(hWndCtl, hDCCtl);
}

Value TDialog::PrintClient() {
  return 1;
}

Value TDialog::SetFont(const Value& oFontNew) {
  TWindow::SetFont(oFontNew);
  const auto font = reinterpret_cast<WPARAM>(handleOfMember<HFONT>(oFont, msg::hFont));
  for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    sendTo(child, WM_SETFONT, font, TRUE);
  }
  return {};
}

// ---- Focus, mouse and help ----

Value TDialog::GotFocus(const Value&) {
  lFocused = true;
  evaluate(bGotFocus);
  return {};
}

Value TDialog::LostFocus(const Value&) {
  lFocused = false;
  evaluate(bLostFocus);
  return {};
}

Value TDialog::NcActivate(const Value& lActiveNow) {
  evaluate(bNcActivate, lActiveNow, self());
  return {};
}

// In help mode a click asks for help and is left to the dialog manager.
Value TDialog::LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (!lHelpIcon.logical()) return TWindow::LButtonDown(nRow, nCol, nFlags);
  Help();
  return {};
}

Value TDialog::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (lHelpIcon.logical()) SetCursor(LoadCursorA(nullptr, IDC_HELP));
  if (!cMsg.isNil()) SetMsg(cMsg);
  CheckToolTip();
  return bMMoved.isClosure() ? evaluate(bMMoved, nRow, nCol, nFlags) : Value(false);
}

// The focused control's help topic when it has one, else the dialog's, through the help
// module's HELPTOPIC when it is registered.
Value TDialog::Help(const Value&, const Value&) {
  static bool helping = false;  // a help window that sends help again does not recurse
  static const lanmere::Symbol* const helpTopic = lanmere::symbol("HELPTOPIC");
  if (helping) return 1;
  helping = true;
  struct Done {
    ~Done() { helping = false; }
  } done;
  Value topic = offer(OWNDFROMHWND(handleNumber(GetFocus())), msg::nHelpId);
  if (lanmere::isEmpty(topic)) topic = nHelpId;
  if (!lanmere::isEmpty(topic) && lanmere::findFunction(helpTopic)) {
    lanmere::callFunction(helpTopic, {topic});
  }
  return 1;
}

Value TDialog::ChangeFocus() {
  if (hwnd()) PostMessageA(hwnd(), kWmFrameworkChangeFocus, 0, 0);
  return {};
}

// ---- Controls ----

// A control without identifier gets its class's next one (GetNewId) or, from a control that
// has none, the next above every identifier of the dialog.
Value TDialog::DefControl(const Value& oCtrl) {
  if (!aControls.isList()) aControls = Value::list();
  Value id = offer(oCtrl, msg::nId);
  if (id.isNil()) {
    id = offer(oCtrl, msg::GetNewId);
    if (!id.isNumber()) {
      long long highest = kFirstNewId;
      for (const Value& control : aControls.items()) {
        highest = std::max(highest, offer(control, msg::nId).integer());
      }
      id = highest + 1;
    }
    tell(oCtrl, msg::_nId, id);
  }
  if (controlWithId(id.integer()).isObject()) {
    raiseFrameworkError(kErrDuplicatedId, idOperation(id.integer()));
    return {};
  }
  AddControl(oCtrl);
  tell(oCtrl, msg::_hWnd, 0);
  return {};
}

Value TDialog::GetItem(const Value& nIdItem) {
  return handleNumber(GetDlgItem(hwnd(), static_cast<int>(nIdItem.integer())));
}

// The first enabled child other than hCtl whose text marks nChar as its mnemonic; a label
// stands for the control after it. "&&" is a literal ampersand.
Value TDialog::GetHotPos(const Value& nChar, const Value& hCtl) {
  const int wanted = nChar.isText() ? (nChar.text().empty() ? -1 : nChar.text()[0])
                                    : static_cast<int>(nChar.integer());
  const int key = std::toupper(static_cast<unsigned char>(wanted));
  const HWND skip = handleFrom<HWND>(hCtl);
  for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (child == skip || !IsWindowEnabled(child) || mnemonicOf(windowText(child)) != key) continue;
    if (upperAscii(windowClassName(child)) == "STATIC") {
      const HWND next = GetWindow(child, GW_HWNDNEXT);
      return handleNumber(next);
    }
    return handleNumber(child);
  }
  return 0;
}

Value TDialog::AdjTop() {
  tell(oTop, msg::AdjTop);
  return {};
}

Value TDialog::SetControl(const Value& oCtrl) {
  oClient = oCtrl;
  ReSize();
  return {};
}

Value TDialog::cGenPrg() {
  std::string text = TWindow::cGenPrg().string();
  const std::pair<std::string_view, std::string_view> replacements[] = {{"WINDOW", "DIALOG"},
                                                                        {"oWnd", "oDlg"}};
  for (const auto& [from, to] : replacements) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
  }
  return text;
}

}  // namespace kestrel
