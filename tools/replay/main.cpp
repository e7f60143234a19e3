// replay: a one-connection peer on 127.0.0.1 that answers a request with the bytes of a file.
//
//   replay [--port N] [--port-file PATH] [--reply PATH] [--piece N] [--pace MS] [--record PATH]
//          [--close-at-once | --never-answer | --reset-after N]
//          [--request-timeout MS] [--hold MS] [--linger MS] [--lifetime MS]
//
// It prints "port N" once it listens (and writes N to the port file), serves one connection and
// ends. Exit codes: 0 a client was served, 3 no client came within the lifetime, 2 wrong
// arguments or unreadable reply file, 1 any other failure.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "tools/replay/child_process.h"
#include "tools/replay/replay_peer.h"

namespace {

constexpr int kExitServed = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoClient = 3;

int usage(const std::string& problem) {
  std::cerr << "replay: " << problem << "\n"
            << "usage: replay [--port N] [--port-file PATH] [--reply PATH] [--piece N] "
               "[--pace MS] [--record PATH] [--close-at-once | --never-answer | --reset-after N] "
               "[--request-timeout MS] [--hold MS] [--linger MS] [--lifetime MS]\n";
  return kExitUsage;
}

bool parseNumber(const char* text, long long low, long long high, long long& value) {
  char* end = nullptr;
  value = std::strtoll(text, &end, 10);
  return end != text && *end == '\0' && value >= low && value <= high;
}

}  // namespace

int main(int argc, char** argv) {
  using kestrel::tools::ReplayMode;
  kestrel::tools::ReplayOptions options;
  std::string replyPath, portFile;
  constexpr long long kMaxMs = 24LL * 3600 * 1000;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--close-at-once") {
      options.mode = ReplayMode::CloseAtOnce;
      continue;
    }
    if (name == "--never-answer") {
      options.mode = ReplayMode::NeverAnswer;
      continue;
    }
    if (i + 1 >= argc) return usage("missing value after " + std::string(name));
    const char* value = argv[++i];
    long long number = 0;
    const auto numberIn = [&](long long low, long long high) {
      return parseNumber(value, low, high, number);
    };
    if (name == "--port" && numberIn(0, 65535)) {
      options.port = static_cast<std::uint16_t>(number);
    } else if (name == "--port-file") {
      portFile = value;
    } else if (name == "--reply") {
      replyPath = value;
    } else if (name == "--record") {
      options.recordPath = value;
    } else if (name == "--piece" && numberIn(0, 1LL << 30)) {
      options.pieceSize = static_cast<std::size_t>(number);
    } else if (name == "--pace" && numberIn(0, kMaxMs)) {
      options.paceMs = static_cast<int>(number);
    } else if (name == "--reset-after" && numberIn(0, 1LL << 40)) {
      options.mode = ReplayMode::ResetMidReply;
      options.resetAfter = static_cast<std::size_t>(number);
    } else if (name == "--request-timeout" && numberIn(0, kMaxMs)) {
      options.requestTimeoutMs = static_cast<int>(number);
    } else if (name == "--hold" && numberIn(0, kMaxMs)) {
      options.holdMs = static_cast<int>(number);
    } else if (name == "--linger" && numberIn(0, kMaxMs)) {
      options.lingerMs = static_cast<int>(number);
    } else if (name == "--lifetime" && numberIn(1, kMaxMs)) {
      options.lifetimeMs = static_cast<int>(number);
    } else {
      return usage("bad option " + std::string(name) + " " + value);
    }
  }
  if (!replyPath.empty()) {
    std::ifstream file(replyPath, std::ios::binary);
    if (!file) return usage("cannot read " + replyPath);
    options.reply.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  try {
    kestrel::tools::ReplayPeer peer(options);
    std::cout << "port " << peer.port() << std::endl;
    if (!portFile.empty() &&
        !kestrel::tools::writeFileAtomically(portFile, std::to_string(peer.port()) + "\n")) {
      std::cerr << "replay: cannot write " << portFile << "\n";
      return kExitFailure;
    }
    const kestrel::tools::ReplayOutcome outcome = peer.serve();
    if (!outcome.failure.empty()) std::cerr << "replay: " << outcome.failure << "\n";
    if (!outcome.accepted) return kExitNoClient;
    std::cerr << "replay: request of " << outcome.request.size() << " bytes, sent "
              << outcome.bytesSent << " bytes\n";
    return outcome.failure.empty() ? kExitServed : kExitFailure;
  } catch (const std::exception& error) {
    std::cerr << "replay: " << error.what() << "\n";
    return kExitFailure;
  }
}
