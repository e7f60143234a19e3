// The framework's one road to the alert box. MSGALERT lives in the display layer above the core
// and is reached by name, so every layer, the portable ones included, raises it and still links
// and is tested without it: while it is not registered nothing is shown.
#pragma once

#include <string>

#include "runtime/functions.h"
#include "runtime/symbol.h"
#include "runtime/value.h"

namespace kestrel {

// The alert box with `text`; without a title the box has its own ("Alert").
inline void showAlert(const std::string& text, const char* title = nullptr) {
  static const lanmere::Symbol* const msgAlert = lanmere::symbol("MSGALERT");
  if (!lanmere::findFunction(msgAlert)) return;
  if (title) {
    lanmere::callFunction(msgAlert, {lanmere::Value(text), lanmere::Value(title)});
  } else {
    lanmere::callFunction(msgAlert, {lanmere::Value(text)});
  }
}

}  // namespace kestrel
