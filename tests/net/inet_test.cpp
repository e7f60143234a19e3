#include "net/inet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/connection.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "tests/net/peer.h"

#ifdef _WIN32
#include <winsock2.h>
using socklen_t = int;
using NativeSocket = SOCKET;
#else
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
using NativeSocket = int;

#include <atomic>
#include <chrono>
#include <thread>
#endif

namespace kestrel::net {
namespace {

using lanmere::Args;
using lanmere::ErrorRecord;
using lanmere::Value;
using test::PeerThread;
using tools::ReplayMode;
using tools::ReplayOptions;

const std::string kRequest = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

Value call(std::string_view name, std::initializer_list<Value> args = {}) {
  return lanmere::callFunction(name, args);
}
int errorCode(const Value& connection) {
  return static_cast<int>(call("HB_INETERRORCODE", {connection}).integer());
}
// HB_INETRECV with `buffer` passed by reference, as a caller passes its variable.
Value receive(const Value& connection, Value& buffer) {
  Value args[] = {connection, std::move(buffer)};
  Value result = lanmere::callFunction("HB_INETRECV", Args(args));
  buffer = std::move(args[1]);
  return result;
}

class Inet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      lanmere::registerModule(inetModule());
      return true;
    }();
    (void)registered;
  }
  void SetUp() override { ASSERT_TRUE(call("HB_INETINIT").logical()); }
  void TearDown() override { call("HB_INETCLEANUP"); }

  Value connect(std::uint16_t port) {
    Value connection = call("HB_INETCONNECT", {"127.0.0.1", static_cast<int>(port)});
    EXPECT_EQ(errorCode(connection), 0);
    return connection;
  }
};

TEST_F(Inet, AConnectionSwitchesKeepAliveOn) {
  ReplayOptions options;
  options.mode = ReplayMode::CloseAtOnce;
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  int on = 0;
  socklen_t size = sizeof on;
  ASSERT_EQ(getsockopt(static_cast<NativeSocket>(connectionOf(connection)->socket), SOL_SOCKET,
                       SO_KEEPALIVE, reinterpret_cast<char*>(&on), &size),
            0);
  EXPECT_NE(on, 0);
}

TEST_F(Inet, ReceiveAfterThePeerClosedGivesZeroAndLeavesTheText) {
  ReplayOptions options;
  options.mode = ReplayMode::CloseAtOnce;
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  Value buffer = std::string(1024, 'x');
  EXPECT_EQ(receive(connection, buffer).integer(), 0);
  EXPECT_EQ(errorCode(connection), kConnClosed);
  EXPECT_EQ(buffer.text(), std::string(1024, 'x'));
}

TEST_F(Inet, TenBytesLandOverTheStartOfAPrivateCopyOfTheText) {
  ReplayOptions options;
  options.reply = std::string("\0\x01\x7F\x80\xFFHello", 10);
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  EXPECT_EQ(call("HB_INETSEND", {connection, kRequest}).integer(),
            static_cast<long long>(kRequest.size()));
  Value buffer = std::string(1024, ' ');
  const Value sharedHolder = buffer;  // another variable holding the same text
  EXPECT_EQ(receive(connection, buffer).integer(), 10);
  EXPECT_EQ(errorCode(connection), 0);
  EXPECT_EQ(connectionOf(connection)->count, 10);
  ASSERT_EQ(buffer.length(), 1024u);
  EXPECT_EQ(buffer.text().substr(0, 10), options.reply);
  EXPECT_EQ(buffer.text().substr(10), std::string(1014, ' '));
  EXPECT_EQ(sharedHolder.text(), std::string(1024, ' '));
  EXPECT_EQ(call("HB_INETCLOSE", {connection}).integer(), 0);
  EXPECT_EQ(peer.outcome().request, kRequest);
}

TEST_F(Inet, ManySmallPiecesArriveInOrder) {
  ReplayOptions options;
  options.reply = test::patternBytes(5000);
  options.pieceSize = 3;
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  call("HB_INETSEND", {connection, kRequest});
  std::string reply;
  long long last = 0;
  for (int calls = 0; calls < 10000; ++calls) {
    Value buffer = std::string(1024, ' ');
    last = receive(connection, buffer).integer();
    if (last <= 0) break;
    reply.append(buffer.text().substr(0, static_cast<std::size_t>(last)));
  }
  EXPECT_EQ(last, 0);
  EXPECT_EQ(errorCode(connection), kConnClosed);
  EXPECT_EQ(reply, options.reply);
}

