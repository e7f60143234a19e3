// The key-action table: a closure per key code that the windows and edit fields call when the
// key is pressed. SETKEY reads and changes it by name.
#pragma once

#include "runtime/functions.h"
#include "runtime/value.h"

namespace lanmere {

// The action bound to a key, nil when none.
Value keyAction(long long key);
// Binds a closure to a key (nil removes the binding); answers the previous action.
Value setKeyAction(long long key, const Value& action);

// SETKEY (nKey [, bAction]): answers the key's previous action. With a second argument the key
// takes it: a closure binds, nil clears, anything else changes nothing. A key that is not a
// number has no action.
Value SETKEY(Args args);
const ModuleTable& setKeyModule();

}  // namespace lanmere
