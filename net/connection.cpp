#include "net/connection.h"

namespace kestrel::net {

LM_DEFINE_CLASS_AS(Connection, "SOCKET") {}

Connection::~Connection() {
  if (socket != kNoSocket) {
    shutdownSocket(socket, kShutdownBoth);
    closeSocket(socket);
  }
}

Connection* connectionOf(const lanmere::Value& value) {
  return dynamic_cast<Connection*>(value.object());
}

}  // namespace kestrel::net