TEST_F(Inet, AfterCloseSendAndReceiveFailWithoutASocketAndCloseKeepsTheCode) {
  ReplayOptions options;
  options.mode = ReplayMode::CloseAtOnce;
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  Value buffer = "abc";
  EXPECT_EQ(receive(connection, buffer).integer(), 0);
  EXPECT_EQ(call("HB_INETCLOSE", {connection}).integer(), 0);
  EXPECT_EQ(errorCode(connection), kConnClosed);  // close leaves the code as it was

  EXPECT_EQ(call("HB_INETSEND", {connection, "data"}).integer(), -1);
  EXPECT_EQ(errorCode(connection), kConnNoSocket);
  call("HB_INETERRORCODE", {connection});
  connectionOf(connection)->errorCode = 0;
  EXPECT_EQ(receive(connection, buffer).integer(), -1);
  EXPECT_EQ(errorCode(connection), kConnNoSocket);
  EXPECT_EQ(buffer.text(), "abc");
  EXPECT_EQ(call("HB_INETCLOSE", {connection}).integer(), -1);
  EXPECT_EQ(errorCode(connection), kConnNoSocket);
}

TEST_F(Inet, CopiesReferToOneConnectionAndTheLastReleaseClosesIt) {
  ReplayOptions options;
  options.reply = "hello";
  options.lingerMs = 10000;
  PeerThread peer(options);
  {
    Value connection = connect(peer.port());
    const Value copy = connection;
    EXPECT_EQ(call("HB_INETSEND", {copy, kRequest}).integer(),
              static_cast<long long>(kRequest.size()));
    Value buffer = std::string(16, ' ');
    EXPECT_EQ(receive(connection, buffer).integer(), 5);
    EXPECT_EQ(connectionOf(copy)->count, 5);
    connection = Value();  // one holder lets go; the copy still holds the open connection
    EXPECT_NE(connectionOf(copy)->socket, kNoSocket);
  }
  // The last holder let go: the peer sees the connection end in order.
  EXPECT_TRUE(peer.outcome().clientClosed);

  const Value first = call("HB_INETCONNECT", {"127.0.0.1", static_cast<int>(test::unusedPort())});
  const Value second = first;
  EXPECT_EQ(call("HB_INETCLOSE", {second}).integer(), 0);
  EXPECT_EQ(call("HB_INETSEND", {first, "x"}).integer(), -1);
  EXPECT_EQ(errorCode(second), kConnNoSocket);
}

TEST_F(Inet, ARefusedConnectionKeepsItsSocketUntilClosed) {
  const std::uint16_t port = test::unusedPort();
  const Value connection = call("HB_INETCONNECT", {"127.0.0.1", static_cast<int>(port)});
  ASSERT_NE(connectionOf(connection), nullptr);
  EXPECT_EQ(errorCode(connection), kSockConnRefused);
  const Connection& record = *connectionOf(connection);
  EXPECT_NE(record.socket, kNoSocket);
  ASSERT_TRUE(record.remoteAddress.has_value());
  EXPECT_EQ((*record.remoteAddress)[2], port >> 8);
  EXPECT_EQ((*record.remoteAddress)[3], port & 0xFF);
  EXPECT_EQ((*record.remoteAddress)[4], 127);
  EXPECT_EQ(record.timeoutMs, -1);
  EXPECT_EQ(call("HB_INETCLOSE", {connection}).integer(), 0);
  EXPECT_EQ(record.socket, kNoSocket);
  EXPECT_EQ(errorCode(connection), kSockConnRefused);
}

TEST_F(Inet, AHostThatDoesNotResolveGivesWrongAddressAndNoSocket) {
  for (const char* host : {"no-such-host.invalid", ""}) {
    const Value connection = call("HB_INETCONNECT", {host, 80});
    ASSERT_NE(connectionOf(connection), nullptr) << host;
    EXPECT_EQ(errorCode(connection), kSockWrongAddr) << host;
    EXPECT_EQ(connectionOf(connection)->socket, kNoSocket) << host;
    EXPECT_FALSE(connectionOf(connection)->remoteAddress.has_value()) << host;
    EXPECT_EQ(call("HB_INETCLOSE", {connection}).integer(), -1) << host;
  }
}

