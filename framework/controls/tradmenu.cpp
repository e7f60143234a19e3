#include "framework/controls/tradmenu.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "framework/controls/tradio.h"
#include "framework/core/args.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/wndfuncs.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

long liveGroups = 0;

constexpr long long kArgumentSubCode = 6130;
constexpr long long kRowHeight = 13;

// The setter-getter of a group bound to nothing.
Value unbound() {
  return lanmere::block([](Args) { return Value(); }, "(b)TRADMENU");
}

// Captions, identifiers and help ids are lists (help ids may be left out); the setter-getter
// is a closure or left out.
bool argumentsFit(const Value& items, const Value& helpIds, const Value& setGet) {
  return (items.isNil() || items.isList()) && (helpIds.isNil() || helpIds.isList()) &&
         (setGet.isNil() || setGet.isClosure());
}

std::vector<Value> listOf(const Value& list) {
  if (!list.isList()) return {};
  return {list.items().begin(), list.items().end()};
}

// Help ids as long as the items: nils when none are given, a short list padded with its first.
std::vector<Value> helpIdsFor(const Value& helpIds, std::size_t count) {
  std::vector<Value> ids = listOf(helpIds);
  const Value first = ids.empty() ? Value() : ids.front();
  ids.resize(std::max(ids.size(), count), first);
  return ids;
}

// The colours of the buttons: without a text colour both come from the owner.
std::pair<Value, Value> colorsFor(const Value& owner, const Value& text, const Value& back) {
  if (!text.isNil() || !owner.isObject() ||
      !owner.object()->classInfo().derivesFrom(TWindow::Class())) {
    return {text, back};
  }
  const auto& window = static_cast<const TWindow&>(*owner.object());
  return {window.nClrText, window.nClrPane};
}

// A button the group made; its position is already set.
void appendTo(Value& items, const Value& radio) {
  if (radio.isObject()) items.listData()->items.push_back(radio);
}

bool sameValue(const Value& a, const Value& b) {
  if (a.isNumber() && b.isNumber()) return a.number() == b.number();
  return lanmere::exactlyEqual(a, b);
}

}  // namespace

LM_DEFINE_CLASS(TRadMenu) {
  c.data(LM_FIELDS(aItems, bSetGet, bChange, cMsg, cVarName, lUpdate, OnChange, Message));
  c.classData("aProperties", Value::list({"aItems"}));
  c.classData("aEvents", Value::list({Value::list({"OnChange", "Self"})}));
  c.methods(LM_METHODS(New, Redefine, Define, nOption, _nOption, AddRadio, SetOption, Select,
                       GoPrevNext, GoNext, GoPrev, Refresh, SetFont, Set3DLook, Disable, Enable,
                       Show, Hide, End));
  c.creatable();
}

TRadMenu::TRadMenu() : aItems(Value::list()) {
  ++liveGroups;
}

TRadMenu::~TRadMenu() {
  --liveGroups;
}

long TRadMenu::liveCount() noexcept {
  return liveGroups;
}

void TRadMenu::bind(const Value& setGet, const Value& change, const Value& msg,
                    const Value& update) {
  aItems = Value::list();
  bSetGet = setGet.isClosure() ? setGet : unbound();
  bChange = change;
  cMsg = msg;
  lUpdate = flag(update);
}

Value TRadMenu::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  if (!argumentsFit(a.acItems, a.aHelpIds, a.bSetGet)) {
    return lanmere::argumentError(kArgumentSubCode);
  }
  const Value owner = orDefault(a.oWnd, GETWNDDEFAULT());
  const auto [text, back] = colorsFor(owner, a.nClrText, a.nClrPane);
  const bool pixel = flag(a.lPixel);
  const double step = pixel ? static_cast<double>(number(a.nHeight, kRowHeight))
                            : (a.nHeight.isNumber() ? a.nHeight.number() / kRowHeight : 1.0);
  const std::vector<Value> captions = listOf(a.acItems);
  const std::vector<Value> helpIds = helpIdsFor(a.aHelpIds, captions.size());
  bind(a.bSetGet, a.bChange, a.cMsg, a.lUpdate);
  // A value that is no number becomes the first option; a number is kept, 0 meaning no choice.
  if (!nOption().isNumber()) _nOption(1);
  const long long chosen = wholeValue();
  const double row = a.nRow.isNumber() ? a.nRow.number() : 0;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const auto pos = static_cast<long long>(i) + 1;
    appendTo(aItems, lanmere::construct<TRadio>({.nRow = row + static_cast<double>(i) * step,
                                                 .nCol = a.nCol,
                                                 .cCaption = captions[i],
                                                 .lGroup = i == 0,
                                                 .lChecked = pos == chosen,
                                                 .nPos = pos,
                                                 .oWnd = owner,
                                                 .oRadMenu = self(),
                                                 .nHelpId = helpIds[i],
                                                 .nClrText = text,
                                                 .nClrPane = back,
                                                 .cMsg = a.cMsg,
                                                 .lUpdate = a.lUpdate,
                                                 .bWhen = a.bWhen,
                                                 .nWidth = a.nWidth,
                                                 .nHeight = a.nHeight,
                                                 .bValid = a.bValid,
                                                 .lDesign = a.lDesign,
                                                 .lPixel = a.lPixel}));
  }
  if (flag(a.l3D)) Set3DLook();
  return self();
}

