// The rectangle's and the structure's bytes handed to and filled by the real system services.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/display/msgbox.h"
#include "framework/services/trect.h"
#include "framework/services/tstruct.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::send;
using lanmere::Value;

Value rect(Value top, Value left, Value bottom, Value right) {
  return send(TRECT(), "New", {top, left, bottom, right});
}

TEST(TRectInterop, ReadsTheRectangleTheSystemFillsAndHandsItBack) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 40, 30, 200, 100, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  std::string bytes(kRectBytes, '\0');
  ASSERT_TRUE(GetWindowRect(window, reinterpret_cast<RECT*>(bytes.data())));
  DestroyWindow(window);
  const Value r = rect(0, 0, 0, 0);
  send(r, "_cRect", {Value(bytes)});
  EXPECT_TRUE(send(r, "==", {rect(30, 40, 130, 240)}).logical());

  const std::string a = send(rect(0, 0, 50, 50), "cRect").string();
  const std::string b = send(rect(-10, 20, 10, 80), "cRect").string();
  RECT both{};
  ASSERT_TRUE(IntersectRect(&both, reinterpret_cast<const RECT*>(a.data()),
                            reinterpret_cast<const RECT*>(b.data())));
  EXPECT_EQ(both.left, 20);
  EXPECT_EQ(both.top, 0);
  EXPECT_EQ(both.right, 50);
  EXPECT_EQ(both.bottom, 10);
  EXPECT_TRUE(PtInRect(reinterpret_cast<const RECT*>(b.data()), POINT{20, -10}));
  EXPECT_FALSE(PtInRect(reinterpret_cast<const RECT*>(b.data()), POINT{19, 0}));
}

TEST(TStructInterop, ASystemTimeRecordReadsWhatTheSystemReports) {
  Value s(lanmere::make<TStruct>());
  send(s, "New");
  for (const char* name :
       {"wYear", "wMonth", "wDayOfWeek", "wDay", "wHour", "wMinute", "wSecond", "wMilliseconds"}) {
    send(s, "AddMember", {name, kMemberShort});
  }
  ASSERT_EQ(send(s, "SizeOf").integer(), static_cast<long long>(sizeof(SYSTEMTIME)));
  std::string buffer = send(s, "cBuffer").string();
  GetSystemTime(reinterpret_cast<SYSTEMTIME*>(buffer.data()));
  send(s, "_cBuffer", {Value(buffer)});
  SYSTEMTIME now;
  GetSystemTime(&now);
  EXPECT_EQ(send(s, "wYear").integer(), now.wYear);
  EXPECT_EQ(send(s, "WMONTH").integer(), now.wMonth);
}

TEST(TStructInterop, AnUnknownCodeShowsTheAlertBox) {
  lanmere::registerModule(msgBoxModule());
  Value s(lanmere::make<TStruct>());
  send(s, "New");
  send(s, "AddMember", {"odd", 4, 2});
  std::vector<test::BoxInfo> seen;
  {
    test::ModalDriver driver([&](const test::BoxInfo& box) {
      seen.push_back(box);
      return IDOK;
    });
    EXPECT_EQ(send(s, "_odd", {5}).integer(), 5);
  }
  lanmere::clearModules();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "Alert");
  EXPECT_EQ(seen[0].text, kConversionMissing);
  EXPECT_EQ(send(s, "cBuffer").string(), std::string(2, '\0'));
}

}  // namespace
}  // namespace kestrel
