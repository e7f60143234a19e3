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

}  // namespace

int translateOsError(int osError) {
  switch (osError) {
    case 0:
      return kSockOk;
    case WSAEINTR:
      return kSockInterrupt;
    case WSAEBADF:
    case WSAENOTSOCK:
      return kSockInvalidHandle;
    case WSAEACCES:
      return kSockAccess;
    case WSAEFAULT:
      return kSockFault;
    case WSAEINVAL:
      return kSockInval;
    case WSAEMFILE:
      return kSockNoFile;
    case WSAEWOULDBLOCK:
      return kSockAgain;
    case WSAEINPROGRESS:
      return kSockInProgress;
    case WSAEALREADY:
      return kSockAlready;
    case WSAEDESTADDRREQ:
      return kSockDestAddrReq;
    case WSAEMSGSIZE:
      return kSockMsgSize;
    case WSAEPROTOTYPE:
      return kSockProtoType;
    case WSAENOPROTOOPT:
      return kSockNoProtoOpt;
    case WSAEPROTONOSUPPORT:
      return kSockProtoNoSupport;
    case WSAESOCKTNOSUPPORT:
    case WSAEOPNOTSUPP:
      return kSockNoSupport;
    case WSAEPFNOSUPPORT:
      return kSockPfNoSupport;
    case WSAEAFNOSUPPORT:
      return kSockAfNoSupport;
    case WSAEADDRINUSE:
      return kSockAddrInUse;
    case WSAEADDRNOTAVAIL:
      return kSockAddrNotAvail;
    case WSAENETDOWN:
      return kSockNetDown;
    case WSAENETUNREACH:
      return kSockNetUnreach;
    case WSAENETRESET:
      return kSockNetReset;
    case WSAECONNABORTED:
      return kSockConnAborted;
    case WSAECONNRESET:
      return kSockConnReset;
    case WSAENOBUFS:
      return kSockNoBufs;
    case WSAEISCONN:
      return kSockAlreadyConnected;
    case WSAENOTCONN:
      return kSockNotConn;
    case WSAESHUTDOWN:
      return kSockShutdown;
    case WSAETOOMANYREFS:
      return kSockTooManyRefs;
    case WSAETIMEDOUT:
      return kSockTimeout;
    case WSAECONNREFUSED:
      return kSockConnRefused;
    case WSAELOOP:
      return kSockLoop;
    case WSAENAMETOOLONG:
      return kSockNameTooLong;
    case WSAEHOSTDOWN:
      return kSockHostDown;
    case WSAEHOSTUNREACH:
      return kSockHostUnreach;
    case WSAENOTEMPTY:
      return kSockNotEmpty;
    case WSAEPROCLIM:
      return kSockProcLim;
    case WSAEUSERS:
      return kSockUsers;
    case WSAEDQUOT:
      return kSockDquot;
    case WSAESTALE:
      return kSockStale;
    case WSAEREMOTE:
      return kSockRemote;
    case WSASYSNOTREADY:
      return kSockSysNotReady;
    case WSAVERNOTSUPPORTED:
      return kSockVerNotSupported;
    case WSANOTINITIALISED:
      return kSockNotInitialised;
    case WSAEDISCON:
      return kSockDiscon;
    case WSAENOMORE:
    case WSA_E_NO_MORE:
      return kSockNoMore;
    case WSAECANCELLED:
    case WSA_E_CANCELLED:
      return kSockCancelled;
    case WSAEINVALIDPROCTABLE:
      return kSockInvalidProcTable;
    case WSAEINVALIDPROVIDER:
      return kSockInvalidProvider;
    case WSAEPROVIDERFAILEDINIT:
      return kSockProviderFailedInit;
    case WSASYSCALLFAILURE:
      return kSockSysCallFailure;
    case WSASERVICE_NOT_FOUND:
      return kSockServiceNotFound;
    case WSATYPE_NOT_FOUND:
      return kSockTypeNotFound;
    case WSAEREFUSED:
      return kSockRefused;
    case WSAHOST_NOT_FOUND:
      return kSockHostNotFound;
    case WSATRY_AGAIN:
      return kSockTryAgain;
    case WSANO_RECOVERY:
      return kSockNoRecovery;
    case WSANO_DATA:
      return kSockNoData;
    default:
      return kSockOther;
  }
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
