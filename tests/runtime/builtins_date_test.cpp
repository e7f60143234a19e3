#include <chrono>
#include <cstdio>
#include <ctime>

#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

class DateTest : public BuiltinsTest {};

Value dateOf(int y, int m, int d) {
  return Value::date(julianFromDate(y, m, d));
}

TEST(JulianDays, KnownDaysRoundTripsAndInvalidDates) {
  EXPECT_EQ(julianFromDate(2000, 1, 1), 2451545);
  EXPECT_EQ(julianFromDate(1970, 1, 1), 2440588);
  EXPECT_EQ(julianFromDate(1, 1, 1), 1721426);
  int y, m, d;
  for (std::int32_t j = julianFromDate(1599, 12, 1); j < julianFromDate(2401, 3, 1); j += 7) {
    dateFromJulian(j, y, m, d);
    ASSERT_EQ(julianFromDate(y, m, d), j) << y << "-" << m << "-" << d;
  }
  EXPECT_NE(julianFromDate(2024, 2, 29), 0);
  EXPECT_NE(julianFromDate(2000, 2, 29), 0);
  EXPECT_EQ(julianFromDate(1900, 2, 29), 0);
  EXPECT_EQ(julianFromDate(2023, 2, 29), 0);
  EXPECT_EQ(julianFromDate(2023, 4, 31), 0);
  EXPECT_EQ(julianFromDate(2023, 13, 1), 0);
  EXPECT_EQ(julianFromDate(2023, 0, 1), 0);
  EXPECT_EQ(julianFromDate(0, 1, 1), 0);
  dateFromJulian(0, y, m, d);
  EXPECT_EQ(y + m + d, 0);
}

TEST_F(DateTest, DtocFollowsTheFormatAndBlankDatesKeepItsShape) {
  const Value day = dateOf(2024, 3, 7);
  EXPECT_EQ(dateFormat(), "MM/DD/YY");
  EXPECT_EQ(call("DTOC", {day}).string(), "03/07/24");
  EXPECT_EQ(call("DTOC", {Value::date(0)}).string(), "  /  /  ");
  EXPECT_EQ(call("DTOC", {Value::timestamp(day.julian(), 5000)}).string(), "03/07/24");
  setDateFormat("DD.MM.YYYY");
  EXPECT_EQ(call("DTOC", {day}).string(), "07.03.2024");
  EXPECT_EQ(call("DTOC", {Value::date(0)}).string(), "  .  .    ");
  setDateFormat("YYYY-MM-DD");
  EXPECT_EQ(call("DTOC", {dateOf(987, 12, 31)}).string(), "0987-12-31");
  // One letter shows the day or month in as many digits as it has.
  setDateFormat("D.M.YYYY");
  EXPECT_EQ(call("DTOC", {dateOf(2024, 3, 7)}).string(), "7.3.2024");
  EXPECT_EQ(call("DTOC", {dateOf(2024, 11, 25)}).string(), "25.11.2024");
  EXPECT_TRUE(argumentError(call("DTOC", {"03/07/24"}), 1118, "DTOC", {"03/07/24"}));
}

TEST_F(DateTest, CtodReadsFieldsInTheFormatsOrder) {
  EXPECT_EQ(call("CTOD", {"03/07/2024"}).julian(), dateOf(2024, 3, 7).julian());
  EXPECT_EQ(call("CTOD", {"03/07/24"}).julian(), dateOf(1924, 3, 7).julian());
  EXPECT_EQ(call("CTOD", {"3-7-2024"}).julian(), dateOf(2024, 3, 7).julian());
  for (const char* blank : {"", "  /  /  ", "02/30/2024", "12/31", "13/01/2024"}) {
    const Value d = call("CTOD", {blank});
    EXPECT_TRUE(d.isDate());
    EXPECT_EQ(d.julian(), 0) << blank;
  }
  setDateFormat("DD.MM.YYYY");
  EXPECT_EQ(call("CTOD", {"07.03.2024"}).julian(), dateOf(2024, 3, 7).julian());
  for (std::int32_t j = dateOf(1999, 12, 25).julian(); j < dateOf(2000, 3, 5).julian(); ++j) {
    ASSERT_EQ(ctod(dtoc(Value::date(j))).julian(), j);
  }
  EXPECT_TRUE(argumentError(call("CTOD", {5}), 1119, "CTOD", {5}));
}

