#include "framework/services/tmsgbar.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "errors/report.h"
#include "framework/controls/tfont.h"
#include "framework/core/args.h"
#include "framework/core/designtext.h"
#include "framework/core/handles.h"
#include "framework/core/persist.h"
#include "framework/core/themes.h"
#include "framework/core/tracked.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "framework/services/msgpaint.h"
#include "framework/services/tmsgitem.h"
#include "framework/services/ttimer.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/memory.h"
#include "runtime/transform.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kDefaultBack = COLOR_BTNFACE;  // a system colour number, read at New
constexpr int kHeightExtra = 8;
constexpr int kSystemFontHeight = -12;
constexpr int kPaneTextExtra = 12;
constexpr int kPaneGap = 4;
constexpr int kRightGapThemed = 13;
constexpr int kRightGapPlain = 3;
constexpr int kMessageColumn = 4;
constexpr long long kTimerInterval = 400;
constexpr int kToolTipLineHeight = 14;
constexpr std::size_t kToolTipLineLength = 254;
constexpr const char* kMemoryPicture = "999,999,999,999";
constexpr const char* kFreeResources = "90";
constexpr int kVkNumLock = 144;
constexpr int kVkCapital = 20;
constexpr int kVkInsert = 45;
constexpr const char* kDateTimeCommand = "Control date/time";

Value& defaultBar() {
  static Value bar;
  return bar;
}

// One background bitmap per flat style: each style's bars paint with their own colours.
HBITMAP& flatBitmap(bool style2007) {
  static HBITMAP blue = nullptr;
  static HBITMAP grey = nullptr;
  return style2007 ? blue : grey;
}

Value& startTime() {
  static Value start;
  return start;
}

// Today as DATE() gives it and the seconds since midnight as SECONDS() gives them.
struct Clock {
  std::int32_t julian;
  double seconds;
};

Clock now() {
  return {lanmere::today().julian(), lanmere::secondsSinceMidnight()};
}

void recordStart() {
  const Clock clock = now();
  startTime() = Value::list({Value::date(clock.julian), Value(clock.seconds, 2)});
}

Value INITTIME() {
  recordStart();
  return {};
}

std::string timeText() {
  constexpr int kSecondsPerMinute = 60;
  constexpr int kSecondsPerHour = 3600;
  const int seconds = static_cast<int>(lanmere::secondsSinceMidnight());
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / kSecondsPerHour,
                seconds % kSecondsPerHour / kSecondsPerMinute, seconds % kSecondsPerMinute);
  return text;
}

