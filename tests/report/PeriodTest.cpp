#include <gtest/gtest.h>

#include "report/Period.h"
#include "report/Totals.h"

namespace tallyvox::report {
namespace {

TDateTime At(const char* text) {
    return *ParseDateTime(text);
}

TEST(Period, PresetsCoverWholeDaysAroundNow) {
    struct TCase {
        const char* Now;
        const char* Name;
        const char* From;
        const char* To;
    };
    const std::vector<TCase> cases{
        {"2026-12-09 00:43:30", "today", "2026-12-09 00:00:00", "2026-12-09 23:59:59"},
        {"2026-03-01 10:00:00", "yesterday", "2026-02-28 00:00:00", "2026-02-28 23:59:59"},
        {"2028-03-01 10:00:00", "yesterday", "2028-02-29 00:00:00", "2028-02-29 23:59:59"},
        {"2026-12-09 12:00:00", "thisweek", "2026-12-07 00:00:00", "2026-12-13 23:59:59"},
        {"2026-12-13 23:59:59", "thisweek", "2026-12-07 00:00:00", "2026-12-13 23:59:59"},
        {"2026-12-07 00:00:00", "thisweek", "2026-12-07 00:00:00", "2026-12-13 23:59:59"},
        {"2027-01-01 08:00:00", "lastweek", "2026-12-21 00:00:00", "2026-12-27 23:59:59"},
        {"2026-02-10 08:00:00", "thismonth", "2026-02-01 00:00:00", "2026-02-28 23:59:59"},
        {"2028-02-10 08:00:00", "thismonth", "2028-02-01 00:00:00", "2028-02-29 23:59:59"},
        {"2026-12-31 23:59:59", "thismonth", "2026-12-01 00:00:00", "2026-12-31 23:59:59"},
        {"2027-01-31 12:00:00", "lastmonth", "2026-12-01 00:00:00", "2026-12-31 23:59:59"},
        {"2026-03-31 12:00:00", "lastmonth", "2026-02-01 00:00:00", "2026-02-28 23:59:59"},
        {"2026-05-31 12:00:00", "lastmonth", "2026-04-01 00:00:00", "2026-04-30 23:59:59"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + " at " + c.Now);
        const std::optional<TPeriodPreset> preset = PresetByName(c.Name);
        ASSERT_TRUE(preset);
        const TPeriod period = PresetPeriod(*preset, At(c.Now));
        EXPECT_EQ(DateTimeText(*period.From), c.From);
        EXPECT_EQ(DateTimeText(*period.To), c.To);
    }
    EXPECT_FALSE(PresetByName("lastyear"));
}

// A call belongs to the period by its start: one starting at the last second
// belongs whatever its length, one a second before the first does not; the
// totals are made of the calls kept.
TEST(Period, KeepsTheCallsThatStartInsideBothEndsIncluded) {
    TCallList calls;
    const std::vector<std::pair<const char*, bool>> starts{{"2026-11-30 23:59:59", false},
                                                           {"2026-12-01 00:00:00", true},
                                                           {"2026-12-31 23:59:59", true},
                                                           {"2027-01-01 00:00:00", false},
                                                           {"2026-12-15 12:00:00", true}};
    for (const auto& [start, kept] : starts) {
        TExtStr_rep call;
        call.Start = At(start);
        call.TotalSeconds = 3600;
        call.DurationHours = 1;
        call.HardwareLine = "201";
        call.DialledNumber = kept ? "1" : "2";
        calls.Append(call);
    }
    const TPeriod december = PresetPeriod(TPeriodPreset::LastMonth, At("2027-01-01 00:00:00"));
    const TCallList kept = CallsInPeriod(calls, december);
    ASSERT_EQ(kept.Count(), 3u);
    for (const TExtStr_rep& call : kept) {
        EXPECT_EQ(call.DialledNumber, "1");
    }
    EXPECT_EQ(BuildLineList(kept)[0].OutTotalSeconds, 3u * 3600);
    EXPECT_EQ(CallsInPeriod(calls, TPeriod{}).Count(), 5u);
    EXPECT_EQ(CallsInPeriod(calls, TPeriod{At("2026-12-31 23:59:59"), std::nullopt}).Count(), 2u);
}

TEST(Period, ReadsDateTimesAndRefusesImpossibleOnes) {
    EXPECT_EQ(DateTimeText(*ParseDateTime("2026-12-31", true)), "2026-12-31 23:59:59");
    EXPECT_EQ(DateTimeText(*ParseDateTime("2026-12-31")), "2026-12-31 00:00:00");
    EXPECT_EQ(DateTimeText(*ParseDateTime("2026-12-31T08:30")), "2026-12-31 08:30:00");
    EXPECT_EQ(DateTimeText(*ParseDateTime("2026-12-31 08:30:15")), "2026-12-31 08:30:15");
    for (const char* bad :
         {"2026-02-29", "2026-13-01", "2026-12-31 24:00", "31.12.2026", "", "2026-12-31 8:30"}) {
        EXPECT_FALSE(ParseDateTime(bad)) << bad;
    }
    EXPECT_EQ(Weekday(At("2026-12-07 00:00:00")), 1);
    EXPECT_EQ(Weekday(At("1970-01-01 00:00:00")), 4);
    EXPECT_EQ(Weekday(At("2026-12-13 00:00:00")), 7);
}

} // namespace
} // namespace tallyvox::report
