// The replay peer on the OS's sockets: Windows Sockets 2.2 in the Windows build, POSIX sockets
// elsewhere. The few calls that differ are wrapped at the top of this file.
#include "tools/replay/replay_peer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace kestrel::tools {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

#ifdef _WIN32
using Native = SOCKET;
const Native kInvalid = INVALID_SOCKET;
int lastSocketError() {
  return WSAGetLastError();
}
void closeNative(Native s) {
  closesocket(s);
}
bool interrupted() {
  return WSAGetLastError() == WSAEINTR;
}
constexpr int kShutSend = SD_SEND;
using OptionValue = const char*;
constexpr int kSendFlags = 0;
#else
using Native = int;
constexpr Native kInvalid = -1;
int lastSocketError() {
  return errno;
}
void closeNative(Native s) {
  ::close(s);
}
bool interrupted() {
  return errno == EINTR;
}
constexpr int kShutSend = SHUT_WR;
using OptionValue = const void*;
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;  // a client that went away is an error, not a signal
#else
constexpr int kSendFlags = 0;
#endif
#endif

Native native(std::intptr_t handle) {
  return static_cast<Native>(handle);
}

Clock::time_point earlier(Clock::time_point a, Clock::time_point b) {
  return std::min(a, b);
}

// Waits until the socket is readable (or writable) or the deadline passes.
bool waitFor(Native s, bool forWriting, Clock::time_point deadline) {
  for (;;) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return false;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    timeval timeout{};
    timeout.tv_sec = static_cast<long>(us / 1000000);
    timeout.tv_usec = static_cast<long>(us % 1000000);
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    const int ready = ::select(static_cast<int>(s) + 1, forWriting ? nullptr : &set,
                               forWriting ? &set : nullptr, nullptr, &timeout);
    if (ready > 0) return true;
    if (ready < 0 && !interrupted()) return false;
  }
}

// Reads and drops what arrives until the client closes its side, an error, or the deadline;
// true when the client closed its side in order.
bool drain(Native s, Clock::time_point deadline) {
  char buffer[4096];
  while (waitFor(s, false, deadline)) {
    const auto n = ::recv(s, buffer, sizeof buffer, 0);
    if (n == 0) return true;
    if (n < 0 && !interrupted()) return false;
  }
  return false;
}

// Sends all of `bytes`, waiting for room as needed; false when the client went away or the
// deadline passed first.
bool sendAll(Native s, const char* bytes, std::size_t length, Clock::time_point deadline,
             std::size_t& sent, std::string& failure) {
  std::size_t done = 0;
  while (done < length) {
    if (!waitFor(s, true, deadline)) {
      failure = "the lifetime ended while sending";
      return false;
    }
    const int chunk = static_cast<int>(std::min<std::size_t>(length - done, 1 << 20));
    const auto n = ::send(s, bytes + done, chunk, kSendFlags);
    if (n < 0) {
      if (interrupted()) continue;
      failure = "send failed with OS error " + std::to_string(lastSocketError());
      return false;
    }
    done += static_cast<std::size_t>(n);
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool sendPieces(Native s, const ReplayOptions& options, std::size_t length,
                Clock::time_point deadline, ReplayOutcome& outcome) {
  const std::size_t piece =
      options.pieceSize == 0 ? std::max<std::size_t>(length, 1) : options.pieceSize;
  for (std::size_t at = 0; at < length; at += piece) {
    const std::size_t n = std::min(piece, length - at);
    if (!sendAll(s, options.reply.data() + at, n, deadline, outcome.bytesSent, outcome.failure)) {
      return false;
    }
    if (options.paceMs > 0) {
      std::this_thread::sleep_until(earlier(Clock::now() + milliseconds(options.paceMs), deadline));
    }
  }
  return true;
}

void readRequest(Native s, Clock::time_point deadline, ReplayOutcome& outcome) {
  constexpr std::size_t kLimit = 1 << 20;
  char buffer[4096];
  while (outcome.request.size() < kLimit && waitFor(s, false, deadline)) {
    const auto n = ::recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    outcome.request.append(buffer, static_cast<std::size_t>(n));
    if (outcome.request.find("\r\n\r\n") != std::string::npos) {
      outcome.requestComplete = true;
      return;
    }
  }
}

void resetConnection(Native s) {
  linger hard{};
  hard.l_onoff = 1;
  hard.l_linger = 0;
  ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<OptionValue>(&hard), sizeof hard);
  closeNative(s);
}

}  // namespace

