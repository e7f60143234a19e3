// TGet's events and the editing they drive: the clipboard, the spinner, the keys, the focus and
// the validation, the mouse and the edit messages. Each change goes through the GET (tget.cpp).
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "framework/controls/tbtnbmp.h"
#include "framework/controls/tcombobox.h"
#include "framework/controls/tget.h"
#include "framework/controls/tscrollbar.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/tdialog.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/wndproc.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/editsettings.h"
#include "runtime/picture.h"
#include "runtime/setkey.h"
#include "runtime/transform.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kWantAllKeys = DLGC_WANTALLKEYS;  // 4
constexpr long long kMouseClick = 1002;               // the parent's nLastKey after a click
constexpr long long kExtendedKey = 0x01000000;        // bit 24 of a key message's flags
// Control characters the system edit control would act on by itself, bypassing the GET: paste,
// cut and undo.
constexpr long long kCtrlV = 22, kCtrlX = 24, kCtrlZ = 26;

Value clipboard(const Value& owner) {
  if (!lanmere::classByName("TCLIPBOARD")) return {};
  return tell(lanmere::createObject("TCLIPBOARD"), msg::New, 1, owner);
}

int daysInMonth(int year, int month) {
  const int nextYear = month == 12 ? year + 1 : year;
  const int nextMonth = month == 12 ? 1 : month + 1;
  return lanmere::julianFromDate(nextYear, nextMonth, 1) - lanmere::julianFromDate(year, month, 1);
}

}  // namespace

// ---- Clipboard ----

Value TGet::Copy() {
  const Value clip = clipboard(oWnd);
  if (!tell(clip, msg::SetText, GetSel()).logical())
    showAlert("The clipboard is not available now!");
  return {};
}

Value TGet::Cut() {
  if (flag(lReadOnly)) {
    showAlert("The get is read only!", "Can't cut");
    return {};
  }
  const DWORD sel = selection();
  if (HIWORD(sel) <= LOWORD(sel) || !oGet.isObject()) return {};
  Copy();
  whileEditing([&] {
    deleteThrough(LOWORD(sel), std::min<long long>(HIWORD(sel), bufferLength()));
    if (editing() && get().Changed.logical()) get().Assign();
  });
  runChange({}, {});
  return {};
}

Value TGet::PasteText(const Value& cTextIn) {
  if (flag(lReadOnly) || !oGet.isObject()) return {};
  std::string text;
  if (cTextIn.isText()) {
    text = cTextIn.string();
  } else {
    const Value clip = clipboard(oWnd);
    if (!tell(clip, msg::Open).logical()) {
      showAlert("The clipboard is not available!");
      return {};
    }
    tell(clip, msg::Close);
    const Value data = tell(clip, msg::GetText);
    text = data.isText() ? data.string() : std::string();
  }
  text.erase(0, text.find_first_not_of(' '));
  text.resize(lanmere::trimRight(text).size());
  const DWORD sel = selection();
  whileEditing([&] {
    if (HIWORD(sel) > LOWORD(sel)) {
      deleteThrough(LOWORD(sel), std::min<long long>(HIWORD(sel), bufferLength()));
    }
    typeThrough(text);
  });
  if (editing()) nPos = get().Pos;
  runChange({}, {});
  return {};
}

// ---- Spinner ----

Value TGet::Spinner(const Value& bUp, const Value& bDown, const Value& bMinNew,
                    const Value& bMaxNew) {
  if (flag(lReadOnly)) return {};
  bMin = bMinNew;
  bMax = bMaxNew;
  if (!hwnd() || !lanmere::classByName("TSCROLLBAR")) {
    spinUp_ = bUp;  // Initiate builds the arrows once the window exists
    spinDown_ = bDown;
    return {};
  }
  const Value field = self();
  auto arrow = [field](const Value& custom, bool up) {
    return lanmere::block(
        [field, custom, up](Args) -> Value {
          TGet& get = static_cast<TGet&>(*field.object());
          if (get.hwnd() && GetFocus() != get.hwnd()) {
            callWindows([&] { return ::SetFocus(get.hwnd()); });
          }
          if (custom.isClosure()) return evaluate(custom, field);
          return up ? get.increment() : get.decrement();
        },
        "(b)TGET");
  };
  oVScroll = lanmere::construct<TScrollBar>(TScrollBar::WinNewArgs{
      .lVertical = true, .oWnd = field, .bUp = arrow(bUp, true), .bDown = arrow(bDown, false)});
  return {};
}

