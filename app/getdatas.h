// The weather download: one HTTP/1.1 GET over one TCP connection, read until the server closes.
#pragma once

#include <string>
#include <string_view>

#include "runtime/value.h"

namespace kestrel::app {

// The weather service host and port. WEATHER_HOST and WEATHER_PORT, when set and not empty,
// override them: a seam for tests and demonstrations that point the program at a local peer.
// The port override reaches HB_INETCONNECT as the value it is, never changed into another
// port: a whole decimal number ("-"? digits) as that number, any other text as the text, so a
// bad override fails there with the argument error.
std::string weatherHost();
lanmere::Value weatherPort();
lanmere::Value portValue(std::string_view text);

// The reply text (possibly empty) when the connection was made, nil when it was not.
lanmere::Value GETDATAS();

}  // namespace kestrel::app