TEST_F(Inet, AnEmptyTextIsSentWithoutAnOsCall) {
  ReplayOptions options;
  options.reply = "ok";
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  setLastError(kSockOther, 99);
  EXPECT_EQ(call("HB_INETSEND", {connection, ""}).integer(), 0);
  EXPECT_EQ(errorCode(connection), 0);
  EXPECT_EQ(lastError().code, kSockOther);  // untouched: no primitive ran
  EXPECT_EQ(call("HB_INETSEND", {connection, kRequest}).integer(),
            static_cast<long long>(kRequest.size()));
  call("HB_INETCLOSE", {connection});
  EXPECT_EQ(peer.outcome().request, kRequest);
}

TEST_F(Inet, AResetMidReplyGivesTheBytesBeforeItThenTheResetCode) {
  ReplayOptions options;
  options.reply = test::patternBytes(3000);
  options.pieceSize = 250;
  options.paceMs = 5;
  options.mode = ReplayMode::ResetMidReply;
  options.resetAfter = 1500;
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  call("HB_INETSEND", {connection, kRequest});
  std::string reply;
  long long last = 0;
  for (int calls = 0; calls < 10000; ++calls) {
    Value buffer = std::string(1024, ' ');
    last = receive(connection, buffer).integer();
    if (last <= 0) break;
    reply.append(buffer.text().substr(0, static_cast<std::size_t>(last)));
  }
  EXPECT_EQ(last, -1);
  EXPECT_EQ(errorCode(connection), kSockConnReset);
  EXPECT_EQ(connectionOf(connection)->count, 0);
  EXPECT_EQ(reply, options.reply.substr(0, 1500));
}

TEST(ConnectionRecord, ATimeoutIsRecordedAsMinusOne) {
  Connection connection;
  connection.recordFailure(kSockTimeout);
  EXPECT_EQ(connection.errorCode, kConnTimeout);
  connection.recordFailure(kSockConnReset);
  EXPECT_EQ(connection.errorCode, kSockConnReset);
  EXPECT_EQ(connection.ClassName(), "SOCKET");
}

// ---- Argument errors ----

// Installs an error block that keeps every record and substitutes a text naming the operation.
class SubstitutingHandler {
 public:
  SubstitutingHandler()
      : previous_(lanmere::errorBlock(lanmere::block([this](Args args) {
          records_.push_back(lanmere::arg(args, 1));
          return Value(
              "substitute for " +
              static_cast<ErrorRecord*>(lanmere::arg(args, 1).object())->operation.string());
        }))) {}
  ~SubstitutingHandler() {
    lanmere::errorBlock(previous_.isClosure() ? previous_
                                              : lanmere::block([](Args) { return Value(); }));
  }
  const std::vector<Value>& records() const { return records_; }

 private:
  std::vector<Value> records_;
  Value previous_;
};

