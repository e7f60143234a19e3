// The gallery frame's message bar, where the forms report their values.
#pragma once

#include <string>

namespace gallery {

// Shows the text on the frame's message bar (nothing before the bar exists).
void showStatus(const std::string& text);

}  // namespace gallery
