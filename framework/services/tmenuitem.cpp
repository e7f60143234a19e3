#include "framework/services/tmenuitem.h"

#include <windows.h>

#include <string>
#include <unordered_map>

#include "framework/controls/bitmaps.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/services/tmenu.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kInitialCounter = 20000;
constexpr long long kFirstId = 20001;
constexpr long long kLastId = 0xFFFF;

// How many living items hold each identifier.
std::unordered_map<long long, int>& liveIds() {
  static auto* ids = new std::unordered_map<long long, int>();
  return *ids;
}

// The class counter: the last identifier handed out.
Value& counter() {
  static Value* const value = [] {
    for (const lanmere::ClassDataSlot& slot : TMenuItem::Class().classData) {
      if (slot.name == msg::nInitId) return slot.value.get();
    }
    return static_cast<Value*>(nullptr);
  }();
  return *value;
}

bool isMenuHandle(long long value) {
  return IsMenu(handleFrom<HMENU>(Value(value))) != FALSE;
}

// A bitmap from a file, else from the resource of that name; 0 when neither loads.
HBITMAP loadItemBitmap(const Value& file, const Value& resource) {
  HBITMAP bitmap = nullptr;
  if (file.isText() && !file.text().empty()) bitmap = readBitmapFile(file.string());
  if (!bitmap && resource.isText() && !resource.text().empty()) {
    bitmap = loadBitmapResource(resourceModule(), resource.string());
  }
  return bitmap;
}

TMenu* menuOf(const Value& menu) {
  return menu.isObject() ? dynamic_cast<TMenu*>(menu.object()) : nullptr;
}

Value classList(const TMenuItem& item, const char* name, const Value& n) {
  const Value list =
      lanmere::send(Value(lanmere::Ref<TMenuItem>(const_cast<TMenuItem*>(&item))), name);
  return n.isNil() ? list : list.item(static_cast<std::size_t>(n.integer()));
}

}  // namespace

LM_DEFINE_CLASS(TMenuItem) {
  c.data(LM_FIELDS(cPrompt, cMsg, cVarName, nId, nHelpId, bAction, bWhen, cWebAction, lActive,
                   lBreak, lChecked, lHelp, oMenu, hBitmap, nVKState, nVirtKey, Cargo, OnActivate,
                   OnClick));
  c.classData("nInitId", kInitialCounter);
  c.classData("aProperties", Value::list({"cCaption", "cMsg", "cVarName", "lActive", "lBreak",
                                          "lChecked", "bAction", "nId", "nVKState", "nVirtKey"}));
  c.classData("aEvents", Value::list({Value::list({"OnActivate", "oMenuItem"}),
                                      Value::list({"OnClick", "oMenuItem"})}));
  c.methods(LM_METHODS(New, ReDefine, cCaption, _cCaption, SetCheck, Enable, Disable, End, Destroy,
                       HelpTopic, Refresh, Inspect, Property, PropCount, Event, EveCount, Save,
                       Load));
  c.creatable();
}

long long nextMenuItemId(long long after, const std::function<bool(long long)>& isMenu,
                         const std::function<bool(long long)>& isLive) {
  long long candidate = after < kInitialCounter ? kInitialCounter : after;
  for (long long tried = 0; tried <= kLastId - kFirstId; ++tried) {
    candidate = candidate >= kLastId ? kFirstId : candidate + 1;
    if (!isMenu(candidate) && !isLive(candidate)) return candidate;
  }
  return 0;
}

bool menuItemIdLive(long long id) {
  const auto found = liveIds().find(id);
  return found != liveIds().end() && found->second > 0;
}

TMenuItem::~TMenuItem() {
  releaseId(false);
}

void TMenuItem::holdId(long long id, bool fromCounter) {
  releaseId(false);
  nId = id;
  ++liveIds()[id];
  idHeld_ = true;
  fromCounter_ = fromCounter;
}

void TMenuItem::releaseId(bool lowerCounter) {
  if (!idHeld_) return;
  idHeld_ = false;
  const auto found = liveIds().find(nId.integer());
  if (found != liveIds().end() && --found->second <= 0) liveIds().erase(found);
  if (lowerCounter && fromCounter_ && counter().integer() > kInitialCounter) {
    counter() = counter().integer() - 1;
  }
}

Value TMenuItem::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const long long id = nextMenuItemId(counter().integer(), isMenuHandle, menuItemIdLive);
  counter() = id;
  holdId(id, true);
  cPrompt = a.cPrompt;
  cMsg = a.cMsg;
  lChecked = flag(a.lChecked, false);
  lActive = flag(a.lActive, true);
  bAction = a.bAction;
  oMenu = a.oMenu;
  nVKState = a.nVKState;
  nVirtKey = a.nVirtKey;
  lHelp = flag(a.lHelp, false);
  nHelpId = a.nHelpId;
  bWhen = a.bWhen;
  lBreak = flag(a.lBreak, false);
  cVarName = "oMItem" + std::to_string(id);
  hBitmap = handleNumber(loadItemBitmap(a.cBmpFile, a.cResName));
  return Value(lanmere::Ref<TMenuItem>(this));
}

