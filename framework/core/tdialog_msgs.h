// What the dialog's sources share: the messages a dialog sends its controls and collaborators,
// each resolved to its symbol once, and the dialog module's settings.
#pragma once

#include <string>

#include "runtime/symbol.h"
#include "runtime/value.h"

namespace kestrel {

namespace msg {
#define KESTREL_DIALOG_MESSAGE(name) \
  inline const lanmere::Symbol* const name = lanmere::symbol(#name);
KESTREL_DIALOG_MESSAGE(nId)
KESTREL_DIALOG_MESSAGE(_nId)
KESTREL_DIALOG_MESSAGE(_hWnd)
KESTREL_DIALOG_MESSAGE(GetNewId)
KESTREL_DIALOG_MESSAGE(cToChar)
KESTREL_DIALOG_MESSAGE(lValid)
KESTREL_DIALOG_MESSAGE(lCancel)
KESTREL_DIALOG_MESSAGE(nHelpId)
KESTREL_DIALOG_MESSAGE(_lTransparent)
#undef KESTREL_DIALOG_MESSAGE
}  // namespace msg

// The mnemonic of a window text: the character after its first "&" that is not part of "&&",
// in upper case; -1 when it has none.
int mnemonicOf(const std::string& text);
// The framework's alert box (MSGALERT, above the core) when it is registered.
void showAlert(const char* text);
// SETDIALOGESC's setting: Esc ends dialogs.
bool escapeEndsDialogs() noexcept;

}  // namespace kestrel
