// TGet: construction and binding, value access, the caret and the selection, the clipboard, the
// spinner, appearance, the key, focus and mouse events, painting of read-only fields, and the
// generated texts.
//
// The GET holds the edit buffer; the window shows it. Every change the user makes goes through
// the GET (typed characters, deletions, pasted and cut text), so a template's literals never
// move onto digit places and values are converted back by the GET alone. A value is written
// through bSetGet only when the GET's buffer was edited or the window text differs from it: an
// unedited field never stores its rounded display.
#include "framework/controls/tget.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "framework/controls/ctlsource.h"
#include "framework/controls/editnative.h"
#include "framework/controls/tbtnbmp.h"
#include "framework/controls/tcombobox.h"
#include "framework/controls/tfont.h"
#include "framework/controls/tscrollbar.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/tdialog.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/wndfuncs.h"
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

constexpr long long kRowHeight = 13;
constexpr long long kColumnWidth = 8;
constexpr long long kDefaultHeight = 12;
constexpr long long kSpinnerHeight = 15;
constexpr long long kSpinnerWidth = 20;  // the arrows at the right of a spinner field
constexpr double kCharWidth = 3.5;       // pixels per caption character when no width is given
constexpr std::size_t kNewBlanks = 50;
constexpr std::size_t kRedefineBlanks = 30;
constexpr UINT kCueBanner = 5377;
constexpr long long kWantAllKeys = DLGC_WANTALLKEYS;  // 4
constexpr long long kMouseClick = 1002;               // the parent's nLastKey after a click
constexpr long long kExtendedKey = 0x01000000;        // bit 24 of a key message's flags
constexpr int kOverstrikeCaretWidth = 2;
constexpr int kArrowMetric = 3;  // the scroll-arrow size a spinner takes from the text
constexpr char kThemedBullet = static_cast<char>(149);
constexpr int kGrayText = COLOR_GRAYTEXT;   // 17
constexpr int kButtonFace = COLOR_BTNFACE;  // 15
constexpr const char* kCrLf = "\r\n";
constexpr const char* kSelectTitle = "Please select a file";
// Control characters the system edit control would act on by itself, bypassing the GET: paste,
// cut and undo.
constexpr long long kCtrlV = 22, kCtrlX = 24, kCtrlZ = 26;

Value blankText(std::size_t blanks) {
  return lanmere::setGet(lanmere::Ref<lanmere::Cell>(new lanmere::Cell(std::string(blanks, ' '))));
}

// A coordinate as computed: whole numbers stay integers, fractions are kept.
Value coordinate(double value) {
  return value == std::floor(value) ? Value(static_cast<long long>(value)) : Value(value, 1);
}

Value& classValue(const lanmere::Symbol* name) {
  return *TGet::Class().resolve(name)->classValue;
}

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

LM_DEFINE_CLASS(TGet) {
  c.data(LM_FIELDS(oGet, oBtn, bAction, bMin, bMax, nPos, lReadOnly, lPassword, cError, cBmpName,
                   hHeap, cPicture, bPostKey, lSpinner, nOldClrPane, nClrTextDis, nClrPaneDis,
                   nBmpWidth, lAdjustBtn, lBtnTransparent, cCueText, nTxtStyle));
  c.classData("lDisColors", true);
  c.classData("lClrFocus", false);
  c.classData("nClrFocus", static_cast<long long>(RGB(235, 235, 145)));
  c.methods(LM_METHODS(New, ReDefine, VarPut, Assign, cText, UnDo, Refresh, SetPos, SetSel, GetSel,
                       GetSelPos, GetDelSel, SelectAll, HideSel, GoHome, EditUpdate, DispText, Copy,
                       Cut, Spinner, ScrollNumber, ScrollDate, SetColorFocus, SetMargins,
                       GetMargins, SetCueBanner, LimitText, Paint, Display, EraseBkGnd, Move,
                       ReSize, KeyDown, KeyChar, KeyUp, GotFocus, LostFocus, lValid, LButtonDown,
                       LButtonUp, RButtonDown, MouseMove, GetDlgCode, HandleEvent, Initiate, Create,
                       CreateButton, Default, Destroy, SelFile, cToChar, cGenPrg));
  c.method<&TGet::value>("Value");
  c.method<&TGet::PasteText>("Paste");
  c.method<&TGet::increment>("++");
  c.method<&TGet::decrement>("--");
  c.method<&TGet::saveToRC>("SaveToRC");
  c.creatable();
}

