#include "framework/services/tacctable.h"

#include <windows.h>

#include <vector>

#include "framework/core/handles.h"
#include "framework/core/winrun.h"

namespace kestrel {

using lanmere::Value;

namespace {

// Builds the system table from the valid items; 0 when none is valid. An item that is not three
// numbers, or that does not fit the system's entry (key and command 16 bits, flags 8 bits), is
// skipped: a command number cut to 16 bits would run another command.
HACCEL buildTable(const Value& items) {
  std::vector<ACCEL> entries;
  for (const Value& item : items.items()) {
    if (!item.isList() || item.length() != 3) continue;
    const Value& key = item.item(1);
    const Value& flags = item.item(2);
    const Value& command = item.item(3);
    if (!key.isNumber() || !flags.isNumber() || !command.isNumber()) continue;
    const long long k = key.integer(), f = flags.integer(), c = command.integer();
    if (k < 0 || k > 0xFFFF || f < 0 || f > 0xFF || c < 0 || c > 0xFFFF) continue;
    entries.push_back(
        ACCEL{static_cast<BYTE>(f | FVIRTKEY), static_cast<WORD>(k), static_cast<WORD>(c)});
  }
  if (entries.empty()) return nullptr;
  return CreateAcceleratorTableA(entries.data(), static_cast<int>(entries.size()));
}

// Installs a table built from the items as the current one, recording its installer.
long long install(const Value& items, std::uint64_t installer) {
  const HACCEL table = buildTable(items);
  installAccelerators({table, table ? installer : 0});
  return handleNumber(table);
}

bool sameItem(const Value& item, const Value& key, const Value& flags) {
  return item.isList() && item.length() >= 2 && item.item(1).isNumber() &&
         item.item(2).isNumber() && item.item(1).integer() == key.integer() &&
         item.item(2).integer() == flags.integer();
}

}  // namespace

LM_DEFINE_CLASS(TAccTable) {
  c.data(LM_FIELDS(nHandle, aItems));
  c.methods(LM_METHODS(New, Add, Del, Activate, DeActivate, End));
  c.creatable();
}

std::uint64_t TAccTable::nextSerial() noexcept {
  static std::uint64_t serial = 0;
  return ++serial;
}

Value TAccTable::New() {
  aItems = Value::list();
  return Value(lanmere::Ref<TAccTable>(this));
}

void TAccTable::Add(const Value& key, const Value& flags, const Value& command) {
  if (!aItems.isList()) aItems = Value::list();
  const Value item = Value::list({key, flags, command});
  for (Value& existing : aItems.items()) {
    if (sameItem(existing, key, flags)) {
      existing = item;
      return;
    }
  }
  aItems.listData()->items.push_back(item);
}

void TAccTable::Del(const Value& key, const Value& flags) {
  if (!aItems.isList()) return;
  auto& items = aItems.listData()->items;
  for (auto it = items.begin(); it != items.end(); ++it) {
    if (sameItem(*it, key, flags)) {
      items.erase(it);
      return;
    }
  }
}

void TAccTable::Activate() {
  if (!nHandle.isNil() && installedAccelerators().installer == serial_) installAccelerators({});
  nHandle = install(aItems.isList() ? aItems : Value::list(), serial_);
}

void TAccTable::DeActivate() {
  installAccelerators({});
}

void TAccTable::End() {
  if (installedAccelerators().installer == serial_) installAccelerators({});
  nHandle = Value();
}

Value SETACCTABLE(lanmere::Args args) {
  if (args.empty()) {
    installAccelerators({});
    return {};
  }
  if (!args[0].isList()) return {};
  return install(args[0], 0);
}

Value TACCTABLE() {
  return Value(lanmere::make<TAccTable>());
}

const lanmere::ModuleTable& accTableModule() {
  using lanmere::fn;
  TAccTable::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{
      "framework/services/tacctable.cpp",
      {fn<&TACCTABLE>("TACCTABLE"), fn<&SETACCTABLE>("SETACCTABLE")}};
  return module;
}

}  // namespace kestrel