Value TRadMenu::Redefine(Args args) {
  const RedefineArgs a = RedefineArgs::from(args);
  if (!argumentsFit(a.acIds, a.aHelpIds, a.bSetGet)) {
    return lanmere::argumentError(kArgumentSubCode);
  }
  const Value owner = orDefault(a.oWnd, GETWNDDEFAULT());
  const auto [text, back] = colorsFor(owner, a.nClrText, a.nClrPane);
  const std::vector<Value> ids = listOf(a.acIds);
  const std::vector<Value> helpIds = helpIdsFor(a.aHelpIds, ids.size());
  bind(a.bSetGet, a.bChange, a.cMsg, a.lUpdate);
  const Value current = nOption();
  if (!current.isNumber() || current.number() == 0) _nOption(1);
  const long long chosen = wholeValue();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const auto pos = static_cast<long long>(i) + 1;
    appendTo(aItems, lanmere::construct<TRadio>(TRadio::ReDefineArgs{.nId = ids[i],
                                                                     .lChecked = pos == chosen,
                                                                     .nPos = pos,
                                                                     .oWnd = owner,
                                                                     .oRadMenu = self(),
                                                                     .nHelpId = helpIds[i],
                                                                     .nClrText = text,
                                                                     .nClrPane = back,
                                                                     .cMsg = a.cMsg,
                                                                     .lUpdate = a.lUpdate,
                                                                     .bWhen = a.bWhen,
                                                                     .bValid = a.bValid}));
  }
  return self();
}

Value TRadMenu::Define(Args args) {
  const DefineArgs a = DefineArgs::from(args);
  if (!argumentsFit({}, {}, a.bSetGet)) return lanmere::argumentError(kArgumentSubCode);
  bind(a.bSetGet, a.bChange, a.cMsg, a.lUpdate);
  if (!nOption().isNumber()) _nOption(1);
  return self();
}

// ---- The bound value ----

Value TRadMenu::nOption() {
  return evaluate(bSetGet);
}

Value TRadMenu::_nOption(const Value& nNew) {
  const Value before = nOption();
  if (!sameValue(nNew, before)) assign(nNew, before);
  return {};
}

// The value first, and the marks from the value read back: a setter-getter that raises (or keeps
// its value) leaves marks as they were and tells no change.
void TRadMenu::assign(const Value& nNew, const Value& before) {
  const lanmere::Ref<TRadMenu> keep(this);
  evaluate(bSetGet, nNew);
  syncMarks();
  if (sameValue(nOption(), before)) return;
  evaluate(bChange, self());
  evaluate(OnChange, self());
}

long long TRadMenu::count() const {
  return aItems.isList() ? static_cast<long long>(aItems.items().size()) : 0;
}

long long TRadMenu::wholeValue() {
  const Value value = nOption();
  if (!value.isNumber()) return 0;
  const double n = value.number();
  return n == std::trunc(n) && n >= 1 ? static_cast<long long>(n) : 0;
}

long long TRadMenu::position() {
  const long long n = wholeValue();
  return n <= count() ? n : 0;
}

TRadio* TRadMenu::item(long long pos) const {
  if (pos < 1 || pos > count()) return nullptr;
  const Value& found = aItems.items()[static_cast<std::size_t>(pos - 1)];
  return found.isObject() ? static_cast<TRadio*>(found.object()) : nullptr;
}

// By identity; another object by its window handle, when it has one (buttons not yet bound all
// have handle 0).
long long TRadMenu::positionOf(const Value& oRadio) const {
  if (!oRadio.isObject() || !oRadio.object()->classInfo().derivesFrom(TRadio::Class())) return 0;
  const auto& items = aItems.items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].identity() == oRadio.identity()) return static_cast<long long>(i) + 1;
  }
  const HWND window = static_cast<TRadio*>(oRadio.object())->hwnd();
  for (long long i = 1; window && i <= count(); ++i) {
    if (item(i)->hwnd() == window) return i;
  }
  return 0;
}

