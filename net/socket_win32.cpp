// Socket primitives on Windows Sockets 1.1 (ws2_32). Every Windows Sockets error number is
// translated into a socket error code; numbers without a code of their own become kSockOther.
#include <winsock2.h>

#include <climits>
#include <cstring>
#include <string>

#include "net/socket.h"
#include "net/socket_platform.h"

namespace kestrel::net {
namespace {

constexpr WORD kWinsockVersion = 0x0101;

void recordOsError(int osError) {
  setLastError(translateOsError(osError), osError);
}
void recordSuccess() {
  setLastError(kSockOk, 0);
}
SOCKET nativeSocket(SocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

struct Translation {
  int osError;
  int code;
};

// Windows Sockets numbers and their codes, by number, numbers that share a code side by side
// (the order the translation is documented in); any other number is kSockOther.
constexpr Translation kWinsockTable[] = {
    {WSAEINTR, kSockInterrupt},
    {WSAEBADF, kSockInvalidHandle},
    {WSAENOTSOCK, kSockInvalidHandle},
    {WSAEACCES, kSockAccess},
    {WSAEFAULT, kSockFault},
    {WSAEINVAL, kSockInval},
    {WSAEMFILE, kSockNoFile},
    {WSAEWOULDBLOCK, kSockAgain},
    {WSAEINPROGRESS, kSockInProgress},
    {WSAEALREADY, kSockAlready},
    {WSAEDESTADDRREQ, kSockDestAddrReq},
    {WSAEMSGSIZE, kSockMsgSize},
    {WSAEPROTOTYPE, kSockProtoType},
    {WSAENOPROTOOPT, kSockNoProtoOpt},
    {WSAEPROTONOSUPPORT, kSockProtoNoSupport},
    {WSAESOCKTNOSUPPORT, kSockNoSupport},
    {WSAEOPNOTSUPP, kSockNoSupport},
    {WSAEPFNOSUPPORT, kSockPfNoSupport},
    {WSAEAFNOSUPPORT, kSockAfNoSupport},
    {WSAEADDRINUSE, kSockAddrInUse},
    {WSAEADDRNOTAVAIL, kSockAddrNotAvail},
    {WSAENETDOWN, kSockNetDown},
    {WSAENETUNREACH, kSockNetUnreach},
    {WSAENETRESET, kSockNetReset},
    {WSAECONNABORTED, kSockConnAborted},
    {WSAECONNRESET, kSockConnReset},
    {WSAENOBUFS, kSockNoBufs},
    {WSAEISCONN, kSockAlreadyConnected},
    {WSAENOTCONN, kSockNotConn},
    {WSAESHUTDOWN, kSockShutdown},
    {WSAETOOMANYREFS, kSockTooManyRefs},
    {WSAETIMEDOUT, kSockTimeout},
    {WSAECONNREFUSED, kSockConnRefused},
    {WSAELOOP, kSockLoop},
    {WSAENAMETOOLONG, kSockNameTooLong},
    {WSAEHOSTDOWN, kSockHostDown},
    {WSAEHOSTUNREACH, kSockHostUnreach},
    {WSAENOTEMPTY, kSockNotEmpty},
    {WSAEPROCLIM, kSockProcLim},
    {WSAEUSERS, kSockUsers},
    {WSAEDQUOT, kSockDquot},
    {WSAESTALE, kSockStale},
    {WSAEREMOTE, kSockRemote},
    {WSASYSNOTREADY, kSockSysNotReady},
    {WSAVERNOTSUPPORTED, kSockVerNotSupported},
    {WSANOTINITIALISED, kSockNotInitialised},
    {WSAEDISCON, kSockDiscon},
    {WSAENOMORE, kSockNoMore},
    {WSA_E_NO_MORE, kSockNoMore},
    {WSAECANCELLED, kSockCancelled},
    {WSA_E_CANCELLED, kSockCancelled},
    {WSAEINVALIDPROCTABLE, kSockInvalidProcTable},
    {WSAEINVALIDPROVIDER, kSockInvalidProvider},
    {WSAEPROVIDERFAILEDINIT, kSockProviderFailedInit},
    {WSASYSCALLFAILURE, kSockSysCallFailure},
    {WSASERVICE_NOT_FOUND, kSockServiceNotFound},
    {WSATYPE_NOT_FOUND, kSockTypeNotFound},
    {WSAEREFUSED, kSockRefused},
    {WSAHOST_NOT_FOUND, kSockHostNotFound},
    {WSATRY_AGAIN, kSockTryAgain},
    {WSANO_RECOVERY, kSockNoRecovery},
    {WSANO_DATA, kSockNoData},
};

}  // namespace

int translateOsError(int osError) {
  if (osError == 0) return kSockOk;
  for (const Translation& entry : kWinsockTable) {
    if (entry.osError == osError) return entry.code;
  }
  return kSockOther;
}

// The resolver reports through the same Windows Sockets error numbers.
int translateResolverError(int resolverError) {
  return translateOsError(resolverError);
}

namespace platform {

int startup() {
  WSADATA data;
  return WSAStartup(kWinsockVersion, &data);
}

void cleanup() {
  WSACleanup();
}

}  // namespace platform

SocketHandle createSocket() {
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    recordOsError(WSAGetLastError());
    return kNoSocket;
  }
  recordSuccess();
  return static_cast<SocketHandle>(s);
}

bool resolveHost(std::string_view host, std::uint32_t& addressNetworkOrder) {
  if (host.empty()) {
    setLastError(kSockWrongAddr, 0);
    return false;
  }
  const std::string name(host);
  const unsigned long dotted = ::inet_addr(name.c_str());
  if (dotted != INADDR_NONE || name == "255.255.255.255") {
    addressNetworkOrder = static_cast<std::uint32_t>(dotted);
    recordSuccess();
    return true;
  }
  const hostent* answer = ::gethostbyname(name.c_str());
  if (answer == nullptr) {
    recordOsError(WSAGetLastError());
    return false;
  }
  if (answer->h_addrtype != AF_INET || answer->h_addr_list == nullptr ||
      answer->h_addr_list[0] == nullptr) {
    setLastError(kSockNoData, 0);
    return false;
  }
  std::uint32_t address;
  std::memcpy(&address, answer->h_addr_list[0], sizeof address);
  addressNetworkOrder = address;
  recordSuccess();
  return true;
}

bool setKeepAlive(SocketHandle socket, bool on) {
  const BOOL value = on ? TRUE : FALSE;
  if (::setsockopt(nativeSocket(socket), SOL_SOCKET, SO_KEEPALIVE,
                   reinterpret_cast<const char*>(&value), sizeof value) != 0) {
    recordOsError(WSAGetLastError());
    return false;
  }
  recordSuccess();
  return true;
}

bool connectSocket(SocketHandle socket, const SocketAddress& address) {
  sockaddr_in in{};
  std::memcpy(&in, address.data(), sizeof in);
  if (::connect(nativeSocket(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in) != 0) {
    recordOsError(WSAGetLastError());
    return false;
  }
  recordSuccess();
  return true;
}

// Windows Sockets take an int length; a longer text is offered as far as an int reaches, which
// the caller sees as a partial send.
std::ptrdiff_t sendBytes(SocketHandle socket, const char* data, std::size_t length) {
  const int offered = length > INT_MAX ? INT_MAX : static_cast<int>(length);
  WSASetLastError(0);  // what the call leaves is recorded, so a success records 0
  const int sent = ::send(nativeSocket(socket), data, offered, 0);
  recordOsError(WSAGetLastError());
  return sent;
}

std::ptrdiff_t receiveBytes(SocketHandle socket, char* buffer, std::size_t length) {
  const int wanted = length > INT_MAX ? INT_MAX : static_cast<int>(length);
  WSASetLastError(0);
  const int received = ::recv(nativeSocket(socket), buffer, wanted, 0);
  recordOsError(WSAGetLastError());
  return received;
}

int shutdownSocket(SocketHandle socket, int mode) {
  int how;
  switch (mode) {
    case kShutdownReceive:
      how = SD_RECEIVE;
      break;
    case kShutdownSend:
      how = SD_SEND;
      break;
    case kShutdownBoth:
      how = SD_BOTH;
      break;
    default:
      setLastError(kSockParamValue, 0);
      return -1;
  }
  if (::shutdown(nativeSocket(socket), how) != 0) {
    recordOsError(WSAGetLastError());
    return -1;
  }
  recordSuccess();
  return 0;
}

int closeSocket(SocketHandle socket) {
  if (::closesocket(nativeSocket(socket)) != 0) {
    recordOsError(WSAGetLastError());
    return -1;
  }
  recordSuccess();
  return 0;
}

}  // namespace kestrel::net
