#include "net/socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>

#include "tests/net/peer.h"

#ifndef _WIN32
#include <netdb.h>  // the getaddrinfo failure numbers the resolver translation is checked against
#endif

namespace kestrel::net {
namespace {

using test::PeerThread;
using tools::ReplayMode;
using tools::ReplayOptions;

constexpr std::uint32_t kLoopback = 0x0100007F;  // 127.0.0.1 in network order, as stored

std::array<std::uint8_t, 4> bytesOf(std::uint32_t address) {
  std::array<std::uint8_t, 4> bytes;
  std::memcpy(bytes.data(), &address, 4);
  return bytes;
}

// The socket library started for the duration of a test.
class Sockets : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(startupLibrary()); }
  void TearDown() override { cleanupLibrary(); }

  SocketHandle connectTo(std::uint16_t port) {
    const SocketHandle s = createSocket();
    EXPECT_NE(s, kNoSocket);
    EXPECT_TRUE(connectSocket(s, buildAddress(kLoopback, port)));
    EXPECT_EQ(lastError().code, kSockOk);
    return s;
  }

  // Receives until the OS says the end (0) or an error (-1); returns that last result.
  std::ptrdiff_t receiveAll(SocketHandle s, std::size_t bufferSize, std::string& received) {
    std::string buffer(bufferSize, '\0');
    for (int calls = 0; calls < 100000; ++calls) {
      const std::ptrdiff_t n = receiveBytes(s, buffer.data(), buffer.size());
      if (n <= 0) return n;
      received.append(buffer, 0, static_cast<std::size_t>(n));
    }
    ADD_FAILURE() << "the peer did not end the connection";
    return 0;
  }

  const std::string request_ = "GET /x HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
};

TEST(SocketErrorText, EveryCodeHasItsOwnNameAndOutsideCodesHaveNone) {
  EXPECT_EQ(socketErrorText(0), "OK");
  EXPECT_EQ(socketErrorText(1), "EPIPE");
  EXPECT_EQ(socketErrorText(2), "ETIMEOUT");
  EXPECT_EQ(socketErrorText(3), "EWRONGADDR");
  EXPECT_EQ(socketErrorText(14), "ECONNREFUSED");
  EXPECT_EQ(socketErrorText(16), "ECONNRESET");
  EXPECT_EQ(socketErrorText(43), "ERESTARTSYS");
  EXPECT_EQ(socketErrorText(62), "ENOTINITIALISED");
  EXPECT_EQ(socketErrorText(63), "TRYAGAIN");
  EXPECT_EQ(socketErrorText(66), "NODATA");
  EXPECT_EQ(socketErrorText(70), "EOTHER");
  EXPECT_EQ(socketErrorText(71), "");
  EXPECT_EQ(socketErrorText(-1), "");
  std::set<std::string_view> names;
  for (int code = 0; code <= 70; ++code) names.insert(socketErrorText(code));
  EXPECT_EQ(names.size(), 71u);
  EXPECT_EQ(names.count(""), 0u);
}

TEST(ConnectionErrorText, ConnectionCodesAndSocketCodes) {
  EXPECT_EQ(connectionErrorText(0), "");
  EXPECT_EQ(connectionErrorText(-1), "Timeout");
  EXPECT_EQ(connectionErrorText(-2), "Connection closed");
  EXPECT_EQ(connectionErrorText(-3), "");
  EXPECT_EQ(connectionErrorText(-4), "Closed socket");
  EXPECT_EQ(connectionErrorText(14), "ECONNREFUSED");
  EXPECT_EQ(connectionErrorText(71), "");
}

TEST(ConnectionCode, OnlyTheTimeoutIsRenumbered) {
  EXPECT_EQ(connectionCodeFor(kSockTimeout), kConnTimeout);
  EXPECT_EQ(connectionCodeFor(kSockOk), 0);
  EXPECT_EQ(connectionCodeFor(kSockConnRefused), 14);
  EXPECT_EQ(connectionCodeFor(kSockWrongAddr), 3);
  EXPECT_EQ(connectionCodeFor(kSockOther), 70);
}

struct Row {
  int osError;
  int code;
  const char* name;
};

