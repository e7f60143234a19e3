// TListBox: construction and binding, filling the control, the selection and the bound
// variable, the item operations, owner drawing and the generated texts.
//
// Items go into the control with LB_INSERTSTRING at the index aItems has them at, never with
// LB_ADDSTRING, which in a sorted list puts the item where the control's comparison says; a
// sorted list sorts aItems with that same comparison (case-insensitive) before filling. An
// owner-drawn list also has the has-strings style, so the control keeps the texts it is given.
#include "framework/controls/tlistbox.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "framework/controls/bitmaps.h"
#include "framework/controls/ctlsource.h"
#include "framework/controls/gdiobj.h"
#include "framework/controls/ownerdraw.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/symbol.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kRowHeight = 14;
constexpr long long kColumnWidth = 8;
constexpr long long kDefaultSize = 40;
constexpr long long kBaseStyle =
    LBS_NOTIFY | LBS_USETABSTOPS | WS_TABSTOP | WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL;
constexpr long long kMultipleStyles = LBS_MULTIPLESEL | LBS_EXTENDEDSEL;
constexpr long long kOwnerDrawStyles = LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE;
constexpr const char* kCrLf = "\r\n";
constexpr const char* kResourceStyles =
    "LBS_NOTIFY | WS_BORDER | LBS_USETABSTOPS | LBS_DISABLENOSCROLL | WS_BORDER | WS_VSCROLL | "
    "WS_TABSTOP";

std::string textOf(const Value& value) {
  if (value.isText()) return value.string();
  return value.isNil() ? std::string() : textForm(value);
}

// The form two texts are compared in when the list looks one up: trimmed, upper case.
std::string searchKey(const Value& value) {
  return lanmere::upper(lanmere::allTrim(textOf(value)));
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The list box's own order: the user's locale, case ignored.
bool sortsBefore(const Value& a, const Value& b) {
  return lstrcmpiA(textOf(a).c_str(), textOf(b).c_str()) < 0;
}

using Items = decltype(lanmere::ListData::items);

Items& itemsOf(Value& list) {
  if (!list.isList()) list = Value::list();
  return list.listData()->items;
}

}  // namespace

LM_DEFINE_CLASS(TListBox) {
  c.data(LM_FIELDS(aItems, aBitmaps, lOwnerDraw, nBmpHeight, nBmpWidth, cFileSpec, bDrawItem));
  c.classData("aProperties",
              Value::list({"aItems", "cTitle", "cVarName", "l3D", "nClrText", "nClrPane", "nAlign",
                           "nTop", "nLeft", "nWidth", "nHeight", "oFont", "Cargo"}));
  c.methods(LM_METHODS(New, ReDefine, Initiate, Default, SetFont, Change, Select, GoTop, GoBottom,
                       Set, GetPos, GetSelText, GetSel, IsMultipleSel, SetSel, GetSelCount,
                       GetSelItems, aSelections, SetSelItems, SetItems, Reset, Add, Insert, Modify,
                       Del, SwapUp, SwapDown, GetItem, Len, FillMeasure, DrawItem, SetBitmaps,
                       LostFocus, GetDlgCode, LButtonUp, MouseMove, Destroy, cToChar, cGenPrg));
  c.method<&TListBox::saveToRC>("SaveToRC");
  c.creatable();
}

// ---- Construction ----

Value TListBox::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool design = flag(a.lDesign);
  const bool pixel = flag(a.lPixel);
  const long long width = number(a.nWidth, kDefaultSize);
  const long long height = number(a.nHeight, kDefaultSize);
  nTop = cellPixels(a.nRow, pixel ? 1 : kRowHeight);
  nLeft = cellPixels(a.nCol, pixel ? 1 : kColumnWidth);
  nBottom = nTop.integer() + height - 1;
  nRight = nLeft.integer() + width - 1;
  cCaption = "";
  bSetGet =
      a.bSetGet.isNil() ? lanmere::block([](Args) { return Value(); }, "(b)TLISTBOX") : a.bSetGet;
  aItems = a.aItems.isList() ? a.aItems : Value::list();
  bChange = a.bChange;
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  bValid = a.bValid;
  bLDblClick = a.bLDblClick;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bDrawItem = a.bDrawItem;
  lDrag = design;
  lCaptured = false;
  lOwnerDraw = false;
  TWindow* above = parent();
  oFont = a.oFont.isObject() ? a.oFont : (above ? above->oFont : Value());
  if (!a.aBitmaps.isNil()) SetBitmaps(a.aBitmaps);

  long long windowStyle = kBaseStyle;
  if (design) windowStyle |= WS_CLIPSIBLINGS;
  if (flag(lOwnerDraw)) windowStyle |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
  if (flag(a.lMulti)) windowStyle |= LBS_MULTIPLESEL;
  if (flag(a.lSort)) windowStyle |= LBS_SORT;
  nStyle = windowStyle;
  nId = GetNewId();
  if (a.nClrFore.isNil()) {
    SetColor(sysColor(COLOR_WINDOWTEXT), sysColor(COLOR_WINDOW));
  } else {
    SetColor(a.nClrFore, a.nClrBack);
  }
  createOrDefer("LISTBOX", design, [&] {
    if (!hwnd()) return;
    Default();
    useFont();
    fitItemHeight();
    fitHeight(height);  // the height asked for, in whole rows of the font it shows
  });
  return self();
}

