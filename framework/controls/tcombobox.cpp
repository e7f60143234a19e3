// TComboBox: construction and binding, the items, the selection and the bound variable, the
// drop-down list, incremental search, the editable field's behaviour, colours, owner-drawn items
// and the generated text.
//
// The selection the system shows and `nAt` are kept in step by hand: the system control clears
// its selection whenever the text of its edit area changes, so every write into the edit area
// puts the selection back (showText, keepingSelection).
#include "framework/controls/tcombobox.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "framework/controls/bitmaps.h"
#include "framework/controls/ctlsource.h"
#include "framework/controls/fontapi.h"
#include "framework/controls/gdiobj.h"
#include "framework/controls/ownerdraw.h"
#include "framework/controls/tfont.h"
#include "framework/controls/tget.h"
#include "framework/core/args.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kRowHeight = 14;
constexpr long long kColumnWidth = 8;
constexpr long long kDefaultWidth = 40;
constexpr long long kDefaultHeight = 60;
constexpr long long kDropDown = CBS_DROPDOWN;          // 2: an edit area over the list
constexpr long long kDropDownList = CBS_DROPDOWNLIST;  // 3: the default
constexpr long long kTypeMask = 3;
constexpr long long kEditBit = 2;      // styles 2 and 3 colour their edit area and list
constexpr long long kSimpleBit = 1;    // added to every style but 2
constexpr long long kPassedOn = 4096;  // handed to the system as it is
constexpr long long kDefaultFontHeight = -12;
constexpr long long kPeriodKeyCode = 190;  // the period key's virtual code, typed as "."
constexpr long long kToolTipGap = 7;       // the window class puts its tips this far below
constexpr long long kLineMargin = 8;       // a one-line control is its text height + 8
constexpr UINT kSetMinVisible = 0x1701;    // CB_SETMINVISIBLE
constexpr UINT kGetMinVisible = 0x1702;    // CB_GETMINVISIBLE
constexpr const char* kCrLf = "\r\n";

TComboBox& comboOf(const Value& combo) {
  return static_cast<TComboBox&>(*combo.object());
}

}  // namespace

LM_DEFINE_CLASS(TComboBox) {
  c.data(LM_FIELDS(aItems, aBitmaps, lOwnerDraw, nBmpHeight, nBmpWidth, nAt, bDrawItem, bCloseUp,
                   cError, oGet, cSearchKey, lIncSearch, lCaseSensitive));
  c.classData("aProperties",
              Value::list({"aItems", "cTitle", "cVarName", "l3D", "nClrText", "nClrPane", "nAlign",
                           "nTop", "nLeft", "nWidth", "nHeight", "oFont", "Cargo"}));
  c.methods(LM_METHODS(New, ReDefine, Initiate, Default, Change, Set, Select, VarGet, Refresh, Add,
                       Insert, Modify, Del, Reset, SetItems, FindString, Open, Close, State, IsOpen,
                       IsClosed, CloseUp, GetMinVisible, SetMinVisible, GotFocus, LostFocus,
                       KillFocus, KeyDown, KeyChar, lValid, CtlColor, DrawItem, HandleEvent,
                       ShowToolTip, DefControl, SetBitmaps, Destroy, End, cToChar, cGenPrg));
  c.method<&TComboBox::findItem>("Find");
  c.creatable();
}

TComboBox::TComboBox() = default;

// ---- Helpers ----

long long TComboBox::itemCount() const {
  return static_cast<long long>(aItems.isList() ? aItems.length() : 0);
}

std::string TComboBox::itemText(long long n) const {
  if (n < 1 || n > itemCount()) return {};
  const Value& item = aItems.item(static_cast<std::size_t>(n));
  return item.isText() ? item.string() : textForm(item);
}

long long TComboBox::current() const {
  const LRESULT at = send(CB_GETCURSEL);
  return at >= 0 && at < itemCount() ? static_cast<long long>(at) + 1 : 0;
}

long long TComboBox::matching(const Value& text) const {
  if (!text.isText()) return 0;
  const std::string wanted = lanmere::upper(lanmere::allTrim(text.text()));
  for (long long i = 1; i <= itemCount(); ++i) {
    if (lanmere::upper(lanmere::allTrim(itemText(i))) == wanted) return i;
  }
  return 0;
}

