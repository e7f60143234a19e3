// TMultiGet: construction and binding, the text and the caret, editing with the write-back, the
// keys, the context menu, the "Go To" dialog, the find dialog and printing.
//
// The system control makes every change; the field then writes the whole window text back
// through bSetGet. Positions are read and set with the full-width forms of the selection
// messages: the typing limit is lifted, so a text can be longer than a 16-bit half holds.
#include "framework/controls/tmultiget.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/controls/editnative.h"
#include "framework/controls/fontapi.h"
#include "framework/controls/tbutton.h"
#include "framework/controls/tget.h"
#include "framework/controls/tsay.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/tdialog.h"
#include "framework/core/themes.h"
#include "framework/core/tracked.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/editsettings.h"
#include "runtime/setkey.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kRowHeight = 13;
constexpr long long kColumnWidth = 8;
constexpr long long kDefaultHeight = 11;
constexpr double kCharWidth = 3.5;              // pixels per caption character without a width
constexpr long long kExtendedKey = 0x01000000;  // bit 24 of a key message's flags
constexpr long long kMenuAbove = 60;            // the context menu opens this far above the click
// Control characters the key-down already handed to the system control (paste, cut): their
// characters would do it a second time.
constexpr long long kCtrlV = 22, kCtrlX = 24;
constexpr int kLineMax = 255;  // the find dialog's text

enum MenuCommand : UINT {
  kMenuUndo = 1,
  kMenuCut,
  kMenuCopy,
  kMenuPaste,
  kMenuDelete,
  kMenuPrint,
  kMenuSelectAll
};

// The "Go To" dialog's layout, as each control class places rows and columns in a dialog: the
// label 15 pixels a row (2 below the row's top) and 6 a column, the field 13 and 8, the button
// 18 and 6. The dialog is given pixels, so a fractional row is not cut to a whole one.
constexpr double kSayRow = 15, kSayRowOffset = 2, kSayColumn = 6;
constexpr double kGetRow = 13, kGetColumn = 8;
constexpr double kButtonRow = 18, kButtonColumn = 6;

long long pixel(double cells, double size, double offset = 0) {
  return std::llround(cells * size + offset);
}

// A coordinate as computed: whole numbers stay integers, fractions are kept.
Value coordinate(double value) {
  return value == std::floor(value) ? Value(static_cast<long long>(value)) : Value(value, 1);
}

// The text a value shows as: its text form without trailing blanks (nothing for nil).
std::string shownText(const Value& value) {
  if (value.isNil()) return {};
  return std::string(lanmere::trimRight(value.isText() ? value.string() : textForm(value)));
}

UINT findMessage() {
  static const UINT message = RegisterWindowMessageA(FINDMSGSTRINGA);
  return message;
}

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

LM_DEFINE_CLASS(TMultiGet) {
  c.data(LM_FIELDS(lReadOnly, nPos, hHeap));
  c.methods(LM_METHODS(New, ReDefine, cText, Len, GetLine, GetLineCount, LineIndex, GetRow, GetCol,
                       Append, SaveToFile, Refresh, UnDo, SetPos, SetSel, GetSel, GetSelPos, GoTo,
                       GoBottom, SelectAll, HideSel, DlgGoLine, Copy, Cut, Del, DelLine, Print,
                       LimitText, KeyDown, KeyChar, GotFocus, LostFocus, LButtonDown, LButtonUp,
                       RButtonDown, MouseMove, Paint, Display, EraseBkGnd, Move, SetCoors,
                       AdjClient, VScroll, HScroll, HandleEvent, Initiate, Create, Default, Destroy,
                       cToChar));
  c.method<&TMultiGet::replace>("Replace");
  c.method<&TMultiGet::PasteText>("Paste");
  c.method<&TMultiGet::find>("Find");
  c.creatable();
}

// ---- Helpers ----

LRESULT TMultiGet::sendToControl(UINT message, WPARAM wParam, LPARAM lParam) const {
  if (!hwnd()) return 0;
  return callWindows([&] { return SendMessageA(hwnd(), message, wParam, lParam); });
}