Value TListBox::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  bSetGet =
      a.bSetGet.isNil() ? lanmere::block([](Args) { return Value(); }, "(b)TLISTBOX") : a.bSetGet;
  aItems = a.aItems.isList() ? a.aItems : Value::list();
  bChange = a.bChange;
  nHelpId = a.nHelpId;
  bValid = a.bValid;
  cFileSpec = a.cFileSpec;
  bLDblClick = a.bLDblClick;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bDrawItem = a.bDrawItem;
  lDrag = false;
  lCaptured = false;
  lOwnerDraw = false;
  if (!a.aBitmaps.isNil()) SetBitmaps(a.aBitmaps);
  if (a.nClrFore.isNil()) {
    SetColor(sysColor(COLOR_WINDOWTEXT), sysColor(COLOR_WINDOW));
  } else {
    SetColor(a.nClrFore, a.nClrBack);
  }
  hWnd = 0;
  Redefine(a.nId, orDefault(a.oWnd, GETWNDDEFAULT()));
  return self();
}

// A resource list drawn by its owner is owner-drawn whatever was passed: its items are painted
// here or not at all.
// Its height is fitted to whole rows of the font it shows from the height its template asked
// for: the dialog manager already fitted it to rows of the font the list box was made with, and
// fitting again from that would lose up to a row.
Value TListBox::Initiate(const Value& hDlg) {
  const long long asked = templateHeight(handleFrom<HWND>(hDlg));  // before the font resizes it
  TControl::Initiate(hDlg);
  if (!hwnd()) return {};
  if (style() & kOwnerDrawStyles) lOwnerDraw = true;
  fitItemHeight();
  if (asked > 0) fitHeight(asked);
  Default();
  return {};
}

// The control is emptied first and a file already listed is not added again, so filling it
// again never doubles the items.
Value TListBox::Default() {
  const Value bound = VarGet();
  Items& items = itemsOf(aItems);
  for (Value& item : items) {
    if (item.isNil()) item = "";
  }
  if (style() & LBS_SORT) std::stable_sort(items.begin(), items.end(), sortsBefore);
  if (cFileSpec.isText() && !cFileSpec.string().empty()) {
    Value mask[] = {cFileSpec};
    const Value found = lanmere::DIRECTORY(Args(mask, 1));
    for (const Value& entry : found.items()) {
      const Value name = lowerCase(textOf(entry.item(1)));
      const bool known = std::any_of(items.begin(), items.end(), [&](const Value& item) {
        return item.isText() && item.text() == name.text();
      });
      if (!known) items.push_back(name);
    }
    std::stable_sort(items.begin(), items.end(), sortsBefore);
  }
  if (!hwnd()) return {};
  callWindows([&] { return SendMessageA(hwnd(), LB_RESETCONTENT, 0, 0); });
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string text = textOf(items[i]);
    callWindows([&] {
      return SendMessageA(hwnd(), LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(text.c_str()));
    });
  }
  const long long total = static_cast<long long>(items.size());
  if (total == 0) return {};
  long long chosen = 0;
  if (bound.isNumber()) {
    const long long n = bound.integer();
    if (n >= 1 && n <= total) chosen = n - 1;
  } else {
    const std::string key = searchKey(bound);
    for (long long i = 0; i < total; ++i) {
      if (searchKey(items[static_cast<std::size_t>(i)]) == key) {
        chosen = i;
        break;
      }
    }
  }
  if (multiple()) {
    SetSel(chosen + 1, true);
  } else {
    callWindows([&] { return SendMessageA(hwnd(), LB_SETCURSEL, chosen, 0); });
  }
  makeCurrent(chosen);
  return {};
}