// Case-insensitive, as the system's own search; an empty text begins no item.
long long TComboBox::prefixMatch(const std::string& text, long long after) const {
  if (text.empty()) return 0;
  const std::string wanted = lanmere::upper(text);
  for (long long i = std::max(after, 0LL) + 1; i <= itemCount(); ++i) {
    if (lanmere::upper(itemText(i)).compare(0, wanted.size(), wanted) == 0) return i;
  }
  return 0;
}

Value TComboBox::bound() const {
  return bSetGet.isClosure() ? evaluate(bSetGet) : Value();
}

void TComboBox::store(const Value& value) {
  TControl::VarPut(value);
}

Value TComboBox::storedFor(long long n) const {
  if (bound().isNumber()) return n;
  return itemText(n);
}

LRESULT TComboBox::send(UINT message, WPARAM wParam, LPARAM lParam) const {
  const HWND window = hwnd();
  if (!window) return CB_ERR;
  return callWindows([&] { return SendMessageA(window, message, wParam, lParam); });
}

void TComboBox::selectIndex(long long n) {
  send(CB_SETCURSEL, static_cast<WPARAM>(n - 1));
}

namespace {

// The system control clears its list's selection when the edit area's text changes: `change`
// runs, then the selection it found is given back to the list directly (through the combo box
// it would rewrite the edit area again).
template <class Change>
void keepingSelection(HWND combo, Change&& change) {
  const LRESULT selected = combo ? SendMessageA(combo, CB_GETCURSEL, 0, 0) : CB_ERR;
  change();
  if (!combo || SendMessageA(combo, CB_GETCURSEL, 0, 0) == selected) return;
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(combo, &info) && info.hwndList) {
    SendMessageA(info.hwndList, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  }
}

}  // namespace

void TComboBox::showText(const std::string& text) {
  const HWND window = hwnd();
  if (!window) return;
  keepingSelection(window,
                   [&] { callWindows([&] { return SetWindowTextA(window, text.c_str()); }); });
}

bool TComboBox::editBound() const {
  return oGet.isObject() && static_cast<const TGet&>(*oGet.object()).hwnd();
}

// The edit field shows the variable again.
void TComboBox::refreshEdit() {
  if (!editBound()) return;
  keepingSelection(hwnd(), [&] { tell(oGet, msg::Refresh); });
}

// Items are sent at explicit places (appended with -1), never through CB_ADDSTRING, which sorts
// on its own in a sorted list; aItems holds texts only.
void TComboBox::fillControl() {
  if (!aItems.isList()) aItems = Value::list();
  for (Value& item : aItems.items()) {
    if (!item.isText()) item = textForm(item);
  }
  if (!hwnd()) return;
  send(CB_RESETCONTENT);
  for (const Value& item : aItems.items()) {
    const std::string text = item.string();
    send(CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  }
}

// The measure request reaches the parent while the window is being created, before this object
// is linked to it: the item height is set again afterwards.
void TComboBox::applyItemHeight() {
  if (!flag(lOwnerDraw) || !nBmpHeight.isNumber() || nBmpHeight.integer() <= 0) return;
  if (send(CB_GETITEMHEIGHT) != nBmpHeight.integer()) {
    send(CB_SETITEMHEIGHT, 0, static_cast<LPARAM>(nBmpHeight.integer()));
  }
}

// ---- Construction ----

Value TComboBox::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool design = flag(a.lDesign);
  const bool pixel = flag(a.lPixel);
  const long long width = number(a.nWidth, kDefaultWidth);
  const long long height = number(a.nHeight, kDefaultHeight);
  const long long comboStyle = number(a.nStyle, kDropDownList);
  nTop = cellPixels(a.nRow, pixel ? 1 : kRowHeight);
  nLeft = cellPixels(a.nCol, pixel ? 1 : kColumnWidth);
  nBottom = nTop.integer() + height - 1;
  nRight = nLeft.integer() + width - 1;
  fullHeight_ = height;
  cCaption = "";
  bSetGet = a.bSetGet;
  aItems = a.aItems.isList() ? a.aItems : Value::list();
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  nHelpId = a.nHelpId;
  bChange = a.bChange;
  bValid = a.bValid;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bDrawItem = a.bDrawItem;
  nAt = 0;
  cSearchKey = "";
  lDrag = design;
  lCaptured = false;
  lFocused = false;
  // Without a foreground colour both are the system's, whatever background was passed.
  if (a.nClrFore.isNil()) {
    SetColor(sysColor(COLOR_WINDOWTEXT), sysColor(COLOR_WINDOW));
  } else {
    SetColor(a.nClrFore, orDefault(a.nClrBack, sysColor(COLOR_WINDOW)));
  }
  oFont = a.oFont;
  if (!oFont.isObject()) oFont = tell(oWnd, msg::oFont);
  if (!oFont.isObject() && lanmere::classByName("TFONT")) {
    oFont = lanmere::construct<TFont>(
        {.cFaceName = GETSYSFONT(), .nWidth = 0, .nHeight = kDefaultFontHeight});
    fontUse_.hold(oFont);
  }
  if (!isEmpty(a.acBitmaps)) SetBitmaps(a.acBitmaps);
  long long style = comboStyle | (comboStyle != kDropDown ? kSimpleBit : 0) | kPassedOn |
                    WS_TABSTOP | WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL;
  if (design) style |= WS_CLIPSIBLINGS;
  if (flag(lOwnerDraw)) style |= CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
  nStyle = style;
  nId = GetNewId();
  if (comboStyle == kDropDown) defineEdit(a.cEditPict, a.bEChange);
  createOrDefer("COMBOBOX", design, [&] {
    if (!hwnd()) return;
    SetFont(oFont);
    fontUse_.release(oFont);
    afterCreation();
  });
  return self();
}

