#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "app/getdatas.h"
#include "net/inet.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"
#include "runtime/memvars.h"
#include "tests/support/modules.h"
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
// names resolve here first. Each receive also checks that it is handed a fresh buffer of 1024
// spaces, and sends can be made to fail.
int receives = 0, sends = 0, closes = 0, cleanups = 0, usedBuffers = 0;
bool failSends = false;
Value countRecv(Args a) {
  if (a.size() < 2 || a[1].text() != std::string(1024, ' ')) ++usedBuffers;
  return ++receives, net::HB_INETRECV(a);
}
Value countSend(Args a) {
  ++sends;
  return failSends ? Value(-1) : net::HB_INETSEND(a);
}
Value countClose(Args a) {
  return ++closes, net::HB_INETCLOSE(a);
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
         lanmere::fn<&countClose>("HB_INETCLOSE"), lanmere::fn<&countCleanup>("HB_INETCLEANUP"),
         lanmere::fn<&GETDATAS>("GETDATAS")}};
    registerModule(counters);
    registerModule(net::inetModule());
    test::registerModules({builtinModules()});
  }
  void SetUp() override {
    receives = sends = closes = cleanups = usedBuffers = 0;
    failSends = false;
  }
  void TearDown() override {
    failSends = false;
    lanmere::clearDynamics();
  }

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

TEST_F(Download, SmallPiecesArriveWholeIntoAFreshBufferEachTime) {
  std::string body;
  for (int i = 0; i < 300; ++i) body += static_cast<char>('A' + i % 26);
  for (std::size_t piece : {1u, 3u, 7u}) {
    receives = usedBuffers = 0;
    const Value reply = fetch({.reply = body, .pieceSize = piece, .paceMs = 1});
    EXPECT_EQ(reply.string(), body) << "pieces of " << piece;
    EXPECT_GT(receives, 2);
    EXPECT_EQ(usedBuffers, 0) << "every receive starts from 1024 spaces";
  }
}

TEST_F(Download, AFailedSendSkipsTheLoopClosesAndGivesTheEmptyText) {
  failSends = true;
  const Value reply = fetch({.mode = ReplayMode::CloseAtOnce});
  ASSERT_TRUE(reply.isText());
  EXPECT_EQ(reply.text(), "");
  EXPECT_EQ(sends, 1);
  EXPECT_EQ(receives, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(cleanups, 1);
}

// The request line and the path pass through text-macro expansion: a dynamic variable named
// like a query word replaces its reference (and one following dot).
TEST_F(Download, TheRequestLineExpandsDynamicVariables) {
  lanmere::publicVariable("CHK_TAFS") = "T";
  lanmere::publicVariable("hoursStr") = "H&chk_tafs";
  ReplayOutcome outcome;
  fetch({.reply = "x"}, &outcome);
  EXPECT_EQ(outcome.request.substr(0, outcome.request.find("\r\n")),
            "GET /adds/metars/index.php?submit=1&station_ids=LEAL&chk_metars=onT=onHT=3 "
            "HTTP/1.1");
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
  EXPECT_TRUE(lanmere::exactlyEqual(weatherPort(), Value(80)));
  setEnv("WEATHER_HOST", "10.1.2.3");
  setEnv("WEATHER_PORT", "8080");
  EXPECT_EQ(weatherHost(), "10.1.2.3");
  EXPECT_TRUE(lanmere::exactlyEqual(weatherPort(), Value(8080)));
}

// A port override reaches HB_INETCONNECT as the value it is; anything but a port from 1 to
// 65535 is its argument error, raised to the handler, and no connection is tried.
TEST_F(Download, ABadPortOverrideIsTheConnectArgumentError) {
  struct Case {
    const char* text;
    Value port;
  };
  const Case cases[] = {{"abc", "abc"},     {"0", 0},
                        {"65536", 65536},   {"-1", -1},
                        {" 8080", " 8080"}, {"8080x", "8080x"},
                        {"+80", "+80"},     {"99999999999999999999", "99999999999999999999"}};
  setEnv("WEATHER_HOST", "127.0.0.1");
  lanmere::publicVariable("station_ids") = "S";
  for (const Case& c : cases) {
    setEnv("WEATHER_PORT", c.text);
    EXPECT_TRUE(lanmere::exactlyEqual(weatherPort(), c.port)) << c.text;
    EXPECT_EQ(weatherPort().type(), c.port.type()) << c.text;
    Value seen;
    std::vector<std::pair<std::string, Value>> locals;  // GETDATAS's, as the report shows them
    const Value previous = lanmere::errorBlock(lanmere::block([&](Args a) -> Value {
      seen = a[0];
      for (std::size_t level = 0; const lanmere::Frame* frame = lanmere::frameAt(level); ++level) {
        if (frame->procedure() != "GETDATAS") continue;
        for (const lanmere::Local& local : frame->locals()) {
          locals.emplace_back(local.name, *local.value);
        }
      }
      lanmere::doBreak();
    }));
    bool returned = false;
    lanmere::beginSequence([&] {
      lanmere::callFunction("GETDATAS");
      returned = true;
    });
    lanmere::restoreErrorBlock(previous);
    EXPECT_FALSE(returned) << c.text;
    auto* record = static_cast<lanmere::ErrorRecord*>(seen.object());
    ASSERT_NE(record, nullptr) << c.text;
    EXPECT_EQ(record->genCode.integer(), 1);
    EXPECT_EQ(record->subCode.integer(), net::kInetArgumentError);
    EXPECT_EQ(record->operation.text(), "HB_INETCONNECT");
    ASSERT_EQ(record->args.length(), 2u);
    EXPECT_TRUE(lanmere::exactlyEqual(record->args.item(2), c.port)) << c.text;
    EXPECT_EQ(sends, 0);
    // The host, the port and the path (after macro expansion) under names that say so.
    ASSERT_GE(locals.size(), 4u);
    EXPECT_EQ(locals[1].first, "cHost");
    EXPECT_EQ(locals[1].second.text(), "127.0.0.1");
    EXPECT_EQ(locals[2].first, "uPort");
    EXPECT_TRUE(lanmere::exactlyEqual(locals[2].second, c.port));
    EXPECT_EQ(locals[3].first, "cUrl");
    EXPECT_EQ(locals[3].second.text(),
              "/adds/metars/index.php?submit=1S=LEAL&chk_metars=on&chk_tafs=on&hoursStr=3");
  }
}

}  // namespace
}  // namespace kestrel::app