std::string trimmedNumber(std::size_t value) {
  std::string text = lanmere::transform(Value(static_cast<long long>(value)), kMemoryPicture);
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

// A copy of the pane list: a pane's action may change the list.
std::vector<Value> snapshot(const Value& list) {
  if (!list.isList()) return {};
  const auto& items = list.listData()->items;
  return std::vector<Value>(items.begin(), items.end());
}

TMsgItem* paneOf(const Value& value) {
  return value.isObject() ? dynamic_cast<TMsgItem*>(value.object()) : nullptr;
}

// Presses and releases a key through the system's input.
void pressKey(int key) {
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = static_cast<WORD>(key);
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

}  // namespace

LM_DEFINE_CLASS(TMsgBar) {
  c.data(LM_FIELDS(cMsgDef, lCentered, lInset, oTimer, aItems, nItem, oKeyNum, oKeyCaps, oKeyIns,
                   oClock, oDate, nSizeItem, lCheckRes, lInfoRes, l2007, l2010, lPainting,
                   lPaint3L));
  c.classData("lRegistered");
  c.classData("aProperties", Value::list({"l2007", "cVarName", "aItems"}));
  c.methods(LM_METHODS(New, AddItem, InsItem, DelItem, SetItems, GetItems, ClockOn, ClockOff,
                       DateOn, DateOff, KeybOn, KeybOff, SetMsg, SetText, Adjust, Height, Default,
                       Paint, PaintBar, Display, EraseBkGnd, Destroy, CheckTimer, TimerEval,
                       MouseMove, LButtonDown, RButtonDown, LDblClick, ShowToolTip, ShowMsgBar,
                       FastEdit, cGenPrg));
  c.creatable();
}

// ---- Creation ----

Value TMsgBar::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  oWnd = a.oWnd.isObject() ? a.oWnd : defaultWindow();
  auto* parent = oWnd.isObject() ? dynamic_cast<TWindow*>(oWnd.object()) : nullptr;
  nClrText = a.nClrFore.isNumber() ? a.nClrFore : Value(0);
  nClrPane = a.nClrBack.isNumber() ? a.nClrBack : sysColor(kDefaultBack);
  if (parent) parent->oMsgBar = self();
  cMsg = cMsgDef = a.cMsg.isText() ? a.cMsg : Value("");
  nStyle = static_cast<long long>(WS_VISIBLE | WS_CHILD | WS_BORDER);
  lCentered = flag(a.lCentered, false);
  lInset = flag(a.lInset, true);
  lValidating = false;
  aItems = Value::list();
  oFont = a.oFont;
  lInfoRes = true;
  l2007 = flag(a.l2007, false);
  l2010 = !l2007.logical() && flag(a.l2010, false);
  lPainting = false;
  lPaint3L = true;
  RECT client{};
  if (parent && parent->hwnd()) GetClientRect(parent->hwnd(), &client);
  barHeight_ = static_cast<int>((parent ? parent->nGetChrHeight().integer() : 0) + kHeightExtra);
  nId = GetNewId();
  nTop = static_cast<long long>(client.bottom - barHeight_);
  nLeft = -1;
  // Inclusive coordinates: the bar ends at the client's bottom and one pixel past its right.
  nBottom = static_cast<long long>(client.bottom - 1);
  nRight = static_cast<long long>(client.right);
  Register();
  Create();
  showAsWindowText(cMsg);
  Default();
  if (flag(a.lKbd, false)) KeybOn();
  if (flag(a.lDate, false)) DateOn();
  if (flag(a.lClock, false)) ClockOn();
  SETMSGBARDEFAULT(self());
  return self();
}

Value TMsgBar::Default() {
  if (!oFont.isObject() && lanmere::classByName("TFONT")) {
    // New may answer another live font of the same settings: that one is the bar's font.
    const Value font = lanmere::construct<TFont>(
        {.cFaceName = "MS Sans Serif", .nWidth = 0, .nHeight = kSystemFontHeight});
    SetFont(font);
    tell(font, msg::End);  // the bar holds its own use
  } else if (oFont.isObject()) {
    const Value given = oFont;
    oFont = Value();
    SetFont(given);
  }
  SetColor(nClrText, nClrPane);
  return {};
}

// ---- Panes ----

Value TMsgBar::AddItem(const Value& oItem) {
  if (!paneOf(oItem)) return {};
  aItems.listData()->items.push_back(oItem);
  Refresh();
  return {};
}

Value TMsgBar::InsItem(const Value& oItem, const Value& nAt) {
  if (!paneOf(oItem) || !nAt.isNumber() || nAt.integer() <= 0) return {};
  auto& items = aItems.listData()->items;
  const auto at = static_cast<std::size_t>(nAt.integer() - 1);
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(std::min(at, items.size())), oItem);
  Refresh();
  return {};
}

Value TMsgBar::DelItem(const Value& oItem) {
  auto& items = aItems.listData()->items;
  const auto at = std::find_if(items.begin(), items.end(),
                               [&](const Value& v) { return v.sharesStorageWith(oItem); });
  if (at == items.end()) return {};
  items.erase(at);
  Refresh();
  return {};
}

Value TMsgBar::SetItems(const Value& aTexts) {
  if (!aTexts.isList()) return {};
  for (std::size_t n = 1; n <= aTexts.length(); ++n) {
    lanmere::construct<TMsgItem>(
        {.oMsgBar = self(),
         .cMsg = aTexts.item(n),
         .nWidth = GetWidth(aTexts.item(n), oFont).integer() + kPaneTextExtra,
         .lAdd = true});
  }
  return {};
}

Value TMsgBar::GetItems() {
  return static_cast<long long>(aItems.length());
}

