// The design tools' two small editors: a one-line text editor and a read-only text viewer. Each
// is a modal dialog of the system's own edit and button controls, built in memory; neither needs
// a framework object of its own.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kestrel {

// The text as the user edited it and confirmed with OK or Enter; nothing when cancelled.
std::optional<std::string> editTextLine(HWND owner, const std::string& title,
                                        const std::string& text);
// Shows the text (CR LF between lines) until the user closes the viewer.
void viewText(HWND owner, const std::string& title, const std::string& text);

}  // namespace kestrel
