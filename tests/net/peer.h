// A replay peer serving one connection from a thread of the test, for the socket tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "tools/replay/replay_peer.h"

namespace kestrel::net::test {

class PeerThread {
 public:
  explicit PeerThread(tools::ReplayOptions options)
      : peer_(std::move(options)), thread_([this] { outcome_ = peer_.serve(); }) {}
  ~PeerThread() {
    if (thread_.joinable()) thread_.join();
  }
  std::uint16_t port() const { return peer_.port(); }
  // Waits for the peer to finish (it always does, within its lifetime).
  const tools::ReplayOutcome& outcome() {
    if (thread_.joinable()) thread_.join();
    return outcome_;
  }

 private:
  tools::ReplayPeer peer_;
  tools::ReplayOutcome outcome_;
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens: one that was just free.
inline std::uint16_t unusedPort() {
  tools::ReplayOptions options;
  options.lifetimeMs = 1;
  return tools::ReplayPeer(options).port();
}

// Bytes of every value, zero and those above 0x7F included.
inline std::string patternBytes(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

}  // namespace kestrel::net::test