Value TComboBox::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  const long long comboStyle = number(a.nStyle, kDropDownList);
  bSetGet = a.bSetGet;
  aItems = a.aItems.isList() ? a.aItems : Value::list();
  nHelpId = a.nHelpId;
  bValid = a.bValid;
  bChange = a.bChange;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bDrawItem = a.bDrawItem;
  nAt = 0;
  cSearchKey = "";
  lDrag = false;
  lCaptured = false;
  redefined_ = true;
  nStyle = comboStyle;  // the window's own style replaces it once the window exists
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  if (a.nClrFore.isNil()) {
    SetColor(sysColor(COLOR_WINDOWTEXT), sysColor(COLOR_WINDOW));
  } else {
    SetColor(a.nClrFore, orDefault(a.nClrBack, sysColor(COLOR_WINDOW)));
  }
  if (!isEmpty(a.acBitmaps)) SetBitmaps(a.acBitmaps);
  // Whether the resource's combo box has an edit area is known only in Initiate: a field
  // defined here for a drop-down list is let go there.
  if (comboStyle & kEditBit) defineEdit(a.cEditPict, a.bEChange);
  hWnd = 0;
  Redefine(a.nId, oWnd);
  return self();
}

Value TComboBox::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  if (!hwnd()) return {};
  fontUse_.release(oFont);  // the window has taken its use of the font
  afterCreation();
  return {};
}

void TComboBox::afterCreation() {
  applyItemHeight();
  Default();
  bindEdit();
  Refresh();
}

// The edit field edits text; the variable it reaches through this closure holds what the
// combo box stores: a numeric variable gets the number of the first item the text begins with
// (0 when none) and shows that item's text.
void TComboBox::defineEdit(const Value& picture, const Value& editChange) {
  if (!lanmere::classByName("TGET")) return;
  const Value me = self();
  const Value access = lanmere::block(
      [me](Args args) -> Value {
        TComboBox& combo = comboOf(me);
        const Value value = combo.bound();
        if (args.empty()) {
          if (value.isNumber()) return combo.itemText(value.integer());
          return value.isNil() ? Value("") : value;
        }
        if (value.isNumber()) {
          combo.store(combo.prefixMatch(lanmere::allTrim(textForm(args[0])), 0));
        } else {
          combo.store(args[0]);
        }
        return args[0];
      },
      "(b)TCOMBOBOX");
  oGet = lanmere::construct<TGet>(TGet::ReDefineArgs{.bSetGet = access,
                                                     .oWnd = me,
                                                     .nHelpId = nHelpId,
                                                     .cPicture = picture,
                                                     .nClrFore = nClrText,
                                                     .nClrBack = nClrPane,
                                                     .oFont = oFont,
                                                     .cMsg = cMsg,
                                                     .bChanged = editChange});
}