// ---- Helpers ----

long long TListBox::count() const {
  if (!hwnd()) return aItems.isList() ? static_cast<long long>(aItems.length()) : 0;
  const LRESULT n = SendMessageA(hwnd(), LB_GETCOUNT, 0, 0);
  return n == LB_ERR ? 0 : static_cast<long long>(n);
}

long long TListBox::style() const {
  if (hwnd())
    return static_cast<long long>(static_cast<DWORD>(GetWindowLongPtrA(hwnd(), GWL_STYLE)));
  return nStyle.isNumber() ? nStyle.integer() : 0;
}

bool TListBox::multiple() const {
  return (style() & kMultipleStyles) != 0;
}

// A multiple-selection list answers its caret item: LB_GETCURSEL answers it only for a list
// with single selection.
long long TListBox::current() const {
  const long long total = count();
  if (!hwnd() || total == 0) return -1;
  const LRESULT at = SendMessageA(hwnd(), multiple() ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0);
  return at == LB_ERR || at < 0 || at >= total ? -1 : static_cast<long long>(at);
}

// The item becomes current; in a multiple-selection list only the caret moves, the selected
// items stay as the user chose them.
void TListBox::makeCurrent(long long index) {
  if (!hwnd()) return;
  callWindows([&] {
    return multiple() ? SendMessageA(hwnd(), LB_SETCARETINDEX, index, FALSE)
                      : SendMessageA(hwnd(), LB_SETCURSEL, index, 0);
  });
}

