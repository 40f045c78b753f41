#include <gtest/gtest.h>

#include "report/TrafficCharts.h"
#include "report/TrunkLoad.h"
#include "tests/report/CallLines.h"

namespace tallyvox::report {
namespace {

// One call line of March 2024 as the capture side writes it.
std::string Call(int day, int hour, int minute, int second, int duration, int hardwareLine,
                 const std::string& program, const std::string& trunk, const std::string& dialled) {
    TRecord record = callfile::ExampleRecord();
    record.Year = 2024;
    record.Month = 3;
    record.Day = day;
    record.StartHour = hour;
    record.StartMinute = minute;
    record.StartSecond = second;
    record.DurationHours = duration / 3600;
    record.DurationMinutes = duration / 60 % 60;
    record.DurationSeconds = duration % 60;
    record.HardwareLine = hardwareLine;
    record.ProgramNumber = program;
    record.Trunk = trunk;
    record.DialledNumber = dialled;
    return callfile::FormatCallLine(record);
}

// A call over midnight, one over an hour's end, overlapping calls on four
// trunks in the morning of the 2nd (three at once from 10:25:00 to 10:26:00; at
// 10:30:00 one call ends as the next starts on its trunk; a call of no duration
// on a busy trunk) and a call without a trunk.
const TCallList& Calls() {
    static const TCallList calls = Loaded({
        Call(1, 23, 50, 0, 1200, 201, "2101", "1", "8123"),
        Call(2, 10, 59, 30, 120, 202, "2102", "2", ""),
        Call(2, 10, 10, 0, 1800, 203, "2103", "3", "8124"),
        Call(2, 10, 20, 0, 600, 201, "2101", "1", ""),
        Call(2, 10, 30, 0, 60, 201, "2101", "1", "8125"),
        Call(2, 10, 25, 0, 60, 204, "2104", "4", "8126"),
        Call(2, 10, 15, 0, 0, 205, "2105", "3", "8127"),
        Call(3, 9, 0, 0, 100, 205, "2105", "", "8128"),
    });
    return calls;
}

TCallSpan All() {
    return {Calls().begin(), Calls().end()};
}

TTrafficBar Bar(std::uint32_t outCalls, std::uint64_t outSeconds, std::uint32_t inCalls,
                std::uint64_t inSeconds) {
    return {outCalls, inCalls, outSeconds, inSeconds};
}

TDateTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return {static_cast<std::uint16_t>(year),  static_cast<std::uint8_t>(month),
            static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
            static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second)};
}

TEST(TrafficCharts, CallsCountWholeInTheHourAndDayTheyStart) {
    ASSERT_EQ(Calls().Count(), 8u);
    const auto hours = TrafficByHour(All());
    for (std::size_t hour = 0; hour < 24; ++hour) {
        const TTrafficBar expected = hour == 23   ? Bar(1, 1200, 0, 0)
                                     : hour == 10 ? Bar(4, 1920, 2, 720)
                                     : hour == 9  ? Bar(1, 100, 0, 0)
                                                  : TTrafficBar{};
        EXPECT_EQ(hours[hour], expected) << "hour " << hour;
    }

    const auto days = TrafficByDay(All(), {});
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0].Day, Date(2024, 3, 1));
    EXPECT_EQ(days[0].Traffic, Bar(1, 1200, 0, 0));
    EXPECT_EQ(days[1].Traffic, Bar(4, 1920, 2, 720));
    EXPECT_EQ(days[2].Day, Date(2024, 3, 3));
    EXPECT_EQ(days[2].Traffic, Bar(1, 100, 0, 0));

    // A period's bounds give its days, those without calls too, over a leap day.
    const auto periodDays =
        TrafficByDay(All(), {Date(2024, 2, 28, 12), Date(2024, 3, 4, 23, 59, 59)});
    ASSERT_EQ(periodDays.size(), 6u);
    EXPECT_EQ(periodDays[1].Day, Date(2024, 2, 29));
    EXPECT_EQ(periodDays[2].Day, Date(2024, 3, 1));
    EXPECT_EQ(periodDays[2].Traffic, days[0].Traffic);
    EXPECT_EQ(periodDays[5].Day, Date(2024, 3, 4));
    EXPECT_EQ(periodDays[5].Traffic, TTrafficBar{});
    EXPECT_TRUE(TrafficByDay({}, {}).empty());
}