TGet::TGet() {
  bPostKey = lanmere::block([](Args args) { return lanmere::arg(args, 2); }, "(b)TGET");
}

// ---- Helpers ----

lanmere::Get& TGet::get() const {
  return static_cast<lanmere::Get&>(*oGet.object());
}

bool TGet::editing() const {
  return oGet.isObject() && get().HasFocus.logical();
}

bool TGet::inComboBox() const {
  const TWindow* above = parent();
  return above && above->classInfo().derivesFrom(TComboBox::Class());
}

DWORD TGet::selection() const {
  return hwnd() ? static_cast<DWORD>(SendMessageA(hwnd(), EM_GETSEL, 0, 0)) : 0;
}

long long TGet::bufferLength() const {
  return oGet.isObject() ? static_cast<long long>(get().Buffer.length()) : 0;
}

// The caret before the 1-based buffer position `pos` (0 stays 0).
void TGet::caretTo(long long pos) {
  const auto at = static_cast<WPARAM>(std::max(0LL, pos - 1));
  if (hwnd()) SendMessageA(hwnd(), EM_SETSEL, at, static_cast<LPARAM>(at));
}

// Insert mode shows a block caret a pixel short of the line, overstrike the system's thin one.
void TGet::caretShape() {
  const bool insert = lanmere::insertMode();
  shapeEditCaret(hwnd(), insert ? kInsertCaretWidth : kOverstrikeCaretWidth, insert ? 1 : 0);
}

// The buffer was edited, or converts to another value than the one editing started with.
bool TGet::changed() {
  if (!editing()) return false;
  lanmere::Get& g = get();
  return g.Changed.logical() || !lanmere::exactlyEqual(g.UnTransform(), g.Original);
}

// Writes the buffer through bSetGet when the user edited it or the window shows something else;
// a display rounding or a cut template is never stored.
void TGet::assignIfEdited() {
  if (!editing()) return;
  lanmere::Get& g = get();
  const bool differs = !flag(lPassword) && windowText(hwnd()) != g.Buffer.string();
  if (g.Changed.logical() || differs) g.Assign();
}

bool TGet::templated() {
  return (cPicture.isText() && !trimRight(cPicture.string()).empty()) || get().Type.string() != "C";
}

bool TGet::numericPicture() {
  return cPicture.isText() && !cPicture.string().empty() && get().Type.string() == "N";
}

void TGet::bell() const {
  if (lanmere::bellSetting()) MessageBeep(MB_OK);
}

Value TGet::runChange(const Value& nKey, const Value& nFlags) {
  return evaluate(bChange, nKey, nFlags, self());
}

