// A replay peer: listens on 127.0.0.1, takes one connection, reads one request and answers it
// with given bytes in pieces of a given size and pace, then closes. Every wait is bounded, and
// the whole run ends by itself within the lifetime.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel::tools {

enum class ReplayMode {
  Answer,         // read the request, send the reply, close in order
  CloseAtOnce,    // accept, then end the connection in order without reading or answering
  ResetMidReply,  // read the request, send the first resetAfter bytes, then reset the connection
  NeverAnswer,    // read the request, then stay silent for holdMs before closing
};

struct ReplayOptions {
  std::uint16_t port = 0;  // 0: any free port (see ReplayPeer::port)
  std::string reply;
  std::size_t pieceSize = 0;  // 0: the whole reply in one piece
  int paceMs = 0;             // pause after each piece
  ReplayMode mode = ReplayMode::Answer;
  std::size_t resetAfter = 0;
  int requestTimeoutMs = 5000;  // the longest wait for the empty line that ends the request
  int holdMs = 2000;
  int lingerMs = 2000;  // after answering, the longest wait for the client to close its side
  int lifetimeMs = 30000;
  std::string recordPath;  // when set, the request bytes are written to this file
};

struct ReplayOutcome {
  bool accepted = false;
  std::string request;
  bool requestComplete = false;  // the request ended with CR LF CR LF
  std::size_t bytesSent = 0;
  bool clientClosed = false;  // the client ended the connection in order before the peer did
  std::string failure;        // empty when the run went as the options asked
};

class ReplayPeer {
 public:
  // Binds and listens at once, so a client may connect before serve() is called. Throws
  // std::runtime_error when the port cannot be taken.
  explicit ReplayPeer(ReplayOptions options);
  ~ReplayPeer();
  ReplayPeer(const ReplayPeer&) = delete;
  ReplayPeer& operator=(const ReplayPeer&) = delete;

  std::uint16_t port() const { return port_; }

  // Serves one connection and returns what happened; ends at the latest when the lifetime,
  // counted from construction, is over.
  ReplayOutcome serve();

 private:
  ReplayOptions options_;
  std::intptr_t listener_;
  std::uint16_t port_ = 0;
  bool started_ = false;
  std::chrono::steady_clock::time_point end_;
};

}  // namespace kestrel::tools