Value TGet::increment() {
  return step(1);
}

Value TGet::decrement() {
  return step(-1);
}

// A number or a date one step up (1) or down (-1); bChange runs when the value changed.
Value TGet::step(long long direction) {
  if (!oGet.isObject() || get().BadDate() || flag(lReadOnly)) return {};
  const Value before = value();
  if (editing()) {
    assignIfEdited();
    get().UpdateBuffer();
  }
  const std::string type = get().Type.string();
  if (type == "N") ScrollNumber(direction);
  if (type == "D") ScrollDate(direction);
  if (!lanmere::exactlyEqual(before, value())) runChange({}, {});
  return {};
}

// Steps are rounded to the field's decimals, so repeated steps never drift and a limit is met
// exactly.
Value TGet::ScrollNumber(const Value& nDir) {
  lanmere::Get& g = get();
  const bool up = nDir.number() > 0;
  const Value current = g.VarGet();
  const long long caret = editing() ? g.Pos.integer() : nPos.integer();
  const long long length = bufferLength();
  int decimals = current.decimals();
  double step = 1;
  if (editing() && g.DecPos.isNumber() && g.DecPos.integer() > 0) {
    const long long point = g.DecPos.integer();
    decimals = static_cast<int>(std::max(0LL, length - point));
    if (caret >= point) {
      const long long places = std::max(1LL, caret - point - 1);
      step = std::pow(10.0, -static_cast<double>(places));
    }
  }
  const double result = lanmere::roundHalfAway(current.number() + (up ? step : -step), decimals);
  const Value& limit = up ? bMax : bMin;
  if (limit.isClosure()) {
    const double bound = lanmere::roundHalfAway(evaluate(limit).number(), decimals);
    if (up ? result > bound : result < bound) {
      MessageBeep(0xFFFFFFFF);
      return {};
    }
  }
  const Value stored =
      decimals > 0 ? Value(result, decimals) : Value(static_cast<long long>(std::llround(result)));
  g.VarPut(stored);
  if (editing()) {
    g.KillFocus();
    g.SetFocus();
    g.assignPos(caret);
    nPos = g.Pos;
    EditUpdate();
  } else {
    Refresh();
  }
  return {};
}

// The part stepped is the one the date format (with "@E" day first) shows at the caret; a day
// that the new month or year lacks becomes that month's last day.
Value TGet::ScrollDate(const Value& nDir) {
  lanmere::Get& g = get();
  const Value current = g.VarGet();
  if (!current.isDate() || current.julian() == 0) return {};
  const int dir = nDir.number() > 0 ? 1 : -1;
  const std::string format = lanmere::upper(lanmere::pictureDateFormat(
      lanmere::parsePicture(cPicture.isText() ? cPicture.string() : std::string())));
  const long long caret = editing() ? g.Pos.integer() : nPos.integer();
  auto partAt = [&](long long pos) -> char {
    return pos >= 1 && pos <= static_cast<long long>(format.size()) ? format[pos - 1] : ' ';
  };
  char part = partAt(caret);
  if (part != 'D' && part != 'M' && part != 'Y') part = partAt(caret - 1);
  if (part != 'D' && part != 'M' && part != 'Y') part = 'D';
  int year = 0, month = 0, day = 0;
  lanmere::dateFromJulian(current.julian(), year, month, day);
  std::int32_t julian = current.julian();
  if (part == 'D') {
    julian += dir;
  } else {
    if (part == 'M') {
      month += dir;
      if (month > 12) month = 1, ++year;
      if (month < 1) month = 12, --year;
    } else {
      year += dir;
    }
    day = std::min(day, daysInMonth(year, month));
    julian = lanmere::julianFromDate(year, month, day);
  }
  const Value& limit = dir > 0 ? bMax : bMin;
  if (limit.isClosure()) {
    const Value bound = evaluate(limit);
    if (bound.isDate() && (dir > 0 ? julian > bound.julian() : julian < bound.julian())) {
      MessageBeep(0xFFFFFFFF);
      return {};
    }
  }
  g.VarPut(Value::date(julian));
  if (editing()) {
    g.KillFocus();
    g.SetFocus();
  }
  DispText();
  const std::size_t first = format.find(part);
  const std::size_t last = format.rfind(part);
  if (first != std::string::npos) {
    SetSel(static_cast<long long>(first), static_cast<long long>(last + 1));
    nPos = static_cast<long long>(last + 1);
    if (editing()) g.assignPos(nPos);
  }
  return {};
}

