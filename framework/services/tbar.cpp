#include "framework/services/tbar.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "framework/controls/gradient.h"
#include "framework/controls/tbtnbmp.h"
#include "framework/core/args.h"
#include "framework/core/classkind.h"
#include "framework/core/handles.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/services/barpaint.h"
#include "framework/services/tini.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmenuitem.h"
#include "runtime/binding.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/symbol.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kDefaultButton = 28;
constexpr long long kPlainPane = 8421504;  // grey
constexpr int kGroupGap = 8;
constexpr int kArrowWidth = 13;
constexpr int kFloatArrowWidth = 14;
constexpr int kSideArrowExtra = 12;
constexpr int kFloatOffset = 30;
constexpr const char* kCrLf = "\r\n";
constexpr const char* kModeWords[] = {"TOP", "LEFT", "RIGHT", "BOTTOM", "FLOAT"};

bool horizontal(int mode) {
  return mode == kBarTop || mode == kBarBottom;
}
bool vertical(int mode) {
  return mode == kBarLeft || mode == kBarRight;
}

int modeOfWord(const Value& word) {
  if (!word.isText()) return kBarTop;
  const std::string upper = lanmere::upper(word.text());
  for (int n = 0; n < 5; ++n) {
    if (upper == kModeWords[n]) return n + 1;
  }
  return kBarTop;  // an unknown word docks at the top
}

Value band(double share, COLORREF first, COLORREF last) {
  return Value::list(
      {Value(share, 2), Value(static_cast<long long>(first)), Value(static_cast<long long>(last))});
}

// The looks' own gradients: the blue one (2007, and any bar without the light look) and the
// light one (2010).
Value lookGradient(bool light, bool pressed) {
  if (light) {
    return pressed ? Value::list({band(0.4, RGB(255, 253, 222), RGB(255, 231, 147)),
                                  band(0.6, RGB(255, 215, 86), RGB(255, 231, 153))})
                   : Value::list({band(1, RGB(255, 255, 255), RGB(229, 233, 238))});
  }
  return pressed ? Value::list({band(0.25, RGB(255, 253, 222), RGB(255, 231, 151)),
                                band(0.75, RGB(255, 215, 84), RGB(255, 233, 162))})
                 : Value::list({band(0.25, RGB(219, 230, 244), RGB(207, 221, 239)),
                                band(0.75, RGB(201, 217, 237), RGB(231, 242, 255))});
}

// A list of {share, colour, colour} bands, as gradientFill takes it.
bool isGradient(const Value& description) {
  if (!description.isList() || description.length() == 0) return false;
  for (const Value& item : description.items()) {
    if (!item.isList() || item.length() < 3) return false;
    for (std::size_t n = 1; n <= 3; ++n) {
      if (!item.item(n).isNumber()) return false;
    }
  }
  return true;
}

TBtnBmp* buttonOf(const Value& value) {
  return value.isObject() ? dynamic_cast<TBtnBmp*>(value.object()) : nullptr;
}

bool startsGroup(const Value& button) {
  return flag(tell(button, msg::lGroup));
}
bool hasPopup(const Value& button) {
  return tell(button, msg::oPopup).isObject();
}

HWND windowOfValue(const Value& window) {
  return handleOfMember<HWND>(window, msg::hWnd);
}

int windowHeight(const Value& window) {
  RECT box{};
  const HWND hwnd = windowOfValue(window);
  if (!hwnd || !GetWindowRect(hwnd, &box)) return 0;
  return box.bottom - box.top;
}

// An INI field: a line break would split the record (and could forge keys), so it is a blank.
std::string iniField(const Value& value) {
  std::string text = value.isText() ? value.string() : std::string();
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}

std::string tf(const Value& value) {
  return flag(value) ? "T" : "F";
}

bool fileWritable(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file) return false;
  std::fclose(file);
  return true;
}

}  // namespace

LM_DEFINE_CLASS(TBar) {
  c.data(LM_FIELDS(nGroups, nMode, nBtnWidth, nBtnHeight, l3D, l2007, l2010));
  c.classData("lRegistered");
  c.methods(LM_METHODS(New, NewAt, Add, AddGroup, DelGroup, Del, GetBtnLeft, GetBtnTop, BtnAdjust,
                       Adjust, AdjTop, AdjBottom, AdjLeft, AdjRight, GoTop, GoLeft, GoRight, GoDown,
                       Float, FloatClick, RButtonDown, Paint, Display, EraseBkGnd, MouseMove,
                       SaveIni, cGenPRG, Destroy));
  c.creatable();
}