#ifdef _WIN32
// Every Windows Sockets number the translation must know, written out from the table of codes.
const Row kOsRows[] = {
    {10004, 12, "WSAEINTR"},
    {10009, 25, "WSAEBADF"},
    {10038, 25, "WSAENOTSOCK"},
    {10013, 10, "WSAEACCES"},
    {10014, 32, "WSAEFAULT"},
    {10022, 26, "WSAEINVAL"},
    {10024, 29, "WSAEMFILE"},
    {10035, 24, "WSAEWOULDBLOCK"},
    {10036, 20, "WSAEINPROGRESS"},
    {10037, 21, "WSAEALREADY"},
    {10039, 38, "WSAEDESTADDRREQ"},
    {10040, 37, "WSAEMSGSIZE"},
    {10041, 28, "WSAEPROTOTYPE"},
    {10042, 39, "WSAENOPROTOOPT"},
    {10043, 6, "WSAEPROTONOSUPPORT"},
    {10044, 8, "WSAESOCKTNOSUPPORT"},
    {10045, 8, "WSAEOPNOTSUPP"},
    {10046, 5, "WSAEPFNOSUPPORT"},
    {10047, 4, "WSAEAFNOSUPPORT"},
    {10048, 11, "WSAEADDRINUSE"},
    {10049, 22, "WSAEADDRNOTAVAIL"},
    {10050, 18, "WSAENETDOWN"},
    {10051, 17, "WSAENETUNREACH"},
    {10052, 19, "WSAENETRESET"},
    {10053, 15, "WSAECONNABORTED"},
    {10054, 16, "WSAECONNRESET"},
    {10055, 30, "WSAENOBUFS"},
    {10056, 13, "WSAEISCONN"},
    {10057, 40, "WSAENOTCONN"},
    {10058, 41, "WSAESHUTDOWN"},
    {10059, 42, "WSAETOOMANYREFS"},
    {10060, 2, "WSAETIMEDOUT"},
    {10061, 14, "WSAECONNREFUSED"},
    {10062, 36, "WSAELOOP"},
    {10063, 33, "WSAENAMETOOLONG"},
    {10064, 45, "WSAEHOSTDOWN"},
    {10065, 46, "WSAEHOSTUNREACH"},
    {10066, 47, "WSAENOTEMPTY"},
    {10067, 52, "WSAEPROCLIM"},
    {10068, 48, "WSAEUSERS"},
    {10069, 49, "WSAEDQUOT"},
    {10070, 50, "WSAESTALE"},
    {10071, 51, "WSAEREMOTE"},
    {10091, 60, "WSASYSNOTREADY"},
    {10092, 61, "WSAVERNOTSUPPORTED"},
    {10093, 62, "WSANOTINITIALISED"},
    {10101, 53, "WSAEDISCON"},
    {10102, 54, "WSAENOMORE"},
    {10110, 54, "WSA_E_NO_MORE"},
    {10103, 55, "WSAECANCELLED"},
    {10111, 55, "WSA_E_CANCELLED"},
    {10104, 56, "WSAEINVALIDPROCTABLE"},
    {10105, 57, "WSAEINVALIDPROVIDER"},
    {10106, 58, "WSAEPROVIDERFAILEDINIT"},
    {10107, 67, "WSASYSCALLFAILURE"},
    {10108, 68, "WSASERVICE_NOT_FOUND"},
    {10109, 69, "WSATYPE_NOT_FOUND"},
    {10112, 59, "WSAEREFUSED"},
    {11001, 64, "WSAHOST_NOT_FOUND"},
    {11002, 63, "WSATRY_AGAIN"},
    {11003, 65, "WSANO_RECOVERY"},
    {11004, 66, "WSANO_DATA"},
};
const int kUnlistedOsErrors[] = {-1,    1,     10000, 10001, 10005, 10023, 10072,
                                 10090, 10094, 10100, 10113, 11000, 11005, 87};