Value TMenuItem::ReDefine(Args args) {
  const ReDefineArgs a = ReDefineArgs::from(args);
  holdId(a.nId.integer(), false);
  cPrompt = a.cPrompt;
  lChecked = flag(a.lChecked, false);
  lActive = flag(a.lActive, true);
  lBreak = flag(a.lBreak, false);
  bAction = a.bAction;
  oMenu = a.oMenu;
  cVarName = "oMItem" + std::to_string(nId.integer());
  return Value(lanmere::Ref<TMenuItem>(this));
}

bool TMenuItem::hasPrompt() const {
  return cPrompt.isText() && !cPrompt.text().empty();
}

bool TMenuItem::isSeparator() const {
  return !hasPrompt() && hBitmap.integer() == 0;
}

// Check, grey and text changes go to the item's own entry, found by identifier (a submenu
// entry by its handle); the bar is drawn again when the entry is on it.
void TMenuItem::applyState(Change change) {
  TMenu* menu = menuOf(oMenu);
  if (!menu || !menu->handle()) return;
  const long long position = menu->entryPosition(*this);
  if (position < 0) return;
  const HMENU handle = menu->handle();
  const auto at = static_cast<UINT>(position);
  switch (change) {
    case Change::Check:
      CheckMenuItem(handle, at, MF_BYPOSITION | (lChecked.logical() ? MF_CHECKED : MF_UNCHECKED));
      break;
    case Change::Active:
      EnableMenuItem(handle, at, MF_BYPOSITION | (lActive.logical() ? MF_ENABLED : MF_GRAYED));
      break;
    case Change::Text: {
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE;
      GetMenuItemInfoA(handle, at, TRUE, &info);
      if (info.fType & MFT_OWNERDRAW) break;  // an owner-drawn entry reads the prompt when painted
      std::string text = cPrompt.string();
      info.fMask = MIIM_STRING;
      info.dwTypeData = text.data();
      SetMenuItemInfoA(handle, at, TRUE, &info);
      break;
    }
  }
  if (const HWND bar = menu->barWindow()) DrawMenuBar(bar);
}

Value TMenuItem::cCaption() {
  return cPrompt;
}

Value TMenuItem::_cCaption(const Value& text) {
  cPrompt = text;
  applyState(Change::Text);
  return text;
}

Value TMenuItem::SetCheck(const Value& lOn) {
  lChecked = flag(lOn, true);
  applyState(Change::Check);
  return {};
}

Value TMenuItem::Enable() {
  lActive = true;
  applyState(Change::Active);
  return {};
}

Value TMenuItem::Disable() {
  lActive = false;
  applyState(Change::Active);
  return {};
}

Value TMenuItem::End() {
  if (const auto bitmap = handleFrom<HBITMAP>(hBitmap)) {
    trackedDelete(bitmap, [](HBITMAP b) { return DeleteObject(b); });
  }
  hBitmap = 0;
  releaseId(true);
  return {};
}

// The item is dead afterwards: its closures (which often capture the menu or the window) are
// let go, so no cycle keeps them alive.
Value TMenuItem::Destroy() {
  const lanmere::Ref<TMenuItem> keep(this);
  if (TMenu* menu = menuOf(oMenu)) {
    const long long entry = menu->entryPosition(*this);
    if (entry >= 0) RemoveMenu(menu->handle(), static_cast<UINT>(entry), MF_BYPOSITION);
    const long long position = menu->positionOf(*this);
    if (position >= 0) {
      auto& items = menu->aMenuItems.listData()->items;
      items.erase(items.begin() + position);
    }
  }
  if (TMenu* submenu = menuOf(bAction)) submenu->End();
  End();
  oMenu = Value();
  bAction = Value();
  bWhen = Value();
  OnClick = Value();
  OnActivate = Value();
  return {};
}

Value TMenuItem::HelpTopic() {
  static const lanmere::Symbol* const helpTopic = lanmere::symbol("HELPTOPIC");
  if (!lanmere::findFunction(helpTopic)) return {};
  if (nHelpId.isNil()) return lanmere::callFunction(helpTopic, {});
  return lanmere::callFunction(helpTopic, {nHelpId});
}

Value TMenuItem::Refresh() {
  return {};
}

Value TMenuItem::Inspect() {
  return {};
}

Value TMenuItem::Property(const Value& n) {
  return classList(*this, "aProperties", n.isNil() ? Value(0) : n);
}

Value TMenuItem::PropCount() {
  return static_cast<long long>(classList(*this, "aProperties", {}).length());
}

Value TMenuItem::Event(const Value& n) {
  return classList(*this, "aEvents", n.isNil() ? Value(0) : n);
}

Value TMenuItem::EveCount() {
  return static_cast<long long>(classList(*this, "aEvents", {}).length());
}

Value TMENUITEM() {
  return Value(lanmere::make<TMenuItem>());
}

const lanmere::ModuleTable& menuItemModule() {
  TMenuItem::Class();
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TMENUITEM>("TMENUITEM")}};
  return module;
}

}  // namespace kestrel
