// Start-up and clean-up through the operations, in a fresh process.
#include <gtest/gtest.h>

#include "net/connection.h"
#include "net/inet.h"
#include "tests/net/peer.h"

namespace kestrel::net {
namespace {

using lanmere::Value;

Value call(std::string_view name, std::initializer_list<Value> args = {}) {
  return lanmere::callFunction(name, args);
}

TEST(InetStartup, ExplicitStartupsAreCountedAndTheLastCleanupStopsTheLibrary) {
  lanmere::registerModule(inetModule());
  // The first connection starts the library by itself; a clean-up of the caller undoes it.
  const Value unnamed = call("HB_INETCONNECT", {"", 80});
  EXPECT_EQ(call("HB_INETERRORCODE", {unnamed}).integer(), kSockWrongAddr);
  EXPECT_EQ(startupCount(), 1);
  EXPECT_TRUE(libraryStarted());
  EXPECT_TRUE(call("HB_INETCLEANUP").isNil());
  EXPECT_FALSE(libraryStarted());

  EXPECT_TRUE(call("HB_INETINIT").logical());
  EXPECT_TRUE(call("HB_INETINIT").logical());
  call("HB_INETCLEANUP");
  EXPECT_EQ(startupCount(), 1);
  EXPECT_TRUE(libraryStarted());
  {
    tools::ReplayOptions options;
    options.mode = tools::ReplayMode::CloseAtOnce;
    test::PeerThread peer(options);
    const Value connection = call("HB_INETCONNECT", {"127.0.0.1", static_cast<int>(peer.port())});
    EXPECT_EQ(call("HB_INETERRORCODE", {connection}).integer(), 0);
    EXPECT_EQ(call("HB_INETCLOSE", {connection}).integer(), 0);
  }
  call("HB_INETCLEANUP");
  EXPECT_EQ(startupCount(), 0);
  EXPECT_FALSE(libraryStarted());
  // No automatic start-up any more: the library stays stopped, and on Windows the connection
  // finds it so (POSIX has nothing to start, so there the connect itself is not refused).
  const Value late = call("HB_INETCONNECT", {"127.0.0.1", 80});
  EXPECT_EQ(startupCount(), 0);
  EXPECT_FALSE(libraryStarted());
#ifdef _WIN32
  EXPECT_EQ(call("HB_INETERRORCODE", {late}).integer(), kSockNotInitialised);
  EXPECT_EQ(connectionOf(late)->socket, kNoSocket);
#endif
}

}  // namespace
}  // namespace kestrel::net
