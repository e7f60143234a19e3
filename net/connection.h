// The connection record behind a connection value. The value is a counted reference: copies
// refer to the same record, and when the last holder lets go the record shuts down and closes
// its socket.
#pragma once

#include <optional>

#include "net/socket.h"
#include "runtime/binding.h"
#include "runtime/object.h"

namespace kestrel::net {

class Connection : public lanmere::Object {
  LM_CLASS(Connection, lanmere::Object)

  Connection() = default;
  ~Connection() override;

  // Copies a failed operation's socket error code into the connection (a time-out as -1).
  void recordFailure(int socketCode) { errorCode = connectionCodeFor(socketCode); }

  SocketHandle socket = kNoSocket;
  std::optional<SocketAddress> remoteAddress;  // the address last used to connect
  int errorCode = 0;
  long long count = 0;  // bytes moved by the last send or receive
  int timeoutMs = -1;   // -1: every operation waits as long as the OS does
};

// The connection a value refers to, or null when the value is not a connection.
Connection* connectionOf(const lanmere::Value& value);

}  // namespace kestrel::net
