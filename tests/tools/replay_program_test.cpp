// The replay peer as a program, started as the download tests and scripts/run start it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "net/socket.h"
#include "tests/support/files.h"
#include "tools/replay/child_process.h"

namespace kestrel::tools {
namespace {

// Paths of the Linux side as the program sees them: under Wine, the root is drive Z:.
std::string hostPath(const std::string& path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') return "Z:" + path;
#endif
  return path;
}

class ReplayProgram : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(net::startupLibrary()); }
  void TearDown() override { net::cleanupLibrary(); }
  std::string path(const char* name) const { return dir_ / name; }

  const std::string program_ = hostPath(KESTREL_REPLAY_PROGRAM);
  const std::string reply_ = hostPath(KESTREL_LEAL_REPLY);
  test::TempFolder dir_;
};

TEST_F(ReplayProgram, ServesTheShippedReplyInPiecesAndRecordsTheRequest) {
  ChildProcess peer(
      program_, {"--port", "0", "--port-file", path("port"), "--reply", reply_, "--piece", "100",
                 "--pace", "1", "--record", path("request"), "--lifetime", "20000"});
  const auto port = readPortFile(path("port"), 15000);
  ASSERT_TRUE(port.has_value());

  const net::SocketHandle s = net::createSocket();
  ASSERT_NE(s, net::kNoSocket);
  ASSERT_TRUE(net::connectSocket(s, net::buildAddress(0x0100007F, *port)));
  const std::string request = "GET /adds HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  ASSERT_EQ(net::sendBytes(s, request.data(), request.size()),
            static_cast<std::ptrdiff_t>(request.size()));
  std::string received;
  char buffer[1024];
  for (int calls = 0; calls < 10000; ++calls) {
    const auto n = net::receiveBytes(s, buffer, sizeof buffer);
    if (n <= 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
  }
  net::closeSocket(s);

  EXPECT_EQ(received, test::readFile(KESTREL_LEAL_REPLY));
  EXPECT_EQ(peer.wait(15000), std::optional<int>(0));
  EXPECT_EQ(test::readFile(path("request")), request);
}

TEST_F(ReplayProgram, EndsOnItsOwnWhenNoClientComes) {
  ChildProcess peer(program_, {"--port-file", path("port"), "--lifetime", "300"});
  EXPECT_TRUE(readPortFile(path("port"), 15000).has_value());
  EXPECT_EQ(peer.wait(15000), std::optional<int>(3));
}

TEST_F(ReplayProgram, RefusesUnknownOptions) {
  ChildProcess peer(program_, {"--port", "70000"});
  EXPECT_EQ(peer.wait(15000), std::optional<int>(2));
}

// The shipped reply is a well-formed HTTP/1.1 answer for LEAL that ends the connection.
TEST(ShippedReply, HeadersMatchTheBodyAndItHoldsAMetarAndATafForLeal) {
  const std::string reply = test::readFile(KESTREL_LEAL_REPLY);
  ASSERT_EQ(reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  const auto end = reply.find("\r\n\r\n");
  ASSERT_NE(end, std::string::npos);
  const std::string head = reply.substr(0, end + 2);
  const std::string body = reply.substr(end + 4);
  EXPECT_NE(head.find("\r\nConnection: close\r\n"), std::string::npos);
  const std::string lengthField = "\r\nContent-Length: ";
  const auto at = head.find(lengthField);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(std::stoul(head.substr(at + lengthField.size())), body.size());
  for (std::size_t i = head.find('\n'); i != std::string::npos; i = head.find('\n', i + 1)) {
    EXPECT_EQ(head[i - 1], '\r') << "header line ending at " << i;
  }
  EXPECT_EQ(reply.find('\0'), std::string::npos);
  EXPECT_NE(body.find("LEAL 08"), std::string::npos);
  EXPECT_NE(body.find("TAF LEAL "), std::string::npos);
}

}  // namespace
}  // namespace kestrel::tools
