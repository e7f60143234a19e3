// TAccTable: keyboard shortcuts {key, flags, command} installed as the process's one current
// accelerator table, which the event loops translate into commands for the application window.
// The event loop keeps the current table and the object that installed it; only that object's
// End removes it.
#pragma once

#include <cstdint>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TAccTable : public lanmere::Object {
  LM_CLASS(TAccTable, lanmere::Object)

  lanmere::Value nHandle;  // nil while not installed
  lanmere::Value aItems = lanmere::Value::list();

  lanmere::Value New();
  // Replaces the item with the same key and flags, else appends; the installed table is not
  // rebuilt until the next Activate.
  void Add(const lanmere::Value& key, const lanmere::Value& flags, const lanmere::Value& command);
  void Del(const lanmere::Value& key, const lanmere::Value& flags);
  void Activate();
  // Removes the current table, whoever installed it.
  void DeActivate();
  // Removes the current table only when this object installed it.
  void End();

 private:
  // Who installed the current table, as the event loop records it (never reused).
  const std::uint64_t serial_ = nextSerial();
  static std::uint64_t nextSerial() noexcept;
};

// SETACCTABLE (aItems): installs a new current table built from the valid items and answers its
// handle (0 when no item is valid); the previous table is destroyed. No argument: destroys the
// current table and answers nil. Anything but a list: nil, nothing changes.
lanmere::Value SETACCTABLE(lanmere::Args args);
lanmere::Value TACCTABLE();

const lanmere::ModuleTable& accTableModule();

}  // namespace kestrel