long long TMsgBar::paneLeft(const lanmere::Object& pane) {
  RECT client{};
  GetClientRect(hwnd(), &client);
  const HWND parent = GetParent(hwnd());
  const bool plain = !ISAPPTHEMED() && parent && IsZoomed(parent);
  long long left = client.right - (plain ? kRightGapPlain : kRightGapThemed);
  const auto& items = aItems.listData()->items;
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    const TMsgItem* item = paneOf(*it);
    if (!item) continue;
    if (item == &pane) return left - (item->width() - 2);
    left -= item->width() + kPaneGap;
  }
  return left;
}

long long TMsgBar::itemsLeft() {
  if (aItems.length() == 0) return 0;
  TMsgItem* first = paneOf(aItems.item(1));
  return first ? paneLeft(*first) : 0;
}

Value TMsgBar::makeTimedPane(const Value& text, const Value& refresh, const Value& action) {
  const Value pane =
      lanmere::construct<TMsgItem>({.oMsgBar = self(),
                                    .cMsg = text,
                                    .nWidth = GetWidth(text, oFont).integer() + kPaneTextExtra,
                                    .lAdd = true,
                                    .bAction = action});
  TMsgItem* item = paneOf(pane);
  item->bMsg = refresh;
  item->lTimer = true;
  CheckTimer();
  return pane;
}

Value& TMsgBar::keySlot(int key) {
  if (key == kVkNumLock) return oKeyNum;
  if (key == kVkCapital) return oKeyCaps;
  return oKeyIns;
}

// The refresh closure receives the pane; the click closure finds it in the bar's slot (a closure
// holding the pane or the bar would be a cycle; the pane's End lets go of both closures).
Value TMsgBar::makeKeyPane(const char* text, int key) {
  const Value refresh = lanmere::block(
      [key, text](Args a) {
        if (TMsgItem* pane = a.empty() ? nullptr : paneOf(a[0]))
          pane->lActive = (GetKeyState(key) & 1) != 0;
        return Value(text);
      },
      "(b)TMSGBAR:KEYBON");
  TMsgBar* bar = this;
  const Value action = lanmere::block(
      [bar, key](Args) {
        pressKey(key);
        if (TMsgItem* pane = paneOf(bar->keySlot(key))) pane->Refresh();
        return Value();
      },
      "(b)TMSGBAR:KEYBON");
  const Value pane = makeTimedPane(Value(text), refresh, action);
  TMsgItem* item = paneOf(pane);
  item->nClrDisabled = sysColor(COLOR_BTNSHADOW);
  item->Refresh();
  return pane;
}

void TMsgBar::removePane(Value& slot) {
  if (TMsgItem* pane = paneOf(slot)) {
    const Value keep = slot;
    slot = Value();
    DelItem(keep);
    pane->End();
  }
}

Value TMsgBar::KeybOn() {
  if (paneOf(oKeyNum)) return {};
  oKeyNum = makeKeyPane("Num", kVkNumLock);
  oKeyCaps = makeKeyPane("Caps", kVkCapital);
  oKeyIns = makeKeyPane("Ins", kVkInsert);
  return {};
}

Value TMsgBar::KeybOff() {
  removePane(oKeyNum);
  removePane(oKeyCaps);
  removePane(oKeyIns);
  return {};
}

namespace {
Value dateTimeAction() {
  return lanmere::block(
      [](Args) {
        WinExec(kDateTimeCommand, SW_SHOWNORMAL);
        return Value();
      },
      "(b)TMSGBAR:DATETIME");
}
}  // namespace

Value TMsgBar::ClockOn() {
  if (paneOf(oClock)) return {};
  oClock =
      makeTimedPane(Value(timeText()),
                    lanmere::block([](Args) { return Value(timeText()); }, "(b)TMSGBAR:CLOCKON"),
                    dateTimeAction());
  return {};
}

Value TMsgBar::ClockOff() {
  removePane(oClock);
  return {};
}

