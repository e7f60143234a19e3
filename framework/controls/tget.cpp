// TGet: construction and binding, value access, the caret and the selection, creation of the
// window and the action button, and the generated texts. The events and the editing they drive
// (clipboard, spinner, keys, focus, mouse) are in tget_events.cpp, the look in tget_paint.cpp.
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
constexpr int kOverstrikeCaretWidth = 2;
constexpr char kThemedBullet = static_cast<char>(149);
constexpr int kGrayText = COLOR_GRAYTEXT;   // 17
constexpr int kButtonFace = COLOR_BTNFACE;  // 15
constexpr const char* kCrLf = "\r\n";
constexpr const char* kSelectTitle = "Please select a file";

Value blankText(std::size_t blanks) {
  return lanmere::setGet(lanmere::Ref<lanmere::Cell>(new lanmere::Cell(std::string(blanks, ' '))));
}

// A coordinate as computed: whole numbers stay integers, fractions are kept.
Value coordinate(double value) {
  return value == std::floor(value) ? Value(static_cast<long long>(value)) : Value(value, 1);
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

Value& TGet::classValue(const lanmere::Symbol* name) {
  return *Class().resolve(name)->classValue;
}

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
  return (cPicture.isText() && !lanmere::trimRight(cPicture.string()).empty()) ||
         get().Type.string() != "C";
}

bool TGet::upperCasePicture() const {
  return cPicture.isText() && lanmere::parsePicture(cPicture.string()).upperCase;
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
  const bool upper = upperCasePicture();
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

void TGet::whileEditing(const std::function<void()>& edit) {
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
    fontUse_.hold(oFont);
  }
  createOrDefer("EDIT", design, [&] {
    useFont();
    fontUse_.release(oFont);
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
    shown.assign(lanmere::trimRight(buffer).size(), ISAPPTHEMED() ? kThemedBullet : '*');
  } else if (!lanmere::isEmpty(cCueText) && lanmere::isEmpty(value()) && !flag(lFocused)) {
    shown.clear();
  }
  cCaption = buffer;
  if (shown != windowText(hwnd())) {
    callWindows([&] { return SetWindowTextA(hwnd(), shown.c_str()); });
  }
  return {};
}

// ---- Creation ----

Value TGet::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  fontUse_.release(oFont);  // the window has taken its use of the font
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
  if (cPicture.isText() && lanmere::parsePicture(cPicture.string()).literalsInserted) {
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
  fontUse_.release(oFont);
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
    mask = current.isText() ? std::string(lanmere::trimRight(current.string())) : std::string();
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
  if (!callWindows([&] {
        return callSystem<"comdlg32.dll", "GetOpenFileNameA", decltype(::GetOpenFileNameA)>(
            &dialog);
      }))
    return "";
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