ReplayPeer::ReplayPeer(ReplayOptions options)
    : options_(std::move(options)),
      listener_(static_cast<std::intptr_t>(kInvalid)),
      end_(Clock::now() + milliseconds(options_.lifetimeMs)) {
#ifdef _WIN32
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  started_ = true;
#endif
  const Native s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s == kInvalid) {
    throw std::runtime_error("socket failed with OS error " + std::to_string(lastSocketError()));
  }
  listener_ = static_cast<std::intptr_t>(s);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(options_.port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(s, 4) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    const int error = lastSocketError();
    closeNative(s);
    listener_ = static_cast<std::intptr_t>(kInvalid);
#ifdef _WIN32
    WSACleanup();
#endif
    throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options_.port) +
                             ", OS error " + std::to_string(error));
  }
  port_ = ntohs(address.sin_port);
}

ReplayPeer::~ReplayPeer() {
  if (native(listener_) != kInvalid) closeNative(native(listener_));
#ifdef _WIN32
  if (started_) WSACleanup();
#endif
}

ReplayOutcome ReplayPeer::serve() {
  ReplayOutcome outcome;
  const Native listener = native(listener_);
  if (!waitFor(listener, false, end_)) {
    outcome.failure = "no client came within the lifetime";
    return outcome;
  }
  const Native client = ::accept(listener, nullptr, nullptr);
  if (client == kInvalid) {
    outcome.failure = "accept failed with OS error " + std::to_string(lastSocketError());
    return outcome;
  }
  outcome.accepted = true;
  // Each piece leaves as it is sent, so a client sees the pieces the options ask for.
  const int noDelay = 1;
  ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<OptionValue>(&noDelay),
               sizeof noDelay);
  const auto after = [&](int ms) { return earlier(Clock::now() + milliseconds(ms), end_); };

  if (options_.mode == ReplayMode::CloseAtOnce) {
    // An orderly end (FIN), not a reset: the request the client may send is read and dropped.
    ::shutdown(client, kShutSend);
    outcome.clientClosed = drain(client, after(options_.lingerMs));
    closeNative(client);
    return outcome;
  }

  readRequest(client, after(options_.requestTimeoutMs), outcome);
  if (!options_.recordPath.empty()) {
    std::ofstream record(options_.recordPath, std::ios::binary | std::ios::trunc);
    record.write(outcome.request.data(), static_cast<std::streamsize>(outcome.request.size()));
    if (!record) outcome.failure = "cannot write " + options_.recordPath;
  }

  switch (options_.mode) {
    case ReplayMode::NeverAnswer:
      if (drain(client, after(options_.holdMs))) {
        outcome.clientClosed = true;
        closeNative(client);
        return outcome;
      }
      break;
    case ReplayMode::ResetMidReply: {
      const std::size_t part = std::min(options_.resetAfter, options_.reply.size());
      sendPieces(client, options_, part, end_, outcome);
      resetConnection(client);
      return outcome;
    }
    default:
      sendPieces(client, options_, options_.reply.size(), end_, outcome);
      break;
  }
  // Closing with unread bytes from the client would reset the connection; end our side first
  // and read until the client has closed its own.
  ::shutdown(client, kShutSend);
  outcome.clientClosed = drain(client, after(options_.lingerMs));
  closeNative(client);
  return outcome;
}

}  // namespace kestrel::tools
