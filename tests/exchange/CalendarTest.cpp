#include <gtest/gtest.h>

#include "model/Calendar.h"
#include "tests/kit/CalendarAt.h"

namespace tallyvox {
namespace {

constexpr std::uint32_t Day = 86400;

using testkit::At;

TEST(ExchangeCalendar, CountsDaysFromTheFirstOfJanuary1980) {
    EXPECT_EQ(ExchangeTimeToCalendar(0), At(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(ExchangeTimeToCalendar(59 * Day), At(1980, 2, 29, 0, 0, 0));
    EXPECT_EQ(ExchangeTimeToCalendar(60 * Day), At(1980, 3, 1, 0, 0, 0));
    EXPECT_EQ(ExchangeTimeToCalendar(365 * Day), At(1980, 12, 31, 0, 0, 0));
    EXPECT_EQ(ExchangeTimeToCalendar(366 * Day), At(1981, 1, 1, 0, 0, 0));
    EXPECT_EQ(ExchangeTimeToCalendar(1461 * Day), At(1984, 1, 1, 0, 0, 0));
}

TEST(ExchangeCalendar, SplitsTheSecondsOfADay) {
    EXPECT_EQ(ExchangeTimeToCalendar(Day - 1), At(1980, 1, 1, 23, 59, 59));
    EXPECT_EQ(ExchangeTimeToCalendar(3600 + 2 * 60 + 3), At(1980, 1, 1, 1, 2, 3));
}

TEST(ExchangeCalendar, EveryFourthYearIsALeapYearEvenAtACentury) {
    // 2100 is a leap year for the exchange: 120 years are thirty four-year cycles.
    const std::uint32_t firstOf2100 = 30 * 1461;
    EXPECT_EQ(ExchangeTimeToCalendar((firstOf2100 + 59) * Day), At(2100, 2, 29, 0, 0, 0));
    EXPECT_EQ(ExchangeTimeToCalendar((firstOf2100 + 60) * Day), At(2100, 3, 1, 0, 0, 0));
}

// Walks every day the 32-bit count can reach: each one follows the day before.
TEST(ExchangeCalendar, EveryReachableDayFollowsTheDayBefore) {
    const int monthLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    TCalendarTime previous = ExchangeTimeToCalendar(0);
    for (std::uint32_t day = 1; day <= UINT32_MAX / Day; ++day) {
        const TCalendarTime current = ExchangeTimeToCalendar(day * Day);
        const int lastDay =
            previous.Month == 2 && previous.Year % 4 == 0 ? 29 : monthLengths[previous.Month - 1];
        if (previous.Day < lastDay) {
            ASSERT_EQ(current, At(previous.Year, previous.Month, previous.Day + 1, 0, 0, 0))
                << "day " << day;
        } else if (previous.Month < 12) {
            ASSERT_EQ(current, At(previous.Year, previous.Month + 1, 1, 0, 0, 0)) << "day " << day;
        } else {
            ASSERT_EQ(current, At(previous.Year + 1, 1, 1, 0, 0, 0)) << "day " << day;
        }
        previous = current;
    }
    EXPECT_EQ(previous.Year, 2116);
}

TEST(ExchangeSeconds, CombinesDaysAndTicksInUnsigned32BitArithmetic) {
    EXPECT_EQ(ExchangeSeconds(0, 600, 6), 3600u);
    EXPECT_EQ(ExchangeSeconds(1, 1, 10), Day + 10);
    // 65535 days do not fit in 32 bits of seconds; the exchange's count wraps.
    EXPECT_EQ(ExchangeSeconds(65535, 0, 6), static_cast<std::uint32_t>(65535ull * Day));
    EXPECT_EQ(ExchangeSeconds(65535, 65535, 255),
              static_cast<std::uint32_t>(65535ull * Day + 65535ull * 255));
}

} // namespace
} // namespace tallyvox
