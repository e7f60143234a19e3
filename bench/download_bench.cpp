// The weather download against a plain receive loop: both fetch the same reply from a replay
// peer on 127.0.0.1 with a 1024-byte buffer. Prints the time ratio (goal: at most 1.3), the
// run-time's peak memory over the reply size (goal: at most 3), and the time per MiB at 1, 16
// and 64 MiB (it must not grow with the size).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/getdatas.h"
#include "net/inet.h"
#include "runtime/builtins.h"
#include "runtime/functions.h"
#include "tools/replay/replay_peer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kMiB = 1024 * 1024;
constexpr int kRounds = 3;

std::string plainFetch(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    send(fd, request.data(), request.size(), 0);
    char buffer[1024];
    ssize_t n;
    while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0)
      reply.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return reply;
}

// Seconds for one download of `size` bytes, by the download or by the plain loop.
double timeOne(std::size_t size, bool viaDownload, std::size_t* peakBytes) {
  kestrel::tools::ReplayPeer peer({.reply = std::string(size, 'w'), .lifetimeMs = 120000});
  std::thread server([&] { peer.serve(); });
  lanmere::resetMemoryPeak();
  const std::size_t before = lanmere::memoryCounters().inUse;
  const auto start = Clock::now();
  std::size_t got;
  if (viaDownload) {
    setenv("WEATHER_PORT", std::to_string(peer.port()).c_str(), 1);
    const lanmere::Value reply = kestrel::app::GETDATAS();
    got = reply.length();
    if (peakBytes) *peakBytes = lanmere::memoryCounters().highest - before;
  } else {
    got = plainFetch(peer.port()).size();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  server.join();
  if (got != size) {
    std::fprintf(stderr, "short download: %zu of %zu bytes\n", got, size);
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main() {
  using namespace lanmere;
  registerModule(kestrel::net::inetModule());
  for (const ModuleTable* module : builtinModules()) registerModule(*module);
  setenv("WEATHER_HOST", "127.0.0.1", 1);

  std::printf("%8s %14s %14s %8s %12s %12s\n", "size", "download s", "plain s", "ratio", "ms/MiB",
              "peak/size");
  for (std::size_t mib : {1u, 16u, 64u}) {
    double best[2] = {1e9, 1e9};
    std::size_t peak = 0;
    for (int round = 0; round < kRounds; ++round) {
      std::size_t roundPeak = 0;
      best[0] = std::min(best[0], timeOne(mib * kMiB, true, &roundPeak));
      best[1] = std::min(best[1], timeOne(mib * kMiB, false, nullptr));
      peak = std::max(peak, roundPeak);
    }
    std::printf("%6zuMiB %14.4f %14.4f %8.2f %12.2f %12.2f\n", mib, best[0], best[1],
                best[0] / best[1], best[0] * 1000 / static_cast<double>(mib),
                static_cast<double>(peak) / static_cast<double>(mib * kMiB));
  }
  return 0;
}