TEST(TrafficCharts, TrunkLoadFromOverlappingCalls) {
    const TTrunkLoad load = TrunkLoad(All(), {});
    EXPECT_EQ(load.PeriodHours, 72u); // 1 to 3 March, whole days
    ASSERT_TRUE(load.BusiestHour);
    EXPECT_EQ(*load.BusiestHour, Date(2024, 3, 2, 10));
    // The call without a trunk takes no part.
    EXPECT_EQ(load.BusiestTraffic, Bar(4, 1920, 2, 720));
    EXPECT_NEAR(load.OutErlangs(), 1920 / 3600.0, 1e-12);
    EXPECT_NEAR(load.InErlangs(), 0.2, 1e-12);
    EXPECT_EQ(load.TrunksInUseAtOnce, 3u);
    // Hours in which a trunk carried a call: trunk 1 at 23 and 0 (over
    // midnight) and 10; trunk 2 at 10 and 11 (over the hour's end).
    const std::vector<std::pair<std::string, std::uint32_t>> expected{
        {"1", 3}, {"2", 2}, {"3", 1}, {"4", 1}};
    ASSERT_EQ(load.Trunks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(load.Trunks[i].Trunk, expected[i].first);
        EXPECT_EQ(load.Trunks[i].BusyHours, expected[i].second);
        EXPECT_DOUBLE_EQ(load.Trunks[i].Share, expected[i].second / 72.0);
    }
    // A longer period has more hours; the busy ones stay.
    const TTrunkLoad longer = TrunkLoad(All(), {Date(2024, 3, 1), Date(2024, 3, 4, 23, 59, 59)});
    EXPECT_EQ(longer.PeriodHours, 96u);
    EXPECT_DOUBLE_EQ(longer.Trunks[0].Share, 3 / 96.0);

    const TTrunkSizing sizing = TrunkSizing(load);
    EXPECT_EQ(sizing.TrunksSeen, 4u);
    EXPECT_EQ(sizing.Needed1[2], TrunksForBlocking(2640 / 3600.0, 0.01));
    EXPECT_FALSE(TrunkLoad({}, {}).BusiestHour);
}

TEST(TrafficCharts, TopLinesByTalkTimeAndCostWithTiesByHardwareNumber) {
    const auto byTime = TopLinesByTalkTime(All());
    const std::vector<std::pair<std::string, std::uint64_t>> expectedTime{{"201 (2101)", 1860},
                                                                          {"203 (2103)", 1800},
                                                                          {"202 (2102)", 120},
                                                                          {"205 (2105)", 100},
                                                                          {"204 (2104)", 60}};
    ASSERT_EQ(byTime.size(), expectedTime.size());
    for (std::size_t i = 0; i < byTime.size(); ++i) {
        EXPECT_EQ(byTime[i].Label(), expectedTime[i].first);
        EXPECT_EQ(byTime[i].Seconds, expectedTime[i].second);
    }
    EXPECT_EQ(byTime[0].Calls, 3u);

    // 2 kopecks a second for outgoing calls: the incoming-only line is left out.
    const auto byCost = TopLinesByCost(All(), [](const TExtStr_rep& call) -> std::int64_t {
        return call.IsIncoming() ? 0 : 2 * call.TotalSeconds;
    });
    const std::vector<std::pair<std::string, std::int64_t>> expectedCost{
        {"203", 3600}, {"201", 2520}, {"205", 200}, {"204", 120}};
    ASSERT_EQ(byCost.size(), expectedCost.size());
    for (std::size_t i = 0; i < byCost.size(); ++i) {
        EXPECT_EQ(byCost[i].HardwareLine, expectedCost[i].first);
        EXPECT_EQ(byCost[i].Cost, expectedCost[i].second);
    }

    // Seventeen lines of one minute after one of two and one of no talk time:
    // the fifteen kept are the longest, then the lowest hardware numbers,
    // whatever the order of the calls.
    std::vector<std::string> lines{Call(4, 8, 0, 0, 120, 326, "26", "1", "1"),
                                   Call(4, 8, 0, 0, 0, 301, "1", "1", "1")};
    for (int line = 325; line >= 310; --line) {
        lines.push_back(Call(4, 9, 0, 0, 60, line, "", "1", "1"));
    }
    lines.push_back(Call(4, 9, 0, 0, 60, 305, "5", "1", "1"));
    const TCallList ties = Loaded(lines);
    const auto top = TopLinesByTalkTime({ties.begin(), ties.end()});
    ASSERT_EQ(top.size(), TopLineCount);
    EXPECT_EQ(top[0].Label(), "326 (26)");
    EXPECT_EQ(top[1].Label(), "305 (5)");
    for (std::size_t i = 2; i < top.size(); ++i) {
        EXPECT_EQ(top[i].Label(), std::to_string(310 + i - 2)) << i;
    }
}

// Published Erlang B table values: the fewest trunks for a traffic and a
// blocking, and the blocking of small cases worked by hand.
TEST(ErlangB, MatchesTheTables) {
    struct TCase {
        double Erlangs;
        double Blocking;
        std::uint32_t Trunks;
    };
    for (const TCase& c : std::vector<TCase>{{5, 0.01, 11},
                                             {5, 0.05, 9},
                                             {1, 0.01, 5},
                                             {10, 0.01, 18},
                                             {10, 0.05, 15},
                                             {20, 0.01, 30},
                                             {0.5, 0.05, 3},
                                             {0, 0.01, 0}}) {
        EXPECT_EQ(TrunksForBlocking(c.Erlangs, c.Blocking), c.Trunks)
            << c.Erlangs << " E at " << c.Blocking;
    }
    EXPECT_DOUBLE_EQ(ErlangB(1, 1), 0.5);
    EXPECT_DOUBLE_EQ(ErlangB(2, 2), 0.4);
    EXPECT_NEAR(ErlangB(5, 11), 0.0083, 0.0001);
    EXPECT_DOUBLE_EQ(ErlangB(3, 0), 1);
}

} // namespace
} // namespace tallyvox::report