Value TMsgBar::DateOn() {
  if (paneOf(oDate)) return {};
  auto today = [](Args) { return Value(lanmere::dtoc(lanmere::today())); };
  oDate = makeTimedPane(today({}), lanmere::block(today, "(b)TMSGBAR:DATEON"), dateTimeAction());
  return {};
}

Value TMsgBar::DateOff() {
  removePane(oDate);
  return {};
}

// ---- Timer ----

Value TMsgBar::CheckTimer() {
  if (oTimer.isObject() || !hwnd()) return {};
  TMsgBar* bar = this;
  const Value timer = TTIMER();
  tell(timer, msg::New, Value(kTimerInterval),
       lanmere::block([bar](Args) { return bar->TimerEval(); }, "(b)TMSGBAR:CHECKTIMER"), self());
  tell(timer, msg::Activate);
  oTimer = timer;
  return {};
}

std::string TMsgBar::resourceTitle() {
  const lanmere::MemoryCounters& memory = lanmere::memoryCounters();
  const char* bits = sizeof(void*) == 8 ? "(64 bits) " : "(32 bits) ";
  return std::string(bits) + "MemUsed: " + trimmedNumber(memory.inUse) +
         " MemMax: " + trimmedNumber(memory.highest) + " Resources: " + kFreeResources + "%" +
         " Running time: " + TIMEFROMSTART().string();
}

Value TMsgBar::TimerEval() {
  const lanmere::Ref<TMsgBar> keep(this);
  if (aItems.isList()) {
    const std::vector<Value> items = snapshot(aItems);
    for (const Value& value : items) {
      TMsgItem* pane = paneOf(value);
      if (pane && pane->lTimer.logical()) pane->Refresh();
    }
  }
  auto* parent = oWnd.isObject() ? dynamic_cast<TWindow*>(oWnd.object()) : nullptr;
  if (!parent) return {};
  if (lCheckRes.logical()) {
    parent->SetText(Value(resourceTitle()));
  } else if (Cargo.isText()) {
    parent->SetText(Cargo);
    Cargo = Value();
  }
  return {};
}

// ---- Messages ----

Value TMsgBar::SetMsg(const Value& cText, const Value&) {
  Value text = cText.isClosure() ? evaluate(cText) : cText;
  if (text.isNil()) text = "";
  if (!text.isText()) text = Value(scalarText(text));
  showAsWindowText(text);
  if (flat()) {
    cMsg = text;
    Refresh(false);
    return {};
  }
  const std::string shown = cMsg.isText() ? cMsg.string() : std::string();
  if (text.string() == shown) return {};
  cMsg = text;
  if (!hwnd()) return {};
  HDC dc = ::GetDC(hwnd());
  drawClassicMessage(dc, false);
  if (lPaint3L.logical()) MSGPAINT3L(hWnd, false, handleNumber(dc));
  ::ReleaseDC(hwnd(), dc);
  return {};
}

// What the bar shows (its message, else the default one) is its window text too, where screen
// readers and other programs read it.
void TMsgBar::showAsWindowText(const Value& message) {
  if (!hwnd()) return;
  std::string shown = message.isText() ? message.string() : std::string();
  if (shown.empty() && cMsgDef.isText()) shown = cMsgDef.string();
  if (windowText(hwnd()) != shown) SetWindowTextA(hwnd(), shown.c_str());
}

Value TMsgBar::SetText(const Value& cText) {
  return SetMsg(cText);
}

void TMsgBar::drawClassicMessage(HDC dc, bool frame) {
  Value paintArgs[] = {hWnd,
                       cMsg,
                       cMsgDef,
                       frame,
                       lCentered,
                       itemsLeft(),
                       nClrText,
                       nClrPane,
                       Value(handleNumber(handleOfMember<HFONT>(oFont, msg::hFont))),
                       lInset,
                       Value(handleNumber(dc))};
  MSGPAINT(Args(paintArgs));
}

// ---- Geometry ----

Value TMsgBar::Adjust() {
  auto* parent = oWnd.isObject() ? dynamic_cast<TWindow*>(oWnd.object()) : nullptr;
  if (!parent || !parent->hwnd() || !hwnd()) return {};
  RECT client{};
  GetClientRect(parent->hwnd(), &client);
  MoveWindow(hwnd(), -1, client.bottom - barHeight_, client.right + 2, barHeight_, TRUE);
  return {};
}