void TRadMenu::syncMarks() {
  const long long chosen = position();
  for (long long i = 1; i <= count(); ++i) item(i)->SetCheck(i == chosen);
  // The system keeps the tab stop on the checked button: with none checked the first one has it,
  // so the keyboard still reaches the group.
  const TRadio* first = item(1);
  if (chosen == 0 && first && first->hwnd()) {
    const LONG_PTR style = GetWindowLongPtrA(first->hwnd(), GWL_STYLE);
    SetWindowLongPtrA(first->hwnd(), GWL_STYLE, style | WS_TABSTOP);
  }
}

// ---- Moving the option ----

Value TRadMenu::AddRadio(const Value& oRadio) {
  if (!oRadio.isObject() || !oRadio.object()->classInfo().derivesFrom(TRadio::Class())) {
    return lanmere::argumentError(kArgumentSubCode);
  }
  auto& radio = static_cast<TRadio&>(*oRadio.object());
  aItems.listData()->items.push_back(oRadio);
  radio.oRadMenu = self();
  radio.nPos = count();
  if (position() == count()) radio.SetCheck(true);
  return self();
}

Value TRadMenu::SetOption(const Value& nNew) {
  if (!nNew.isNumber()) return {};
  const double n = nNew.number();
  if (n != std::trunc(n) || n < 1 || n > static_cast<double>(count())) return {};
  _nOption(static_cast<long long>(n));
  return {};
}

Value TRadMenu::Select(const Value& oRadio) {
  if (const long long pos = positionOf(oRadio)) SetOption(pos);
  return {};
}

// Steps from the current option with wrap-around to the first button whose lWhen holds and whose
// window is enabled; with none, nothing changes.
Value TRadMenu::GoPrevNext(const Value& lForward) {
  const long long total = count();
  if (total == 0) return self();
  const bool forward = flag(lForward);
  long long at = position();
  if (at == 0) at = forward ? 0 : total + 1;
  for (long long steps = 0; steps <= total; ++steps) {
    at = forward ? (at >= total ? 1 : at + 1) : (at <= 1 ? total : at - 1);
    TRadio* candidate = item(at);
    const HWND window = candidate->hwnd();
    if ((!window || IsWindowEnabled(window)) && candidate->lWhen().logical()) {
      SetOption(at);
      return self();
    }
  }
  return self();
}

Value TRadMenu::GoNext() {
  return GoPrevNext(true);
}

Value TRadMenu::GoPrev() {
  return GoPrevNext(false);
}

Value TRadMenu::Refresh() {
  syncMarks();
  return {};
}

// ---- Every button ----

void TRadMenu::eachItem(const std::function<void(TRadio&)>& action) {
  const lanmere::Ref<TRadMenu> keep(this);
  const std::vector<Value> items = listOf(aItems);  // a button's handler may change the list
  for (const Value& each : items) action(static_cast<TRadio&>(*each.object()));
}

Value TRadMenu::SetFont(const Value& oFont) {
  eachItem([&](TRadio& radio) { radio.SetFont(oFont); });
  return {};
}

Value TRadMenu::Set3DLook(const Value& lOn) {
  eachItem([&](TRadio& radio) { radio.Set3DLook(lOn); });
  return {};
}

Value TRadMenu::Disable() {
  eachItem([](TRadio& radio) { radio.Disable(); });
  return {};
}

Value TRadMenu::Enable() {
  eachItem([](TRadio& radio) { radio.Enable(); });
  return {};
}

Value TRadMenu::Show() {
  eachItem([](TRadio& radio) { radio.Show(); });
  return {};
}

Value TRadMenu::Hide() {
  eachItem([](TRadio& radio) { radio.Hide(); });
  return {};
}

// The buttons end, then the group lets go of them and of its closures, which usually hold the
// program's data.
Value TRadMenu::End() {
  eachItem([](TRadio& radio) { radio.End(); });
  aItems = Value::list();
  bSetGet = Value();
  bChange = Value();
  OnChange = Value();
  return {};
}

Value TRADMENU() {
  return Value(lanmere::make<TRadMenu>());
}

const lanmere::ModuleTable& tRadMenuModule() {
  TRadMenu::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TRADMENU>("TRADMENU")}};
  return module;
}

}  // namespace kestrel