const Row kResolverRows[] = {
    {11001, 64, "WSAHOST_NOT_FOUND"},
    {11002, 63, "WSATRY_AGAIN"},
    {11003, 65, "WSANO_RECOVERY"},
    {11004, 66, "WSANO_DATA"},
};
constexpr int kConnRefusedOs = 10061;
constexpr int kConnResetOs = 10054;
#else
// errno values taken by meaning to the codes their Windows Sockets counterparts have.
const Row kOsRows[] = {
    {EINTR, 12, "EINTR"},
    {EBADF, 25, "EBADF"},
    {ENOTSOCK, 25, "ENOTSOCK"},
    {EACCES, 10, "EACCES"},
    {EPERM, 10, "EPERM"},
    {EFAULT, 32, "EFAULT"},
    {EINVAL, 26, "EINVAL"},
    {EMFILE, 29, "EMFILE"},
    {ENFILE, 29, "ENFILE"},
    {EWOULDBLOCK, 24, "EWOULDBLOCK"},
    {EAGAIN, 24, "EAGAIN"},
    {EINPROGRESS, 20, "EINPROGRESS"},
    {EALREADY, 21, "EALREADY"},
    {EDESTADDRREQ, 38, "EDESTADDRREQ"},
    {EMSGSIZE, 37, "EMSGSIZE"},
    {EPROTOTYPE, 28, "EPROTOTYPE"},
    {ENOPROTOOPT, 39, "ENOPROTOOPT"},
    {EPROTONOSUPPORT, 6, "EPROTONOSUPPORT"},
    {ESOCKTNOSUPPORT, 8, "ESOCKTNOSUPPORT"},
    {EOPNOTSUPP, 8, "EOPNOTSUPP"},
    {ENOTSUP, 8, "ENOTSUP"},
    {EPFNOSUPPORT, 5, "EPFNOSUPPORT"},
    {EAFNOSUPPORT, 4, "EAFNOSUPPORT"},
    {EADDRINUSE, 11, "EADDRINUSE"},
    {EADDRNOTAVAIL, 22, "EADDRNOTAVAIL"},
    {ENETDOWN, 18, "ENETDOWN"},
    {ENETUNREACH, 17, "ENETUNREACH"},
    {ENETRESET, 19, "ENETRESET"},
    {ECONNABORTED, 15, "ECONNABORTED"},
    {ECONNRESET, 16, "ECONNRESET"},
    {ENOBUFS, 30, "ENOBUFS"},
    {EISCONN, 13, "EISCONN"},
    {ENOTCONN, 40, "ENOTCONN"},
    {ESHUTDOWN, 41, "ESHUTDOWN"},
    {ETOOMANYREFS, 42, "ETOOMANYREFS"},
    {ETIMEDOUT, 2, "ETIMEDOUT"},
    {ECONNREFUSED, 14, "ECONNREFUSED"},
    {ELOOP, 36, "ELOOP"},
    {ENAMETOOLONG, 33, "ENAMETOOLONG"},
    {EHOSTDOWN, 45, "EHOSTDOWN"},
    {EHOSTUNREACH, 46, "EHOSTUNREACH"},
    {ENOTEMPTY, 47, "ENOTEMPTY"},
    {EUSERS, 48, "EUSERS"},
    {EDQUOT, 49, "EDQUOT"},
    {ESTALE, 50, "ESTALE"},
    {EREMOTE, 51, "EREMOTE"},
    {ECANCELED, 55, "ECANCELED"},
    {EPIPE, 1, "EPIPE"},
    {EROFS, 23, "EROFS"},
    {EPROTO, 27, "EPROTO"},
    {ENOMEM, 31, "ENOMEM"},
    {ENOENT, 34, "ENOENT"},
    {ENOTDIR, 35, "ENOTDIR"},
#ifdef ERESTART
    {ERESTART, 43, "ERESTART"},
#endif
#ifdef ENOSR
    {ENOSR, 44, "ENOSR"},
#endif
};
const int kUnlistedOsErrors[] = {-1, EIO, EISDIR, EXDEV, ECHILD, EDOM, 100000};
const Row kResolverRows[] = {
    {EAI_NONAME, 64, "EAI_NONAME"}, {EAI_AGAIN, 63, "EAI_AGAIN"},   {EAI_FAIL, 65, "EAI_FAIL"},
#ifdef EAI_NODATA
    {EAI_NODATA, 66, "EAI_NODATA"},
#endif
    {EAI_MEMORY, 31, "EAI_MEMORY"}, {EAI_SYSTEM, 67, "EAI_SYSTEM"},
};
constexpr int kConnRefusedOs = ECONNREFUSED;
constexpr int kConnResetOs = ECONNRESET;
#endif