std::string TMultiGet::lineText(long long line) const {
  if (!hwnd()) return {};
  const LRESULT start = SendMessageA(hwnd(), EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  if (start < 0) return {};
  const auto length = static_cast<std::size_t>(SendMessageA(hwnd(), EM_LINELENGTH, start, 0));
  // EM_GETLINE reads the room from the buffer's first word: at least a word, and a longer line
  // is read from the whole text instead.
  if (length >= 0xFFFF) return windowText(hwnd()).substr(static_cast<std::size_t>(start), length);
  std::string text(std::max<std::size_t>(length, sizeof(WORD)), '\0');
  *reinterpret_cast<WORD*>(text.data()) = static_cast<WORD>(text.size());
  const LRESULT copied = SendMessageA(hwnd(), EM_GETLINE, static_cast<WPARAM>(line),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::min<std::size_t>(copied < 0 ? 0 : static_cast<std::size_t>(copied), length));
  return text;
}

namespace {

// The selection as full positions: the packed answer's halves stop at 65535.
struct Range {
  long long start = 0, end = 0;
};

Range selectionOf(HWND edit) {
  DWORD start = 0, end = 0;
  if (edit) {
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  }
  return {static_cast<long long>(start), static_cast<long long>(end)};
}

}  // namespace

void TMultiGet::writeBack() {
  if (bSetGet.isClosure() && hwnd()) evaluate(bSetGet, windowText(hwnd()));
}

Value TMultiGet::runChange(const Value& nKey, const Value& nFlags) {
  return evaluate(bChange, nKey, nFlags, self());
}

void TMultiGet::systemEdit(UINT message, WPARAM wParam, LPARAM lParam) {
  callPrevious(message, wParam, lParam);
  writeBack();
}

bool TMultiGet::refused(const char* title) {
  if (!flag(lReadOnly)) return false;
  showAlert("The get is read only!", title);
  return true;
}

// ---- Construction ----

Value TMultiGet::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool design = flag(a.lDesign);
  const bool readOnly = flag(a.lReadOnly);
  bSetGet = a.bSetGet;
  cCaption = bSetGet.isClosure() ? shownText(evaluate(bSetGet)) : std::string();
  oWnd = orDefault(a.oWnd, GETWNDDEFAULT());
  oFont = a.oFont;
  const bool pixels = flag(a.lPixel);
  const double row = a.nRow.isNil() ? 0 : a.nRow.number();
  const double col = a.nCol.isNil() ? 0 : a.nCol.number();
  const double top = pixels ? row : row * kRowHeight;
  const double left = pixels ? col : col * kColumnWidth;
  const double height = a.nHeight.isNil() ? kDefaultHeight : a.nHeight.number();
  const double width =
      a.nWidth.isNil() ? static_cast<double>(cCaption.length()) * kCharWidth : a.nWidth.number();
  // Inclusive edges, as for the single-line field: the window is exactly nWidth x nHeight.
  nTop = coordinate(top);
  nLeft = coordinate(left);
  nBottom = coordinate(top + height - 1);
  nRight = coordinate(left + width - 1);

  long long style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN;
  if (!readOnly) style |= WS_TABSTOP;
  if (!flag(a.lNoVScroll)) style |= WS_VSCROLL;
  if (flag(a.lHScroll)) style |= WS_HSCROLL;
  if (design) style |= WS_CLIPSIBLINGS;
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
  lDrag = design;
  lCaptured = false;
  oCursor = a.oCursor;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bValid = a.bValid;
  lReadOnly = readOnly;
  nPos = 0;
  bChange = a.bChanged;
  hHeap = 0;
  SetColor(orDefault(a.nClrFore, sysColor(COLOR_WINDOWTEXT)),
           orDefault(a.nClrBack, sysColor(COLOR_WINDOW)));
  createOrDefer("EDIT", design, [&] {
    LimitText(0);
    Default();
  });
  return self();
}

Value TMultiGet::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  bSetGet = a.bSetGet;
  nHelpId = a.nHelpId;
  oFont = a.oFont;
  oCursor = a.oCursor;
  cMsg = a.cMsg;
  lUpdate = flag(a.lUpdate);
  bWhen = a.bWhen;
  bValid = a.bValid;
  lReadOnly = flag(a.lReadOnly);
  bChange = a.bChanged;
  nPos = 0;
  hHeap = 0;
  lDrag = false;
  lCaptured = false;
  SetColor(orDefault(a.nClrFore, sysColor(COLOR_WINDOWTEXT)),
           orDefault(a.nClrBack, sysColor(COLOR_WINDOW)));
  hWnd = 0;
  Redefine(a.nId, orDefault(a.oWnd, GETWNDDEFAULT()));
  return self();
}

Value TMultiGet::Initiate(const Value& hDlg) {
  TControl::Initiate(hDlg);
  if (!hwnd()) return {};
  LimitText(0);
  if (flag(lReadOnly)) sendToControl(EM_SETREADONLY, TRUE);
  const std::string text = bSetGet.isClosure() ? shownText(evaluate(bSetGet)) : std::string();
  callWindows([&] { return SetWindowTextA(hwnd(), text.c_str()); });
  return {};
}

