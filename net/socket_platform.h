// What each platform file provides to the portable part of the socket layer.
#pragma once

namespace kestrel::net::platform {

// Starts the OS sockets library; 0 on success, else the OS's error number.
int startup();
void cleanup();

}  // namespace kestrel::net::platform