// ---- Keys ----

Value TGet::KeyDown(const Value& nKey, const Value& nFlags) {
  const long long key = nKey.integer();
  TWindow* above = parent();
  if (above) above->nLastKey = nKey;
  if (bKeyDown.isClosure()) {
    const Value answer = evaluate(bKeyDown, nKey, nFlags, self());
    if (answer.isNumber() && answer.integer() == 0) return 0;
  }
  const bool shift = keyDown(VK_SHIFT);
  const bool ctrl = keyDown(VK_CONTROL);
  const bool alt = keyDown(VK_MENU);
  switch (key) {
    case VK_PRIOR:
    case VK_NEXT:
      if (flag(lSpinner)) key == VK_PRIOR ? decrement() : increment();
      return TControl::KeyDown(nKey, nFlags);
    case VK_UP:
    case VK_DOWN:
      if (above && above->aControls.length() > 1) {
        tell(oWnd, key == VK_UP ? msg::GoPrevCtrl : msg::GoNextCtrl, hWnd);
        return 1;
      }
      return TControl::KeyDown(nKey, nFlags);
    case VK_LEFT:
    case VK_RIGHT:
      return keyLeftRight(key);
    case VK_INSERT:
      if (shift && !alt) return keyPasteCut(key);
      if (!ctrl && !shift) return keyInsert();
      return TControl::KeyDown(nKey, nFlags);
    case 'V':
    case 'X':
      if (ctrl && !alt) return keyPasteCut(key);
      return TControl::KeyDown(nKey, nFlags);
    case VK_HOME:
    case VK_END:
      return keyHomeEnd(key);
    case VK_DELETE:
    case VK_BACK:
      return keyDelete(key, nFlags);
    case VK_TAB:
      return 0;  // the character decides, once bChange has been asked
    default:
      return TControl::KeyDown(nKey, nFlags);
  }
}

// The system caret follows the GET's cursor; with Shift the system control extends the
// selection, one step at a time until it reaches the cursor or stops moving.
Value TGet::keyLeftRight(long long key) {
  if (!editing()) return 0;
  lanmere::Get& g = get();
  const long long before = g.Pos.integer();
  const bool left = key == VK_LEFT;
  if (keyDown(VK_CONTROL)) {
    left ? g.WordLeft() : g.WordRight();
  } else if (!left) {
    g.Right();
  } else if (nPos.integer() <= bufferLength()) {
    g.Left();  // past the end, one step left is the last character, where the cursor stands
  }
  // Right at the end puts the caret behind the last character: the field stands past the end.
  long long target = g.Pos.integer() - 1;
  if (!left && g.TypeOut.logical() && before >= bufferLength()) target = before;
  if (keyDown(VK_SHIFT) && !flag(lPassword)) {
    for (long long steps = 0; steps <= bufferLength(); ++steps) {
      const DWORD was = selection();
      const long long caret = left ? LOWORD(was) : HIWORD(was);
      if (left ? caret <= target : caret >= target) break;
      callPrevious(WM_KEYDOWN, static_cast<WPARAM>(key), 0);
      if (selection() == was) break;
    }
  } else {
    caretTo(target + 1);
  }
  nPos = target + 1;
  return 0;
}

Value TGet::keyInsert() {
  lanmere::setInsertMode(!lanmere::insertMode());
  caretShape();
  return 0;
}

// Paste and cut go through the GET (see PasteText and Cut); the result is assigned.
Value TGet::keyPasteCut(long long key) {
  if (flag(lReadOnly)) return 0;
  if (key == 'X') {
    Cut();
  } else {
    PasteText({});
    assignIfEdited();
  }
  return 0;
}

