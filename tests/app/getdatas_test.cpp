#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "app/getdatas.h"
#include "net/inet.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/functions.h"
#include "tools/replay/replay_peer.h"

namespace kestrel::app {
namespace {

using lanmere::Args;
using lanmere::Value;
using tools::ReplayMode;
using tools::ReplayOptions;
using tools::ReplayOutcome;
using tools::ReplayPeer;

const std::string kExpectedRequest =
    "GET /adds/metars/index.php?submit=1&station_ids=LEAL&chk_metars=on&chk_tafs=on&hoursStr=3 "
    "HTTP/1.1\r\n"
    "Host: 127.0.0.1\r\n"
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/535.7 (KHTML, like Gecko) "
    "Chrome/16.0.912.77 Safari/535.7\r\n"
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
    "Accept-Language: en-us,en;q=0.5\r\n"
    "Accept-Encoding: deflate\r\n"
    "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"
    "Connection: Close\r\n"
    "\r\n";

void setEnv(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

// Counts the socket calls the download makes; registered before the socket module, so the
// names resolve here first.
int receives = 0, sends = 0, cleanups = 0;
Value countRecv(Args a) {
  return ++receives, net::HB_INETRECV(a);
}
Value countSend(Args a) {
  return ++sends, net::HB_INETSEND(a);
}
Value countCleanup() {
  return ++cleanups, net::HB_INETCLEANUP();
}

class Download : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    using namespace lanmere;
    static const ModuleTable counters{
        "tests/app/getdatas_test.cpp",
        {lanmere::fn<&countRecv>("HB_INETRECV"), lanmere::fn<&countSend>("HB_INETSEND"),
         lanmere::fn<&countCleanup>("HB_INETCLEANUP")}};
    registerModule(counters);
    registerModule(net::inetModule());
    for (const ModuleTable* module : builtinModules()) registerModule(*module);
  }
  void SetUp() override { receives = sends = cleanups = 0; }

  // Runs GETDATAS against a peer on 127.0.0.1 and returns the download and what the peer saw.
  Value fetch(ReplayOptions options, ReplayOutcome* outcome = nullptr) {
    ReplayPeer peer(std::move(options));
    setEnv("WEATHER_HOST", "127.0.0.1");
    setEnv("WEATHER_PORT", std::to_string(peer.port()));
    ReplayOutcome seen;
    std::thread server([&] { seen = peer.serve(); });
    Value result = GETDATAS();
    server.join();
    if (outcome) *outcome = seen;
    return result;
  }
};

TEST_F(Download, SendsTheRequestByteForByte) {
  ReplayOutcome outcome;
  const Value reply = fetch({.reply = "HTTP/1.1 200 OK\r\n\r\nbody"}, &outcome);
  EXPECT_EQ(outcome.request, kExpectedRequest);
  EXPECT_EQ(reply.text(), "HTTP/1.1 200 OK\r\n\r\nbody");
  EXPECT_EQ(sends, 1);
  EXPECT_EQ(cleanups, 1);
}

TEST_F(Download, APeerThatClosesAtOnceGivesTheEmptyText) {
  const Value reply = fetch({.mode = ReplayMode::CloseAtOnce});
  ASSERT_TRUE(reply.isText());
  EXPECT_EQ(reply.text(), "");
}

TEST_F(Download, A1024ByteReplyInOnePieceTakesTwoReceives) {
  std::string body(1024, 'x');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
  const Value reply = fetch({.reply = body});
  EXPECT_EQ(reply.string(), body);
  EXPECT_EQ(receives, 2);
}

TEST_F(Download, SmallPiecesArriveWholeWithNoFilling) {
  std::string body;
  for (int i = 0; i < 300; ++i) body += static_cast<char>('A' + i % 26);
  for (std::size_t piece : {1u, 3u, 7u}) {
    const Value reply = fetch({.reply = body, .pieceSize = piece, .paceMs = 1});
    EXPECT_EQ(reply.string(), body) << "pieces of " << piece;
  }
}

TEST_F(Download, ZeroBytesAndHighBytesSurvive) {
  const std::string body("a\0b\x80\xff\r\n\0", 8);
  EXPECT_EQ(fetch({.reply = body}).string(), body);
}

TEST_F(Download, AResetMidReplyGivesTheBytesBeforeIt) {
  const std::string body(5000, 'r');
  const Value reply = fetch({.reply = body, .mode = ReplayMode::ResetMidReply, .resetAfter = 1500});
  EXPECT_EQ(reply.string(), std::string(1500, 'r'));
}

TEST_F(Download, AnUnreachablePeerGivesNilWithoutSendingOrCleaningUp) {
  std::uint16_t freePort;
  {
    ReplayPeer probe({});
    freePort = probe.port();
  }  // nothing listens there any more
  setEnv("WEATHER_HOST", "127.0.0.1");
  setEnv("WEATHER_PORT", std::to_string(freePort));
  EXPECT_TRUE(GETDATAS().isNil());
  EXPECT_EQ(sends, 0);
  EXPECT_EQ(cleanups, 0);
}

TEST(DownloadSettings, HostAndPortFromTheEnvironmentOrTheService) {
  setEnv("WEATHER_HOST", "");
  setEnv("WEATHER_PORT", "");
  EXPECT_EQ(weatherHost(), "aviationweather.gov");
  EXPECT_EQ(weatherPort(), 80);
  setEnv("WEATHER_HOST", "10.1.2.3");
  setEnv("WEATHER_PORT", "8080");
  EXPECT_EQ(weatherHost(), "10.1.2.3");
  EXPECT_EQ(weatherPort(), 8080);
}

}  // namespace
}  // namespace kestrel::app
