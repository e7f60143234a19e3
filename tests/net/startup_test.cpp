// The start-up count in a fresh process: nothing has started the socket library before.
#include <gtest/gtest.h>

#include "net/socket.h"

namespace kestrel::net {
namespace {

// The library is usable when a socket can be created.
bool socketWorks() {
  const SocketHandle s = createSocket();
  if (s == kNoSocket) return false;
  closeSocket(s);
  return true;
}

TEST(Startup, CountsStartupsAndStopsTheLibraryOnTheLastCleanup) {
  EXPECT_TRUE(autoStartupPending());
  EXPECT_EQ(startupCount(), 0);
  EXPECT_FALSE(libraryStarted());

  autoStartupLibrary();
  EXPECT_FALSE(autoStartupPending());
  EXPECT_EQ(startupCount(), 1);
  EXPECT_TRUE(libraryStarted());
  autoStartupLibrary();  // only the first connection starts the library automatically
  EXPECT_EQ(startupCount(), 1);

  EXPECT_TRUE(startupLibrary());
  EXPECT_TRUE(startupLibrary());
  EXPECT_EQ(startupCount(), 3);
  cleanupLibrary();
  cleanupLibrary();
  EXPECT_EQ(startupCount(), 1);
  EXPECT_TRUE(libraryStarted());
  EXPECT_TRUE(socketWorks());

  cleanupLibrary();  // the automatic start-up is undone only by a clean-up the caller makes
  EXPECT_EQ(startupCount(), 0);
  EXPECT_FALSE(libraryStarted());
#ifdef _WIN32
  EXPECT_EQ(createSocket(), kNoSocket);
  EXPECT_EQ(lastError().code, kSockNotInitialised);
  EXPECT_EQ(lastError().osError, 10093);
#endif

  // The count has no floor: after an unbalanced clean-up, the next start-up only brings it
  // back to 0 and starts nothing.
  cleanupLibrary();
  EXPECT_EQ(startupCount(), -1);
  EXPECT_TRUE(startupLibrary());
  EXPECT_EQ(startupCount(), 0);
  EXPECT_FALSE(libraryStarted());
#ifdef _WIN32
  EXPECT_FALSE(socketWorks());
#endif
  EXPECT_TRUE(startupLibrary());
  EXPECT_TRUE(libraryStarted());
  EXPECT_TRUE(socketWorks());
  cleanupLibrary();
}

}  // namespace
}  // namespace kestrel::net