void TListBox::insertAt(long long index, const std::string& text) {
  Items& items = itemsOf(aItems);
  items.insert(items.begin() + std::min<long long>(index, static_cast<long long>(items.size())),
               Value(text));
  if (!hwnd()) return;
  callWindows([&] {
    return SendMessageA(hwnd(), LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
  });
}

void TListBox::removeAt(long long index) {
  Items& items = itemsOf(aItems);
  if (index < static_cast<long long>(items.size())) items.erase(items.begin() + index);
  if (hwnd()) callWindows([&] { return SendMessageA(hwnd(), LB_DELETESTRING, index, 0); });
}

// The selection into the bound variable, the kind it holds. With no current item nothing is
// stored: item 0 has no text.
void TListBox::store() {
  const long long at = current();
  if (at < 0) return;
  if (VarGet().isNumber()) {
    VarPut(at + 1);
  } else {
    VarPut(GetItem(at + 1));
  }
}

// The measure request comes while the window is being created, before it reaches this object:
// the item height is set again once the window exists.
Value TListBox::SetFont(const Value& oFontNew) {
  TControl::SetFont(oFontNew);
  RECT outer{};
  if (hwnd() && GetWindowRect(hwnd(), &outer)) fitHeight(outer.bottom - outer.top);
  return {};
}

// The system fits the height only when the size changes, so a font set after the size (as New
// and Load set it) left the rows of the font the list box was made with: a part row showed, and
// the same list box came back at another height once reloaded, its font set before its size.
void TListBox::fitHeight(long long wanted) {
  if (!hwnd() || (style() & (LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWVARIABLE))) return;
  const auto row = static_cast<long long>(SendMessageA(hwnd(), LB_GETITEMHEIGHT, 0, 0));
  RECT outer{}, inner{};
  GetWindowRect(hwnd(), &outer);
  GetClientRect(hwnd(), &inner);
  const long long frame = (outer.bottom - outer.top) - inner.bottom;
  const long long rows = wanted - frame;
  const long long fitted = row > 0 && rows > row ? frame + rows - rows % row : wanted;
  if (fitted == outer.bottom - outer.top) return;
  callWindows([&] {
    return SetWindowPos(hwnd(), nullptr, 0, 0, outer.right - outer.left, static_cast<int>(fitted),
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
  CoorsUpdate();
}

void TListBox::fitItemHeight() {
  if (!hwnd() || !flag(lOwnerDraw) || !(style() & LBS_OWNERDRAWFIXED)) return;
  const long long height = number(nBmpHeight, 0);
  if (height <= 0 || SendMessageA(hwnd(), LB_GETITEMHEIGHT, 0, 0) == height) return;
  callWindows([&] { return SendMessageA(hwnd(), LB_SETITEMHEIGHT, 0, MAKELPARAM(height, 0)); });
}

// ---- Selection and the bound variable ----

Value TListBox::Change() {
  if (count() == 0) return {};
  store();
  return evaluate(bChange, self());
}

// Numbers outside the list select nothing and change nothing.
Value TListBox::Select(const Value& nItem) {
  const long long n = number(nItem, 0);
  if (n < 1 || n > count() || !hwnd()) return {};
  if (multiple()) {
    SetSel(n, true);
  }
  makeCurrent(n - 1);
  return Change();
}

Value TListBox::GoTop() {
  return Select(1);
}

Value TListBox::GoBottom() {
  return Select(count());
}

Value TListBox::Set(const Value& cText) {
  const std::string key = searchKey(cText);
  const long long total = count();
  for (long long n = 1; n <= total; ++n) {
    if (searchKey(GetItem(n)) == key) {
      if (multiple()) SetSel(n, true);
      makeCurrent(n - 1);
      return n;
    }
  }
  return 0;
}

Value TListBox::GetPos() {
  return current() + 1;
}

Value TListBox::GetSelText() {
  return GetItem(GetPos());
}

// Whether the current item is selected (a list with multiple selection can have its caret on an
// item that is not).
Value TListBox::GetSel() {
  const long long at = current();
  return at >= 0 && SendMessageA(hwnd(), LB_GETSEL, at, 0) > 0;
}

Value TListBox::IsMultipleSel() {
  return multiple();
}

Value TListBox::SetSel(const Value& nItem, const Value& lOn) {
  const long long n = number(nItem, 0);
  if (!multiple() || !hwnd() || n < 1 || n > count()) return {};
  const BOOL on = flag(lOn, true) ? TRUE : FALSE;
  callWindows([&] { return SendMessageA(hwnd(), LB_SETSEL, on, n - 1); });
  return {};
}

Value TListBox::GetSelCount() {
  if (!multiple() || !hwnd()) return 0;
  const LRESULT n = SendMessageA(hwnd(), LB_GETSELCOUNT, 0, 0);
  return n == LB_ERR ? 0 : static_cast<long long>(n);
}

Value TListBox::GetSelItems() {
  if (!multiple()) return 0;
  const long long selected = GetSelCount().integer();
  Value list = Value::list();
  if (selected <= 0) return list;
  std::vector<int> indices(static_cast<std::size_t>(selected));
  const LRESULT got = SendMessageA(hwnd(), LB_GETSELITEMS, indices.size(),
                                   reinterpret_cast<LPARAM>(indices.data()));
  if (got == LB_ERR) return list;
  indices.resize(static_cast<std::size_t>(got));
  std::sort(indices.begin(), indices.end());
  for (int index : indices) list.listData()->items.push_back(static_cast<long long>(index) + 1);
  return list;
}

Value TListBox::aSelections() {
  Value list = Value::list();
  if (!multiple()) {
    if (current() >= 0) list.listData()->items.push_back(GetSelText());
    return list;
  }
  const Value selected = GetSelItems();
  for (const Value& n : selected.items()) list.listData()->items.push_back(GetItem(n));
  return list;
}

Value TListBox::SetSelItems(const Value& aSel) {
  if (!aSel.isList()) return {};
  for (const Value& n : aSel.items()) SetSel(n, true);
  return {};
}

// ---- Items ----

Value TListBox::SetItems(const Value& aNewItems) {
  Reset();
  aItems = aNewItems.isList() ? aNewItems : Value::list();
  Default();
  if (count() > 0) {
    if (multiple()) SetSel(1, true);
    makeCurrent(0);
  }
  return Change();
}

Value TListBox::Reset() {
  VarPut(VarGet().isNumber() ? Value(0) : Value(""));
  aItems = Value::list();
  if (hwnd()) callWindows([&] { return SendMessageA(hwnd(), LB_RESETCONTENT, 0, 0); });
  return {};
}

// Inserted after item nAt (clamped into the list), so it becomes item nAt + 1.
Value TListBox::Add(const Value& cItem, const Value& nAt) {
  const long long total = count();
  const long long at = std::clamp(number(nAt, total), 0LL, total);
  insertAt(at, textOf(cItem));
  makeCurrent(at);
  return {};
}

// Before item nAt, which defaults to the current one; past the last item it appends. The
// current item stays the same item.
Value TListBox::Insert(const Value& cItem, const Value& nAt) {
  const long long was = current();
  const long long total = count();
  const long long n = nAt.isNil() ? was + 1 : number(nAt, 0);
  if (n < 1) return {};
  const long long at = std::min(n - 1, total);
  insertAt(at, textOf(cItem));
  if (was >= 0) makeCurrent(was >= at ? was + 1 : was);
  return {};
}

Value TListBox::Modify(const Value& cItem, const Value& nAt) {
  const long long n = nAt.isNil() ? current() + 1 : number(nAt, 0);
  if (n < 1 || n > count()) return {};
  const bool selected = hwnd() && multiple() && SendMessageA(hwnd(), LB_GETSEL, n - 1, 0) > 0;
  removeAt(n - 1);
  insertAt(n - 1, textOf(cItem));
  if (selected) SetSel(n, true);
  makeCurrent(n - 1);
  return {};
}

Value TListBox::Del(const Value& nAt) {
  const long long n = nAt.isNil() ? current() + 1 : number(nAt, 0);
  const long long total = count();
  if (n < 1 || n > total) return {};
  removeAt(n - 1);
  if (total == 1) {
    if (hwnd() && !multiple()) {
      callWindows([&] { return SendMessageA(hwnd(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0); });
    }
    return {};
  }
  makeCurrent(std::min(n - 1, total - 2));
  return {};
}

namespace {

// Exchanges the items (and their bitmaps) at 0-based positions `upper` and upper + 1 in the
// lists; the control is rewritten by the caller.
void swapInLists(Value& items, Value& bitmaps, long long upper) {
  Items& texts = itemsOf(items);
  const auto at = static_cast<std::size_t>(upper);
  if (at + 1 < texts.size()) std::swap(texts[at], texts[at + 1]);
  if (bitmaps.isList() && at + 1 < bitmaps.length()) {
    std::swap(bitmaps.listData()->items[at], bitmaps.listData()->items[at + 1]);
  }
}

}  // namespace

Value TListBox::SwapUp() {
  const long long at = current();
  if (at < 1 || !hwnd()) return {};
  const bool multi = multiple();
  const LRESULT upperSel = multi ? SendMessageA(hwnd(), LB_GETSEL, at - 1, 0) : 0;
  const LRESULT lowerSel = multi ? SendMessageA(hwnd(), LB_GETSEL, at, 0) : 0;
  const std::string moved = textOf(GetItem(at + 1));
  callWindows([&] { return SendMessageA(hwnd(), LB_DELETESTRING, at, 0); });
  callWindows([&] {
    return SendMessageA(hwnd(), LB_INSERTSTRING, at - 1, reinterpret_cast<LPARAM>(moved.c_str()));
  });
  swapInLists(aItems, aBitmaps, at - 1);
  if (multi) {
    SetSel(at, lowerSel > 0);
    SetSel(at + 1, upperSel > 0);
  }
  makeCurrent(at - 1);
  if (hwnd()) InvalidateRect(hwnd(), nullptr, TRUE);
  return Change();
}

Value TListBox::SwapDown() {
  const long long at = current();
  if (at < 0 || at >= count() - 1 || !hwnd()) return {};
  const bool multi = multiple();
  const LRESULT upperSel = multi ? SendMessageA(hwnd(), LB_GETSEL, at, 0) : 0;
  const LRESULT lowerSel = multi ? SendMessageA(hwnd(), LB_GETSEL, at + 1, 0) : 0;
  const std::string moved = textOf(GetItem(at + 1));
  callWindows([&] { return SendMessageA(hwnd(), LB_DELETESTRING, at, 0); });
  callWindows([&] {
    return SendMessageA(hwnd(), LB_INSERTSTRING, at + 1, reinterpret_cast<LPARAM>(moved.c_str()));
  });
  swapInLists(aItems, aBitmaps, at);
  if (multi) {
    SetSel(at + 1, lowerSel > 0);
    SetSel(at + 2, upperSel > 0);
  }
  makeCurrent(at + 1);
  if (hwnd()) InvalidateRect(hwnd(), nullptr, TRUE);
  return Change();
}

// An owner-drawn resource list without the has-strings style keeps no texts: aItems answers.
Value TListBox::GetItem(const Value& nItem) {
  const long long n = number(nItem, 0);
  if (n < 1 || n > count()) return "";
  const bool texts = (style() & LBS_HASSTRINGS) || !(style() & kOwnerDrawStyles);
  if (!hwnd() || !texts) {
    return aItems.isList() && n <= static_cast<long long>(aItems.length())
               ? Value(textOf(aItems.item(static_cast<std::size_t>(n))))
               : Value("");
  }
  const LRESULT length = SendMessageA(hwnd(), LB_GETTEXTLEN, n - 1, 0);
  if (length == LB_ERR) return "";
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got =
      SendMessageA(hwnd(), LB_GETTEXT, n - 1, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
  return text;
}

Value TListBox::Len() {
  return count();
}

// ---- Owner drawing ----

Value TListBox::FillMeasure(const Value& pMitStruct) {
  auto* request = handleFrom<MEASUREITEMSTRUCT*>(pMitStruct);
  if (!request) return {};
  const long long height = number(nBmpHeight, 0);
  if (height > 0) request->itemHeight = static_cast<UINT>(height);
  return 1;
}

Value TListBox::DrawItem(const Value& nIdCtl, const Value& pItemStruct) {
  const auto* item = handleFrom<const DRAWITEMSTRUCT*>(pItemStruct);
  if (!flag(lOwnerDraw) || !item || item->hwndItem != hwnd()) {
    return TControl::DrawItem(nIdCtl, pItemStruct);
  }
  const OwnerDrawnList list{*this,     aItems, aBitmaps, static_cast<int>(number(nBmpWidth, 0)),
                            bDrawItem, false};
  return static_cast<long long>(drawOwnerItem(list, *item));
}

// Entries are file names (read when the file exists), resource names, or handles, which the
// list takes over: Destroy deletes every bitmap it holds.
Value TListBox::SetBitmaps(const Value& aNewBitmaps, const Value& hResources) {
  lOwnerDraw = true;
  const HINSTANCE module =
      hResources.isNil() ? resourceModule() : handleFrom<HINSTANCE>(hResources);
  setItemBitmaps({aBitmaps, nBmpWidth, nBmpHeight}, aNewBitmaps, module);
  if (aNewBitmaps.isList()) fitItemHeight();
  return {};
}

// ---- Events ----

Value TListBox::LostFocus(const Value& hWndNew) {
  const Value answer = TControl::LostFocus(hWndNew);
  if (count() == 0) {
    VarPut(VarGet().isNumber() ? Value(0) : Value(""));
  } else {
    store();
  }
  return answer;
}

// Enter in a dialog: the parent learns it was Enter, so a successful validation moves on.
Value TListBox::GetDlgCode(const Value& nKey) {
  if (nKey.integer() != VK_RETURN) return TControl::GetDlgCode(nKey);
  if (TWindow* above = parent()) above->nLastKey = static_cast<long long>(VK_RETURN);
  return TControl::KeyDown(nKey);
}

Value TListBox::LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (!flag(lDrag)) return TControl::LButtonUp(nRow, nCol, nFlags);
  TControl::LButtonUp(nRow, nCol, nFlags);
  Refresh();
  return 0;
}

Value TListBox::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const Value answer = TControl::MouseMove(nRow, nCol, nFlags);
  return flag(lDrag) ? answer : Value();
}

// The closure that picks bitmaps may hold the list: it is let go with the bitmaps.
Value TListBox::Destroy() {
  const lanmere::Ref<TListBox> keep(this);
  releaseItemBitmaps(aBitmaps);
  bDrawItem = Value();
  return TControl::Destroy();
}

// ---- Generation ----

Value TListBox::cToChar(const Value& cClassName) {
  return TControl::cToChar(cClassName.isText() ? cClassName : Value("LISTBOX"));
}

Value TListBox::cGenPrg() {
  const ControlBox box = controlBox(*this);
  std::string quoted;
  if (aItems.isList()) {
    for (const Value& item : aItems.items()) {
      if (!quoted.empty()) quoted += ", ";
      quoted += '"' + textOf(item) + '"';
    }
  }
  return std::string(kCrLf) + "   @ " + field3(box.top) + ", " + field3(box.left) +
         " LISTBOX oLbx ITEMS { " + quoted + " } ;" + kCrLf + "      SIZE " + field3(box.width) +
         ", " + field3(box.height) + " PIXEL OF oWnd" + kCrLf;
}

Value TListBox::saveToRC(const Value& nIndent) {
  const ControlBox box = controlBox(*this);
  const long long indent = nIndent.isNumber() ? std::max(0LL, nIndent.integer()) : 0;
  std::string line(static_cast<std::size_t>(indent), ' ');
  line += "LISTBOX ";
  for (long long n : {nId.integer(), box.top, box.left, box.width, box.height}) {
    line += std::to_string(n) + ", ";
  }
  return line + kResourceStyles;
}

Value TLISTBOX() {
  return Value(lanmere::make<TListBox>());
}

const lanmere::ModuleTable& tListBoxModule() {
  TListBox::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TLISTBOX>("TLISTBOX")}};
  return module;
}

}  // namespace kestrel