// The field is bound to the combo box's edit child; a combo box without one (a drop-down list)
// lets the field go.
void TComboBox::bindEdit() {
  if (!oGet.isObject() || !hwnd()) return;
  TGet& field = static_cast<TGet&>(*oGet.object());
  if (field.hwnd()) return;
  const HWND edit = FindWindowExA(hwnd(), nullptr, "Edit", nullptr);
  if (!edit) {
    if (aControls.isList()) {
      std::erase_if(aControls.listData()->items,
                    [&](const Value& control) { return control.sharesStorageWith(oGet); });
    }
    oGet = Value();
    return;
  }
  field.nId = static_cast<long long>(GetDlgCtrlID(edit));
  field.Initiate(hWnd);
  const Value me = self();
  // Tab and Enter move on from the combo box, Shift+Tab back; the field ignores them.
  field.bKeyDown = lanmere::block(
      [me](Args args) -> Value {
        const long long key = lanmere::arg(args, 1).integer();
        if (key != VK_TAB && key != VK_RETURN) return {};
        const TComboBox& combo = comboOf(me);
        const bool back = key == VK_TAB && keyDown(VK_SHIFT);
        tell(combo.oWnd, back ? msg::GoPrevCtrl : msg::GoNextCtrl, combo.hWnd);
        return 0;
      },
      "(b)TCOMBOBOX");
  field.bKeyChar = lanmere::block(
      [](Args args) -> Value {
        const long long key = lanmere::arg(args, 1).integer();
        return key == VK_TAB || key == VK_RETURN ? Value(0) : Value();
      },
      "(b)TCOMBOBOX");
  field.bLostFocus = lanmere::block(
      [me](Args) -> Value {
        comboOf(me).editLostFocus();
        return {};
      },
      "(b)TCOMBOBOX");
  // The field's validation is the combo box's: the control protocol runs it once the focus has
  // moved, and a refusal gives the keyboard focus back to the field.
  field.bValid =
      lanmere::block([me](Args) -> Value { return comboOf(me).lValid(); }, "(b)TCOMBOBOX");
}

// The text is stored as typed, and the first item beginning with it becomes current; an empty
// text begins no item.
void TComboBox::editLostFocus() {
  const std::string text = windowText(hwnd());
  const long long found = prefixMatch(lanmere::allTrim(text), 0);
  store(bound().isNumber() ? Value(found) : Value(text));
  Select(found);
  showText(text);
}

// ---- Items and the selection ----

Value TComboBox::Default() {
  if (redefined_ && hwnd() && nStyle.integer() == kDropDownList) {
    nStyle = static_cast<long long>(static_cast<DWORD>(GetWindowLongPtrA(hwnd(), GWL_STYLE)));
  }
  Value value = bound();
  if (value.isNil()) {
    value = itemCount() > 0 ? Value(itemText(1)) : Value("");
    store(value);
  }
  fillControl();
  const long long found = value.isNumber() ? value.integer() : matching(value);
  // An item number beyond the list (a stale variable) names the first item.
  nAt = found >= 1 && found <= itemCount() ? found : (itemCount() > 0 ? 1 : 0);
  selectIndex(nAt.integer());
  Set(value);
  return {};
}

// The variable receives the kind it holds: a number for a numeric variable, else the text.
Value TComboBox::Set(const Value& uValue) {
  const Value value = bound();
  const bool numeric = value.isNumber() || (value.isNil() && uValue.isNumber());
  const long long count = itemCount();
  long long n = 0;
  if (uValue.isNumber()) {
    n = uValue.integer();
    if (n < 1 || n > count) n = count > 0 ? 1 : 0;  // 0, and a number beyond the list, name item 1
  } else {
    n = matching(uValue);
  }
  if (n > 0 || uValue.isNumber()) {
    nAt = n;
    selectIndex(n);
    if (uValue.isNumber() || numeric) {
      store(numeric ? Value(n) : Value(itemText(n)));
    } else {
      store(uValue);
    }
    refreshEdit();
    return {};
  }
  // A text no item equals is stored and shown as it is.
  const std::string text = uValue.isText() ? uValue.string() : textForm(uValue);
  store(numeric ? Value(0) : Value(text));
  if (editBound()) {
    refreshEdit();
  } else {
    showText(text);
  }
  return {};
}

// An item number beyond the list leaves no item current.
Value TComboBox::Select(const Value& nItem) {
  long long n = nItem.integer();
  if (n < 1 || n > itemCount()) n = 0;
  nAt = n;
  selectIndex(n);
  return {};
}

Value TComboBox::Change() {
  const std::string before = windowText(hwnd());
  const long long n = current();
  if (n == nAt.integer() && !isEmpty(bound())) return {};
  nAt = n;
  if (n >= 1) store(storedFor(n));
  refreshEdit();
  return evaluate(bChange, self(), before);
}