// Each character as if typed at the cursor: the ones the picture refuses are dropped.
void TGet::typeThrough(const std::string& text) {
  lanmere::Get& g = get();
  const bool upper = cPicture.isText() && cPicture.string().find("@!") != std::string::npos;
  for (char c : text) {
    if (upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const Value typed(std::string(1, c));
    lanmere::insertMode() ? g.Insert(typed) : g.Overstrike(typed);
    if (g.TypeOut.logical()) break;
  }
}

// Deletes the selected positions from the right, so the positions still to delete stay put;
// literals are not editable and stay.
void TGet::deleteThrough(long long start, long long end) {
  lanmere::Get& g = get();
  for (long long i = end - 1; i >= start; --i) {
    g.assignPos(i + 1);
    if (g.Pos.integer() == i + 1) g.Delete();
  }
  g.assignPos(start + 1);
}

template <class Edit>
void TGet::whileEditing(Edit&& edit) {
  const bool focused = editing();
  lanmere::Get& g = get();
  if (!focused) {
    g.SetFocus();
    g.assignPos(nPos);
  }
  edit();
  if (focused) {
    EditUpdate();
    return;
  }
  if (g.Changed.logical()) g.Assign();
  nPos = g.Pos;
  g.KillFocus();
  DispText();
}

// ---- Construction ----

Value TGet::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool design = flag(a.lDesign);
  const bool spinner = flag(a.lSpinner);
  const bool readOnly = flag(a.lReadOnly);
  bSetGet = a.bSetGet.isNil() ? blankText(kNewBlanks) : a.bSetGet;
  cPicture = a.cPicture;
  const Value current = evaluate(bSetGet);
  if (cPicture.isText() && !cPicture.string().empty()) {
    cCaption = lanmere::transform(current, cPicture.string());
  } else {
    cCaption = textForm(current);
  }
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  oFont = a.oFont;
  long long height = kDefaultHeight;
  if (!a.nHeight.isNil()) {
    height = a.nHeight.integer();
  } else if (oFont.isObject()) {
    height = std::llabs(lanmere::send(oFont, msg::nHeight).integer());
  }
  if (spinner) height = std::max(height, kSpinnerHeight);
  const bool pixel = flag(a.lPixel);
  nTop = cellPixels(a.nRow, pixel ? 1 : kRowHeight);
  nLeft = cellPixels(a.nCol, pixel ? 1 : kColumnWidth);
  nBottom = nTop.integer() + height - 1;
  const double width = a.nWidth.isNil() ? (1 + static_cast<double>(cCaption.length())) * kCharWidth
                                        : a.nWidth.number() - 1;
  nRight = coordinate(static_cast<double>(nLeft.integer()) + width +
                      (spinner ? static_cast<double>(kSpinnerWidth) : 0.0));

  long long style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
  if (!readOnly) style |= WS_TABSTOP;
  if (design) style |= WS_CLIPSIBLINGS;
  if (spinner) style |= WS_VSCROLL;
  if (readOnly) style |= ES_READONLY;
  if (flag(a.lCenter)) {
    style |= ES_CENTER;
  } else if (flag(a.lRight)) {
    style |= ES_RIGHT;
  }
  const EditFrame frame = editFrame(oWnd, flag(a.lNoBorder));
  nStyle = style | frame.style;
  nExStyle = frame.exStyle;

  nId = GetNewId();
  oGet = lanmere::KSGETNEW(20, 20, bSetGet, a.cVarName, cPicture);
  cVarName = a.cVarName;
  bValid = a.bValid;
  lDrag = design;
  lCaptured = false;
  lPassword = flag(a.lPassword);
  oCursor = a.oCursor;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bChange = a.bChanged;
  nPos = 1;
  lReadOnly = readOnly;
  lFocused = false;
  nHelpId = a.nHelpId;
  lSpinner = spinner;
  hHeap = 0;
  bAction = a.bAction;
  cBmpName = a.cBmpName;
  cCueText = a.cCueText;
  nTxtStyle = ETO_OPAQUE | ETO_CLIPPED;
  SetColor(orDefault(a.nClrFore, sysColor(COLOR_WINDOWTEXT)),
           orDefault(a.nClrBack, sysColor(COLOR_WINDOW)));
  lAdjustBtn = false;
  lBtnTransparent = false;
  get().SetFocus();
  get().KillFocus();
  nClrTextDis = a.nClrFore;
  nClrPaneDis = a.nClrBack;
  if (lPassword.logical() && !oFont.isObject() && lanmere::classByName("TFONT")) {
    oFont = lanmere::construct<TFont>(
        {.cFaceName = "Arial", .nWidth = 0, .nHeight = -14, .lFromUser = false, .lBold = true});
  }
  createOrDefer("EDIT", design, [&] {
    useFont();
    DispText();
  });
  CreateButton();  // the action button is the field's own child: only with the field's window
  if (spinner) Spinner(a.bUp, a.bDown, a.bMin, a.bMax);
  return self();
}