TEST_F(DateTest, CompactDateTexts) {
  EXPECT_EQ(call("DTOS", {dateOf(2024, 3, 7)}).string(), "20240307");
  EXPECT_EQ(call("DTOS", {Value::date(0)}).string(), "        ");
  EXPECT_EQ(call("STOD", {"20240307"}).julian(), dateOf(2024, 3, 7).julian());
  for (const char* blank : {"2024030", "2024A307", "20230229", "        "}) {
    EXPECT_EQ(call("STOD", {blank}).julian(), 0) << blank;
  }
  EXPECT_TRUE(call("STOD").isDate());
  EXPECT_EQ(call("STOD").julian(), 0);
  EXPECT_TRUE(argumentError(call("DTOS", {"x"}), 1120, "DTOS", {"x"}));
  EXPECT_TRUE(argumentError(call("STOD", {20240307}), 1121, "STOD", {20240307}));
}

TEST_F(DateTest, TimestampText) {
  const std::int32_t ms = ((13 * 60 + 5) * 60 + 9) * 1000 + 45;
  const Value stamp = Value::timestamp(dateOf(2024, 3, 7).julian(), ms);
  EXPECT_EQ(call("HB_TTOC", {stamp}).string(), "03/07/24 13:05:09.045");
  EXPECT_EQ(call("HB_TTOC", {dateOf(2024, 3, 7)}).string(), "03/07/24 00:00:00.000");
  for (const auto& [ms, text] :
       {std::pair{86'399'999, "23:59:59.999"}, std::pair{86'400'000, "00:00:00.000"},
        std::pair{-1, "00:00:00.000"}}) {
    EXPECT_EQ(timeText(ms), text) << ms;
  }
  EXPECT_TRUE(argumentError(call("HB_TTOC", {1}), 1122, "HB_TTOC", {1}));
}

TEST_F(DateTest, DateParts) {
  const Value day = dateOf(2024, 3, 7);
  EXPECT_EQ(call("YEAR", {day}).integer(), 2024);
  EXPECT_EQ(call("MONTH", {day}).integer(), 3);
  EXPECT_EQ(call("DAY", {Value::timestamp(day.julian(), 1)}).integer(), 7);
  EXPECT_EQ(call("YEAR", {Value::date(0)}).integer(), 0);
  EXPECT_TRUE(argumentError(call("YEAR", {1}), 1112, "YEAR", {1}));
  EXPECT_TRUE(argumentError(call("MONTH", {nil}), 1113, "MONTH", {nil}));
  EXPECT_TRUE(argumentError(call("DAY", {"7"}), 1114, "DAY", {"7"}));
}

// The clock the run-time reads (time() may read a coarser clock that lags it by a tick, so a
// reading just after a second began could look later than "after").
std::tm localNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  return *std::localtime(&now);
}

TEST_F(DateTest, TodayAndTheTimeOfDayAgreeWithTheSystemClock) {
  const std::tm before = localNow();
  const Value day = call("DATE");
  const Value time = call("TIME");
  const Value seconds = call("SECONDS");
  const std::tm after = localNow();
  const std::int32_t first =
      julianFromDate(before.tm_year + 1900, before.tm_mon + 1, before.tm_mday);
  const std::int32_t last = julianFromDate(after.tm_year + 1900, after.tm_mon + 1, after.tm_mday);
  EXPECT_TRUE(day.isDate());
  EXPECT_TRUE(day.julian() == first || day.julian() == last);

  ASSERT_EQ(time.length(), 8u);
  int h = -1, m = -1, s = -1;
  ASSERT_EQ(std::sscanf(time.string().c_str(), "%2d:%2d:%2d", &h, &m, &s), 3) << time.text();
  EXPECT_EQ(time.text()[2], ':');
  const int fromTime = h * 3600 + m * 60 + s;
  const int low = before.tm_hour * 3600 + before.tm_min * 60 + before.tm_sec;
  const int high = after.tm_hour * 3600 + after.tm_min * 60 + after.tm_sec;
  if (low <= high) {  // not across midnight
    EXPECT_GE(fromTime, low);
    EXPECT_LE(fromTime, high);
    EXPECT_GE(seconds.number(), low);
    EXPECT_LT(seconds.number(), high + 1);
  }
  EXPECT_EQ(seconds.decimals(), 2);
  EXPECT_DOUBLE_EQ(seconds.number() * 100,
                   static_cast<double>(static_cast<long long>(seconds.number() * 100 + 0.5)));
}

}  // namespace
}  // namespace lanmere::test