Value TMsgBar::Height() {
  return static_cast<long long>(barHeight_);
}

int TMsgBar::clientWidth() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return client.right;
}

// ---- Painting ----

Value TMsgBar::Display() {
  BeginPaint();
  Paint();
  EndPaint();
  return 0;
}

Value TMsgBar::EraseBkGnd(const Value&) {
  return 1;
}

Value TMsgBar::Paint() {
  HDC dc = handleFrom<HDC>(hDC);
  if (!dc) return {};
  paintDC_ = dc;
  struct Done {
    TMsgBar& bar;
    ~Done() {
      bar.paintDC_ = nullptr;
      bar.lPainting = false;
    }
  } done{*this};
  paintWhole(dc);
  return bPainted.isClosure() ? evaluate(bPainted, hDC) : Value(0);
}

void TMsgBar::paintWhole(HDC dc) {
  const std::vector<Value> items = snapshot(aItems);
  RECT client{};
  GetClientRect(hwnd(), &client);
  if (flat()) {
    lPainting = false;
    paintBackground(dc, 0, client.right);
    std::string text = cMsg.isText() ? cMsg.string() : std::string();
    if (text.empty() && cMsgDef.isText()) text = cMsgDef.string();
    const HFONT font = handleOfMember<HFONT>(oFont, msg::hFont);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldText = SetTextColor(dc, static_cast<COLORREF>(nClrText.integer()));
    const long long left = itemsLeft();
    RECT area{kMessageColumn, barHeight_ / 4 - 2, left ? static_cast<LONG>(left) : client.right,
              client.bottom};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_SINGLELINE | DT_NOPREFIX | (lCentered.logical() ? DT_CENTER : DT_LEFT));
    SetTextColor(dc, oldText);
    SetBkMode(dc, oldMode);
    if (oldFont) SelectObject(dc, oldFont);
    lPainting = true;
    for (const Value& value : items) {
      if (TMsgItem* pane = paneOf(value)) pane->paintOn(dc);
    }
    lPainting = false;
    if (lPaint3L.logical()) MSGPAINT3L(hWnd, true, handleNumber(dc));
    return;
  }
  HBRUSH brush = handleOfMember<HBRUSH>(oBrush, msg::hBrush);
  HBRUSH own = brush ? nullptr : CreateSolidBrush(static_cast<COLORREF>(nClrPane.integer()));
  FillRect(dc, &client, brush ? brush : own);
  if (own) DeleteObject(own);
  drawClassicMessage(dc, true);
  for (const Value& value : items) {
    if (TMsgItem* pane = paneOf(value)) pane->paintOn(dc);
  }
  if (lPaint3L.logical()) MSGPAINT3L(hWnd, false, handleNumber(dc));
}

void TMsgBar::paintBackground(HDC dc, int left, int width) {
  if (lPainting.logical() || !flat()) return;
  const bool blue = l2007.logical();
  HBITMAP& bitmap = flatBitmap(blue);
  if (!bitmap) {
    bitmap =
        handleFrom<HBITMAP>(blue ? MSGBAR2007(handleNumber(dc)) : MSGBAR2010(handleNumber(dc)));
  }
  if (!bitmap) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const int rows = static_cast<int>(flatBarRows(blue).size());
  StretchBlt(dc, left, 0, width, barHeight_, memory, 0, 0, flatBarWidth(blue), rows, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

Value TMsgBar::PaintBar(const Value& nLeftAt, const Value& nWidthOf) {
  if (!hwnd()) return {};
  HDC dc = paintDC_ ? paintDC_ : ::GetDC(hwnd());
  paintBackground(dc, static_cast<int>(nLeftAt.integer()),
                  nWidthOf.isNumber() ? static_cast<int>(nWidthOf.integer()) : clientWidth());
  if (!paintDC_) ::ReleaseDC(hwnd(), dc);
  return {};
}

// ---- Mouse ----

Value TMsgBar::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const auto& items = aItems.listData()->items;
  long long over = 0;
  for (std::size_t n = 0; n < items.size(); ++n) {
    TMsgItem* pane = paneOf(items[n]);
    if (pane && pane->bAction.isClosure() && pane->IsOver(nRow, nCol).logical()) {
      over = static_cast<long long>(n + 1);
      break;
    }
  }
  if (over != 0) {
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    if (nItem.integer() != over) {
      DestroyToolTip();
      nItem = over;
      const Value tip = paneOf(items[static_cast<std::size_t>(over - 1)])->cToolTip;
      if (!tip.isNil()) ShowToolTip();
    }
    return 0;
  }
  if (nItem.integer() != 0) DestroyToolTip();
  nItem = 0;
  return TControl::MouseMove(nRow, nCol, nFlags);
}

Value TMsgBar::LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const std::vector<Value> items = snapshot(aItems);
  for (const Value& value : items) {
    TMsgItem* pane = paneOf(value);
    if (pane && pane->IsOver(nRow, nCol).logical()) return pane->Click(nRow, nCol);
  }
  return TControl::LButtonDown(nRow, nCol, nFlags);
}