Value TGet::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  bSetGet = a.bSetGet.isNil() ? blankText(kRedefineBlanks) : a.bSetGet;
  if (bSetGet.isClosure() && evaluate(bSetGet).isNil()) {
    evaluate(bSetGet, Value(std::string(kRedefineBlanks, ' ')));
  }
  nHelpId = a.nHelpId;
  cPicture = a.cPicture;
  bValid = a.bValid;
  oFont = a.oFont;
  oCursor = a.oCursor;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bChange = a.bChanged;
  lReadOnly = flag(a.lReadOnly);
  lSpinner = flag(a.lSpinner);
  spinUp_ = a.bUp;
  spinDown_ = a.bDown;
  bMin = a.bMin;
  bMax = a.bMax;
  bAction = a.bAction;
  cBmpName = a.cBmpName;
  cVarName = a.cVarName;
  cCueText = a.cCueText;
  oGet = lanmere::KSGETNEW(20, 20, bSetGet, cVarName, cPicture);
  get().SetFocus();
  get().KillFocus();
  cCaption = get().Buffer;
  nPos = 1;
  hHeap = 0;
  nTxtStyle = ETO_OPAQUE | ETO_CLIPPED;
  lDrag = false;
  lCaptured = false;
  SetColor(orDefault(a.nClrFore, sysColor(COLOR_WINDOWTEXT)),
           orDefault(a.nClrBack, sysColor(COLOR_WINDOW)));
  nClrTextDis = a.nClrFore;
  nClrPaneDis = a.nClrBack;
  hWnd = 0;
  Redefine(a.nId, orDefault(a.oWnd, GETWNDDEFAULT()));
  return self();
}

// ---- Value access ----

Value TGet::value() {
  return evaluate(bSetGet);
}

Value TGet::VarPut(const Value& uValue) {
  if (bSetGet.isClosure()) evaluate(bSetGet, uValue);
  return {};
}

Value TGet::Assign() {
  if (oGet.isObject()) get().Assign();
  return {};
}

Value TGet::cText(const Value& v) {
  if (v.isNil()) {
    const std::string text = windowText(hwnd());
    if (!lanmere::isEmpty(cCueText) && text.empty() && oGet.isObject()) return get().Buffer;
    return text;
  }
  get().VarPut(v);
  Refresh();
  return {};
}

Value TGet::UnDo() {
  if (!oGet.isObject() || get().Original.isNil()) return {};
  get().VarPut(get().Original);
  Refresh();
  return {};
}

Value TGet::Refresh(const Value&) {
  if (!oGet.isObject()) return {};
  lanmere::Get& g = get();
  if (editing()) {
    g.KillFocus();
    g.SetFocus();
    DispText();
    GoHome();
  } else {
    g.KillFocus();
    DispText();
  }
  return {};
}

// ---- Caret and selection ----

Value TGet::SetPos(const Value& nStart, const Value& nEnd) {
  const long long start = nStart.isNil() ? 1 : nStart.integer();
  const long long end = nEnd.isNil() ? start : nEnd.integer();
  if (hwnd()) {
    SendMessageA(hwnd(), EM_SETSEL, static_cast<WPARAM>(std::max(0LL, start - 1)),
                 static_cast<LPARAM>(std::max(0LL, end - 1)));
  }
  nPos = start;
  if (editing()) get().assignPos(start);
  return {};
}

