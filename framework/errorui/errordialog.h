// The error dialog: what the default error handler shows once the report is written. The error
// line, the stack list, the buttons the record's flags allow and a button that opens the report.
#pragma once

#include <windows.h>

#include <string>

#include "errors/report.h"
#include "runtime/error.h"
#include "runtime/value.h"

namespace kestrel {

inline constexpr const char* kErrorDialogCaption = "Kestrel for Lanmere";

// Builds the dialog for `error` with the report's error line and stack list and runs it modal and
// centred. `logo` receives the logo bitmap the dialog creates and paints; the caller deletes it
// (also when a quit unwinds from the dialog). Answers nil for "&Quit", the close box and Escape,
// true for "&Retry", false for "&Default".
lanmere::Value errorDialog(const lanmere::ErrorRecord& error, const Report& report, bool ntFamily,
                           HBITMAP& logo);

// Opens the report file for viewing without waiting: Notepad with the name (quoted when it holds
// a blank) in a normal window, else whatever the shell opens it with. Failures are silent.
void viewReportFile(const std::string& fullName);

}  // namespace kestrel