Value TComboBox::VarGet() {
  const long long n = current();
  if (n < 1) return windowText(hwnd());
  nAt = n;
  return itemText(n);
}

Value TComboBox::Refresh(const Value& lErase) {
  Set(bound());
  return TControl::Refresh(lErase);
}

// Positions outside 1 .. count append.
Value TComboBox::Add(const Value& cItem, const Value& nPos) {
  const std::string text = textForm(cItem);
  const long long count = itemCount();
  long long pos = nPos.integer();
  if (pos < 1 || pos > count) pos = count + 1;
  if (!aItems.isList()) aItems = Value::list();
  auto& items = aItems.listData()->items;
  items.insert(items.begin() + (pos - 1), Value(text));
  send(CB_INSERTSTRING, static_cast<WPARAM>(pos - 1), reinterpret_cast<LPARAM>(text.c_str()));
  if (nAt.integer() >= pos) nAt = nAt.integer() + 1;
  return {};
}

// Before item nPos; beyond the last item appends; 0 (the default) and below do nothing.
Value TComboBox::Insert(const Value& cItem, const Value& nPos) {
  const long long pos = nPos.integer();
  if (pos < 1) return {};
  return Add(cItem, std::min(pos, itemCount() + 1));
}

Value TComboBox::Modify(const Value& cItem, const Value& nPos) {
  const long long pos = nPos.integer();
  if (pos < 1 || pos > itemCount()) return {};
  const std::string text = textForm(cItem);
  aItems.listData()->items[static_cast<std::size_t>(pos - 1)] = Value(text);
  const LRESULT selected = send(CB_GETCURSEL);
  send(CB_DELETESTRING, static_cast<WPARAM>(pos - 1));
  send(CB_INSERTSTRING, static_cast<WPARAM>(pos - 1), reinterpret_cast<LPARAM>(text.c_str()));
  if (selected == pos - 1) send(CB_SETCURSEL, static_cast<WPARAM>(selected));
  return {};
}

// nAt follows the item it named; the removed item leaves none current.
Value TComboBox::Del(const Value& nPos) {
  const long long pos = nPos.integer();
  if (pos < 1 || pos > itemCount()) return {};
  auto& items = aItems.listData()->items;
  items.erase(items.begin() + (pos - 1));
  send(CB_DELETESTRING, static_cast<WPARAM>(pos - 1));
  if (nAt.integer() == pos) {
    nAt = 0;
  } else if (nAt.integer() > pos) {
    nAt = nAt.integer() - 1;
  }
  return {};
}

Value TComboBox::Reset(const Value& lChange) {
  store(bound().isNumber() ? Value(0) : Value(""));
  aItems = Value::list();
  send(CB_RESETCONTENT);
  nAt = 0;
  refreshEdit();
  if (flag(lChange, true)) Change();
  return {};
}

Value TComboBox::SetItems(const Value& aNewItems, const Value& lChange) {
  Reset(false);
  aItems = aNewItems.isList() ? aNewItems : Value::list();
  Default();
  Select(1);
  if (flag(lChange, true)) Change();
  return {};
}

Value TComboBox::FindString(const Value& cText, const Value& nFrom) {
  return prefixMatch(textForm(cText), nFrom.integer());
}

Value TComboBox::findItem(const Value& cText, const Value& nFrom) {
  return FindString(cText, nFrom).integer() > 0;
}

// ---- The drop-down list ----

Value TComboBox::Open() {
  send(CB_SHOWDROPDOWN, TRUE);
  return {};
}

Value TComboBox::Close(const Value&) {
  send(CB_SHOWDROPDOWN, FALSE);
  return {};
}

Value TComboBox::State() {
  return send(CB_GETDROPPEDSTATE) > 0 ? 1 : 0;
}

Value TComboBox::IsOpen() {
  return State().integer() == 1;
}

Value TComboBox::IsClosed() {
  return State().integer() == 0;
}

Value TComboBox::CloseUp() {
  return evaluate(bCloseUp, self());
}

Value TComboBox::GetMinVisible() {
  if (!ISAPPTHEMED()) return 0;
  return static_cast<long long>(send(kGetMinVisible));
}

Value TComboBox::SetMinVisible(const Value& nCount) {
  if (!ISAPPTHEMED()) return false;
  return send(kSetMinVisible, static_cast<WPARAM>(nCount.integer())) != 0;
}