Value TGet::SetSel(const Value& nStart, const Value& nEnd) {
  const long long start = nStart.isNil() ? 1 : nStart.integer();
  const long long end = nEnd.isNil() ? start : nEnd.integer();
  if (hwnd()) SendMessageA(hwnd(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
  return {};
}

Value TGet::GetSel() {
  const DWORD sel = selection();
  const std::string text = windowText(hwnd());
  const std::size_t start = std::min<std::size_t>(LOWORD(sel), text.size());
  const std::size_t end = std::min<std::size_t>(HIWORD(sel), text.size());
  return end > start ? text.substr(start, end - start) : std::string();
}

Value TGet::GetSelPos(Value& nStart, Value& nEnd) {
  const DWORD sel = selection();
  nStart = static_cast<long long>(LOWORD(sel));
  nEnd = static_cast<long long>(HIWORD(sel));
  return {};
}

// The selected part (0-based, end exclusive) leaves the buffer through the GET; the result is
// stored when it differs.
Value TGet::GetDelSel(const Value& nStart, const Value& nEnd) {
  const long long start = nStart.integer();
  const long long end = std::min(nEnd.integer(), bufferLength());
  if (end <= start || !oGet.isObject()) return {};
  whileEditing([&] {
    deleteThrough(start, end);
    if (editing() && get().Changed.logical()) get().Assign();
  });
  if (editing()) {
    const std::string type = get().Type.string();
    if (type == "N" || type == "D") {
      get().KillFocus();
      get().SetFocus();
    }
    get().assignPos(start + 1);
    nPos = get().Pos;
    EditUpdate();
  }
  return {};
}

Value TGet::SelectAll() {
  if (hwnd()) SendMessageA(hwnd(), EM_SETSEL, 0, -1);
  return {};
}

Value TGet::HideSel() {
  if (hwnd()) SendMessageA(hwnd(), EM_SETSEL, static_cast<WPARAM>(-1), 0);
  return {};
}

Value TGet::GoHome() {
  if (!editing()) return {};
  get().Home();
  if (get().Type.string() == "N") get().assignClear(true);
  nPos = get().Pos;
  caretTo(nPos.integer());
  return {};
}

Value TGet::EditUpdate() {
  if (!editing()) return {};
  DispText();
  caretTo(get().Pos.integer());
  return {};
}

Value TGet::DispText() {
  if (!oGet.isObject() || !hwnd()) return {};
  lanmere::Get& g = get();
  const std::string buffer = g.Buffer.isText() ? g.Buffer.string() : std::string();
  std::string shown = buffer;
  if (flag(lPassword) && g.Type.string() == "C") {
    shown.assign(trimRight(buffer).size(), ISAPPTHEMED() ? kThemedBullet : '*');
  } else if (!lanmere::isEmpty(cCueText) && lanmere::isEmpty(value()) && !flag(lFocused)) {
    shown.clear();
  }
  cCaption = buffer;
  if (shown != windowText(hwnd())) {
    callWindows([&] { return SetWindowTextA(hwnd(), shown.c_str()); });
  }
  return {};
}

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
  text = trimRight(text);
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
  if (!hwnd() || !lanmere::classByName("TSCROLLBAR")) return {};
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
  if (!oGet.isObject() || get().BadDate() || flag(lReadOnly)) return {};
  const Value before = value();
  if (editing()) {
    assignIfEdited();
    get().UpdateBuffer();
  }
  const std::string type = get().Type.string();
  if (type == "N") ScrollNumber(1);
  if (type == "D") ScrollDate(1);
  if (!lanmere::exactlyEqual(before, value())) runChange({}, {});
  return {};
}

Value TGet::decrement() {
  if (!oGet.isObject() || get().BadDate() || flag(lReadOnly)) return {};
  const Value before = value();
  if (editing()) {
    assignIfEdited();
    get().UpdateBuffer();
  }
  const std::string type = get().Type.string();
  if (type == "N") ScrollNumber(-1);
  if (type == "D") ScrollDate(-1);
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

// ---- Appearance ----

Value TGet::setColorFocusAll(const Value& nClr) {
  const Value previous = classValue(msg::nClrFocus);
  classValue(msg::lClrFocus) = true;
  if (!nClr.isNil()) classValue(msg::nClrFocus) = nClr;
  return previous;
}

Value TGet::SetMargins(const Value& nLeftMargin, const Value& nRightMargin) {
  if (!hwnd()) return {};
  const auto left = static_cast<WORD>(nLeftMargin.integer());
  const auto right = static_cast<WORD>(nRightMargin.integer());
  SendMessageA(hwnd(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
  return {};
}

Value TGet::GetMargins() {
  const auto margins = hwnd() ? static_cast<DWORD>(SendMessageA(hwnd(), EM_GETMARGINS, 0, 0)) : 0;
  return Value::list(
      {static_cast<long long>(LOWORD(margins)), static_cast<long long>(HIWORD(margins))});
}

Value TGet::SetCueBanner(const Value& lShowFocused, const Value& cTextIn) {
  if (cTextIn.isText()) cCueText = cTextIn;
  if (!hwnd() || !cCueText.isText()) return {};
  const std::string narrow = cCueText.string();
  const std::wstring wide(narrow.begin(), narrow.end());
  return static_cast<long long>(SendMessageA(hwnd(), kCueBanner, flag(lShowFocused) ? TRUE : FALSE,
                                             reinterpret_cast<LPARAM>(wide.c_str())));
}

Value TGet::LimitText(const Value& nChars) {
  if (hwnd()) SendMessageA(hwnd(), EM_LIMITTEXT, static_cast<WPARAM>(nChars.integer()), 0);
  return {};
}

// A read-only or disabled field draws its text itself, in the grey look or its own colours.
Value TGet::Paint() {
  const HDC dc = handleFrom<HDC>(hDC);
  if (!dc || !hwnd()) return 1;
  RECT client{};
  GetClientRect(hwnd(), &client);
  auto colour = [](const Value& chosen, const Value& normal) {
    const Value v = chosen.isClosure() ? evaluate(chosen) : chosen;
    return static_cast<COLORREF>((v.isNumber() && v.integer() >= 0 ? v : normal).integer());
  };
  COLORREF text = 0, back = 0;
  if (flag(classValue(msg::lDisColors))) {
    text = GetSysColor(kGrayText);
    back = GetSysColor(COLOR_WINDOW);
  } else {
    text = colour(nClrTextDis, nClrText);
    back = colour(nClrPaneDis, nClrPane);
  }
  if (const HBRUSH brush = handleOfMember<HBRUSH>(oBrush, msg::hBrush)) {
    FillRect(dc, &client, brush);
  } else {
    SetDCBrushColor(dc, back);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
  const HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetTextColor(dc, text);
  SetBkColor(dc, back);
  SetBkMode(dc, TRANSPARENT);
  const LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
  const int width = client.right - client.left;
  const int arrows = flag(lSpinner) ? GetSystemMetrics(kArrowMetric) : 0;
  int x = 2;
  UINT align = TA_LEFT;
  if (style & ES_CENTER) {
    x = (width - 3) / 2 - arrows;
    align = TA_CENTER;
  } else if (style & ES_RIGHT) {
    const int button = oBtn.isObject() ? client.bottom - client.top : 0;
    x = width - 7 - (arrows ? arrows : button);
    align = TA_RIGHT;
  }
  SetTextAlign(dc, align);
  const std::string shown = windowText(hwnd());
  ExtTextOutA(dc, x, 1, static_cast<UINT>(nTxtStyle.integer()) & ETO_CLIPPED, &client,
              shown.c_str(), static_cast<UINT>(shown.size()), nullptr);
  if (oldFont) SelectObject(dc, oldFont);
  evaluate(bPainted, hDC, cPS, self());
  if (flag(lBtnTransparent) && oBtn.isObject()) {
    tell(oBtn, msg::SetColor, static_cast<long long>(text), static_cast<long long>(back));
  }
  return 1;
}

// One BeginPaint and EndPaint pair per paint message: the update region is validated, so no
// paint loop can start. An editable, enabled field is left to the system control.
Value TGet::Display() {
  if (!hwnd() || (!flag(lReadOnly) && IsWindowEnabled(hwnd()))) return {};
  PAINTSTRUCT ps{};
  const HDC dc = ::BeginPaint(hwnd(), &ps);
  hDC = handleNumber(dc);
  cPS = std::string(reinterpret_cast<const char*>(&ps), sizeof ps);
  Paint();
  ::EndPaint(hwnd(), &ps);
  hDC = 0;
  return 1;
}

Value TGet::EraseBkGnd(const Value&) {
  return 1;
}

Value TGet::Move(const Value& top, const Value& left, const Value& width, const Value& height,
                 const Value& lRepaint) {
  TControl::Move(top, left, width, height, lRepaint);
  MOVEGET(hWnd);
  return {};
}

Value TGet::ReSize(const Value& nSizeType, const Value& nWidth, const Value& nHeight) {
  TControl::ReSize(nSizeType, nWidth, nHeight);
  if (flag(lDrag)) Refresh();
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
  } else {
    left ? g.Left() : g.Right();
  }
  long long target = g.Pos.integer() - 1;
  if (!left && g.Pos.integer() == before && before >= bufferLength()) target = before;
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
  nPos = g.Pos;
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
  if (HIWORD(sel) > LOWORD(sel)) {
    GetDelSel(static_cast<long long>(LOWORD(sel)), static_cast<long long>(HIWORD(sel)));
  } else if (key == VK_DELETE) {
    if (g.Pos.integer() <= bufferLength()) g.Delete();
  } else {
    g.BackSpace();
  }
  EditUpdate();
  nPos = g.Pos;
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
  if (cPicture.isText() && cPicture.string().find("@!") != std::string::npos && key < 256) {
    key = std::toupper(static_cast<int>(key));
  }
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
    if (wasLast && !g.Rejected.logical()) caretTo(bufferLength() + 1);
    nPos = g.Pos;
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
  if (numericPicture()) {
    std::string edit = cPicture.string();
    edit.erase(std::remove(edit.begin(), edit.end(), ','), edit.end());
    g.assignPicture(edit);
  }
  if (flag(lDrag)) {
    HideCaret(hwnd());
    return TControl::GotFocus(hWndLost);
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
  const std::string trimmed = trimRight(text);
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

// ---- Creation ----

Value TGet::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  if (!hwnd() || !oGet.isObject()) return {};
  lanmere::Get& g = get();
  g.SetFocus();
  const LONG_PTR style = GetWindowLongPtrA(hwnd(), GWL_STYLE);
  if (style & ES_PASSWORD) lPassword = true;
  if (flag(lPassword)) {
    SetWindowLongPtrA(hwnd(), GWL_STYLE, style | ES_PASSWORD);
    SendMessageA(hwnd(), EM_SETPASSWORDCHAR, '*', 0);
  }
  if (flag(lReadOnly) && nClrText.integer() == sysColor(COLOR_WINDOWTEXT).integer() &&
      nClrPane.integer() == sysColor(COLOR_WINDOW).integer()) {
    SetColor(sysColor(kGrayText), sysColor(kButtonFace));
  }
  if (cPicture.isText() && cPicture.string().rfind("@R", 0) == 0) {
    g.Home();
    nPos = g.Pos;
  }
  g.KillFocus();
  DispText();
  caretTo(nPos.integer());
  RECT client{};
  GetClientRect(hwnd(), &client);
  SetMargins(1, bAction.isClosure() ? Value(static_cast<long long>(client.bottom)) : Value(1));
  CreateButton();
  if (!lanmere::isEmpty(cCueText)) SetCueBanner(true);
  if (flag(lSpinner) && !oVScroll.isObject()) {
    SetWindowLongPtrA(hwnd(), GWL_STYLE, GetWindowLongPtrA(hwnd(), GWL_STYLE) | WS_VSCROLL);
    SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Spinner(spinUp_, spinDown_, bMin, bMax);
  }
  return {};
}

Value TGet::Create(const Value& cClassName) {
  // A password field's window never holds the text.
  createEditWindow(*this, cClassName.isText() ? cClassName.string() : "EDIT",
                   flag(lPassword) ? Value("") : Value(), hHeap);
  return {};
}

// The action button sits inside the field at its right and never validates the field: it is a
// cancel control that hands the focus back to the field after the action.
Value TGet::CreateButton() {
  if (!bAction.isClosure() || &classInfo() != &TGet::Class() || !hwnd() || oBtn.isObject()) {
    return {};
  }
  if (!lanmere::classByName("TBTNBMP")) return {};
  RECT client{};
  GetClientRect(hwnd(), &client);
  const long long height = client.bottom - client.top;
  long long size = height - 4 > 0 ? height - 4 : height;
  const long long right = client.right - (flag(lSpinner) ? kSpinnerWidth : 0);
  const bool bitmap = cBmpName.isText() && !cBmpName.string().empty();
  const Value field = self();
  const Value action = lanmere::block(
      [field](Args) -> Value {
        TGet& get = static_cast<TGet&>(*field.object());
        evaluate(get.bAction, field);
        if (get.hwnd()) callWindows([&] { return ::SetFocus(get.hwnd()); });
        return {};
      },
      "(b)TGET");
  long long width = size;
  oBtn = lanmere::construct<TBtnBmp>({.nTop = 2,
                                      .nLeft = right - width - 1,
                                      .nWidth = width,
                                      .nHeight = size,
                                      .cBmpName = bitmap ? cBmpName : Value(),
                                      .cCaption = bitmap ? Value() : Value("..."),
                                      .oWnd = self(),
                                      .bAction = action,
                                      .lCancel = true,
                                      .lTransparent = lBtnTransparent});
  if (!oBtn.isObject()) return {};
  const HBITMAP shown = handleFrom<HBITMAP>(lanmere::send(oBtn, msg::hBitmap1));
  BITMAP info{};
  if (flag(lAdjustBtn) && shown && GetObjectA(shown, sizeof info, &info)) {
    nBmpWidth = static_cast<long long>(info.bmWidth);
    width = info.bmWidth + 5;
    tell(oBtn, msg::Move, 2, right - width - 1, width, size);
    SetMargins(1, width);
  }
  const TWindow* above = parent();
  if (above && above->classInfo().derivesFrom(TDialog::Class())) {
    const Value resize16 = lanmere::send(oWnd, msg::lResize16);
    if (flag(resize16)) {
      const long long fieldWidth = client.right - client.left;
      size = height - 5;
      tell(oBtn, msg::Move, 2, static_cast<long long>(std::llround(fieldWidth * 1.167 - height)),
           size, size);
    }
  }
  return {};
}

Value TGet::Default() {
  if (oFont.isObject()) {
    SetFont(oFont);
  } else {
    GetFont();
  }
  return {};
}

// The button's and the spinner's closures hold the field: they are let go here.
Value TGet::Destroy() {
  hHeap = 0;
  const lanmere::Ref<TGet> keep(this);
  const Value answer = TControl::Destroy();
  oBtn = Value();
  oVScroll = Value();
  bPostKey = Value();
  spinUp_ = Value();
  spinDown_ = Value();
  return answer;
}

Value TGet::SelFile(const Value& cMask, const Value& cTitle) {
  std::string mask;
  if (cMask.isText()) {
    mask = cMask.string();
  } else {
    const Value current = value();
    mask = current.isText() ? trimRight(current.string()) : std::string();
    if (mask.empty()) mask = "*.*";
  }
  const std::string title = cTitle.isText() ? cTitle.string() : kSelectTitle;
  std::string filter = mask + '\0' + mask + '\0' + '\0';
  char chosen[MAX_PATH] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd() ? hwnd() : parentHwnd();
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = sizeof chosen;
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!callWindows([&] { return GetOpenFileNameA(&dialog); })) return "";
  const std::string name = chosen;
  VarPut(name);
  Refresh();
  return name;
}

// ---- Generation ----

Value TGet::cToChar(const Value& cClassName) {
  return TControl::cToChar(cClassName.isText() ? cClassName : Value("EDIT"));
}

Value TGet::cGenPrg() {
  const ControlBox box = controlBox(*this);
  return std::string(kCrLf) + "   @ " + field3(box.top) + ", " + field3(box.left) +
         " GET oGet SIZE " + field3(box.width) + ", " + field3(box.height) + " PIXEL OF oWnd " +
         kCrLf;
}

Value TGet::saveToRC(const Value& nIndent) {
  const ControlBox box = controlBox(*this);
  const long long indent = nIndent.isNumber() ? std::max(0LL, nIndent.integer()) : 0;
  return std::string(static_cast<std::size_t>(indent), ' ') + "EDITTEXT " +
         std::to_string(nId.integer()) + ", " + std::to_string(box.top) + ", " +
         std::to_string(box.left) + ", " + std::to_string(box.width) + ", " +
         std::to_string(box.height);
}

Value TGET() {
  return Value(lanmere::make<TGet>());
}

const lanmere::ModuleTable& tGetModule() {
  TGet::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TGET>("TGET")}};
  return module;
}

}  // namespace kestrel