Value TMultiGet::Create(const Value& cClassName) {
  createEditWindow(*this, cClassName.isText() ? cClassName.string() : "EDIT", Value(), hHeap);
  return {};
}

// The field's font, else the parent's; the system control gets it at once.
Value TMultiGet::Default() {
  if (hwnd()) useFont();
  return {};
}

Value TMultiGet::Destroy() {
  hHeap = 0;
  return TControl::Destroy();
}

Value TMultiGet::cToChar(const Value& cClassName) {
  return TControl::cToChar(cClassName.isText() ? cClassName : Value("EDIT"));
}

// ---- Text ----

Value TMultiGet::cText(const Value& c) {
  if (c.isNil()) return windowText(hwnd());
  const std::string text = c.isText() ? c.string() : textForm(c);
  if (hwnd()) callWindows([&] { return SetWindowTextA(hwnd(), text.c_str()); });
  writeBack();
  return {};
}

Value TMultiGet::Len() {
  return static_cast<long long>(hwnd() ? GetWindowTextLengthA(hwnd()) : 0);
}

Value TMultiGet::GetLine(const Value& nLine) {
  return MGETLINE(hWnd, nLine);
}

Value TMultiGet::GetLineCount() {
  return static_cast<long long>(sendToControl(EM_GETLINECOUNT));
}

Value TMultiGet::LineIndex(const Value& nLine) {
  const long long line = nLine.isNil() ? -1 : nLine.integer();
  return static_cast<long long>(sendToControl(EM_LINEINDEX, static_cast<WPARAM>(line)));
}

Value TMultiGet::GetRow() {
  const Range sel = selectionOf(hwnd());
  return static_cast<long long>(sendToControl(EM_LINEFROMCHAR, static_cast<WPARAM>(sel.start))) + 1;
}

Value TMultiGet::GetCol() {
  const Range sel = selectionOf(hwnd());
  const LRESULT line = sendToControl(EM_LINEFROMCHAR, static_cast<WPARAM>(sel.start));
  const LRESULT start = sendToControl(EM_LINEINDEX, static_cast<WPARAM>(line));
  return sel.start - static_cast<long long>(start) + 1;
}

Value TMultiGet::Append(const Value& c) {
  const auto end = static_cast<WPARAM>(hwnd() ? GetWindowTextLengthA(hwnd()) : 0);
  sendToControl(EM_SETSEL, end, static_cast<LPARAM>(end));
  return replace(c);
}

Value TMultiGet::replace(const Value& c) {
  if (!hwnd()) return {};
  MGETREPLACE(hWnd, c.isText() ? c : Value(textForm(c)));
  nPos = selectionOf(hwnd()).start;
  writeBack();
  return {};
}