Value TGet::keyHomeEnd(long long key) {
  if (!editing()) return 0;
  lanmere::Get& g = get();
  if (keyDown(VK_SHIFT)) {
    callPrevious(WM_KEYDOWN, static_cast<WPARAM>(key), 0);
    g.assignPos(static_cast<long long>(LOWORD(selection())) + 1);
  } else {
    key == VK_HOME ? g.Home() : g.End();
    long long caret = g.Pos.integer();
    if (key == VK_END && caret == bufferLength()) ++caret;
    caretTo(caret);
    nPos = caret;
    return 0;
  }
  nPos = g.Pos;
  return 0;
}

Value TGet::keyDelete(long long key, const Value& nFlags) {
  if (flag(lReadOnly)) return 0;
  if (flag(lDrag)) return TControl::KeyDown(key, nFlags);
  if (!editing()) return 0;
  lanmere::Get& g = get();
  const DWORD sel = selection();
  // Past the end (nPos behind the buffer) Delete has nothing to remove and Backspace removes the
  // character the GET's cursor stands on, the last one.
  const bool beyond = nPos.integer() > bufferLength();
  if (HIWORD(sel) > LOWORD(sel)) {
    // With Shift the system control gets the key while the selection stands (Shift+Delete is
    // its cut); the GET then deletes the selection unless a cut message already did.
    const std::string before = g.Buffer.string();
    if (keyDown(VK_SHIFT)) callPrevious(WM_KEYDOWN, static_cast<WPARAM>(key), 0);
    if (g.Buffer.string() == before) {
      GetDelSel(static_cast<long long>(LOWORD(sel)), static_cast<long long>(HIWORD(sel)));
    }
  } else if (key == VK_DELETE) {
    if (!beyond) g.Delete();
  } else {
    beyond ? g.Delete() : g.BackSpace();
  }
  EditUpdate();
  if (key == VK_DELETE && beyond && HIWORD(sel) <= LOWORD(sel)) {
    caretTo(bufferLength() + 1);
  } else {
    nPos = g.Pos;
  }
  runChange(key, nFlags);
  return 0;
}

Value TGet::KeyChar(const Value& nKey, const Value& nFlags) {
  long long key = nKey.integer();
  if (bKeyChar.isClosure()) {
    const Value answer = evaluate(bKeyChar, nKey, nFlags, self());
    if (answer.isNumber() && answer.integer() == 0) return 0;
  }
  if (key == VK_ESCAPE) {
    tell(oWnd, msg::KeyChar, nKey, nFlags);
    return 1;
  }
  if (upperCasePicture() && key < 256) key = std::toupper(static_cast<int>(key));
  const Value action = lanmere::keyAction(key);
  if (action.isClosure() && (nFlags.integer() & kExtendedKey)) {
    evaluate(action, lanmere::procName(1), lanmere::procLine(1), self());
    return 0;
  }
  const bool navigation = key == VK_TAB || key == VK_RETURN;
  // A read-only field still lets Tab and Enter move on: the user could not leave it otherwise.
  if ((flag(lReadOnly) && !navigation) || key == VK_BACK) return 0;
  if (key == VK_TAB && keyDown(VK_SHIFT)) {
    bool move = true;
    if (bChange.isClosure() && changed()) move = flag(runChange(nKey, nFlags));
    if (move) {
      if (inComboBox()) {
        tell(parent()->oWnd, msg::GoPrevCtrl, parent()->hWnd);
      } else {
        tell(oWnd, msg::GoPrevCtrl, hWnd);
      }
    }
    return 0;
  }
  if (navigation) {
    bool move = true;
    if (bChange.isClosure() && changed()) {
      const Value answer = runChange(nKey, nFlags);
      move = !(answer.isLogical() && !answer.logical());
    }
    if (move) {
      tell(oWnd, msg::GoNextCtrl, hWnd);
      if (key == VK_RETURN) TControl::KeyChar(nKey, nFlags);
    }
    return 0;
  }
  if (key >= 32 && key <= 255) {
    if (!editing() || nPos.integer() > bufferLength()) return 0;
    lanmere::Get& g = get();
    const DWORD sel = selection();
    if (HIWORD(sel) > LOWORD(sel)) {
      GetDelSel(static_cast<long long>(LOWORD(sel)), static_cast<long long>(HIWORD(sel)));
    }
    const bool wasLast = g.Pos.integer() == bufferLength();
    if (g.Type.string() == "N" && (key == '.' || key == ',')) {
      if (g.Clear.logical()) {
        g.Home();
        g.DelEnd();
      }
      g.ToDecPos();
    } else {
      const Value typed(std::string(1, static_cast<char>(key)));
      lanmere::insertMode() ? g.Insert(typed) : g.Overstrike(typed);
      if (g.Rejected.logical()) bell();
    }
    EditUpdate();
    nPos = g.Pos;
    if (wasLast && !g.Rejected.logical()) {
      nPos = bufferLength() + 1;  // past the end: further characters are ignored
      caretTo(nPos.integer());
    }
    if (g.TypeOut.logical()) {
      if (!lanmere::confirmSetting()) {
        if (TWindow* above = parent()) above->nLastKey = VK_RETURN;
        tell(oWnd, msg::GoNextCtrl, hWnd);
      } else {
        bell();
      }
    }
    const Value answer = runChange(nKey, nFlags);
    if (answer.isLogical() && !answer.logical()) return 0;
    evaluate(bPostKey, self(), g.Buffer);
    if (oBtn.isObject()) tell(oBtn, msg::Refresh);
    return 0;
  }
  if (key == kCtrlV || key == kCtrlX || key == kCtrlZ) return 0;
  return TControl::KeyChar(nKey, nFlags);
}

