#include <gtest/gtest.h>

#include "reportcli/CommandLine.h"

namespace tallyvox::reportcli {
namespace {

TEST(ReportCommandLine, ReadsTheCostAndPeriodOptions) {
    const TReportOptions options = ParseCommandLine(
        {"calls.txt", "--tariffs", "t.csv", "--from", "2026-11-01", "--to", "2026-11-30", "--csv",
         "calls=c.csv", "--csv", "destinations=d=1.csv", "--xlsx", "r.xlsx"});
    EXPECT_EQ(options.Tariffs, "t.csv");
    const report::TPeriod period = options.PeriodAt(*report::ParseDateTime("2027-01-01"));
    EXPECT_EQ(report::DateTimeText(*period.From), "2026-11-01 00:00:00");
    EXPECT_EQ(report::DateTimeText(*period.To), "2026-11-30 23:59:59");
    ASSERT_EQ(options.CsvOuts.size(), 2u);
    EXPECT_EQ(options.CsvOuts[0], std::make_pair(report::TViewKind::Calls, std::string("c.csv")));
    EXPECT_EQ(options.CsvOuts[1],
              std::make_pair(report::TViewKind::Destinations, std::string("d=1.csv")));
    EXPECT_EQ(options.XlsxOut, "r.xlsx");
    EXPECT_TRUE(options.WritesExports());

    const TReportOptions preset = ParseCommandLine({"calls.txt", "--period", "lastweek"});
    EXPECT_EQ(
        report::DateTimeText(*preset.PeriodAt(*report::ParseDateTime("2026-12-09 10:00")).From),
        "2026-11-30 00:00:00");
    EXPECT_FALSE(preset.WritesExports());
    EXPECT_TRUE(ParseCommandLine({"--check-tariffs", "t.csv"}).CheckTariffs);

    const TReportOptions store =
        ParseCommandLine({"--store", "host=/run/db", "--site", "kiev", "--site", "lviv"});
    EXPECT_EQ(store.Store, "host=/run/db");
    EXPECT_EQ(store.Sites, (std::vector<std::string>{"kiev", "lviv"}));
    EXPECT_TRUE(store.CallFile.empty());
}

TEST(ReportCommandLine, RefusesBadCostAndPeriodOptions) {
    const std::vector<std::vector<std::string>> bad{
        {"c.txt", "--period", "lastyear"},
        {"c.txt", "--period", "today", "--to", "2026-01-01"},
        {"c.txt", "--from", "2026-02-30"},
        {"c.txt", "--from", "2026-01-02", "--to", "2026-01-01"},
        {"c.txt", "--csv", "all=x.csv"},
        {"c.txt", "--csv", "calls="},
        {"c.txt", "--tariffs", "a", "--tariffs", "b"},
        {"c.txt", "--xlsx"},
        {"--tariffs", "t.csv"},
        {"c.txt", "--store", "host=/run/db"},
        {"c.txt", "--site", "kiev"},
        {"--store", "a", "--store", "b"},
    };
    for (const auto& arguments : bad) {
        EXPECT_THROW(ParseCommandLine(arguments), ECommandLineError) << arguments[1];
    }
}

} // namespace
} // namespace tallyvox::reportcli