// The bytes of the text as the control holds them (line ends CR LF); true when all were written.
Value TMultiGet::SaveToFile(const Value& cFile) {
  if (!cFile.isText()) return false;
  const std::string text = windowText(hwnd());
  std::FILE* file = std::fopen(cFile.string().c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

Value TMultiGet::Refresh(const Value&) {
  if (!hwnd()) return {};
  const Range sel = selectionOf(hwnd());
  const std::string text = bSetGet.isClosure() ? shownText(evaluate(bSetGet)) : windowText(hwnd());
  callWindows([&] { return SetWindowTextA(hwnd(), text.c_str()); });
  sendToControl(EM_SETSEL, static_cast<WPARAM>(sel.start), static_cast<LPARAM>(sel.end));
  return {};
}

Value TMultiGet::UnDo() {
  if (flag(lReadOnly)) return {};
  systemEdit(EM_UNDO);
  return {};
}

// ---- Caret and selection ----

Value TMultiGet::SetPos(const Value& nStart, const Value& nEnd) {
  const long long start = nStart.isNil() ? 0 : nStart.integer();
  const long long end = nEnd.isNil() ? start : nEnd.integer();
  sendToControl(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
  nPos = start;
  return {};
}

Value TMultiGet::SetSel(const Value& nStart, const Value& nEnd) {
  const long long start = nStart.isNil() ? 0 : nStart.integer();
  const long long end = nEnd.isNil() ? start : nEnd.integer();
  sendToControl(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
  return {};
}

Value TMultiGet::GetSel() {
  const Range sel = selectionOf(hwnd());
  const std::string text = windowText(hwnd());
  const auto start = std::min<std::size_t>(static_cast<std::size_t>(sel.start), text.size());
  const auto end = std::min<std::size_t>(static_cast<std::size_t>(sel.end), text.size());
  return end > start ? text.substr(start, end - start) : std::string();
}

Value TMultiGet::GetSelPos(Value& nStart, Value& nEnd) {
  const Range sel = selectionOf(hwnd());
  nStart = sel.start;
  nEnd = sel.end;
  return {};
}

Value TMultiGet::GoTo(const Value& nLine) {
  const LRESULT start = sendToControl(EM_LINEINDEX, static_cast<WPARAM>(nLine.integer()));
  if (start < 0) return {};
  sendToControl(EM_SETSEL, static_cast<WPARAM>(start), start);
  sendToControl(EM_SCROLLCARET);
  nPos = static_cast<long long>(start);
  return {};
}

Value TMultiGet::GoBottom() {
  const auto end = static_cast<WPARAM>(lanmere::trimRight(windowText(hwnd()), " \r\n").size());
  sendToControl(EM_SETSEL, end, static_cast<LPARAM>(end));
  sendToControl(EM_LINESCROLL, 0, sendToControl(EM_GETLINECOUNT));
  nPos = static_cast<long long>(end);
  return {};
}

Value TMultiGet::SelectAll() {
  sendToControl(EM_SETSEL, 0, -1);
  return {};
}

Value TMultiGet::HideSel() {
  sendToControl(EM_SETSEL, static_cast<WPARAM>(-1), 0);
  return {};
}

// The current row is offered; Ok goes to the line entered, kept within the text's lines (the
// field counts lines from 1, GoTo from 0).
Value TMultiGet::DlgGoLine() {
  if (!hwnd()) return {};
  const lanmere::Ref<lanmere::Cell> line(new lanmere::Cell(GetRow()));
  const auto dialogHeld = std::make_shared<Value>();
  const Value field = self();
  const Value dialog = lanmere::construct<TDialog>(
      {.nTop = 5, .nLeft = 5, .nBottom = 10, .nRight = 29, .cCaption = "Go To", .oWnd = oWnd});
  *dialogHeld = dialog;
  lanmere::construct<TSay>({.nRow = pixel(0.5, kSayRow, kSayRowOffset),
                            .nCol = pixel(2, kSayColumn),
                            .bText = "Line:",
                            .oWnd = dialog,
                            .lPixel = true});
  lanmere::construct<TGet>({.nRow = pixel(0.5, kGetRow),
                            .nCol = pixel(5, kGetColumn),
                            .bSetGet = lanmere::setGet(line),
                            .oWnd = dialog,
                            .nWidth = 25,
                            .nHeight = 11,
                            .cPicture = "99999",
                            .lPixel = true,
                            .cVarName = "nLine"});
  auto button = [&](double row, double col, const char* caption, bool isDefault, bool ok) {
    const Value action = lanmere::block(
        [field, line, dialogHeld, ok](Args) -> Value {
          if (ok) {
            TMultiGet& memo = static_cast<TMultiGet&>(*field.object());
            const long long lines = std::max(1LL, memo.GetLineCount().integer());
            memo.GoTo(std::clamp(line->value.integer(), 1LL, lines) - 1);
          }
          tell(*dialogHeld, msg::End);
          return {};
        },
        "(b)TMULTIGET");
    lanmere::construct<TButton>({.nRow = pixel(row, kButtonRow),
                                 .nCol = pixel(col, kButtonColumn),
                                 .cCaption = caption,
                                 .oWnd = dialog,
                                 .bAction = action,
                                 .nWidth = 32,
                                 .nHeight = 11,
                                 .lDefault = isDefault,
                                 .lPixel = true,
                                 .lCancel = !ok});  // Cancel never validates the line field
  };
  button(1.3, 2, "&Ok", true, true);
  button(1.3, 9.5, "&Cancel", false, false);
  TDialog::ActivateArgs{.lCentered = true}.sendTo(dialog);
  *dialogHeld = Value();
  return {};
}

// ---- Editing ----

Value TMultiGet::Copy() {
  callPrevious(WM_COPY);
  return {};
}

Value TMultiGet::Cut() {
  if (refused("Can't cut")) return {};
  systemEdit(WM_CUT);
  runChange();
  return {};
}

Value TMultiGet::Del() {
  if (refused("Can't delete")) return {};
  systemEdit(WM_CLEAR);
  runChange();
  return {};
}

Value TMultiGet::PasteText(const Value& cTextIn) {
  if (flag(lReadOnly) || !hwnd()) return {};
  if (cTextIn.isText()) {
    if (lanmere::classByName("TCLIPBOARD")) {
      const Value clip = tell(lanmere::createObject("TCLIPBOARD"), msg::New, 1, oWnd);
      tell(clip, msg::SetText, cTextIn);
    } else {
      MGETREPLACE(hWnd, cTextIn);
      writeBack();
      runChange();
      return {};
    }
  }
  systemEdit(WM_PASTE);
  runChange();
  return {};
}

// The line (1-based, the current row by default) goes with its line end, through the clipboard
// as a cut does; the last line goes to the end of the text.
Value TMultiGet::DelLine(const Value& nLine) {
  if (!hwnd() || refused("Can't delete")) return {};
  const long long line = nLine.isNil() ? GetRow().integer() : nLine.integer();
  if (line < 1) return {};
  const LRESULT start = sendToControl(EM_LINEINDEX, static_cast<WPARAM>(line - 1));
  if (start < 0) return {};
  const LRESULT next = sendToControl(EM_LINEINDEX, static_cast<WPARAM>(line));
  sendToControl(EM_SETSEL, static_cast<WPARAM>(start), next < 0 ? -1 : next);
  systemEdit(WM_CUT);
  nPos = static_cast<long long>(start);
  runChange();
  return {};
}

Value TMultiGet::LimitText(const Value& nChars) {
  sendToControl(EM_LIMITTEXT, static_cast<WPARAM>(nChars.isNil() ? 0 : nChars.integer()));
  return {};
}

// ---- Find ----

namespace {

// What the find dialog needs while it is up; the dialog's requests reach the field.
struct FindSession {
  FINDREPLACEA request{};
  char what[kLineMax + 1] = {};
  HWND owner = nullptr;  // the top-level window, disabled while the dialog is up
  HWND dialog = nullptr;
  bool found = false;
};

FindSession* activeFind = nullptr;

}  // namespace

// Runs the system's find dialog as a modal one (its owner disabled) until the user closes it;
// each "Find Next" selects the next match from the caret in the chosen direction and case, or
// beeps. Answers whether a match was selected.
Value TMultiGet::find(const Value& cTextIn) {
  if (!hwnd() || activeFind) return false;
  FindSession session;
  std::string preset = cTextIn.isText() ? cTextIn.string() : GetSel().string();
  if (preset.find_first_of("\r\n") != std::string::npos) preset.clear();
  preset.copy(session.what, kLineMax);
  session.request.lStructSize = sizeof session.request;
  session.request.hwndOwner = hwnd();
  session.request.lpstrFindWhat = session.what;
  session.request.wFindWhatLen = sizeof session.what;
  session.request.Flags = FR_DOWN | FR_HIDEWHOLEWORD;
  session.owner = GetAncestor(hwnd(), GA_ROOT);
  findMessage();
  session.dialog = callWindows([&] {
    return callSystem<"comdlg32.dll", "FindTextA", decltype(::FindTextA)>(&session.request);
  });
  if (!session.dialog) return false;
  activeFind = &session;
  struct Restore {
    FindSession& session;
    ~Restore() {
      activeFind = nullptr;
      if (session.owner) EnableWindow(session.owner, TRUE);
      if (IsWindow(session.dialog)) DestroyWindow(session.dialog);
    }
  } restore{session};
  if (session.owner) EnableWindow(session.owner, FALSE);
  MSG message{};
  while (IsWindow(session.dialog)) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (callWindows([&] { return IsDialogMessageA(session.dialog, &message); })) continue;
    TranslateMessage(&message);
    callWindows([&] { return DispatchMessageA(&message); });
  }
  return session.found;
}

void TMultiGet::findNext(const void* requestIn) {
  const auto* request = static_cast<const FINDREPLACEA*>(requestIn);
  if (!request) return;
  if (request->Flags & FR_DIALOGTERM) {
    // The owner is enabled before the dialog goes, so the activation returns to it.
    if (activeFind && activeFind->owner) EnableWindow(activeFind->owner, TRUE);
    return;
  }
  if (!(request->Flags & FR_FINDNEXT) || !request->lpstrFindWhat) return;
  const bool matchCase = (request->Flags & FR_MATCHCASE) != 0;
  std::string what = request->lpstrFindWhat;
  std::string text = windowText(hwnd());
  if (what.empty()) return;
  if (!matchCase) {
    what = lowered(what);
    text = lowered(text);
  }
  const Range sel = selectionOf(hwnd());
  std::size_t at = std::string::npos;
  if (request->Flags & FR_DOWN) {
    at = text.find(what, static_cast<std::size_t>(sel.end));
  } else if (sel.start >= static_cast<long long>(what.size())) {
    at = text.rfind(what, static_cast<std::size_t>(sel.start) - what.size());
  }
  if (at == std::string::npos) {
    MessageBeep(MB_OK);
    return;
  }
  sendToControl(EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at + what.size()));
  sendToControl(EM_SCROLLCARET);
  nPos = static_cast<long long>(at);
  if (activeFind) activeFind->found = true;
}

// ---- Printing ----

NotesLayout notesLayout(std::size_t lineCount, long long pageHeight) {
  NotesLayout layout;
  layout.pages =
      std::max<std::size_t>(1, (lineCount + kNotesLinesPerPage - 1) / kNotesLinesPerPage);
  layout.lines.reserve(lineCount);
  const auto perPage = static_cast<long long>(kNotesLinesPerPage);
  for (std::size_t i = 0; i < lineCount; ++i) {
    const auto onPage = static_cast<long long>(i % kNotesLinesPerPage);
    layout.lines.push_back({i / kNotesLinesPerPage, onPage * pageHeight / perPage});
  }
  return layout;
}

namespace {

// A printer native of the services layer above, called by name; nil while it is not registered.
Value printNative(const char* name, std::initializer_list<Value> args) {
  if (!lanmere::findFunction(name)) return {};
  return lanmere::callFunction(name, args);
}

}  // namespace

// The lines as the field shows them, on the printer of the shared printer settings (the one
// PRINTERSETUP chose, else the default), in the system font at the size it has on the screen.
Value TMultiGet::Print() {
  const Value context = printNative("GETPRINTDEFAULT", {Value(handleNumber(hwnd()))});
  const HDC printer = context.isNumber() ? handleOf<HDC>(context) : HDC{};
  if (!printer) {
    showAlert("Printer not ready!");
    return false;
  }
  if (printNative("STARTDOC", {context, Value("Notes")}).integer() <= 0) {
    trackedDelete(printer, DeleteDC);
    showAlert("Printer not ready!");
    return false;
  }
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const HDC screen = ::GetDC(nullptr);
  const int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  const int height = MulDiv(-11, GetDeviceCaps(printer, LOGPIXELSY), screenDpi ? screenDpi : 96);
  const std::string face = GETSYSFONT().string();
  const HFONT font = trackedCreate("CREATEFONT", "FONT", [&] {
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  });
  const long long lines = GetLineCount().integer();
  const NotesLayout layout =
      notesLayout(static_cast<std::size_t>(std::max(0LL, lines)), GetDeviceCaps(printer, VERTRES));
  std::size_t next = 0;
  bool printed = true;
  for (std::size_t page = 0; printed && page < layout.pages; ++page) {
    if (printNative("STARTPAGE", {context}).integer() <= 0) {
      printed = false;
      break;
    }
    const HGDIOBJ old = SelectObject(printer, font);
    for (; next < layout.lines.size() && layout.lines[next].page == page; ++next) {
      const std::string text = lineText(static_cast<long long>(next));
      TextOutA(printer, 0, static_cast<int>(layout.lines[next].top), text.c_str(),
               static_cast<int>(text.size()));
    }
    SelectObject(printer, old);
    if (printNative("ENDPAGE", {context}).integer() <= 0) printed = false;
  }
  // A failed page aborts the job: nothing half-printed reaches the printer.
  if (printed) printed = printNative("ENDDOC", {context}).integer() > 0;
  if (!printed) AbortDoc(printer);
  trackedDelete(font, DeleteObject);
  trackedDelete(printer, DeleteDC);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  return printed;
}

// ---- Keys ----

Value TMultiGet::KeyDown(const Value& nKey, const Value& nFlags) {
  const long long key = nKey.integer();
  const bool shift = keyDown(VK_SHIFT);
  const bool ctrl = keyDown(VK_CONTROL);
  const bool alt = keyDown(VK_MENU);
  const bool paste = (key == VK_INSERT && shift && !ctrl && !alt) || (key == 'V' && ctrl && !alt);
  const bool cut = key == 'X' && ctrl && !alt;
  if (paste || cut) {
    if (flag(lReadOnly)) return 0;
    systemEdit(paste ? WM_PASTE : WM_CUT);
    runChange(nKey, nFlags);
    return 0;
  }
  if (key == VK_DELETE) {
    if (flag(lReadOnly)) return 0;
    runChange(nKey, nFlags);
    const Value answer = TControl::KeyDown(nKey, nFlags);
    if (!answer.isNil()) return answer;
    systemEdit(WM_KEYDOWN, static_cast<WPARAM>(key), static_cast<LPARAM>(nFlags.integer()));
    return 0;
  }
  return TControl::KeyDown(nKey, nFlags);
}

Value TMultiGet::KeyChar(const Value& nKey, const Value& nFlags) {
  const long long key = nKey.integer();
  if (bKeyChar.isClosure()) {
    const Value answer = evaluate(bKeyChar, nKey, nFlags, self());
    if (answer.isNumber() && answer.integer() == 0) return 0;
  }
  const Value action = lanmere::keyAction(key);
  if (action.isClosure() && (nFlags.integer() & kExtendedKey)) {
    evaluate(action, lanmere::procName(1), lanmere::procLine(1), self());
    return 0;
  }
  if (key == VK_TAB || key == VK_ESCAPE) return TControl::KeyChar(nKey, nFlags);
  if (flag(lReadOnly)) {
    if (key == VK_RETURN) tell(oWnd, msg::GoNextCtrl, hWnd);
    return 0;
  }
  const auto wParam = static_cast<WPARAM>(key);
  const auto lParam = static_cast<LPARAM>(nFlags.integer());
  if (key == VK_RETURN) {
    if (!(GetWindowLongPtrA(hwnd(), GWL_STYLE) & ES_WANTRETURN)) {
      return TControl::KeyChar(nKey, nFlags);
    }
    if (TWindow* above = parent()) above->nLastKey = 0;
    runChange(nKey, nFlags);
    systemEdit(WM_CHAR, wParam, lParam);
    return 0;
  }
  if (key == kCtrlV || key == kCtrlX) return 0;
  systemEdit(WM_CHAR, wParam, lParam);
  runChange(nKey, nFlags);
  return 0;
}

// ---- Focus ----

Value TMultiGet::GotFocus(const Value& hWndLost) {
  TControl::GotFocus(hWndLost);
  if (!hwnd()) return {};
  callPrevious(WM_SETFOCUS, static_cast<WPARAM>(hWndLost.integer()));
  if (lanmere::insertMode()) shapeEditCaret(hwnd(), kInsertCaretWidth, 0);
  return 0;
}

// A text changed behind the field's back (dropped text, an input method) is stored now; an
// unchanged one is not written again, so a number or a text with trailing blanks keeps its value.
Value TMultiGet::LostFocus(const Value& hWndNew) {
  if (hwnd() && !flag(lReadOnly) && bSetGet.isClosure() &&
      windowText(hwnd()) != shownText(evaluate(bSetGet))) {
    writeBack();
  }
  nPos = selectionOf(hwnd()).start;
  return TControl::LostFocus(hWndNew);
}

// ---- Mouse ----

// The system control places the caret and selects, whatever the closures answered.
Value TMultiGet::LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const Value answer = TControl::LButtonDown(nRow, nCol, nFlags);
  return flag(lDrag) ? answer : Value();
}

Value TMultiGet::LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const Value answer = TControl::LButtonUp(nRow, nCol, nFlags);
  if (flag(lDrag) || !hwnd()) return answer;
  callPrevious(WM_LBUTTONUP, static_cast<WPARAM>(nFlags.integer()),
               MAKELPARAM(static_cast<WORD>(nCol.integer()), static_cast<WORD>(nRow.integer())));
  nPos = selectionOf(hwnd()).start;
  return 0;
}

