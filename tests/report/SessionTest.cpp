#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "report/CallSource.h"
#include "report/Costs.h"
#include "report/Load.h"
#include "report/Period.h"
#include "report/Session.h"
#include "report/TariffReader.h"
#include "report/Totals.h"
#include "tests/kit/TempDir.h"
#include "tests/report/CallLines.h"

namespace tallyvox::report {
namespace {

template <class TList> void ExpectSameEntries(const TList& a, const TList& b) {
    ASSERT_EQ(a.Count(), b.Count());
    for (std::size_t i = 0; i < a.Count(); ++i) {
        EXPECT_EQ(KeyOf(a[i]), KeyOf(b[i]));
        EXPECT_EQ(static_cast<const TTraffic_rep&>(a[i]), static_cast<const TTraffic_rep&>(b[i]));
    }
}

void ExpectSameCosts(const TCostList& a, const TCostList& b) {
    ASSERT_EQ(a.Count(), b.Count());
    for (std::size_t i = 0; i < a.Count(); ++i) {
        EXPECT_EQ(a[i].Key, b[i].Key);
        EXPECT_EQ(a[i].Calls, b[i].Calls);
        EXPECT_EQ(a[i].BilledSeconds, b[i].BilledSeconds);
        EXPECT_EQ(a[i].Cost, b[i].Cost);
    }
}

// A file large enough to be read in parts, read once with every call priced and
// kept as it is read: the calls, totals and costs are those of loading the
// whole file, keeping the period's calls and pricing them afterwards.
TEST(ReportSession, ReadInPartsGivesWhatLoadingThenPricingGives) {
    testkit::TTempDir folder;
    const std::string name = (folder.Path() / "calls.txt").string();
    std::string text;
    for (int i = 0; text.size() < (std::size_t{5} << 20); ++i) {
        std::string line =
            CallLine(200 + (i * 7919) % 97, std::to_string(i % 1000), std::to_string(i % 13),
                     i % 3 == 0 ? "" : (i % 2 ? "8" : "") + std::to_string(i), 0, i % 60, i % 59);
        char day[3];
        std::snprintf(day, sizeof day, "%02d", 1 + i % 28);
        text += line.replace(0, 2, day) + (i % 5 == 0 ? "\r" : "\r\n");
    }
    std::ofstream(name, std::ios::binary) << text;
    const TTariffTable table = ReadTariffText(
        "prefix;name;price_per_minute\n;Other;2\n8;Long;3,5\n81;Far;7\n", "tariffs.csv");
    const TPeriod period{TDateTime{2004, 5, 8, 0, 0, 0}, TDateTime{2004, 5, 20, 23, 59, 59}};
    const TCallList file = LoadCallFile(name);
    const TCallList calls = CallsInPeriod(file, period);
    const TCostReport costs = PriceCalls(calls, table);
    for (const unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE(threads);
        TCallFileSource source(name);
        TReportSession session({&table});
        session.Load(source, period, true, threads);
        EXPECT_EQ(session.LineCount(), file.LineCount());
        ASSERT_EQ(session.Calls().Count(), calls.Count());
        for (std::size_t i = 0; i < calls.Count(); ++i) {
            EXPECT_EQ(session.Calls()[i].Start, calls[i].Start);
            EXPECT_EQ(session.Calls()[i].HardwareLine, calls[i].HardwareLine);
            EXPECT_EQ(session.Calls()[i].DialledNumber, calls[i].DialledNumber);
            EXPECT_EQ(session.Costs().Calls[i].Cost, costs.Calls[i].Cost);
            EXPECT_EQ(session.Costs().Calls[i].Row, costs.Calls[i].Row);
        }
        ExpectSameEntries(session.Lines(), BuildLineList(calls));
        ExpectSameEntries(session.Trunks(), BuildTrunkList(calls));
        ExpectSameCosts(session.Costs().Lines, costs.Lines);
        ExpectSameCosts(session.Costs().Trunks, costs.Trunks);
        ExpectSameCosts(session.Costs().Destinations, costs.Destinations);
        EXPECT_EQ(session.Costs().Total, costs.Total);
        EXPECT_EQ(session.Costs().Unpriced, costs.Unpriced);
        EXPECT_EQ(session.Costs().Incoming, costs.Incoming);
    }
}

} // namespace
} // namespace tallyvox::report
