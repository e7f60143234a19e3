// The socket operations called by name: blocking IPv4 TCP client connections whose failures are
// recorded as an error code in the connection, never raised. Only wrong argument types raise an
// error (subsystem "BASE", genCode 1, sub-code 3012, through substitution: the handler's value
// becomes the result).
#pragma once

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel::net {

inline constexpr long long kInetArgumentError = 3012;
// The ports HB_INETCONNECT accepts; any other number is its argument error.
inline constexpr double kFirstPort = 1;
inline constexpr double kLastPort = 65535;

lanmere::Value HB_INETINIT();                         // true when the library is started
lanmere::Value HB_INETCLEANUP();                      // nil
lanmere::Value HB_INETCONNECT(lanmere::Args args);    // host, port 1 to 65535: a connection
lanmere::Value HB_INETERRORCODE(lanmere::Args args);  // connection: its error code
lanmere::Value HB_INETSEND(lanmere::Args args);       // connection, text: bytes sent, 0 or -1
// connection, text variable by reference (the argument itself is written): bytes received over
// the start of the text, 0 when the peer has closed, -1 on an error.
lanmere::Value HB_INETRECV(lanmere::Args args);
lanmere::Value HB_INETCLOSE(lanmere::Args args);  // connection: 0, or -1

// The module table that registers the operations by name.
const lanmere::ModuleTable& inetModule();

}  // namespace kestrel::net