TEST_F(Inet, WrongArgumentsRaiseTheArgumentErrorAndGiveTheSubstitute) {
  ReplayOptions options;
  options.mode = ReplayMode::CloseAtOnce;
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  struct Case {
    const char* operation;
    std::vector<Value> args;
  };
  const std::vector<Case> cases = {
      {"HB_INETERRORCODE", {}},
      {"HB_INETERRORCODE", {Value()}},
      {"HB_INETSEND", {Value(), "text"}},
      {"HB_INETSEND", {connection, 5}},
      {"HB_INETSEND", {connection}},
      {"HB_INETRECV", {Value(), "buffer"}},
      {"HB_INETRECV", {connection, 5}},
      {"HB_INETRECV", {"not a connection", "buffer"}},
      {"HB_INETCLOSE", {Value()}},
      {"HB_INETCLOSE", {Value::list({connection})}},
      {"HB_INETCONNECT", {Value(), 80}},
      {"HB_INETCONNECT", {"127.0.0.1", 0}},
      {"HB_INETCONNECT", {"127.0.0.1", "80"}},
      // The socket layer would cut these to 16 bits and so connect to another port.
      {"HB_INETCONNECT", {"127.0.0.1", 65536}},
      {"HB_INETCONNECT", {"127.0.0.1", 65536 + static_cast<int>(peer.port())}},
      {"HB_INETCONNECT", {"127.0.0.1", -1}},
      {"HB_INETCONNECT", {"127.0.0.1", Value(0.5, 1)}},
      {"HB_INETCONNECT", {"127.0.0.1", Value(65535.5, 1)}},
      {"HB_INETCONNECT", {"127.0.0.1"}},
  };
  for (const Case& c : cases) {
    SubstitutingHandler handler;
    std::vector<Value> args = c.args;
    const Value result = lanmere::callFunction(c.operation, Args(args));
    EXPECT_EQ(result.text(), std::string("substitute for ") + c.operation);
    ASSERT_EQ(handler.records().size(), 1u) << c.operation;
    const ErrorRecord& e = *static_cast<ErrorRecord*>(handler.records()[0].object());
    EXPECT_EQ(e.subSystem.text(), "BASE");
    EXPECT_EQ(e.genCode.integer(), 1);
    EXPECT_EQ(e.subCode.integer(), 3012);
    EXPECT_EQ(e.operation.text(), c.operation);
    EXPECT_EQ(e.description.text(), lanmere::genericText(1));
    EXPECT_TRUE(e.canSubstitute());
    if (c.args.empty()) {
      EXPECT_TRUE(e.args.isNil() || e.args.length() == 0) << c.operation;
    } else {
      ASSERT_EQ(e.args.length(), c.args.size()) << c.operation;
      for (std::size_t i = 0; i < c.args.size(); ++i) {
        EXPECT_TRUE(lanmere::exactlyEqual(e.args.item(i + 1), c.args[i])) << c.operation << i;
      }
    }
  }
  // Nothing else changed: the connection is still open with its code.
  EXPECT_EQ(errorCode(connection), 0);
  EXPECT_NE(connectionOf(connection)->socket, kNoSocket);
}

#ifndef _WIN32
// ---- Interrupted calls (POSIX signals reach a blocked receive) ----

void ignoreSignal(int) {}

// Interrupts the thread that constructs it with SIGUSR1 every few milliseconds until destroyed.
class Interrupter {
 public:
  Interrupter() : target_(pthread_self()) {
    struct sigaction action {};
    action.sa_handler = ignoreSignal;
    action.sa_flags = 0;  // no SA_RESTART: a blocked call fails with EINTR
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, &previous_);
    thread_ = std::thread([this] {
      for (int i = 0; i < 1000 && !stop_; ++i) {
        pthread_kill(target_, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
  }
  ~Interrupter() {
    stop_ = true;
    thread_.join();
    sigaction(SIGUSR1, &previous_, nullptr);
  }

 private:
  pthread_t target_;
  struct sigaction previous_ {};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(Inet, AnInterruptedReceiveIsRepeatedUntilTheAnswer) {
  ReplayOptions options;
  options.mode = ReplayMode::NeverAnswer;
  options.holdMs = 300;
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  call("HB_INETSEND", {connection, kRequest});
  Value buffer = std::string(64, ' ');
  {
    Interrupter interrupter;
    EXPECT_EQ(receive(connection, buffer).integer(), 0);
  }
  EXPECT_EQ(errorCode(connection), kConnClosed);
}

TEST_F(Inet, AnInterruptedReceiveStopsWhenABreakIsPending) {
  ReplayOptions options;
  options.mode = ReplayMode::NeverAnswer;
  options.holdMs = 3000;
  PeerThread peer(options);
  const Value connection = connect(peer.port());
  call("HB_INETSEND", {connection, kRequest});
  try {
    lanmere::doBreak();
  } catch (...) {
    lanmere::parkCurrentException();
  }
  ASSERT_EQ(lanmere::pendingRequest(), lanmere::Request::Break);
  Value buffer = std::string(64, ' ');
  {
    Interrupter interrupter;
    EXPECT_EQ(receive(connection, buffer).integer(), -1);
  }
  lanmere::clearRequest();
  EXPECT_EQ(errorCode(connection), kSockInterrupt);
  EXPECT_EQ(call("HB_INETCLOSE", {connection}).integer(), 0);
}
#endif

}  // namespace
}  // namespace kestrel::net
