// The capture coverage journal: its lines both ways, and the intervals and gaps
// read from it over a period.

#include "report/Coverage.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/kit/TempDir.h"

namespace tallyvox::report {
namespace {

using callfile::TCoverageEntry;
using callfile::TCoverageEvent;

TCoverageEntry Reading(TCalendarTime time, int fill) {
    TCoverageEntry entry;
    entry.Time = time;
    entry.Serial = "1234";
    entry.Model = "Arden-L1";
    entry.Fill = fill;
    entry.Capacity = 2000;
    return entry;
}

TCoverageEntry Gap(TCalendarTime time, const char* reason, std::int64_t records) {
    TCoverageEntry entry;
    entry.Time = time;
    entry.Event = TCoverageEvent::Gap;
    entry.Reason = reason;
    entry.Records = records;
    entry.Detail = "port COM1 gone";
    return entry;
}

TEST(CoverageTest, TheJournalKeepsEveryEntryThroughATornLineAndOddTexts) {
    testkit::TTempDir folder;
    const std::string journal = callfile::CoverageJournalOf((folder.Path() / "calls.txt").string());
    EXPECT_EQ(journal, (folder.Path() / "calls.txt.coverage").string());
    ASSERT_TRUE(callfile::AppendCoverageEntry(journal, Reading({2026, 12, 1, 8, 0, 0}, 1900)));
    {
        std::ofstream torn(journal, std::ios::binary | std::ios::app);
        torn << "2026-12-01 09:00:00\tga";
    }
    TCoverageEntry gap = Gap({2026, 12, 1, 9, 0, 0}, "line-down", 17);
    gap.Detail = "port\tCOM1\r\ngone";
    ASSERT_TRUE(callfile::AppendCoverageEntry(journal, gap));

    bool readable = false;
    const std::vector<TCoverageEntry> entries = LoadCoverageJournal(journal, &readable);
    ASSERT_TRUE(readable);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Fill, 1900);
    EXPECT_EQ(entries[0].Model, "Arden-L1");
    EXPECT_EQ(entries[1].Reason, "line-down");
    EXPECT_EQ(entries[1].Records, 17);
    EXPECT_EQ(entries[1].Detail, "port COM1  gone");

    for (const char* wrong :
         {"", "2026-12-01 09:00:00", "2026-12-01 09:00:00\tpaused", "2026-12-01 9:00:00\treading",
          "2026-12-01 09:00:00\tgap\trecords=1", "2026-12-01 09:00:00\treading\tfill=many"}) {
        EXPECT_FALSE(callfile::ParseCoverageEntry(wrong)) << wrong;
    }
    LoadCoverageJournal((folder.Path() / "none").string(), &readable);
    EXPECT_FALSE(readable);
}

TEST(CoverageTest, SpansAndGapsOverAPeriod) {
    const std::vector<TCoverageEntry> entries{Reading({2026, 11, 30, 22, 0, 0}, 10),
                                              Gap({2026, 12, 1, 1, 0, 0}, "line-down", 5),
                                              Reading({2026, 12, 1, 1, 30, 0}, 1900),
                                              Gap({2026, 12, 1, 2, 0, 0}, "stopped", 3),
                                              Gap({2026, 12, 1, 3, 0, 0}, "file-unwritable", 0),
                                              Reading({2026, 12, 2, 6, 0, 0}, 2000),
                                              Reading({2026, 12, 2, 7, 0, 0}, 0)};
    const std::vector<TCoverageSpan> spans = CoverageSpans(entries);
    ASSERT_EQ(spans.size(), 7u);
    EXPECT_EQ(spans[0].Records, 5);
    EXPECT_EQ(spans[5].Records, -1) << "a collector that ended without a word";
    EXPECT_FALSE(spans[6].To);
    EXPECT_EQ(GapCount(spans), 3u);

    const std::vector<TCoverageSpan> day = SpansWithin(spans, ParsePeriodTime("2026-12-01", false),
                                                       ParsePeriodTime("2026-12-01", true));
    ASSERT_EQ(day.size(), 5u);
    EXPECT_EQ(day.front().From, (TCalendarTime{2026, 12, 1, 0, 0, 0}));
    EXPECT_EQ(day.back().To, (TCalendarTime{2026, 12, 1, 23, 59, 59}));
    EXPECT_EQ(GapCount(day), 3u);

    const std::vector<std::string> lines = CoverageLines(day);
    EXPECT_EQ(lines[0], "2026-12-01 00:00:00 .. 2026-12-01 01:00:00  reading  01:00:00  Arden-L1 "
                        "serial 1234, 5 calls, buffer 10 of 2000");
    EXPECT_EQ(lines[1], "2026-12-01 01:00:00 .. 2026-12-01 01:30:00  GAP line-down  00:30:00  "
                        "(port COM1 gone)");
    EXPECT_NE(lines[2].find("buffer 1900 of 2000 (over 90%)"), std::string::npos) << lines[2];

    EXPECT_EQ(GapCount(SpansWithin(spans, ParsePeriodTime("2026-12-02 06:30", false), {})), 0u);
}

// The runs of a timed setup: a stop followed by a read that finds the buffer
// not full lost nothing (a pause); one whose next read finds it full may have
// lost calls, and so may the last stop until a read tells.
TEST(CoverageTest, PausesBetweenTimedRunsAreNoGaps) {
    const std::vector<TCoverageSpan> spans = CoverageSpans(
        {Reading({2026, 12, 1, 8, 0, 0}, 5), Gap({2026, 12, 1, 8, 0, 20}, "stopped", 5),
         Reading({2026, 12, 1, 9, 0, 0}, 7), Gap({2026, 12, 1, 9, 0, 20}, "stopped", 7),
         Gap({2026, 12, 1, 10, 0, 0}, "line-down", 0), Reading({2026, 12, 1, 11, 0, 0}, 2000),
         Gap({2026, 12, 1, 11, 5, 0}, "stopped", 2000)});
    std::vector<bool> pauses;
    for (const TCoverageSpan& span : spans) {
        pauses.push_back(span.Pause);
    }
    EXPECT_EQ(pauses, (std::vector<bool>{false, true, false, false, false, false, false}));
    EXPECT_EQ(GapCount(spans), 3u);
    EXPECT_EQ(GapCount(SpansWithin(spans, {}, ParsePeriodTime("2026-12-01 09:00", false))), 0u);
    EXPECT_EQ(CoverageLines(spans)[1], "2026-12-01 08:00:20 .. 2026-12-01 09:00:00  pause stopped  "
                                       "00:59:40  (the exchange kept its calls)");
}

TEST(CoverageTest, PeriodTimesAreADateOrADateAndTime) {
    EXPECT_EQ(ParsePeriodTime("2026-02-03 04:05:06", false), (TCalendarTime{2026, 2, 3, 4, 5, 6}));
    EXPECT_EQ(ParsePeriodTime("2026-02-03 04:05", true), (TCalendarTime{2026, 2, 3, 4, 5, 0}));
    for (const char* wrong :
         {"2026-2-3", "2026-13-01", "2026-02-03T04:05", "yesterday", "", "2026-02-03 24:00"}) {
        EXPECT_FALSE(ParsePeriodTime(wrong, false)) << wrong;
    }
}

} // namespace
} // namespace tallyvox::report
