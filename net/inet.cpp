#include "net/inet.h"

#include <cstddef>

#include "net/connection.h"
#include "net/socket.h"
#include "runtime/binding.h"
#include "runtime/callstack.h"
#include "runtime/error.h"

namespace kestrel::net {

using lanmere::Args;
using lanmere::Value;

namespace {

// An interrupted call is repeated unless the run-time wants to stop; the bound only guards
// against an OS that keeps interrupting forever.
constexpr int kMaxInterruptedRetries = 100000;

template <class Call>
std::ptrdiff_t repeatWhenInterrupted(Call call) {
  std::ptrdiff_t result = call();
  for (int retries = 0;
       result == -1 && lastError().code == kSockInterrupt &&
       lanmere::pendingRequest() == lanmere::Request::None && retries < kMaxInterruptedRetries;
       ++retries) {
    result = call();
  }
  return result;
}

// The argument error of these operations: operation = the function (the current frame), args =
// its parameters.
Value argumentError() {
  return lanmere::argumentError(kInetArgumentError);
}

}  // namespace

Value HB_INETINIT() {
  return startupLibrary();
}

Value HB_INETCLEANUP() {
  cleanupLibrary();
  return {};
}

Value HB_INETCONNECT(Args args) {
  const Value& host = lanmere::arg(args, 1);
  const Value& port = lanmere::arg(args, 2);
  // A port outside 1 to 65535 would reach the OS cut to 16 bits, another port: refused alike.
  if (!host.isText() || !port.isNumber() || !(port.number() >= kFirstPort) ||
      port.number() > kLastPort) {
    return argumentError();
  }

  autoStartupLibrary();
  lanmere::Ref<Connection> connection = lanmere::make<Connection>();
  std::uint32_t address = 0;
  if (!resolveHost(host.text(), address)) {
    connection->errorCode = kSockWrongAddr;
    return connection;
  }
  const SocketHandle s = createSocket();
  if (s == kNoSocket) {
    connection->recordFailure(lastError().code);
    return connection;
  }
  connection->socket = s;
  connection->remoteAddress = buildAddress(address, static_cast<std::uint16_t>(port.integer()));
  setKeepAlive(s, true);
  if (connectSocket(s, *connection->remoteAddress)) {
    connection->errorCode = 0;
  } else {
    connection->recordFailure(lastError().code);
  }
  return connection;
}

Value HB_INETERRORCODE(Args args) {
  Connection* connection = connectionOf(lanmere::arg(args, 1));
  if (connection == nullptr) return argumentError();
  return connection->errorCode;
}

Value HB_INETSEND(Args args) {
  Connection* connection = connectionOf(lanmere::arg(args, 1));
  const Value& text = lanmere::arg(args, 2);
  if (connection == nullptr || !text.isText()) return argumentError();
  if (connection->socket == kNoSocket) {
    connection->errorCode = kConnNoSocket;
    return -1;
  }
  connection->errorCode = 0;
  const std::string_view bytes = text.text();
  if (bytes.empty()) {
    connection->count = 0;
    return 0;
  }
  const std::ptrdiff_t sent = repeatWhenInterrupted(
      [&] { return sendBytes(connection->socket, bytes.data(), bytes.size()); });
  if (sent > 0) {
    connection->count = sent;
    return static_cast<long long>(sent);
  }
  connection->recordFailure(lastError().code);
  connection->count = 0;
  return static_cast<long long>(sent);
}

Value HB_INETRECV(Args args) {
  Connection* connection = connectionOf(lanmere::arg(args, 1));
  if (connection == nullptr || args.size() < 2 || !args[1].isText()) return argumentError();
  if (connection->socket == kNoSocket) {
    connection->errorCode = kConnNoSocket;
    return -1;
  }
  // The variable's own text, unshared: other holders of the same text must not see the bytes.
  lanmere::Bytes& buffer = args[1].mutableText();
  connection->errorCode = 0;
  const std::ptrdiff_t received = repeatWhenInterrupted(
      [&] { return receiveBytes(connection->socket, buffer.data(), buffer.size()); });
  if (received > 0) {
    connection->count = received;
    return static_cast<long long>(received);
  }
  connection->count = 0;
  if (received == 0) {
    connection->errorCode = kConnClosed;
    return 0;
  }
  connection->recordFailure(lastError().code);
  return -1;
}

Value HB_INETCLOSE(Args args) {
  Connection* connection = connectionOf(lanmere::arg(args, 1));
  if (connection == nullptr) return argumentError();
  if (connection->socket == kNoSocket) return -1;
  shutdownSocket(connection->socket, kShutdownBoth);
  const int result = closeSocket(connection->socket);
  connection->socket = kNoSocket;
  return result;
}

const lanmere::ModuleTable& inetModule() {
  using lanmere::kDefined;
  using lanmere::kPublic;
  static const lanmere::ModuleTable module{"net/inet.cpp",
                                           {
                                               lanmere::fn<&HB_INETINIT>("HB_INETINIT"),
                                               lanmere::fn<&HB_INETCLEANUP>("HB_INETCLEANUP"),
                                               lanmere::fn<&HB_INETCONNECT>("HB_INETCONNECT"),
                                               lanmere::fn<&HB_INETERRORCODE>("HB_INETERRORCODE"),
                                               lanmere::fn<&HB_INETSEND>("HB_INETSEND"),
                                               lanmere::fn<&HB_INETRECV>("HB_INETRECV"),
                                               lanmere::fn<&HB_INETCLOSE>("HB_INETCLOSE"),
                                           }};
  return module;
}

}  // namespace kestrel::net