Value TMultiGet::RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (!hwnd()) return 0;
  if (GetFocus() != hwnd()) {
    callWindows([&] { return ::SetFocus(hwnd()); });
    if (GetFocus() != hwnd()) return 0;
  }
  if (bRClicked.isClosure()) return evaluate(bRClicked, nRow, nCol, nFlags);
  contextMenu(nRow.integer(), nCol.integer());
  return 0;
}

Value TMultiGet::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const Value answer = TControl::MouseMove(nRow, nCol, nFlags);
  if (flag(lDrag)) return answer;
  if (!oCursor.isObject()) SetCursor(LoadCursorA(nullptr, IDC_IBEAM));
  return {};
}

// Each item is enabled only when it can act: undo when the control can undo; cut and delete
// with a selection in an editable field; copy with a selection; paste with text on the
// clipboard in an editable field.
void TMultiGet::contextMenu(long long row, long long col) {
  const Range sel = selectionOf(hwnd());
  const bool selected = sel.end > sel.start;
  const bool editable = !flag(lReadOnly);
  const bool canUndo = sendToControl(EM_CANUNDO) != 0;
  const bool clipText = IsClipboardFormatAvailable(CF_TEXT) != 0;
  const HMENU menu = CreatePopupMenu();
  if (!menu) return;
  struct Release {
    HMENU menu;
    ~Release() { DestroyMenu(menu); }
  } release{menu};
  auto item = [&](UINT id, const char* caption, bool enabled) {
    AppendMenuA(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, caption);
  };
  auto separator = [&] { AppendMenuA(menu, MF_SEPARATOR, 0, nullptr); };
  item(kMenuUndo, "&Undo", canUndo);
  separator();
  item(kMenuCut, "Cu&t", selected && editable);
  item(kMenuCopy, "&Copy", selected);
  item(kMenuPaste, "&Paste", clipText && editable);
  item(kMenuDelete, "&Delete", selected && editable);
  separator();
  item(kMenuPrint, "P&rint", true);
  separator();
  item(kMenuSelectAll, "Select &All", true);
  POINT at{static_cast<LONG>(col), static_cast<LONG>(row - kMenuAbove)};
  ClientToScreen(hwnd(), &at);
  const UINT command = static_cast<UINT>(callWindows([&] {
    return TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON,
                          at.x, at.y, 0, hwnd(), nullptr);
  }));
  switch (command) {
    case kMenuUndo:
      UnDo();
      break;
    case kMenuCut:
      Cut();
      break;
    case kMenuCopy:
      Copy();
      break;
    case kMenuPaste:
      PasteText({});
      break;
    case kMenuDelete:
      Del();
      break;
    case kMenuPrint:
      Print();
      break;
    case kMenuSelectAll:
      SelectAll();
      break;
    default:
      break;
  }
}