TEST(Translation, EveryOsErrorNumberGivesItsCode) {
  EXPECT_EQ(translateOsError(0), kSockOk);
  for (const Row& row : kOsRows) {
    EXPECT_EQ(translateOsError(row.osError), row.code) << row.name << " " << row.osError;
  }
  for (const int number : kUnlistedOsErrors) {
    EXPECT_EQ(translateOsError(number), kSockOther) << number;
  }
}

TEST(Translation, ResolverFailuresGiveTheResolutionCodes) {
  EXPECT_EQ(translateResolverError(0), kSockOk);
  for (const Row& row : kResolverRows) {
    EXPECT_EQ(translateResolverError(row.osError), row.code) << row.name << " " << row.osError;
  }
}

TEST(Address, SixteenBytesFamilyPortAddressAndZeros) {
  const std::uint8_t ip[4] = {10, 1, 2, 3};
  std::uint32_t address;
  std::memcpy(&address, ip, 4);
  const SocketAddress built = buildAddress(address, 8080);
  std::uint16_t family;
  std::memcpy(&family, built.data(), 2);
  EXPECT_EQ(family, kAddressFamilyIpv4);
  EXPECT_EQ(built[2], 0x1F);
  EXPECT_EQ(built[3], 0x90);
  EXPECT_EQ(built[4], 10);
  EXPECT_EQ(built[5], 1);
  EXPECT_EQ(built[6], 2);
  EXPECT_EQ(built[7], 3);
  for (std::size_t i = 8; i < 16; ++i) EXPECT_EQ(built[i], 0) << i;
}

TEST_F(Sockets, ResolveTakesDottedAddressesAsTheyAre) {
  std::uint32_t address = 0;
  setLastError(kSockOther, 1);
  ASSERT_TRUE(resolveHost("127.0.0.1", address));
  EXPECT_EQ(bytesOf(address), (std::array<std::uint8_t, 4>{127, 0, 0, 1}));
  EXPECT_EQ(lastError().code, kSockOk);
  // inet_addr's answer for this address is also its failure value; it is still taken.
  ASSERT_TRUE(resolveHost("255.255.255.255", address));
  EXPECT_EQ(bytesOf(address), (std::array<std::uint8_t, 4>{255, 255, 255, 255}));
  ASSERT_TRUE(resolveHost("localhost", address));
  EXPECT_EQ(bytesOf(address), (std::array<std::uint8_t, 4>{127, 0, 0, 1}));
}

TEST_F(Sockets, ResolveFailsOnAnEmptyHostAndAnUnknownName) {
  std::uint32_t address = 0x12345678;
  EXPECT_FALSE(resolveHost("", address));
  EXPECT_EQ(lastError().code, kSockWrongAddr);
  EXPECT_EQ(lastError().osError, 0);
  EXPECT_EQ(address, 0x12345678u);
  // ".invalid" never resolves. A machine without a name server answers "try again" instead of
  // "not found"; both are resolution failures.
  EXPECT_FALSE(resolveHost("no-such-host.invalid", address));
  EXPECT_TRUE(lastError().code == kSockHostNotFound || lastError().code == kSockTryAgain)
      << lastError().code << " " << socketErrorText(lastError().code);
  EXPECT_NE(lastError().osError, 0);
  EXPECT_EQ(address, 0x12345678u);
}

TEST_F(Sockets, ConnectToAPortWhereNothingListensIsRefused) {
  const std::uint16_t port = test::unusedPort();
  const SocketHandle s = createSocket();
  ASSERT_NE(s, kNoSocket);
  ASSERT_TRUE(setKeepAlive(s, true));
  EXPECT_FALSE(connectSocket(s, buildAddress(kLoopback, port)));
  EXPECT_EQ(lastError().code, kSockConnRefused);
  EXPECT_EQ(lastError().osError, kConnRefusedOs);
  EXPECT_EQ(closeSocket(s), 0);
  EXPECT_EQ(lastError().code, kSockOk);
}

