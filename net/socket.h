// Socket primitives: blocking IPv4 TCP client sockets over the OS's sockets interface
// (Windows Sockets in socket_win32.cpp, POSIX sockets in socket_posix.cpp). Every primitive
// records its outcome in the process-wide last-error record; nothing here throws.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestrel::net {

// An OS socket handle (a SOCKET on Windows, a file descriptor elsewhere); kNoSocket when none.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// Socket error codes: the OS's error numbers translated into one portable set. Their texts are
// given by socketErrorText.
enum SocketErrorCode : int {
  kSockOk = 0,
  kSockPipe = 1,
  kSockTimeout = 2,
  kSockWrongAddr = 3,
  kSockAfNoSupport = 4,
  kSockPfNoSupport = 5,
  kSockProtoNoSupport = 6,
  kSockParamValue = 7,
  kSockNoSupport = 8,
  kSockNoResource = 9,
  kSockAccess = 10,
  kSockAddrInUse = 11,
  kSockInterrupt = 12,
  kSockAlreadyConnected = 13,
  kSockConnRefused = 14,
  kSockConnAborted = 15,
  kSockConnReset = 16,
  kSockNetUnreach = 17,
  kSockNetDown = 18,
  kSockNetReset = 19,
  kSockInProgress = 20,
  kSockAlready = 21,
  kSockAddrNotAvail = 22,
  kSockReadOnly = 23,
  kSockAgain = 24,
  kSockInvalidHandle = 25,
  kSockInval = 26,
  kSockProto = 27,
  kSockProtoType = 28,
  kSockNoFile = 29,
  kSockNoBufs = 30,
  kSockNoMem = 31,
  kSockFault = 32,
  kSockNameTooLong = 33,
  kSockNoEnt = 34,
  kSockNotDir = 35,
  kSockLoop = 36,
  kSockMsgSize = 37,
  kSockDestAddrReq = 38,
  kSockNoProtoOpt = 39,
  kSockNotConn = 40,
  kSockShutdown = 41,
  kSockTooManyRefs = 42,
  kSockRestartSys = 43,
  kSockNoSr = 44,
  kSockHostDown = 45,
  kSockHostUnreach = 46,
  kSockNotEmpty = 47,
  kSockUsers = 48,
  kSockDquot = 49,
  kSockStale = 50,
  kSockRemote = 51,
  kSockProcLim = 52,
  kSockDiscon = 53,
  kSockNoMore = 54,
  kSockCancelled = 55,
  kSockInvalidProcTable = 56,
  kSockInvalidProvider = 57,
  kSockProviderFailedInit = 58,
  kSockRefused = 59,
  kSockSysNotReady = 60,
  kSockVerNotSupported = 61,
  kSockNotInitialised = 62,
  kSockTryAgain = 63,
  kSockHostNotFound = 64,
  kSockNoRecovery = 65,
  kSockNoData = 66,
  kSockSysCallFailure = 67,
  kSockServiceNotFound = 68,
  kSockTypeNotFound = 69,
  kSockOther = 70,
};

// Codes that only a connection produces (besides 0 and the positive socket error codes).
enum ConnectionErrorCode : int {
  kConnTimeout = -1,   // the socket error was kSockTimeout
  kConnClosed = -2,    // a receive found the peer's side closed
  kConnNoSocket = -4,  // the operation needs an open socket and the connection has none
};

// "OK", "EPIPE", ... "EOTHER" for 0..70; "" for any other code.
std::string_view socketErrorText(int code);
// The text of a connection's error code: "" for 0, "Timeout", "Connection closed",
// "Closed socket" for the connection codes, the socket error text for a positive code.
std::string_view connectionErrorText(int code);
// The value a connection stores when an operation failed with this socket error code: an OS
// time-out is reported to the caller as kConnTimeout, every other code as it is.
int connectionCodeFor(int socketCode);

// The outcome of the most recent primitive: the socket error code and the OS's own number.
struct LastError {
  int code = kSockOk;
  int osError = 0;
};
LastError lastError();
void setLastError(int code, int osError);

// The OS's error number (WSAGetLastError on Windows, errno elsewhere) as a socket error code;
// 0 stays 0 and every number without a meaning of its own becomes kSockOther.
int translateOsError(int osError);
// The name resolver's failure number (WSAGetLastError on Windows, getaddrinfo's result
// elsewhere) as a socket error code.
int translateResolverError(int resolverError);

// Start-up of the sockets library, counted process-wide. The first start-up (explicit or
// automatic) starts the OS library (WSAStartup 1.1 on Windows; nothing to start elsewhere, but
// the count and the started state behave the same); the clean-up that brings the count from 1
// to 0 stops it. The count has no floor: unbalanced clean-ups drive it below 0.
bool startupLibrary();  // clears the automatic start-up; true when the library is started
void cleanupLibrary();
void autoStartupLibrary();  // a start-up on the first connection, unless one was done before
int startupCount();
bool autoStartupPending();
bool libraryStarted();  // the OS library is started by us (WSAStartup succeeded, no cleanup)

// The 16-byte IPv4 socket address: family 2 (in the host's order), port in network order,
// address in network order, 8 zero bytes.
using SocketAddress = std::array<std::uint8_t, 16>;
inline constexpr std::uint16_t kAddressFamilyIpv4 = 2;
SocketAddress buildAddress(std::uint32_t addressNetworkOrder, std::uint16_t port);

inline constexpr int kShutdownReceive = 0;
inline constexpr int kShutdownSend = 1;
inline constexpr int kShutdownBoth = 2;

// An IPv4 stream socket, or kNoSocket.
SocketHandle createSocket();
// Resolves a host to an IPv4 address in network order. An empty host fails (kSockWrongAddr,
// without an OS call); a dotted address, or exactly "255.255.255.255", is taken as it is;
// otherwise the first IPv4 address of the name's resolution. A name that resolves without any
// IPv4 address fails with kSockNoData.
bool resolveHost(std::string_view host, std::uint32_t& addressNetworkOrder);
bool setKeepAlive(SocketHandle socket, bool on);
bool connectSocket(SocketHandle socket, const SocketAddress& address);
// One OS send or receive call (flags 0); the OS's result: bytes moved, 0, or -1. Both store the
// OS's current error number after the call, whether it succeeded or not. A send to a peer that
// has gone fails with kSockPipe instead of raising a signal.
std::ptrdiff_t sendBytes(SocketHandle socket, const char* data, std::size_t length);
std::ptrdiff_t receiveBytes(SocketHandle socket, char* buffer, std::size_t length);
// kShutdownReceive, kShutdownSend or kShutdownBoth; any other mode fails with kSockParamValue.
int shutdownSocket(SocketHandle socket, int mode);
// 0, or -1 when closing failed.
int closeSocket(SocketHandle socket);

}  // namespace kestrel::net
