// What the controls' generated texts share: the window's own size (inclusive edges, so a control
// built again from the text has the same size) and the resource script line.
#pragma once

#include <string>

#include "framework/core/tcontrol.h"

namespace kestrel {

struct ControlBox {
  long long top, left, width, height;
};

// The control's place and size, read from its window when it has one.
ControlBox controlBox(TControl& control);

// A number right-aligned in three characters, as the generated source lines place them.
std::string field3(long long n);

// nIndent blanks, the keyword, the caption in double quotes, then identifier, (the class and
// style of a generic CONTROL line,) top, left, width and height separated by ", ".
std::string resourceLine(TControl& control, const char* keyword, const lanmere::Value& nIndent,
                         const char* classAndStyle = nullptr);

}  // namespace kestrel