// ---- Events ----

Value TComboBox::GotFocus(const Value& hWndLost) {
  cSearchKey = "";
  return TControl::GotFocus(hWndLost);
}

namespace {

bool ownChild(HWND combo, const Value& other) {
  const HWND window = handleFrom<HWND>(other);
  return combo && window && IsChild(combo, window);
}

}  // namespace

// The focus passing on to the combo box's own edit area has not left the control: nothing is
// stored and nothing validated then.
Value TComboBox::LostFocus(const Value& hWndNew) {
  TControl::LostFocus(hWndNew);
  if (ownChild(hwnd(), hWndNew)) return {};
  const long long n = current();
  if (n >= 1) {
    nAt = n;
    store(storedFor(n));
  } else {
    store(bound().isNumber() ? Value(0) : Value(windowText(hwnd())));
  }
  return {};
}

Value TComboBox::KillFocus(const Value& hWndNew) {
  if (ownChild(hwnd(), hWndNew)) return LostFocus(hWndNew);
  return TControl::KillFocus(hWndNew);
}

Value TComboBox::KeyDown(const Value& nKey, const Value& nFlags) {
  if (nKey.integer() == VK_ESCAPE && IsOpen().logical()) {
    Close();
    return 1;
  }
  return TControl::KeyDown(nKey, nFlags);
}

// The incremental search. Control characters other than Backspace, Tab and Enter (Esc among
// them) leave the search key as it is.
Value TComboBox::KeyChar(const Value& nKey, const Value& nFlags) {
  (void)nFlags;
  const long long key = nKey.integer();
  if (itemCount() == 0) return 0;
  const bool edit = editBound();
  const long long before = nAt.integer();
  if (flag(lIncSearch)) {
    std::string searchKey = cSearchKey.string();
    bool search = true;
    long long chosen = 0;
    if (key == ' ' && !edit) {
      searchKey.clear();
      chosen = 1;
    } else if (key == ' ') {
      searchKey += ' ';
    } else if (key == VK_BACK) {
      if (!searchKey.empty()) searchKey.pop_back();
    } else if (key == kPeriodKeyCode) {
      searchKey += '.';
    } else if (key == VK_TAB && edit) {
      tell(oWnd, keyDown(VK_SHIFT) ? msg::GoPrevCtrl : msg::GoNextCtrl, hWnd);
      return 0;
    } else if (key > ' ' && key <= 255) {
      const auto typed = static_cast<unsigned char>(key);
      searchKey += static_cast<char>(flag(lCaseSensitive) ? typed : std::toupper(typed));
    } else {
      search = false;
    }
    cSearchKey = searchKey;
    if (search) {
      Value choice;
      if (chosen == 0) {
        long long match = 0;
        for (long long i = 1; i <= itemCount() && match == 0; ++i) {
          const std::string item = itemText(i);
          if ((flag(lCaseSensitive) ? item : lanmere::upper(item)) == searchKey) match = i;
        }
        if (match > 0) {
          chosen = match;
        } else if (!edit) {
          chosen = std::max(before, 1LL);
        } else {
          choice = searchKey;
        }
      }
      if (chosen > 0) choice = bound().isNumber() ? Value(chosen) : Value(itemText(chosen));
      Set(choice);
      if (edit) {
        tell(oGet, msg::SetPos, static_cast<long long>(searchKey.size()) + 1);
      }
    }
  }
  const long long after = nAt.integer();
  if (bChange.isClosure() && (edit || (after != before && after != 0))) {
    evaluate(bChange, self(), VarGet());
  }
  if (key == VK_RETURN) return tell(oWnd, msg::GoNextCtrl, hWnd);
  return flag(lIncSearch) ? Value(0) : Value();
}

Value TComboBox::lValid() {
  if (!bValid.isClosure()) return true;
  const Value answer = evaluate(bValid, oGet, self());
  return !(answer.isLogical() && !answer.logical());
}

// Styles with the value 2 (an edit area, or a drop-down list) paint their edit area and list in
// the control's colours, on one brush made at the first request.
Value TComboBox::CtlColor(const Value&, const Value& hDCCtl) {
  if (!(nStyle.integer() & kEditBit)) return {};
  const HDC dc = handleFrom<HDC>(hDCCtl);
  const auto text = static_cast<COLORREF>(nClrText.integer());
  const auto pane = static_cast<COLORREF>(nClrPane.integer());
  SetTextColor(dc, text);
  SetBkColor(dc, pane);
  if (!paneBrush_) paneBrush_ = createSolidBrush(pane);
  return handleNumber(paneBrush_);
}

