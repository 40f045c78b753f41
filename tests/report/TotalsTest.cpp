#include <gtest/gtest.h>

#include <fstream>
#include <system_error>

#include "report/FileTotals.h"
#include "report/Totals.h"
#include "tests/kit/TempDir.h"
#include "tests/report/CallLines.h"

namespace tallyvox::report {
namespace {

TEST(TrafficSetters, CarrySecondsIntoMinutesAndMinutesIntoHours) {
    struct TCase {
        std::uint32_t Hours, Minutes, Seconds; // before
        bool SetSeconds;                       // else SetMinutes
        std::uint32_t Argument;
        std::uint32_t ExpectedHours, ExpectedMinutes, ExpectedSeconds;
    };
    const std::vector<TCase> cases{
        {0, 0, 0, true, 125, 0, 2, 5},   {3, 59, 30, true, 30 + 40, 4, 0, 10},
        {0, 0, 0, false, 59, 0, 59, 0},  {0, 0, 0, false, 60, 1, 0, 0},
        {7, 0, 0, false, 185, 10, 5, 0}, {0, 59, 0, true, 60, 1, 0, 0},
        {0, 0, 59, true, 59, 0, 0, 59},
    };
    for (const TCase& c : cases) {
        TTraffic_rep in;
        in.InHours = c.Hours;
        in.InMinutes = c.Minutes;
        in.InSeconds = c.Seconds;
        TTraffic_rep out;
        out.OutHours = c.Hours;
        out.OutMinutes = c.Minutes;
        out.OutSeconds = c.Seconds;
        if (c.SetSeconds) {
            in.SetInSeconds(c.Argument);
            out.SetOutSeconds(c.Argument);
        } else {
            in.SetInMinutes(c.Argument);
            out.SetOutMinutes(c.Argument);
        }
        EXPECT_EQ(InTrafficText(in),
                  TrafficText(c.ExpectedHours, c.ExpectedMinutes, c.ExpectedSeconds));
        EXPECT_EQ(OutTrafficText(out), InTrafficText(in));
        EXPECT_EQ(in.OutHours + in.OutMinutes + in.OutSeconds + in.InTotalSeconds, 0u);
    }
}

// The examples of the totals: two incoming calls of 40 s; outgoing calls whose
// seconds carry into the hours; 100 hours and more; two lines with one program
// number; one line with two; calls without a trunk.
TEST(BuildTotals, SumEachLineAndTrunkInTheOrderOfTheirFirstCalls) {
    std::vector<std::string> lines{
        CallLine(203, "21", "5", "", 0, 0, 40),  CallLine(201, "112", "", "8123", 0, 59, 50),
        CallLine(203, "99", "5", "", 0, 0, 40),  CallLine(201, "112", "", "8124", 0, 0, 15),
        CallLine(202, "21", "6", "80", 0, 0, 1),
    };
    for (int i = 0; i < 5; ++i) {
        lines.push_back(CallLine(204, "30", "6", "1", 20, 0, 0));
    }
    const TCallList calls = Loaded(lines);
    const TLineList lineList = BuildLineList(calls);
    ASSERT_EQ(lineList.Count(), 4u);
    struct TRow {
        std::string HardwareLine, ProgramNumber, Out, In, Total;
    };
    const std::vector<TRow> expected{
        {"203", "21", "00:00:00", "00:01:20", "00:01:20"},
        {"201", "112", "01:00:05", "00:00:00", "01:00:05"},
        {"202", "21", "00:00:01", "00:00:00", "00:00:01"},
        {"204", "30", "100:00:00", "00:00:00", "100:00:00"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TAL_rep& line = lineList[i];
        EXPECT_EQ(line.HardwareLine, expected[i].HardwareLine);
        EXPECT_EQ(line.ProgramNumber, expected[i].ProgramNumber);
        EXPECT_EQ(OutTrafficText(line), expected[i].Out);
        EXPECT_EQ(InTrafficText(line), expected[i].In);
        EXPECT_EQ(TotalTrafficText(line), expected[i].Total);
        EXPECT_EQ(line.InHours * 3600 + line.InMinutes * 60 + line.InSeconds, line.InTotalSeconds);
        EXPECT_EQ(line.OutHours * 3600 + line.OutMinutes * 60 + line.OutSeconds,
                  line.OutTotalSeconds);
        EXPECT_EQ(line.InTotalSeconds + line.OutTotalSeconds, line.TotalSeconds);
    }

    const TTrunkList trunks = BuildTrunkList(calls);
    ASSERT_EQ(trunks.Count(), 3u);
    EXPECT_EQ(trunks[0].Trunk, "5");
    EXPECT_EQ(trunks[1].Trunk, "");
    EXPECT_EQ(OutTrafficText(trunks[1]), "01:00:05");
    EXPECT_EQ(trunks[2].Trunk, "6");
    EXPECT_EQ(TotalTrafficText(trunks[2]), "100:00:01");
    EXPECT_EQ(FindTrunk(trunks, ""), &trunks[1]);
    EXPECT_EQ(FindTrunk(trunks, "6"), &trunks[2]);
    EXPECT_EQ(FindTrunk(trunks, "6 "), nullptr);
}

TEST(BuildTotals, AnEmptyCallListGivesEmptyTotals) {
    const TCallList calls = Loaded({});
    EXPECT_EQ(BuildLineList(calls).Count(), 0u);
    EXPECT_EQ(BuildTrunkList(calls).Count(), 0u);
}

TEST(FindLine, FindsEqualTextsOnly) {
    const TCallList calls = Loaded({CallLine(12, "1", "5", "", 0, 0, 1).replace(33, 3, " 12"),
                                    CallLine(123, "2", "5", "", 0, 0, 1)});
    const TLineList lines = BuildLineList(calls);
    ASSERT_EQ(lines.Count(), 2u);
    EXPECT_EQ(FindLine(lines, "123"), &lines[1]);
    EXPECT_EQ(FindLine(lines, " 12"), &lines[0]);
    EXPECT_EQ(FindLine(lines, "12"), nullptr);
}

} // namespace
} // namespace tallyvox::report

namespace tallyvox::report {
namespace {

template <class TList> void ExpectSameEntries(const TList& a, const TList& b) {
    ASSERT_EQ(a.Count(), b.Count());
    for (std::size_t i = 0; i < a.Count(); ++i) {
        EXPECT_EQ(KeyOf(a[i]), KeyOf(b[i]));
        EXPECT_EQ(static_cast<const TTraffic_rep&>(a[i]), static_cast<const TTraffic_rep&>(b[i]));
    }
}

// A file large enough to be read in parts: the joined totals are those of the
// whole list, entry for entry and in the same order, with the first call's program number.
TEST(ReadFileTotals, GivesTheTotalsOfTheLoadedListOnAnyNumberOfThreads) {
    testkit::TTempDir folder;
    const std::string name = (folder.Path() / "calls.txt").string();
    std::string text;
    for (int i = 0; text.size() < (std::size_t{5} << 20); ++i) {
        const int line = 200 + (i * 7919) % 97;
        text += CallLine(line, std::to_string(i % 1000), std::to_string(i % 13),
                         i % 3 == 0 ? "" : "8" + std::to_string(i), i % 24, i % 60, i % 59);
        text += i % 5 == 0 ? "\r" : "\r\n";
    }
    std::ofstream(name, std::ios::binary) << text;
    const TCallList calls = LoadCallFile(name);
    for (const unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE(threads);
        const TFileTotals totals = ReadFileTotals(name, threads);
        EXPECT_EQ(totals.LineCount, calls.LineCount());
        ExpectSameEntries(totals.Lines, BuildLineList(calls));
        ExpectSameEntries(totals.Trunks, BuildTrunkList(calls));
        EXPECT_EQ(totals.Lines[0].ProgramNumber, BuildLineList(calls)[0].ProgramNumber);
    }
    EXPECT_THROW(ReadFileTotals((folder.Path() / "missing.txt").string()), std::system_error);
}

} // namespace
} // namespace tallyvox::report
