// ALERT: the framework's general message box. The message in a read-only text box beside an
// icon, and a row of option buttons; it answers the number of the option pressed.
#pragma once

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// ALERT ([message], [options], [title], [default option], [icon]): "Alert dialog box", {"&OK"},
// "Attention", 1 and the exclamation icon when left out. Answers the 1-based number of the option
// pressed, 0 when the dialog was closed without one.
lanmere::Value ALERT(lanmere::Args args);

// ALERT and the module-private DLGINIT, which lays the dialog out once its window exists.
const lanmere::ModuleTable& alertModule();

}  // namespace kestrel