// ---- Creation ----

Value TBar::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const Value window = a.oWnd.isNil() ? defaultWindow() : a.oWnd;
  auto* parentWindow = window.isObject() ? dynamic_cast<TWindow*>(window.object()) : nullptr;
  if (!parentWindow || !parentWindow->hwnd()) return lanmere::argumentError(kBarWindowSubCode);
  oWnd = window;
  nBtnWidth =
      a.nBtnWidth.isNumber() && a.nBtnWidth.number() > 0 ? a.nBtnWidth.integer() : kDefaultButton;
  nBtnHeight = a.nBtnHeight.isNumber() && a.nBtnHeight.number() > 0 ? a.nBtnHeight.integer()
                                                                    : kDefaultButton;
  l3D = flag(a.l3D);
  const int mode = modeOfWord(a.cMode);
  const int docked = mode == kBarFloat ? kBarTop : mode;  // floats once made
  RECT r{};
  GetClientRect(parentWindow->hwnd(), &r);
  const long long w = nBtnWidth.integer();
  const long long h = nBtnHeight.integer();
  const long long extra = flag(l3D) ? 3 : 0;
  aControls = Value::list();
  nGroups = 0;
  switch (docked) {
    case kBarLeft:
      nTop = -1, nLeft = -1, nBottom = r.bottom + 1, nRight = w + extra;
      break;
    case kBarRight:
      nTop = -1, nLeft = r.right - w - extra, nBottom = r.bottom + 1, nRight = r.right + 1;
      break;
    case kBarBottom:
      nTop = r.bottom - h, nLeft = -1, nBottom = r.bottom + 1, nRight = r.right;
      break;
    default:
      nTop = -1, nLeft = -1, nBottom = h, nRight = r.right;
      break;
  }
  nStyle = static_cast<long long>(WS_BORDER | WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
  nId = GetNewId();
  lDrag = false;
  nClrPane = flag(l3D) ? sysColor(COLOR_BTNFACE) : Value(kPlainPane);
  lVisible = true;
  nMode = docked;
  oCursor = a.oCursor;
  lValidating = false;
  l2007 = flag(a.l2007);
  l2010 = !l2007.logical() && flag(a.l2010);
  const Value text = nClrText.isClosure() ? evaluate(nClrText, false) : nClrText;
  SetColor(text.isNumber() ? text : Value(0), nClrPane);
  const bool light = l2010.logical();
  bClrGrad = lanmere::block(
      [light](Args given) { return lookGradient(light, flag(lanmere::arg(given, 1))); });
  Register(static_cast<long long>(CS_VREDRAW | CS_HREDRAW));
  createOrDefer(Value(), false);
  setSlot(docked, true);
  if (mode == kBarFloat) Float();
  return self();
}

