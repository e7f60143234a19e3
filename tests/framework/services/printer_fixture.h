// What the printing tests share: the modules registered once, and a printer object made and
// ended through its messages, as programs use it.
#pragma once

#include <gtest/gtest.h>

#include "framework/controls/modules.h"
#include "framework/display/modules.h"
#include "framework/services/files.h"
#include "framework/services/printapi.h"
#include "framework/services/restrack.h"
#include "framework/services/tprinter.h"
#include "runtime/binding.h"
#include "tests/support/modules.h"

namespace kestrel::test {

inline void registerPrintingModules() {
  static const bool registered = [] {
    registerModules({controlsModules(), displayModules()});
    lanmere::registerModule(resTrackModule());
    lanmere::registerModule(filesModule());
    lanmere::registerModule(printApiModule());
    lanmere::registerModule(tPrinterModule());
    return true;
  }();
  (void)registered;
}

// A new printer object, sent New with these arguments.
inline lanmere::Value newPrinter(TPrinter::NewArgs args = {}) {
  return lanmere::construct<TPrinter>(args);
}

inline TPrinter& printerOf(const lanmere::Value& printer) {
  return *static_cast<TPrinter*>(printer.object());
}

}  // namespace kestrel::test