Value TGet::KeyUp(const Value& nKey, const Value&) {
  const long long key = nKey.integer();
  if (key == VK_UP || key == VK_DOWN) return 1;
  return {};
}

// ---- Focus and validation ----

Value TGet::GotFocus(const Value& hWndLost) {
  lFocused = true;
  if (!oGet.isObject()) return TControl::GotFocus(hWndLost);
  lanmere::Get& g = get();
  // Design mode edits nothing: the picture keeps its separators (nothing would restore them).
  if (flag(lDrag)) {
    HideCaret(hwnd());
    return TControl::GotFocus(hWndLost);
  }
  if (numericPicture()) {
    std::string edit = cPicture.string();
    edit.erase(std::remove(edit.begin(), edit.end(), ','), edit.end());
    g.assignPicture(edit);
  }
  if (editing()) g.KillFocus();
  g.SetFocus();
  if (inComboBox()) g.VarPut(g.Original);
  if (flag(classValue(msg::lClrFocus))) {
    nOldClrPane = nClrPane;
    const Value focus = classValue(msg::nClrFocus);
    SetColor(nClrText, focus.isClosure() ? evaluate(focus) : focus);
  }
  DispText();
  const std::string type = g.Type.string();
  if (type == "D" || type == "N" || g.Pos.integer() != 1) {
    nPos = g.Pos;
  } else {
    g.assignPos(nPos);
    nPos = g.Pos;
  }
  caretTo(nPos.integer());
  callPrevious(WM_SETFOCUS, static_cast<WPARAM>(hWndLost.integer()));
  caretTo(nPos.integer());
  if (lanmere::insertMode()) caretShape();
  TControl::GotFocus(hWndLost);
  return 0;
}

// What the user typed is stored before anything rebuilds the buffer from the variable.
Value TGet::LostFocus(const Value& hWndNew) {
  TControl::LostFocus(hWndNew);
  lFocused = false;
  if (!editing()) return {};
  lanmere::Get& g = get();
  const bool storable = !g.BadDate() && !flag(lReadOnly);
  // Only a plain text field takes a window text changed behind the GET's back as it stands.
  if (!flag(lPassword) && !templated() && windowText(hwnd()) != g.Buffer.string()) {
    g.assignBuffer(windowText(hwnd()));
  }
  if (storable) assignIfEdited();
  if (numericPicture()) g.assignPicture(cPicture);
  if (flag(classValue(msg::lClrFocus))) SetColor(nClrText, nOldClrPane);
  if (g.BadDate()) {
    g.assignPos(1);
    nPos = 1;
    DispText();
    return {};
  }
  g.KillFocus();
  DispText();
  return {};
}

