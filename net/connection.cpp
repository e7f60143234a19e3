#include "net/connection.h"

namespace kestrel::net {

const lanmere::ClassInfo& Connection::Class() {
  static const lanmere::ClassInfo& info =
      lanmere::ClassBuilder<Connection>("SOCKET").parent(Object::Class()).build();
  return info;
}

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
