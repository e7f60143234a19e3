// What the dialog's sources share: the mnemonic of a text, the dialog module's settings, and the
// messages (messages.h).
#pragma once

#include <string>

#include "framework/core/messages.h"
#include "runtime/value.h"

namespace kestrel {

// The mnemonic of a window text: the character after its first "&" that is not part of "&&",
// in upper case; -1 when it has none.
int mnemonicOf(const std::string& text);
// SETDIALOGESC's setting: Esc ends dialogs.
bool escapeEndsDialogs() noexcept;

}  // namespace kestrel