Value TBar::NewAt(Args args) {
  const NewAtArgs a = NewAtArgs::from(args);
  const Value window = a.oWnd.isNil() ? defaultWindow() : a.oWnd;
  auto* parentWindow = window.isObject() ? dynamic_cast<TWindow*>(window.object()) : nullptr;
  if (!parentWindow || !parentWindow->hwnd()) return lanmere::argumentError(kBarWindowSubCode);
  oWnd = window;
  RECT r{};
  GetClientRect(parentWindow->hwnd(), &r);
  nBtnWidth =
      a.nBtnWidth.isNumber() && a.nBtnWidth.number() > 0 ? a.nBtnWidth.integer() : kDefaultButton;
  nBtnHeight = a.nBtnHeight.isNumber() && a.nBtnHeight.number() > 0 ? a.nBtnHeight.integer()
                                                                    : kDefaultButton;
  const long long row = number(a.nRow, 0);
  const long long col = number(a.nCol, 0);
  const long long width = number(a.nWidth, r.right);
  const long long height = number(a.nHeight, kDefaultButton);
  nTop = row;
  nLeft = col;
  nBottom = row + height - 1;
  nRight = col + width - 1;
  aControls = Value::list();
  nGroups = 0;
  l3D = flag(a.l3D);
  l2007 = l2010 = false;
  nStyle = static_cast<long long>(WS_BORDER | WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
  nId = GetNewId();
  lDrag = false;
  nClrPane = flag(l3D) ? sysColor(COLOR_BTNFACE) : Value(kPlainPane);
  lVisible = true;
  const int mode = modeOfWord(a.cMode);
  nMode = mode == kBarFloat ? kBarTop : mode;
  oCursor = a.oCursor;
  lValidating = false;
  SetColor(Value(0), nClrPane);
  bClrGrad =
      lanmere::block([](Args given) { return lookGradient(false, flag(lanmere::arg(given, 1))); });
  Register(static_cast<long long>(CS_VREDRAW | CS_HREDRAW));
  createOrDefer(Value(), false);
  return self();
}

// ---- Helpers ----

TWindow* TBar::owner() const {
  return oWnd.isObject() ? dynamic_cast<TWindow*>(oWnd.object()) : nullptr;
}

bool TBar::threeD() const {
  return l3D.logical() && !flat();
}

// A real copy of the list: an action, a paint closure or a gradient closure may change it.
std::vector<Value> TBar::buttons() const {
  if (!aControls.isList()) return {};
  const auto items = aControls.items();
  return std::vector<Value>(items.begin(), items.end());
}

// nPos as a 1-based position within 1..count, else 0.
long long TBar::position(const Value& nPos, long long count) const {
  if (!nPos.isNumber()) return 0;
  const long long at = nPos.integer();
  return at >= 1 && at <= count ? at : 0;
}

Value TBar::gradient(bool pressed) {
  const Value answer = evaluate(bClrGrad, pressed);
  return isGradient(answer) ? answer : lookGradient(l2010.logical(), pressed);
}

bool TBar::edgeFree(int mode) const {
  const TWindow* parentWindow = owner();
  if (!parentWindow) return false;
  const auto freeFor = [this](const Value& slot) {
    return !slot.isObject() || slot.identity() == static_cast<const void*>(this);
  };
  switch (mode) {
    case kBarTop:
      return freeFor(parentWindow->oTop) && freeFor(parentWindow->oBar);
    case kBarLeft:
      return freeFor(parentWindow->oLeft);
    case kBarRight:
      return freeFor(parentWindow->oRight);
    case kBarBottom:
      return freeFor(parentWindow->oBottom) && !parentWindow->oMsgBar.isObject();
    default:
      return true;
  }
}

// Sets or clears the parent's slots of `mode`; a slot is cleared only while it holds this bar.
void TBar::setSlot(int mode, bool on) {
  TWindow* parentWindow = owner();
  if (!parentWindow) return;
  auto apply = [&](Value& slot) {
    if (on) {
      slot = self();
    } else if (slot.identity() == static_cast<const void*>(this)) {
      slot = Value();
    }
  };
  switch (mode) {
    case kBarTop:
      apply(parentWindow->oBar);
      apply(parentWindow->oTop);
      break;
    case kBarLeft:
      apply(parentWindow->oLeft);
      break;
    case kBarRight:
      apply(parentWindow->oRight);
      break;
    case kBarBottom:
      apply(parentWindow->oBottom);
      break;
    default:
      break;
  }
}

// ---- Buttons ----

Value TBar::GetBtnLeft(const Value& lGroup, const Value& nPos) {
  const std::vector<Value> items = buttons();
  const int mode = static_cast<int>(nMode.integer());
  const long long w = nBtnWidth.integer();
  const bool d3 = threeD();
  if (vertical(mode)) return d3 ? 2 : 0;
  if (mode == kBarFloat) {
    if (items.empty()) return -1;
    RECT client{};
    GetClientRect(hwnd(), &client);
    const long long lastRight = tell(items.back(), msg::nRight).integer();
    if (lastRight + w > client.right) return -1;
    return static_cast<long long>(items.size()) * w - 1;
  }
  long long left = d3 ? 9 : 0;
  if (!items.empty()) {
    const long long at = position(nPos, static_cast<long long>(items.size()));
    const Value& before = at > 1 ? items[static_cast<std::size_t>(at - 2)] : items.back();
    left = tell(before, msg::nRight).integer() + 1;
  }
  if (flag(lGroup)) left += kGroupGap;
  if (d3) left += 2;
  return left;
}

Value TBar::GetBtnTop(const Value& lGroup) {
  const int mode = static_cast<int>(nMode.integer());
  const bool d3 = threeD();
  if (!vertical(mode)) return d3 ? 3 : -1;
  const long long count = static_cast<long long>(buttons().size());
  const long long groups = nGroups.integer() + (flag(lGroup) ? 1 : 0);
  return (d3 ? 2 : 0) + count * (nBtnHeight.integer() - (d3 ? 3 : 0)) + kGroupGap * groups;
}

Value TBar::Add(const Value& oBtn, const Value& nPos) {
  if (!oBtn.isObject() || !lanmere::understands(oBtn, msg::hWnd) ||
      !lanmere::understands(oBtn, msg::Move)) {
    return lanmere::argumentError(kBarButtonSubCode);
  }
  const lanmere::Ref<TBar> keep(this);
  if (!aControls.isList()) aControls = Value::list();
  auto& items = aControls.listData()->items;
  for (const Value& item : items) {
    if (item.identity() == oBtn.identity()) return false;
  }
  const auto count = static_cast<long long>(items.size());
  const long long at = nPos.isNumber() && nPos.integer() >= 1 && nPos.integer() <= count + 1
                           ? nPos.integer()
                           : count + 1;
  items.insert(items.begin() + (at - 1), oBtn);
  if (startsGroup(oBtn)) nGroups = nGroups.integer() + 1;
  // A button goes where the bar's buttons live: the tool window while floating.
  const HWND button = windowOfValue(oBtn);
  const HWND home = floatWnd_.isObject() ? windowOfValue(floatWnd_) : hwnd();
  if (button && home && GetParent(button) != home) SetParent(button, home);
  if (floatWnd_.isObject()) sizeToolWindow();
  BtnAdjust();
  return true;
}

Value TBar::AddGroup(const Value& nPos) {
  return setGroup(nPos, true);
}

Value TBar::DelGroup(const Value& nPos) {
  return setGroup(nPos, false);
}

// Button nPos starts (or stops starting) a group; nothing when it already does (or does not),
// outside 1..count or while floating.
Value TBar::setGroup(const Value& nPos, bool on) {
  const std::vector<Value> items = buttons();
  const long long at = position(nPos, static_cast<long long>(items.size()));
  if (at == 0 || nMode.integer() == kBarFloat) return false;
  const Value& button = items[static_cast<std::size_t>(at - 1)];
  if (startsGroup(button) == on) return false;
  tell(button, msg::_lGroup, on);
  nGroups = std::max(0LL, nGroups.integer() + (on ? 1 : -1));
  BtnAdjust();
  return true;
}

// The removed button ends with its window and bitmaps; its group start passes to a plain
// follower, else the count of groups goes down.
Value TBar::Del(const Value& nPos) {
  const lanmere::Ref<TBar> keep(this);
  const std::vector<Value> items = buttons();
  const long long at = position(nPos, static_cast<long long>(items.size()));
  if (at == 0) return false;
  const Value button = items[static_cast<std::size_t>(at - 1)];
  auto& list = aControls.listData()->items;
  list.erase(list.begin() + (at - 1));
  if (startsGroup(button)) {
    const bool heir = static_cast<std::size_t>(at) < items.size() &&
                      !startsGroup(items[static_cast<std::size_t>(at)]);
    if (heir) {
      tell(items[static_cast<std::size_t>(at)], msg::_lGroup, true);
    } else {
      nGroups = std::max(0LL, nGroups.integer() - 1);
    }
  }
  if (const HWND window = windowOfValue(button)) DestroyWindow(window);
  if (floatWnd_.isObject()) sizeToolWindow();
  BtnAdjust();
  Refresh();
  return true;
}

Value TBar::BtnAdjust() {
  if (ended_ || !hwnd()) return {};
  const lanmere::Ref<TBar> keep(this);
  const std::vector<Value> items = buttons();
  const int mode = static_cast<int>(nMode.integer());
  const long long w = nBtnWidth.integer();
  const long long h = nBtnHeight.integer();
  const bool d3 = threeD();
  long long along = d3 ? 2 : -1;
  long long groups = 0;
  long long popups = 0;
  bool previousPopup = false;
  for (std::size_t n = 0; n < items.size(); ++n) {
    const Value& button = items[n];
    if (startsGroup(button)) ++groups;
    long long row = 0;
    long long col = 0;
    if (horizontal(mode)) {
      row = d3 ? 3 : -1;
      col = along + kGroupGap * groups + (flat() ? 1 : 9) + kArrowWidth * popups;
      along += w;
    } else if (vertical(mode)) {
      row = along + kGroupGap * groups + kGroupGap;
      col = d3 ? 2 : -1;
      along += d3 ? h - 3 : h + 1;
    } else {
      row = static_cast<long long>(n / 2) * (d3 ? h - 5 : h + 1);
      col = n % 2 == 0 ? 0 : (d3 ? w - 2 : w) + (previousPopup ? kArrowWidth : 0);
    }
    tell(button, msg::Move, row, col);
    if (mode != kBarFloat) tell(button, msg::Refresh);
    previousPopup = hasPopup(button);
    if (previousPopup) ++popups;
    if (ended_) return {};  // a button's code ended the bar
  }
  tell(oWnd, msg::Refresh);
  return {};
}

// ---- Docking ----

Value TBar::Adjust() {
  if (ended_ || !hwnd()) return {};
  const TWindow* parentWindow = owner();
  if (!parentWindow) return {};
  const int mode = static_cast<int>(nMode.integer());
  const bool msgBar = parentWindow->oMsgBar.isObject();
  const int msgHeight = msgBar ? windowHeight(parentWindow->oMsgBar) : 0;
  int topHeight = 0;
  int bottomHeight = 0;
  if (vertical(mode)) {
    const auto other = [this](const Value& slot) {
      return slot.isObject() && slot.identity() != static_cast<const void*>(this)
                 ? windowHeight(slot)
                 : 0;
    };
    topHeight = other(parentWindow->oTop);
    bottomHeight = other(parentWindow->oBottom);
  }
  Value list[] = {hWnd, nMode, msgBar, msgHeight, topHeight, bottomHeight};
  BARADJUST(Args(list));
  CoorsUpdate();
  return {};
}

// The window's docking messages answer through Adjust: the control base would place the bar.
Value TBar::AdjTop() {
  return Adjust();
}
Value TBar::AdjBottom() {
  return Adjust();
}
Value TBar::AdjLeft() {
  return Adjust();
}
Value TBar::AdjRight() {
  return Adjust();
}

Value TBar::GoTop() {
  return dock(kBarTop);
}
Value TBar::GoLeft() {
  return dock(kBarLeft);
}
Value TBar::GoRight() {
  return dock(kBarRight);
}
Value TBar::GoDown() {
  return dock(kBarBottom);
}

Value TBar::dock(int mode) {
  if (ended_ || !hwnd()) return false;
  const lanmere::Ref<TBar> keep(this);
  if (nMode.integer() == mode) return true;
  if (!edgeFree(mode)) return false;
  if (floatWnd_.isObject()) closeToolWindow(true);
  setSlot(static_cast<int>(nMode.integer()), false);
  nMode = mode;
  setSlot(mode, true);
  TWindow* parentWindow = owner();
  RECT r{};
  if (parentWindow) GetClientRect(parentWindow->hwnd(), &r);
  const long long w = nBtnWidth.integer();
  const long long h = nBtnHeight.integer();
  const bool d3 = threeD();
  if (horizontal(mode)) {
    SetWindowPos(hwnd(), nullptr, 0, 0, r.right, static_cast<int>(h + (d3 ? 2 : 1)),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    bool popup = false;
    for (const Value& button : buttons()) popup = popup || hasPopup(button);
    SetWindowPos(hwnd(), nullptr, 0, 0,
                 static_cast<int>(w + (d3 ? 5 : 3) + (popup ? kSideArrowExtra : 0)), r.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(hwnd(), SW_SHOWNA);
  tell(oWnd, msg::ReSize);
  if (parentWindow && isKindOf(*parentWindow, "TMDIFRAME")) {
    tell(offer(oWnd, msg::oWndClient), msg::Refresh);
  }
  if (ended_) return true;
  Adjust();
  BtnAdjust();
  Refresh();
  return true;
}

// The tool window's size: two buttons a row, wider by the drop-down buttons counted in pairs.
void TBar::sizeToolWindow() {
  const HWND tool = windowOfValue(floatWnd_);
  if (!tool) return;
  const std::vector<Value> items = buttons();
  const bool d3 = threeD();
  const long long w = nBtnWidth.integer();
  const long long h = nBtnHeight.integer();
  long long popups = 0;
  for (std::size_t n = 0; n < items.size() && popups < 2; n += 2) {
    popups += hasPopup(items[n]) ? 1 : 0;
    if (n + 1 < items.size()) popups += hasPopup(items[n + 1]) ? 1 : 0;
  }
  const long long rows = (static_cast<long long>(items.size()) + 1) / 2;
  const long long width = 2 * w + (d3 ? -2 : 2) + kFloatArrowWidth * popups;
  const long long height = (GetSystemMetrics(SM_CYSMCAPTION) + 1) + (h + (d3 ? -5 : 1)) * rows + 10;
  SetWindowPos(tool, nullptr, 0, 0, static_cast<int>(width), static_cast<int>(height),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Value TBar::Float() {
  if (ended_ || !hwnd() || floatWnd_.isObject()) return false;
  const lanmere::Ref<TBar> keep(this);
  TWindow* parentWindow = owner();
  if (!parentWindow) return false;
  lastDock_ = static_cast<int>(nMode.integer());
  setSlot(lastDock_, false);
  nMode = kBarFloat;
  // Owned by the MDI client for an MDI frame, else by the parent; a framework window, so the
  // buttons' clicks and draws reach them as on the bar.
  Value ownerWindow = oWnd;
  if (isKindOf(*parentWindow, "TMDIFRAME")) {
    const Value client = offer(oWnd, msg::oWndClient);
    if (client.isObject()) ownerWindow = client;
  }
  POINT at{kFloatOffset, kFloatOffset};
  ClientToScreen(hwnd(), &at);
  auto tool = lanmere::make<TWindow>();
  tool->nTop = static_cast<long long>(at.y);
  tool->nLeft = static_cast<long long>(at.x);
  tool->nBottom = static_cast<long long>(at.y + 10);
  tool->nRight = static_cast<long long>(at.x + 10);
  tool->nStyle = static_cast<long long>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN);
  tool->nExStyle = static_cast<long long>(WS_EX_TOOLWINDOW);
  tool->cCaption = "";
  tool->aControls = Value::list();
  tool->lVisible = true;
  tool->lValidating = false;
  tool->nClrPane = sysColor(COLOR_BTNFACE);
  tool->Register();
  tool->Create();
  const Value toolValue(tool);
  const HWND toolHwnd = tool->hwnd();
  if (!toolHwnd) {
    nMode = lastDock_;
    setSlot(lastDock_, true);
    return false;
  }
  SetWindowLongPtrA(toolHwnd, GWLP_HWNDPARENT,
                    reinterpret_cast<LONG_PTR>(windowOfValue(ownerWindow)));
  tool->SetColor(sysColor(COLOR_BTNTEXT), sysColor(COLOR_BTNFACE));
  floatWnd_ = toolValue;
  const Value bar = self();
  // Closing the tool window docks the bar (refused with no free edge).
  tool->bValid = lanmere::block([bar](Args) -> Value {
    auto* self = dynamic_cast<TBar*>(bar.object());
    return self ? Value(self->toolWindowClosing()) : Value(true);
  });
  tool->bRClicked = lanmere::block([bar, toolValue](Args given) -> Value {
    return tell(bar, msg::FloatClick, lanmere::arg(given, 1), lanmere::arg(given, 2), toolValue);
  });
  // Its system menu docks at each edge while that edge is free.
  auto menu = lanmere::make<TMenu>();
  menu->NewSys(toolValue);
  tool->oSysMenu = Value(menu);
  const std::pair<const char*, int> entries[] = {
      {"&Top", kBarTop}, {"&Bottom", kBarBottom}, {"&Left", kBarLeft}, {"&Right", kBarRight}};
  for (const auto& [prompt, mode] : entries) menu->Add(dockItem(bar, prompt, mode), true);
  for (const Value& button : buttons()) {
    if (const HWND window = windowOfValue(button)) SetParent(window, toolHwnd);
  }
  sizeToolWindow();
  ShowWindow(hwnd(), SW_HIDE);
  tell(oWnd, msg::ReSize);
  if (ended_ || !floatWnd_.isObject()) return true;
  ShowWindow(toolHwnd, SW_SHOW);
  BtnAdjust();
  for (const Value& button : buttons()) tell(button, msg::Refresh);
  ::SetFocus(toolHwnd);
  return true;
}

// The buttons come back to the bar, which shows again; the tool window goes (unless it is
// already closing, which destroys it itself).
void TBar::closeToolWindow(bool destroy) {
  const Value tool = std::exchange(floatWnd_, Value());
  const HWND toolHwnd = windowOfValue(tool);
  for (const Value& button : buttons()) {
    const HWND window = windowOfValue(button);
    if (window && hwnd() && GetParent(window) != hwnd()) SetParent(window, hwnd());
  }
  if (hwnd()) ShowWindow(hwnd(), SW_SHOWNA);
  if (auto* window = tool.isObject() ? dynamic_cast<TWindow*>(tool.object()) : nullptr) {
    window->bValid = Value();
    window->bRClicked = Value();
  }
  if (destroy && toolHwnd && IsWindow(toolHwnd)) DestroyWindow(toolHwnd);
}

// The tool window is closing: the bar docks at the edge it left, else at the first free one;
// with none free the close is refused.
bool TBar::toolWindowClosing() {
  if (ended_ || !floatWnd_.isObject()) return true;
  int edge = 0;
  if (edgeFree(lastDock_)) {
    edge = lastDock_;
  } else {
    for (int mode : {kBarTop, kBarLeft, kBarRight, kBarBottom}) {
      if (edgeFree(mode)) {
        edge = mode;
        break;
      }
    }
  }
  if (edge == 0) return false;
  closeToolWindow(false);  // the close destroys the window itself
  nMode = kBarFloat;
  dock(edge);
  return true;
}

Value TBar::FloatClick(const Value& nRow, const Value& nCol, const Value& oFloatWnd) {
  dockMenu(oFloatWnd.isObject() ? oFloatWnd : floatWnd_, nRow, nCol);
  return {};
}

// ---- Events ----

Value TBar::RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (bRClicked.isClosure()) return evaluate(bRClicked, nRow, nCol, nFlags);
  dockMenu(self(), nRow, nCol);
  return {};
}

// An entry of the docking menus: it docks the bar at `edge`, greyed while that edge is taken.
Value TBar::dockItem(const Value& bar, const char* prompt, int edge) {
  return lanmere::construct<TMenuItem>({.cPrompt = prompt,
                                        .bAction = lanmere::block([bar, edge](Args) -> Value {
                                          auto* self = dynamic_cast<TBar*>(bar.object());
                                          return self ? self->dock(edge) : Value();
                                        }),
                                        .bWhen = lanmere::block([bar, edge](Args) -> Value {
                                          auto* self = dynamic_cast<TBar*>(bar.object());
                                          return self && self->edgeFree(edge);
                                        })});
}

// The docking menu at (nRow, nCol) of `oWndShow`: each other edge, greyed while taken, and Float.
void TBar::dockMenu(const Value& oWndShow, const Value& nRow, const Value& nCol) {
  if (ended_ || !oWndShow.isObject()) return;
  const lanmere::Ref<TBar> keep(this);
  const Value bar = self();
  auto menu = lanmere::make<TMenu>();
  menu->New(true, oWndShow);
  const std::pair<const char*, int> entries[] = {
      {"&Top", kBarTop}, {"&Left", kBarLeft}, {"&Right", kBarRight}, {"&Bottom", kBarBottom}};
  const int current = static_cast<int>(nMode.integer());
  for (const auto& [prompt, mode] : entries) {
    if (mode != current) menu->Add(dockItem(bar, prompt, mode), true);
  }
  menu->Add(lanmere::construct<TMenuItem>({}), true);
  menu->Add(
      lanmere::construct<TMenuItem>(
          {.cPrompt = "&Float",
           .bAction = lanmere::block([bar](Args) { return tell(bar, msg::Float); }),
           .bWhen = lanmere::block([current](Args) -> Value { return current != kBarFloat; })}),
      true);
  menu->Activate(nRow, nCol, oWndShow);
}

Value TBar::Display() {
  BeginPaint();
  Paint();
  EndPaint();
  return 0;
}

Value TBar::EraseBkGnd(const Value&) {
  return 1;
}

void TBar::paintSeparators(HDC dc, const RECT& client) {
  const HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  const HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  const HGDIOBJ old = SelectObject(dc, shadow);
  const bool across = vertical(static_cast<int>(nMode.integer()));
  for (const Value& button : buttons()) {
    if (!buttonOf(button) || !startsGroup(button)) continue;
    TBtnBmp& b = *buttonOf(button);
    b.CoorsUpdate();
    for (int n = 0; n < 2; ++n) {
      SelectObject(dc, n == 0 ? shadow : light);
      if (across) {
        const int y = static_cast<int>(b.nTop.integer()) - 5 + n;
        MoveToEx(dc, 2, y, nullptr);
        LineTo(dc, client.right - 2, y);
      } else {
        const int x = static_cast<int>(b.nLeft.integer()) - 5 + n;
        MoveToEx(dc, x, 2, nullptr);
        LineTo(dc, x, client.bottom - 2);
      }
    }
  }
  SelectObject(dc, old);
  DeleteObject(shadow);
  DeleteObject(light);
}

Value TBar::Paint() {
  const HDC dc = handleFrom<HDC>(hDC);
  if (ended_ || !dc) return {};
  const lanmere::Ref<TBar> keep(this);
  RECT client{};
  GetClientRect(hwnd(), &client);
  if (flat()) {
    gradientFill(dc, RECT{0, 0, client.right - 1, client.bottom - 1}, gradient(false), true);
    paintSeparators(dc, client);
    evaluate(bPainted, hDC);
  } else {
    if (const HBRUSH brush = handleOfMember<HBRUSH>(oBrush, msg::hBrush)) {
      FillRect(dc, &client, brush);
    }
    if (!l3D.logical()) {
      TControl::Paint();
    } else {
      evaluate(bPainted, self());
      BARPAINT(hWnd, hDC);
      const std::vector<Value> items = buttons();
      if (!items.empty() && flag(tell(items.front(), msg::l97Look))) paintSeparators(dc, client);
      evaluate(bPainted, hDC);
    }
  }
  if (ended_) return {};
  for (const Value& button : buttons()) tell(button, msg::Refresh);
  return {};
}

Value TBar::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  TControl::MouseMove(nRow, nCol, nFlags);
  SetMsg(cMsg);
  return 0;
}

// ---- Saving and texts ----

Value TBar::SaveIni(const Value& cName, const Value& cIniFile) {
  if (!cName.isText() || cName.text().empty() ||
      cName.text().find_first_of("[]=,\r\n") != std::string_view::npos || !cIniFile.isText()) {
    return lanmere::argumentError(kBarIniSubCode);
  }
  const std::vector<Value> items = buttons();
  if (items.empty()) return false;
  if (!cIniFile.text().empty() && !fileWritable(cIniFile.string())) return false;
  const std::string name = cName.string();
  auto ini = lanmere::make<TIni>();
  ini->New(cIniFile);
  ini->Set("ButtonBar", "1", name + "," + std::to_string(nMode.integer()));
  const Value section = "ButtonBar." + name;
  ini->DelSection(section);
  long long n = 0;
  for (const Value& item : items) {
    const TBtnBmp* b = buttonOf(item);
    if (!b) continue;
    const std::string record =
        iniField(b->cResName1) + "," + iniField(b->cResName2) + "," + iniField(b->cBmpFile1) + "," +
        iniField(b->cBmpFile2) + "," + iniField(b->cMsg) + "," + iniField(b->cAction) + "," +
        tf(b->lGroup) + "," + tf(b->lAdjust) + "," + iniField(b->cToolTip) + "," + tf(b->lPressed);
    ini->Set(section, "Button" + std::to_string(++n), record);
  }
  return true;
}

// The bar's declaration on its own line, then each button's.
Value TBar::cGenPRG() {
  static const char* const words[] = {"", "LEFT", "RIGHT", "DOWN", "FLOAT"};
  const long long mode = std::clamp(nMode.integer(), 1LL, 5LL);
  std::string text = std::string(kCrLf) + kCrLf + "   DEFINE BUTTONBAR oBar OF oWnd " +
                     words[mode - 1] + " SIZE " + std::to_string(nBtnWidth.integer()) + ", " +
                     std::to_string(nBtnHeight.integer()) + (l2007.logical() ? " 2007" : "") +
                     (l2010.logical() ? " 2010" : "") + kCrLf;
  for (const Value& button : buttons()) {
    const Value part = tell(button, msg::cGenPrg);
    if (part.isText()) text += part.string();
  }
  return text;
}

// The bar lets go of every slot that holds it and takes its tool window with it.
Value TBar::Destroy() {
  const lanmere::Ref<TBar> keep(this);
  ended_ = true;
  for (int mode : {kBarTop, kBarLeft, kBarRight, kBarBottom}) setSlot(mode, false);
  if (floatWnd_.isObject()) closeToolWindow(true);
  return TControl::Destroy();
}

Value TBAR() {
  return Value(lanmere::make<TBar>());
}

const lanmere::ModuleTable& tBarModule() {
  TBar::Class();
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TBAR>("TBAR")}};
  return module;
}

}  // namespace kestrel
