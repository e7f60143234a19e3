// The weather download: one HTTP/1.1 GET over one TCP connection, read until the server closes.
#pragma once

#include <string>

#include "runtime/value.h"

namespace kestrel::app {

// The weather service host and port; WEATHER_HOST and WEATHER_PORT override them when set and
// not empty (tests and demonstrations point the program at a local peer).
std::string weatherHost();
int weatherPort();

// The reply text (possibly empty) when the connection was made, nil when it was not.
lanmere::Value GETDATAS();

}  // namespace kestrel::app