// ---- Painting and geometry ----

// The system control draws; bPainted draws over it.
Value TMultiGet::Display() {
  if (!hwnd()) return {};
  callPrevious(WM_PAINT);
  if (bPainted.isClosure()) {
    const HDC dc = ::GetDC(hwnd());
    hDC = handleNumber(dc);
    Paint();
    ::ReleaseDC(hwnd(), dc);
    hDC = 0;
  }
  return 1;
}

Value TMultiGet::Paint() {
  evaluate(bPainted, hDC, cPS, self());
  return 1;
}

// The control's brush fills the background; without one the system control paints it.
Value TMultiGet::EraseBkGnd(const Value& hDCErase) {
  const HDC dc = handleFrom<HDC>(hDCErase);
  const HBRUSH brush = handleOfMember<HBRUSH>(oBrush, msg::hBrush);
  if (dc && brush && hwnd()) {
    RECT client{};
    GetClientRect(hwnd(), &client);
    FillRect(dc, &client, brush);
  }
  return 1;
}

Value TMultiGet::Move(const Value& top, const Value& left, const Value& width, const Value& height,
                      const Value& lRepaint) {
  TControl::Move(top, left, width, height, lRepaint);
  MOVEGET(hWnd);
  return {};
}

Value TMultiGet::SetCoors(const Value& oRect) {
  TControl::SetCoors(oRect);
  MOVEGET(hWnd);
  return {};
}

