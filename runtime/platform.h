// The few services of the operating system the portable run-time needs.
#pragma once

#include <string>

namespace lanmere {

// The full path of the running program.
std::string programPath();

}  // namespace lanmere
