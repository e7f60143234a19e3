// Socket primitives on POSIX sockets. errno values are translated by meaning into the same
// socket error codes that the Windows Sockets numbers give (ECONNREFUSED and WSAECONNREFUSED
// both become kSockConnRefused); getaddrinfo's failures take the codes of the Windows resolver
// failures they correspond to.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "net/socket.h"
#include "net/socket_platform.h"

namespace kestrel::net {
namespace {

struct Translation {
  int osError;
  int code;
};

// Several errno names share a number on some systems (EAGAIN and EWOULDBLOCK, ENOTSUP and
// EOPNOTSUPP); a table, unlike a switch, takes such pairs as they are.
constexpr Translation kErrnoTable[] = {
    {EPIPE, kSockPipe},
    {ETIMEDOUT, kSockTimeout},
    {EAFNOSUPPORT, kSockAfNoSupport},
    {EPFNOSUPPORT, kSockPfNoSupport},
    {EPROTONOSUPPORT, kSockProtoNoSupport},
    {ESOCKTNOSUPPORT, kSockNoSupport},
    {EOPNOTSUPP, kSockNoSupport},
    {ENOTSUP, kSockNoSupport},
    {EACCES, kSockAccess},
    {EPERM, kSockAccess},  // Linux reports a connect refused by a packet filter as EPERM
    {EADDRINUSE, kSockAddrInUse},
    {EINTR, kSockInterrupt},
    {EISCONN, kSockAlreadyConnected},
    {ECONNREFUSED, kSockConnRefused},
    {ECONNABORTED, kSockConnAborted},
    {ECONNRESET, kSockConnReset},
    {ENETUNREACH, kSockNetUnreach},
    {ENETDOWN, kSockNetDown},
    {ENETRESET, kSockNetReset},
    {EINPROGRESS, kSockInProgress},
    {EALREADY, kSockAlready},
    {EADDRNOTAVAIL, kSockAddrNotAvail},
    {EROFS, kSockReadOnly},
    {EAGAIN, kSockAgain},
    {EWOULDBLOCK, kSockAgain},
    {EBADF, kSockInvalidHandle},
    {ENOTSOCK, kSockInvalidHandle},
    {EINVAL, kSockInval},
    {EPROTO, kSockProto},
    {EPROTOTYPE, kSockProtoType},
    {EMFILE, kSockNoFile},
    {ENFILE, kSockNoFile},
    {ENOBUFS, kSockNoBufs},
    {ENOMEM, kSockNoMem},
    {EFAULT, kSockFault},
    {ENAMETOOLONG, kSockNameTooLong},
    {ENOENT, kSockNoEnt},
    {ENOTDIR, kSockNotDir},
    {ELOOP, kSockLoop},
    {EMSGSIZE, kSockMsgSize},
    {EDESTADDRREQ, kSockDestAddrReq},
    {ENOPROTOOPT, kSockNoProtoOpt},
    {ENOTCONN, kSockNotConn},
    {ESHUTDOWN, kSockShutdown},
    {ETOOMANYREFS, kSockTooManyRefs},
#ifdef ERESTART
    {ERESTART, kSockRestartSys},
#endif
#ifdef ENOSR
    {ENOSR, kSockNoSr},
#endif
    {EHOSTDOWN, kSockHostDown},
    {EHOSTUNREACH, kSockHostUnreach},
    {ENOTEMPTY, kSockNotEmpty},
    {EUSERS, kSockUsers},
    {EDQUOT, kSockDquot},
    {ESTALE, kSockStale},
    {EREMOTE, kSockRemote},
#ifdef EPROCLIM
    {EPROCLIM, kSockProcLim},
#endif
    {ECANCELED, kSockCancelled},
};

constexpr Translation kResolverTable[] = {
    {EAI_NONAME, kSockHostNotFound}, {EAI_AGAIN, kSockTryAgain},
    {EAI_FAIL, kSockNoRecovery},
#ifdef EAI_NODATA
    {EAI_NODATA, kSockNoData},
#endif
#ifdef EAI_ADDRFAMILY
    {EAI_ADDRFAMILY, kSockNoData},  // the name exists but has no IPv4 address
#endif
    {EAI_MEMORY, kSockNoMem},        {EAI_FAMILY, kSockAfNoSupport},
    {EAI_SOCKTYPE, kSockNoSupport},  {EAI_SERVICE, kSockServiceNotFound},
    {EAI_BADFLAGS, kSockInval},      {EAI_SYSTEM, kSockSysCallFailure},
};

template <std::size_t N>
int lookUp(const Translation (&table)[N], int number) {
  if (number == 0) return kSockOk;
  for (const Translation& entry : table) {
    if (entry.osError == number) return entry.code;
  }
  return kSockOther;
}

void recordOsError(int osError) {
  setLastError(translateOsError(osError), osError);
}
void recordSuccess() {
  setLastError(kSockOk, 0);
}
int fd(SocketHandle socket) {
  return static_cast<int>(socket);
}

}  // namespace

int translateOsError(int osError) {
  return lookUp(kErrnoTable, osError);
}

int translateResolverError(int resolverError) {
  return lookUp(kResolverTable, resolverError);
}

namespace platform {
int startup() {
  return 0;
}
void cleanup() {}
}  // namespace platform

SocketHandle createSocket() {
  int type = SOCK_STREAM;
#ifdef SOCK_CLOEXEC
  type |= SOCK_CLOEXEC;  // helper programs started by us must not inherit the connection
#endif
  const int s = ::socket(AF_INET, type, 0);
  if (s < 0) {
    recordOsError(errno);
    return kNoSocket;
  }
  recordSuccess();
  return s;
}

bool resolveHost(std::string_view host, std::uint32_t& addressNetworkOrder) {
  if (host.empty()) {
    setLastError(kSockWrongAddr, 0);
    return false;
  }
  const std::string name(host);
  const in_addr_t dotted = ::inet_addr(name.c_str());
  if (dotted != INADDR_NONE || name == "255.255.255.255") {
    addressNetworkOrder = dotted;
    recordSuccess();
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* answer = nullptr;
  const int status = ::getaddrinfo(name.c_str(), nullptr, &hints, &answer);
  if (status != 0) {
    setLastError(translateResolverError(status), status);
    return false;
  }
  bool found = false;
  for (const addrinfo* entry = answer; entry != nullptr && !found; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      addressNetworkOrder = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
      found = true;
    }
  }
  ::freeaddrinfo(answer);
  if (found) {
    recordSuccess();
  } else {
    setLastError(kSockNoData, 0);
  }
  return found;
}

bool setKeepAlive(SocketHandle socket, bool on) {
  const int value = on ? 1 : 0;
  if (::setsockopt(fd(socket), SOL_SOCKET, SO_KEEPALIVE, &value, sizeof value) != 0) {
    recordOsError(errno);
    return false;
  }
  recordSuccess();
  return true;
}

bool connectSocket(SocketHandle socket, const SocketAddress& address) {
  sockaddr_in in{};
  std::memcpy(&in, address.data(), sizeof in);
  if (::connect(fd(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in) != 0) {
    recordOsError(errno);
    return false;
  }
  recordSuccess();
  return true;
}

std::ptrdiff_t sendBytes(SocketHandle socket, const char* data, std::size_t length) {
  int flags = 0;
#ifdef MSG_NOSIGNAL
  flags |= MSG_NOSIGNAL;  // a vanished peer gives EPIPE, as on Windows, not SIGPIPE
#endif
  errno = 0;  // what the call leaves is recorded, so a success records 0, not an older error
  const ssize_t sent = ::send(fd(socket), data, length, flags);
  recordOsError(errno);
  return sent;
}

std::ptrdiff_t receiveBytes(SocketHandle socket, char* buffer, std::size_t length) {
  errno = 0;
  const ssize_t received = ::recv(fd(socket), buffer, length, 0);
  recordOsError(errno);
  return received;
}

int shutdownSocket(SocketHandle socket, int mode) {
  int how;
  switch (mode) {
    case kShutdownReceive:
      how = SHUT_RD;
      break;
    case kShutdownSend:
      how = SHUT_WR;
      break;
    case kShutdownBoth:
      how = SHUT_RDWR;
      break;
    default:
      setLastError(kSockParamValue, 0);
      return -1;
  }
  if (::shutdown(fd(socket), how) != 0) {
    recordOsError(errno);
    return -1;
  }
  recordSuccess();
  return 0;
}

int closeSocket(SocketHandle socket) {
  if (::close(fd(socket)) != 0) {
    recordOsError(errno);
    return -1;
  }
  recordSuccess();
  return 0;
}

}  // namespace kestrel::net