// Items of an owner-drawn combo box go to the shared painter; a request for a menu entry belongs
// to an attached pop-up menu.
Value TComboBox::DrawItem(const Value& nIdCtl, const Value& pItemStruct) {
  const auto* item = handleFrom<const DRAWITEMSTRUCT*>(pItemStruct);
  if (!item) return {};
  if (item->CtlType == ODT_MENU) return drawPopupEntry(nIdCtl, pItemStruct);
  if (!flag(lOwnerDraw) || item->hwndItem != hwnd()) return TControl::DrawItem(nIdCtl, pItemStruct);
  const OwnerDrawnList list{*this,     aItems, aBitmaps, static_cast<int>(nBmpWidth.integer()),
                            bDrawItem, true};
  return static_cast<long long>(drawOwnerItem(list, *item));
}

// The pop-up's entries are painted by the window class, which reaches the menu module's
// painters by name.
Value TComboBox::drawPopupEntry(const Value& nIdCtl, const Value& pItemStruct) {
  if (!oPopup.isObject()) return {};
  return TControl::DrawItem(nIdCtl, pItemStruct);
}

Value TComboBox::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (nMsg.integer() == kWmFrameworkCloseUp) {
    lanmere::send(self(), msg::CloseUp);
    return 0;
  }
  return TControl::HandleEvent(nMsg, nWParam, nLParam);
}

// The tip goes below the first line, as if the control were one text line high.
Value TComboBox::ShowToolTip(const Value& nRow, const Value& nCol, const Value& uToolTip) {
  const Value row =
      nRow.isNil() ? Value(nGetChrHeight().integer() + kLineMargin + kToolTipGap) : nRow;
  return TControl::ShowToolTip(row, nCol, uToolTip);
}

// ---- Children, bitmaps and the end ----

// The edit field stays in the combo box's own list: it is never an item of the dialog's
// template nor one of the dialog's controls.
Value TComboBox::DefControl(const Value& oCtrl) {
  AddControl(oCtrl);
  tell(oCtrl, msg::_hWnd, 0);
  return {};
}

// Entries are file names (read when the file exists, else loaded from the resources) or bitmap
// handles. The bitmaps held so far are released.
Value TComboBox::SetBitmaps(const Value& acBitmaps) {
  lOwnerDraw = true;
  setItemBitmaps({aBitmaps, nBmpWidth, nBmpHeight}, acBitmaps, resourceModule());
  applyItemHeight();
  return {};
}

Value TComboBox::Destroy() {
  const lanmere::Ref<TComboBox> keep(this);
  releaseItemBitmaps(aBitmaps);
  if (oGet.isObject()) tell(std::exchange(oGet, Value()), msg::Destroy);
  if (paneBrush_) deleteObject(std::exchange(paneBrush_, nullptr));
  fontUse_.release(oFont);
  const Value answer = TControl::Destroy();
  bDrawItem = Value();
  bCloseUp = Value();
  return answer;
}

Value TComboBox::End() {
  if (hwnd()) Hide();
  return TControl::End();
}

// ---- Generation ----

Value TComboBox::cToChar(const Value& cClassName) {
  return TControl::cToChar(cClassName.isText() ? cClassName : Value("COMBOBOX"));
}

// The height is the whole control's, its drop-down list included (as New was given it), so the
// text builds the same control again.
Value TComboBox::cGenPrg() {
  const ControlBox box = controlBox(*this);
  const long long height = fullHeight_ > 0 ? fullHeight_ : box.height;
  std::string items;
  for (const Value& item : aItems.items()) {
    if (!items.empty()) items += ", ";
    items += '"' + textForm(item) + '"';
  }
  return std::string(kCrLf) + "   @ " + field3(box.top) + ", " + field3(box.left) +
         " COMBOBOX oCbx VAR cItem ITEMS { " + items + " } ;" + kCrLf + "      SIZE " +
         field3(box.width) + ", " + field3(height) + " PIXEL OF oWnd" + kCrLf;
}

Value TCOMBOBOX() {
  return Value(lanmere::make<TComboBox>());
}

const lanmere::ModuleTable& tComboBoxModule() {
  TComboBox::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TCOMBOBOX>("TCOMBOBOX")}};
  return module;
}

}  // namespace kestrel