Value TGet::lValid() {
  if (oGet.isObject() && get().BadDate()) {
    get().KillFocus();
    get().SetFocus();
    nPos = 1;
    MessageBeep(0xFFFFFFFF);
    return false;
  }
  assignIfEdited();
  if (!bValid.isClosure()) return true;
  const Value answer = evaluate(bValid, self());
  if (answer.isLogical() && !answer.logical()) {
    if (TWindow* above = parent()) above->nLastKey = 0;
  }
  return answer;
}

// ---- Mouse ----

Value TGet::LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (flag(lDrag)) return TControl::LButtonDown(nRow, nCol, nFlags);
  nLastRow = nRow;
  nLastCol = nCol;
  if (TWindow* above = parent()) above->nLastKey = kMouseClick;
  callPrevious(WM_LBUTTONDOWN, static_cast<WPARAM>(nFlags.integer()),
               MAKELPARAM(static_cast<WORD>(nCol.integer()), static_cast<WORD>(nRow.integer())));
  if (editing()) {
    lanmere::Get& g = get();
    nPos = static_cast<long long>(LOWORD(selection())) + 1;
    if (g.Type.string() != "N" && nPos.integer() == 1) {
      g.Home();
      nPos = g.Pos;
      caretTo(nPos.integer());
    } else {
      g.assignPos(nPos);
    }
  }
  evaluate(bLClicked, nRow, nCol, nFlags, self());
  return 1;
}

Value TGet::LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (flag(lDrag)) {
    TControl::LButtonUp(nRow, nCol, nFlags);
    Refresh();
    return {};
  }
  if (!editing()) return {};
  lanmere::Get& g = get();
  const std::string text = windowText(hwnd());
  const std::string trimmed(lanmere::trimRight(text));
  const DWORD sel = selection();
  if (!text.empty() && text[0] == '(') {
    SetPos(2);
  } else if (trimmed.empty() || trimmed == "  /  /" || trimmed == "   -  -" ||
             trimmed.substr(trimmed.find_first_not_of(' ')) == "0") {
    SetPos(1);
  } else if (HIWORD(sel) == LOWORD(sel)) {
    g.assignPos(static_cast<long long>(LOWORD(sel)) + 1);
    caretTo(g.Pos.integer());
  }
  nPos = std::clamp(g.Pos.integer(), 1LL, std::max(1LL, bufferLength()));
  return {};
}

Value TGet::RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (hwnd() && GetFocus() != hwnd()) {
    callWindows([&] { return ::SetFocus(hwnd()); });
    if (GetFocus() != hwnd()) return 0;
  }
  if (bRClicked.isClosure()) return evaluate(bRClicked, nRow, nCol, nFlags);
  return {};
}

Value TGet::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  return TControl::MouseMove(nRow, nCol, nFlags);
}

Value TGet::GetDlgCode(const Value& nKey) {
  TWindow* above = parent();
  if (above && above->aControls.length() > 1 && nKey.integer() != 0 &&
      !above->lValidating.logical()) {
    above->nLastKey = nKey;
  }
  return kWantAllKeys;
}

// Cut, paste, clear and undo, whoever sends them (the system's context menu too), edit through
// the GET.
Value TGet::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  switch (nMsg.integer()) {
    case WM_CUT:
      if (!flag(lReadOnly)) Cut();
      return 0;
    case WM_PASTE:
      if (editing()) {
        PasteText({});
        assignIfEdited();
      }
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      if (!flag(lReadOnly)) UnDo();
      return 0;
    case WM_CLEAR: {
      const DWORD sel = selection();
      if (!flag(lReadOnly) && HIWORD(sel) > LOWORD(sel)) {
        GetDelSel(static_cast<long long>(LOWORD(sel)), static_cast<long long>(HIWORD(sel)));
        runChange({}, {});
      }
      return 0;
    }
    default:
      return TControl::HandleEvent(nMsg, nWParam, nLParam);
  }
}

}  // namespace kestrel
