// The record form of menus and menu items. A menu read from a record is built the way a program
// builds one (MENUBEGIN, MENUADDITEM, MENUEND), so its bar and pop-ups are made, its items get
// identifiers of their own (a record's nId could be a live item's) and its shortcuts go into the
// accelerator table. A loaded item's events go to its menu's window, found when they fire.
#include <string>
#include <string_view>

#include "framework/core/messages.h"
#include "framework/core/persist.h"
#include "framework/services/menubuild.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmenuitem.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

// The entries MENUADDITEM takes itself; the rest (events, cVarName, Cargo) apply afterwards.
constexpr std::string_view kBuiltEntries[] = {"cCaption", "cPrompt", "cMsg",     "lChecked",
                                              "lActive",  "lBreak",  "nVKState", "nVirtKey",
                                              "bAction",  "nId"};

bool builtEntry(std::string_view name) {
  for (std::string_view built : kBuiltEntries) {
    if (built == name) return true;
  }
  return false;
}

const RecordNode* entryNode(const RecordNode& node, std::string_view name) {
  for (const RecordEntry& entry : node.entries) {
    if (entry.name == name) return &entry.value;
  }
  return nullptr;
}

Value entryValue(const RecordNode& node, std::string_view name, LoadContext& context,
                 Value fallback = {}) {
  const RecordNode* value = entryNode(node, name);
  return value ? nodeValue(*value, context) : fallback;
}

// The node without the entries the building gave already.
RecordNode remainingEntries(const RecordNode& node) {
  RecordNode rest;
  rest.type = 'O';
  rest.offset = node.offset;
  rest.className = node.className;
  for (const RecordEntry& entry : node.entries) {
    if (!builtEntry(entry.name) && entry.name != "aItems") rest.entries.push_back(entry);
  }
  return rest;
}

// Opens a menu (a pop-up when another is open), adds the items of the record, closes it.
Value buildMenu(const RecordNode& node, LoadContext& context) {
  MENUBEGIN({});
  if (const RecordNode* items = entryNode(node, "aItems"); items && items->type == 'A') {
    for (const RecordNode& itemNode : items->elements) {
      if (itemNode.type != 'O') continue;
      Value prompt = entryValue(itemNode, "cCaption", context);
      if (prompt.isNil()) prompt = entryValue(itemNode, "cPrompt", context);
      Value args[] = {prompt,
                      entryValue(itemNode, "cMsg", context),
                      entryValue(itemNode, "lChecked", context),
                      entryValue(itemNode, "lActive", context),
                      Value(),
                      Value(),
                      Value(),
                      Value(),
                      Value(),
                      entryValue(itemNode, "nVKState", context),
                      entryValue(itemNode, "nVirtKey", context),
                      Value(),
                      Value(),
                      Value(),
                      entryValue(itemNode, "lBreak", context)};
      const Value item = MENUADDITEM(lanmere::Args(args));
      if (const RecordNode* action = entryNode(itemNode, "bAction");
          action && action->type == 'O') {
        buildMenu(*action, context);  // closed, it becomes the item's action
      }
      if (item.isObject()) applyObjectNode(item, remainingEntries(itemNode), context);
    }
  }
  const Value menu = MENUEND();
  if (menu.isObject()) applyObjectNode(menu, remainingEntries(node), context);
  return menu;
}

bool itemEntry(const Value&, const RecordEntry& entry, LoadContext&) {
  return entry.name == "nId";  // identifiers are handed out, never taken from a record
}

// A loaded item's event goes to the window of its menu, or of the menu around it.
Value itemTarget(const Value& item) {
  Value menu = tell(item, msg::oMenu);
  if (menu.isObject()) {
    const Value window = tell(menu, msg::oWnd);
    if (window.isObject()) return window;
  }
  return item;
}

}  // namespace

void registerMenuLoaders() {
  static const bool done = [] {
    addClassLoader({.className = "TMENU", .make = [](const RecordNode& node, LoadContext& context) {
                      return buildMenu(node, context);
                    }});
    addClassLoader({.className = "TMENUITEM", .entry = itemEntry});
    setEventTarget("TMENUITEM", itemTarget);
    return true;
  }();
  (void)done;
}

Value TMenu::Save() {
  registerMenuLoaders();
  return saveObject(self());
}

Value TMenu::Load(const Value& cData) {
  registerMenuLoaders();
  if (!cData.isText()) return lanmere::argumentError(kRecordArgumentSubCode);
  return loadObject(self(), cData.text());
}

Value TMenuItem::Save() {
  registerMenuLoaders();
  return saveObject(Value(lanmere::Ref<TMenuItem>(this)));
}

Value TMenuItem::Load(const Value& cData) {
  registerMenuLoaders();
  if (!cData.isText()) return lanmere::argumentError(kRecordArgumentSubCode);
  return loadObject(Value(lanmere::Ref<TMenuItem>(this)), cData.text());
}

}  // namespace kestrel
