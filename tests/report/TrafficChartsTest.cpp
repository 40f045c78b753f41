#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "report/TrafficCharts.h"
#include "report/TrunkLoad.h"
#include "tests/report/CallLines.h"

namespace tallyvox::report {
namespace {

// One call line of 2024 (of March unless told) as the capture side writes it.
std::string Call(int day, int hour, int minute, int second, int duration, int hardwareLine,
                 const std::string& program, const std::string& trunk, const std::string& dialled,
                 int month = 3) {
    TRecord record = callfile::ExampleRecord();
    record.Year = 2024;
    record.Month = month;
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
    ASSERT_EQ(load.Hours.size(), 72u);
    ASSERT_TRUE(load.BusiestHour);
    EXPECT_EQ(*load.BusiestHour, Date(2024, 3, 2, 10));
    // The seconds within 10:00-11:00 of the 2nd: out 1800 + 60 + 60, in 600 and
    // the first 30 of the call over the hour's end; the call without a trunk
    // takes no part.
    EXPECT_EQ(load.BusiestTraffic, (THourOccupancy{1920, 630}));
    EXPECT_EQ(load.Hours[24 + 11], (THourOccupancy{0, 90}));
    EXPECT_EQ(load.Hours[23], (THourOccupancy{600, 0}));
    EXPECT_EQ(load.Hours[24], (THourOccupancy{600, 0}));
    EXPECT_NEAR(load.OutErlangs(), 1920 / 3600.0, 1e-12);
    EXPECT_NEAR(load.InErlangs(), 630 / 3600.0, 1e-12);
    EXPECT_EQ(load.TrunksInUseAtOnce, 3u);
    EXPECT_EQ(load.TrunksInUseAtOnceInPeriod, 3u);
    // Trunk 1 carried 1200 + 600 + 60 s; the hours in which it carried a call:
    // 23 and 0 (over midnight) and 10; trunk 2: 10 and 11 (over the hour's end).
    const std::vector<std::tuple<std::string, std::uint64_t, std::uint32_t>> expected{
        {"1", 1860, 3}, {"2", 120, 2}, {"3", 1800, 1}, {"4", 60, 1}};
    ASSERT_EQ(load.Trunks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [trunk, seconds, hours] = expected[i];
        EXPECT_EQ(load.Trunks[i].Trunk, trunk);
        EXPECT_EQ(load.Trunks[i].OccupiedSeconds, seconds);
        EXPECT_EQ(load.Trunks[i].BusyHours, hours);
        EXPECT_DOUBLE_EQ(load.Trunks[i].Share, seconds / (72 * 3600.0));
    }
    // A longer period has more hours; the busy ones stay.
    const TTrunkLoad longer = TrunkLoad(All(), {Date(2024, 3, 1), Date(2024, 3, 4, 23, 59, 59)});
    EXPECT_EQ(longer.PeriodHours, 96u);
    EXPECT_DOUBLE_EQ(longer.Trunks[0].Share, 1860 / (96 * 3600.0));

    // Three days, each with its busiest hour: 600, 2550 and 0 seconds.
    for (const TBusyDaysTraffic& days : {load.NormalLoad, load.HighLoad}) {
        EXPECT_EQ(days.Days, 3u);
        EXPECT_NEAR(days.Erlangs, (600 + 2550) / 3.0 / 3600, 1e-12);
    }
    const TTrunkSizing sizing = TrunkSizing(load);
    EXPECT_EQ(sizing.TrunksSeen, 4u);
    EXPECT_EQ(sizing.Needed1[2], TrunksForBlocking(2550 / 3600.0, 0.01));
    const std::string text = SizingText(load);
    EXPECT_NE(text.find("всех дней периода (дней: 3, в периоде меньше 30 дней)"), std::string::npos)
        << text;
    EXPECT_NE(text.find("(дней: 3, в периоде меньше 5 дней)"), std::string::npos) << text;
    EXPECT_NE(text.find("Занято СЛ одновременно за период: 3 из 4\n"), std::string::npos) << text;
    EXPECT_FALSE(TrunkLoad({}, {}).BusiestHour);
}

// Thirty-five days, 1 March to 4 April, each with a call at 09:00 of as many
// minutes as its day's number in the period; the 3rd also has a call of five
// hours, the 10th one over an hour's end, the 20th one over midnight.
TEST(TrafficCharts, BusyHourTrafficCountsTheSecondsInEachHour) {
    std::vector<std::string> lines;
    for (int day = 1; day <= 35; ++day) {
        lines.push_back(Call(day <= 31 ? day : day - 31, 9, 0, 0, day * 60, 201, "", "1", "8123",
                             day <= 31 ? 3 : 4));
    }
    lines.push_back(Call(3, 14, 20, 0, 5 * 3600, 202, "", "2", "8124"));
    lines.push_back(Call(10, 12, 30, 0, 3600, 203, "", "3", ""));
    lines.push_back(Call(20, 23, 45, 0, 1800, 204, "", "4", ""));
    const TCallList calls = Loaded(lines);
    const TTrunkLoad load = TrunkLoad({calls.begin(), calls.end()}, {});
    ASSERT_EQ(load.Hours.size(), 35u * 24);
    const auto hourOf = [](int day, int hour) {
        return static_cast<std::size_t>(day - 1) * 24 + hour;
    };
    // The five-hour call: 40 minutes at 14, whole hours 15 to 18, 20 minutes at 19.
    EXPECT_EQ(load.Hours[hourOf(3, 14)], (THourOccupancy{2400, 0}));
    for (int hour = 15; hour <= 18; ++hour) {
        EXPECT_EQ(load.Hours[hourOf(3, hour)], (THourOccupancy{3600, 0})) << hour;
    }
    EXPECT_EQ(load.Hours[hourOf(3, 19)], (THourOccupancy{1200, 0}));
    EXPECT_EQ(load.Hours[hourOf(10, 12)], (THourOccupancy{0, 1800}));
    EXPECT_EQ(load.Hours[hourOf(10, 13)], (THourOccupancy{0, 1800}));
    EXPECT_EQ(load.Hours[hourOf(20, 23)], (THourOccupancy{0, 900}));
    EXPECT_EQ(load.Hours[hourOf(21, 0)], (THourOccupancy{0, 900}));
    EXPECT_EQ(load.Hours[hourOf(35, 9)], (THourOccupancy{2100, 0}));
    for (const THourOccupancy& hour : load.Hours) {
        EXPECT_LE(hour.Seconds(), 3600u);
    }
    // Four hours of 3600 s: the earliest is the busiest.
    ASSERT_TRUE(load.BusiestHour);
    EXPECT_EQ(*load.BusiestHour, Date(2024, 3, 3, 15));
    EXPECT_DOUBLE_EQ(load.Erlangs(), 1.0);

    // The days' busy hours: day d has d minutes, but day 3 has 3600 s and day
    // 10 1800 s. The five busiest: 3600, 2100, 2040, 1980, 1920 s.
    EXPECT_EQ(load.HighLoad.Days, 5u);
    EXPECT_NEAR(load.HighLoad.Erlangs, 11640 / 5.0 / 3600, 1e-12);
    // The thirty busiest leave out days 1, 2, 4, 5 and 6 (60 to 360 s): all
    // days make 60 * 630 + (3600 - 180) + (1800 - 600) = 42420 s.
    EXPECT_EQ(load.NormalLoad.Days, 30u);
    EXPECT_NEAR(load.NormalLoad.Erlangs, (42420 - 1080) / 30.0 / 3600, 1e-12);
    const TTrunkSizing sizing = TrunkSizing(load);
    EXPECT_EQ(sizing.NormalLoadNeeded, (std::array<std::uint32_t, 2>{3, 3}));
    EXPECT_EQ(sizing.HighLoadNeeded, (std::array<std::uint32_t, 2>{4, 3}));
    const std::string text = SizingText(load);
    EXPECT_NE(text.find("Час наибольшей нагрузки: 03.03.2024 15:00-16:00\n"
                        "Нагрузка, Эрл: исходящая 1.00, входящая 0.00, всего 1.00\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Обычная нагрузка: средний ЧНН 30 самых нагруженных дней, Эрл: 0.38; "
                        "нужно СЛ (Erlang B): 3 при потерях 1%, 3 при 5%\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Высокая нагрузка: средний ЧНН 5 самых нагруженных дней, Эрл: 0.65"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Занято СЛ одновременно за период: 1 из 4\n"), std::string::npos) << text;
}

// Offices whose busiest hour carries a known traffic, in whole-hour calls on
// as many trunks (and one of 48 minutes), get the trunks of the Erlang B tables.
TEST(TrafficCharts, OfficesOfKnownTrafficGetTheTrunksOfTheErlangBTables) {
    struct TOffice {
        std::vector<int> Calls; // seconds from 09:00, one trunk each
        double Erlangs;
        std::uint32_t Needed1;
        std::uint32_t Needed5;
    };
    for (const TOffice& office : std::vector<TOffice>{{{3600}, 1.00, 5, 4},
                                                      {{2880}, 0.80, 4, 3},
                                                      {{3600, 3600}, 2.00, 7, 5},
                                                      {{3600, 3600, 3600, 3600}, 4.00, 10, 8}}) {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < office.Calls.size(); ++i) {
            lines.push_back(Call(4, 9, 0, 0, office.Calls[i], 201 + static_cast<int>(i), "",
                                 std::to_string(i + 1), "8123"));
        }
        const TCallList calls = Loaded(lines);
        const TTrunkLoad load = TrunkLoad({calls.begin(), calls.end()}, {});
        const TTrunkSizing sizing = TrunkSizing(load);
        EXPECT_DOUBLE_EQ(sizing.Erlangs, office.Erlangs);
        EXPECT_EQ(sizing.Needed1[2], office.Needed1) << office.Erlangs;
        EXPECT_EQ(sizing.Needed5[2], office.Needed5) << office.Erlangs;
        EXPECT_EQ(sizing.HighLoadNeeded,
                  (std::array<std::uint32_t, 2>{office.Needed1, office.Needed5}));
        EXPECT_EQ(sizing.TrunksInUseAtOnce, office.Calls.size());
    }
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