TEST_F(Sockets, ClosedHandlesAndBadShutdownModesAreRecorded) {
  const SocketHandle s = createSocket();
  ASSERT_NE(s, kNoSocket);
  EXPECT_EQ(shutdownSocket(s, 3), -1);
  EXPECT_EQ(lastError().code, kSockParamValue);
  EXPECT_EQ(lastError().osError, 0);
  // Shutting down a socket that never connected is the OS's error, not a bad mode.
  EXPECT_EQ(shutdownSocket(s, kShutdownBoth), -1);
  EXPECT_EQ(lastError().code, kSockNotConn);
  EXPECT_EQ(closeSocket(s), 0);
  EXPECT_EQ(closeSocket(s), -1);
  EXPECT_EQ(lastError().code, kSockInvalidHandle);
  EXPECT_FALSE(setKeepAlive(s, true));
  EXPECT_EQ(lastError().code, kSockInvalidHandle);
}

TEST_F(Sockets, PiecesArriveWholeAndInOrder) {
  ReplayOptions options;
  options.reply = test::patternBytes(3001);
  options.pieceSize = 7;
  PeerThread peer(options);
  const SocketHandle s = connectTo(peer.port());
  EXPECT_EQ(sendBytes(s, request_.data(), request_.size()),
            static_cast<std::ptrdiff_t>(request_.size()));
  EXPECT_EQ(lastError().code, kSockOk);
  std::string received;
  EXPECT_EQ(receiveAll(s, 5, received), 0);
  EXPECT_EQ(lastError().code, kSockOk);
  EXPECT_EQ(received, options.reply);
  EXPECT_EQ(closeSocket(s), 0);
  const tools::ReplayOutcome& outcome = peer.outcome();
  EXPECT_EQ(outcome.request, request_);
  EXPECT_TRUE(outcome.requestComplete);
  EXPECT_EQ(outcome.failure, "");
}

TEST_F(Sockets, PacedSingleBytesArriveInOrder) {
  ReplayOptions options;
  options.reply = test::patternBytes(120);
  options.pieceSize = 1;
  options.paceMs = 1;
  PeerThread peer(options);
  const SocketHandle s = connectTo(peer.port());
  sendBytes(s, request_.data(), request_.size());
  std::string received;
  EXPECT_EQ(receiveAll(s, 1024, received), 0);
  EXPECT_EQ(received, options.reply);
  closeSocket(s);
}

TEST_F(Sockets, ReceiveAfterThePeerClosedGivesZeroEachTime) {
  ReplayOptions options;
  options.mode = ReplayMode::CloseAtOnce;
  PeerThread peer(options);
  const SocketHandle s = connectTo(peer.port());
  char buffer[16] = "unchanged";
  EXPECT_EQ(receiveBytes(s, buffer, sizeof buffer), 0);
  EXPECT_EQ(receiveBytes(s, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "unchanged");
  EXPECT_EQ(shutdownSocket(s, kShutdownBoth), 0);
  EXPECT_EQ(closeSocket(s), 0);
  EXPECT_TRUE(peer.outcome().accepted);
}

TEST_F(Sockets, AResetMidReplyEndsWithTheResetCodeAfterTheBytesBeforeIt) {
  ReplayOptions options;
  options.reply = test::patternBytes(2000);
  options.pieceSize = 100;
  options.paceMs = 5;
  options.mode = ReplayMode::ResetMidReply;
  options.resetAfter = 700;
  PeerThread peer(options);
  const SocketHandle s = connectTo(peer.port());
  sendBytes(s, request_.data(), request_.size());
  std::string received;
  EXPECT_EQ(receiveAll(s, 64, received), -1);
  EXPECT_EQ(lastError().code, kSockConnReset);
  EXPECT_EQ(lastError().osError, kConnResetOs);
  EXPECT_EQ(received, options.reply.substr(0, 700));
  closeSocket(s);
  EXPECT_EQ(peer.outcome().bytesSent, 700u);
}

TEST_F(Sockets, APeerThatNeverAnswersClosesAfterItsHold) {
  ReplayOptions options;
  options.reply = "never sent";
  options.mode = ReplayMode::NeverAnswer;
  options.holdMs = 200;
  PeerThread peer(options);
  const SocketHandle s = connectTo(peer.port());
  sendBytes(s, request_.data(), request_.size());
  std::string received;
  EXPECT_EQ(receiveAll(s, 64, received), 0);
  EXPECT_EQ(received, "");
  closeSocket(s);
  EXPECT_EQ(peer.outcome().request, request_);
  EXPECT_EQ(peer.outcome().bytesSent, 0u);
}

}  // namespace
}  // namespace kestrel::net