Value TMsgBar::RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (lFastEdit.logical()) FastEdit(nRow, nCol);
  const std::vector<Value> items = snapshot(aItems);
  for (const Value& value : items) {
    TMsgItem* pane = paneOf(value);
    if (pane && pane->IsOver(nRow, nCol).logical()) {
      pane->RClick(nRow, nCol);
      break;
    }
  }
  return TControl::RButtonDown(nRow, nCol, nFlags);
}

Value TMsgBar::LDblClick(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (lInfoRes.logical() || lCheckRes.logical()) {
    auto* parent = oWnd.isObject() ? dynamic_cast<TWindow*>(oWnd.object()) : nullptr;
    if (!lCheckRes.logical() && parent) Cargo = parent->GetText();
    lCheckRes = !lCheckRes.logical();
  }
  return TControl::LDblClick(nRow, nCol, nFlags);
}

Value TMsgBar::ShowToolTip(const Value&, const Value&, const Value&) {
  const long long over = nItem.integer();
  if (over <= 0 || static_cast<std::size_t>(over) > aItems.length()) return {};
  TMsgItem* pane = paneOf(aItems.item(static_cast<std::size_t>(over)));
  if (!pane) return {};
  Value tip = pane->cToolTip.isClosure() ? evaluate(pane->cToolTip) : pane->cToolTip;
  if (!tip.isText() || tip.text().empty()) return {};
  // CR LF ends a line as wrapping does.
  const auto lines =
      static_cast<long long>(lanmere::memoLines(tip.string(), kToolTipLineLength).size());
  return TControl::ShowToolTip(-lines * kToolTipLineHeight - 2, pane->nLeft(), tip);
}

Value TMsgBar::ShowMsgBar() {
  return {};
}

// ---- Design ----

namespace {
enum DesignCommand : UINT {
  kEditPrompt = 1,
  kToggleDate,
  kToggleClock,
  kToggleKeyboard,
  kShowSource
};
}  // namespace

Value TMsgBar::FastEdit(const Value& nRow, const Value& nCol) {
  const HMENU menu = CreatePopupMenu();
  if (!menu) return {};
  const auto checked = [](const Value& pane) { return pane.isObject() ? MF_CHECKED : 0u; };
  AppendMenuA(menu, MF_STRING, kEditPrompt, "Prompt...");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | checked(oDate), kToggleDate, "Date");
  AppendMenuA(menu, MF_STRING | checked(oClock), kToggleClock, "Clock");
  AppendMenuA(menu, MF_STRING | checked(oKeyNum), kToggleKeyboard, "Keyboard");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kShowSource, "Source code...");
  POINT at{static_cast<LONG>(nCol.integer()), static_cast<LONG>(nRow.integer())};
  ClientToScreen(hwnd(), &at);
  const HWND owner = hwnd();
  const auto chosen = static_cast<UINT>(callWindows([&] {
    return TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN, at.x, at.y, 0, owner,
                          nullptr);
  }));
  DestroyMenu(menu);
  switch (chosen) {
    case kEditPrompt:
      if (const auto text = editTextLine(owner, "Prompt", cMsgDef.string())) {
        cMsgDef = Value(*text);
        SetMsg(cMsgDef);
      }
      break;
    case kToggleDate:
      oDate.isObject() ? DateOff() : DateOn();
      break;
    case kToggleClock:
      oClock.isObject() ? ClockOff() : ClockOn();
      break;
    case kToggleKeyboard:
      oKeyNum.isObject() ? KeybOff() : KeybOn();
      break;
    case kShowSource:
      viewText(owner, "Source code", cGenPrg().string());
      break;
    default:
      break;
  }
  return {};
}

