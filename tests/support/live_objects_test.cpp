#include "tests/support/live_objects.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "runtime/value.h"

namespace kestrel::test {
namespace {

// Each kind is leaked on purpose: the count it belongs to moves (the run-time's by the bytes of a
// list), the other counts stay, and freeing it brings the count back.
TEST(LiveObjects, CountOneLeakOfEachKind) {
  HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_TRUE(parent);
  struct Leak {
    const char* count;
    std::function<std::function<void()>()> make;  // leaks, answers how to free it
    long long more = 1;                           // by how much the count moves (0: some)
  };
  const std::vector<Leak> leaks = {
      {"windows",
       [] {
         HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr,
                                  nullptr);
         return [w] { DestroyWindow(w); };
       }},
      {"windows",  // a window's descendants count, not only its children
       [parent] {
         HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 9, 9, parent, nullptr,
                                      nullptr, nullptr);
         CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 9, 9, child, nullptr, nullptr, nullptr);
         return [child] { DestroyWindow(child); };
       },
       2},
      {"drawing objects",
       [] {
         HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
         return [b] { DeleteObject(b); };
       }},
      {"drawing objects",
       [] {
         HFONT f = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
         return [f] { DeleteObject(f); };
       }},
      {"drawing objects",
       [] {
         HDC screen = GetDC(nullptr);
         HBITMAP b = CreateCompatibleBitmap(screen, 4, 4);
         ReleaseDC(nullptr, screen);
         return [b] { DeleteObject(b); };
       }},
      {"drawing objects",
       [] {
         HDC dc = CreateCompatibleDC(nullptr);
         return [dc] { DeleteDC(dc); };
       }},
      {"menus",
       [] {
         HMENU m = CreatePopupMenu();
         return [m] { DestroyMenu(m); };
       }},
      {"run-time bytes",
       [] {
         auto* kept = new lanmere::Value(lanmere::Value::list({1, 2, 3}));
         return [kept] { delete kept; };
       },
       0},
  };
  for (const Leak& leak : leaks) {
    leak.make()();  // the system's caches fill on the first use of a kind
    const LiveObjects before = LiveObjects::now();
    const std::function<void()> free = leak.make();
    const LiveObjects after = LiveObjects::now();
    const long long more = after[leak.count] - before[leak.count];
    if (leak.more) {
      EXPECT_EQ(more, leak.more) << leak.count;
    } else {
      EXPECT_GT(more, 0) << leak.count;
    }
    EXPECT_EQ(after.grownSince(before).find(','), std::string::npos)
        << "only " << leak.count << " grows: " << after.grownSince(before);
    free();
    EXPECT_EQ(LiveObjects::now().grownSince(before), "") << leak.count;
  }
  DestroyWindow(parent);
}

TEST(LiveObjects, PrivateBytesFollowCommittedMemory) {
  const std::size_t before = privateBytes();
  ASSERT_GT(before, 0u);
  constexpr std::size_t kBlock = 8 << 20;
  char* block = static_cast<char*>(VirtualAlloc(nullptr, kBlock, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_TRUE(block);
  for (std::size_t i = 0; i < kBlock; i += 4096) block[i] = 1;
  EXPECT_GE(privateBytes(), before + kBlock / 2);
  VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace
}  // namespace kestrel::test