Value TMultiGet::AdjClient() {
  TControl::AdjClient();
  MOVEGET(hWnd);
  return {};
}

// The system control scrolls itself.
Value TMultiGet::VScroll(const Value&, const Value&) {
  return {};
}

Value TMultiGet::HScroll(const Value&, const Value&) {
  return {};
}

// The find dialog's requests; the system control's own context menu is never shown (the
// field's replaces it, and the menu key opens the field's at the caret); clipboard and undo
// messages from anywhere are followed by the write-back.
Value TMultiGet::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  const auto message = static_cast<UINT>(nMsg.integer());
  if (message == findMessage()) {
    findNext(reinterpret_cast<const void*>(static_cast<LONG_PTR>(nLParam.integer())));
    return 0;
  }
  switch (message) {
    case WM_CONTEXTMENU:
      if (nLParam.integer() == -1 && !bRClicked.isClosure()) {
        POINT caret{};
        GetCaretPos(&caret);
        contextMenu(caret.y + kMenuAbove, caret.x);
      }
      return 0;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      if (flag(lReadOnly)) return 0;
      systemEdit(message, static_cast<WPARAM>(nWParam.integer()),
                 static_cast<LPARAM>(nLParam.integer()));
      return 1;
    default:
      return TControl::HandleEvent(nMsg, nWParam, nLParam);
  }
}

Value TMULTIGET() {
  return Value(lanmere::make<TMultiGet>());
}

const lanmere::ModuleTable& tMultiGetModule() {
  TMultiGet::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TMULTIGET>("TMULTIGET")}};
  return module;
}

}  // namespace kestrel