// The bar as a program would declare it on its window.
Value TMsgBar::cGenPrg() {
  auto* parent = oWnd.isObject() ? dynamic_cast<TWindow*>(oWnd.object()) : nullptr;
  const std::string owner = parent && parent->cVarName.isText() && !parent->cVarName.text().empty()
                                ? parent->cVarName.string()
                                : "oWnd";
  std::string text = "   SET MESSAGE OF " + owner + " TO \"" + cMsgDef.string() + "\"";
  const std::pair<bool, const char*> options[] = {
      {lCentered.logical(), " CENTERED"}, {oClock.isObject(), " CLOCK"},
      {oDate.isObject(), " DATE"},        {oKeyNum.isObject(), " KEYBOARD"},
      {l2007.logical(), " 2007"},         {l2010.logical(), " 2010"}};
  for (const auto& [on, word] : options) {
    if (on) text += word;
  }
  return Value(text + "\r\n");
}

// ---- Teardown ----

Value TMsgBar::Destroy() {
  const lanmere::Ref<TMsgBar> keep(this);
  if (aItems.isList()) {
    const std::vector<Value> items = snapshot(aItems);
    aItems = Value::list();
    for (const Value& value : items) {
      if (TMsgItem* pane = paneOf(value)) pane->End();
    }
  }
  oKeyNum = oKeyCaps = oKeyIns = oClock = oDate = Value();
  if (oTimer.isObject()) tell(oTimer, msg::End);
  oTimer = Value();
  if (flat()) {
    HBITMAP& bitmap = flatBitmap(l2007.logical());
    if (bitmap) trackedDelete(bitmap, [](HBITMAP h) { return DeleteObject(h); });
    bitmap = nullptr;  // the next bar of this style makes it again
  }
  if (defaultBar().identity() == static_cast<const void*>(this)) defaultBar() = Value();
  if (auto* parent = oWnd.isObject() ? dynamic_cast<TWindow*>(oWnd.object()) : nullptr) {
    if (parent->oMsgBar.identity() == static_cast<const void*>(this)) parent->oMsgBar = Value();
  }
  return TControl::Destroy();
}

// ---- Functions ----

Value SETMSGBARDEFAULT(const Value& oBar) {
  const Value previous = defaultBar();
  defaultBar() = oBar;
  return previous;
}

Value GETMSGBARDEFAULT() {
  return defaultBar();
}

Value TMSGBAR() {
  return Value(lanmere::make<TMsgBar>());
}

HBITMAP flatBarBitmap(bool style2007) {
  return flatBitmap(style2007);
}

Value programStartTime() {
  return startTime();
}

Value TIMEFROMSTART() {
  if (!startTime().isList()) recordStart();
  const Clock clock = now();
  return elapsedText(startTime().item(1).julian(), startTime().item(2).number(), clock.julian,
                     clock.seconds);
}

const lanmere::ModuleTable& msgBarModule() {
  TMsgBar::Class();
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&TIMEFROMSTART>("TIMEFROMSTART"),
       lanmere::fn<&INITTIME>("INITTIME$", lanmere::kInit | lanmere::kDefined),
       lanmere::fn<&SETMSGBARDEFAULT>("SETMSGBARDEFAULT"),
       lanmere::fn<&GETMSGBARDEFAULT>("GETMSGBARDEFAULT"), lanmere::fn<&TMSGBAR>("TMSGBAR")},
      1};
  return module;
}

}  // namespace kestrel
