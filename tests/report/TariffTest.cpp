#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "report/Costs.h"
#include "report/Period.h"
#include "report/TariffReader.h"
#include "text/Cp1251.h"

namespace tallyvox::report {
namespace {

// Every kind of row: a default row, a local price with an evening band that
// wraps midnight and a weekend row beside it, long distance 60/60 with a fee, a
// trunk of another carrier and a price change from a date, mobile 1/1 with three
// free seconds, international 30/6 with four decimals, emergency numbers free.
const char* const Table = "prefix;name;price_per_minute;initial_seconds;step_seconds;"
                          "free_seconds;connection_fee;trunk;days;from;to;valid_from\n"
                          ";Прочие;10;;;;;;;;;\n"
                          "2;Город;1,50;;;;;;;;;\n"
                          "2;Город;0.75;;;;;;;19:00;08:00;\n"
                          "2;Город;0,5;;;;;;6,7;;;\n"
                          "8;Межгород;3.2;60;60;;2.50;;;;;\n"
                          "8;Межгород;2;;;;;7;;;;\n"
                          "8;Межгород;4;60;60;;2.50;;;;;2026-07-01\n"
                          "89;Мобильные;2,4;1;1;3;;;;;;\n"
                          "810;Международная;12.3456;30;6;;;;;;;\n"
                          "112;Экстренные;0;;;;;;;;;\n"
                          "7;Половина копейки;0,0030;1;1;;;;;;;\n";

TExtStr_rep Call(const std::string& start, int seconds, std::string_view number,
                 std::string_view trunk = "1") {
    TExtStr_rep call;
    call.Start = *ParseDateTime(start);
    call.TotalSeconds = seconds;
    call.DialledNumber = number;
    call.Trunk = trunk;
    call.HardwareLine = "201";
    return call;
}

TEST(TariffCost, ChoosesTheRowAndBillsTheBlocks) {
    const TTariffTable table = ReadTariffText(Table);
    struct TCase {
        const char* Start; // 2026-06-10 is a Wednesday, 06-13 a Saturday
        int Seconds;
        const char* Number;
        const char* Trunk;
        int Line; // of the row in Table; 0: none
        std::uint32_t Billed;
        TCents Cost;
    };
    const std::vector<TCase> cases{
        {"2026-06-10 12:00:00", 61, "2345678", "1", 3, 120, 300},       // 60/60
        {"2026-06-10 23:30:00", 30, "2345678", "1", 4, 60, 75},         // evening band
        {"2026-06-11 07:59:59", 60, "2345678", "1", 4, 60, 75},         // ... past midnight
        {"2026-06-11 08:00:00", 60, "2345678", "1", 3, 60, 150},        // band's end excluded
        {"2026-06-13 12:00:00", 60, "2345678", "1", 5, 60, 50},         // weekend days
        {"2026-06-13 23:00:00", 60, "2345678", "1", 4, 60, 75},         // band over days
        {"2026-06-10 12:00:00", 125, "84951234567", "1", 6, 180, 1210}, // fee + 3 × 3,20
        {"2026-06-10 12:00:00", 125, "84951234567", "7", 7, 180, 600},  // trunk row
        {"2026-06-30 23:59:59", 125, "84951234567", "1", 6, 180, 1210}, // old price
        {"2026-07-01 00:00:00", 125, "84951234567", "1", 8, 180, 1450}, // valid_from
        {"2026-07-01 00:00:00", 125, "84951234567", "7", 7, 180, 600},  // trunk over date
        {"2026-06-10 12:00:00", 3, "89161234567", "1", 9, 0, 0},        // free seconds
        {"2026-06-10 12:00:00", 4, "89161234567", "1", 9, 4, 16},       // 1/1
        {"2026-06-10 12:00:00", 61, "89161234567", "1", 9, 61, 244},
        {"2026-06-10 12:00:00", 1, "810441234567", "1", 10, 30, 617}, // 30/6
        {"2026-06-10 12:00:00", 30, "810441234567", "1", 10, 30, 617},
        {"2026-06-10 12:00:00", 31, "810441234567", "1", 10, 36, 741},
        {"2026-06-10 12:00:00", 600, "112", "1", 11, 600, 0},  // free destination
        {"2026-06-10 12:00:00", 100, "7001", "1", 12, 100, 1}, // 0,005 rounds half up
        {"2026-06-10 12:00:00", 99, "7001", "1", 12, 99, 0},
        {"2026-06-10 12:00:00", 60, "5555", "1", 2, 60, 1000}, // default row
        {"2026-06-10 12:00:00", 60, "*21#", "1", 2, 60, 1000}, // not digits: default
        {"2026-06-10 12:00:00", 0, "2345678", "1", 3, 0, 0},   // no talk, no cost
        {"2026-06-10 12:00:00", 60, "", "1", 0, 0, 0},         // incoming
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Start) + " " + c.Number + " trunk " + c.Trunk);
        const TCallCost cost = table.Cost(Call(c.Start, c.Seconds, c.Number, c.Trunk));
        EXPECT_EQ(cost.Priced() ? table.Rows()[static_cast<std::size_t>(cost.Row)].Line : 0,
                  static_cast<std::size_t>(c.Line));
        EXPECT_EQ(cost.BilledSeconds, c.Billed);
        EXPECT_EQ(cost.Cost, c.Cost);
    }
}

// Three hundred thousand calls of 0,10: a floating-point sum would drift; the
// totals are exact, each a sum of rounded call costs, and rows sharing a name
// count as one destination.
TEST(TariffCost, TotalsAreExactSumsOfTheRoundedCallCosts) {
    const TTariffTable table = ReadTariffText(Table);
    TCallList calls;
    for (int i = 0; i < 300000; ++i) {
        calls.Append(Call("2026-06-10 12:00:00", 4, "89161234567")); // 2,4 × 4/60 = 0,16
        calls.Append(Call("2026-06-10 23:00:00", 10, "2000000"));    // evening 0,75
    }
    calls.Append(Call("2026-06-10 12:00:00", 10, "2000000")); // day 1,50
    calls.Append(Call("2026-06-10 12:00:00", 10, "", "2"));   // incoming
    calls.Append(Call("2026-06-10 12:00:00", 10, "9", "2"));  // priced by the default
    const TTariffTable noDefault(
        std::vector<TTariffRow>(table.Rows().begin() + 1, table.Rows().end()));
    for (const bool withDefault : {true, false}) {
        const TCostReport report = PriceCalls(calls, withDefault ? table : noDefault);
        const TCents expected = 300000 * (16 + 75) + 150 + (withDefault ? 1000 : 0);
        EXPECT_EQ(report.Total, expected);
        EXPECT_EQ(report.Incoming, 1u);
        EXPECT_EQ(report.Unpriced, withDefault ? 0u : 1u);
        EXPECT_EQ(report.Priced, withDefault ? 600002u : 600001u);
        EXPECT_EQ(report.LineCost("201").Cost, expected);
        EXPECT_EQ(report.TrunkCost("1").Calls, 600001u);
        EXPECT_EQ(report.TrunkCost("2").Cost, withDefault ? 1000 : 0);
        const TCostEntry* city = report.Destinations.Find(text::Utf8ToCp1251("Город"));
        ASSERT_NE(city, nullptr);
        EXPECT_EQ(city->Calls, 300001u);
        EXPECT_EQ(city->Cost, 300000 * 75 + 150);
        EXPECT_EQ(report.Destinations[0].Key, city->Key); // the dearest first
    }
    // Priced in one part or in three, the same figures.
    const TCostReport one = PriceCalls(calls, table, 1);
    const TCostReport three = PriceCalls(calls, table, 3);
    EXPECT_EQ(one.Total, three.Total);
    EXPECT_EQ(one.Unpriced + one.Incoming + one.Priced, calls.Count());
    ASSERT_EQ(one.Trunks.Count(), three.Trunks.Count());
    for (std::size_t i = 0; i < one.Trunks.Count(); ++i) {
        EXPECT_EQ(one.Trunks[i].Key, three.Trunks[i].Key);
        EXPECT_EQ(one.Trunks[i].Cost, three.Trunks[i].Cost);
    }
    for (std::size_t i = 0; i < calls.Count(); i += 1001) {
        EXPECT_EQ(one.Calls[i].Cost, three.Calls[i].Cost);
    }
}

TEST(TariffReader, RefusesAFaultyTableAsAWholeWithEveryFaultyLine) {
    struct TCase {
        std::string Text;
        std::vector<std::pair<std::size_t, std::string>> Faults; // line, part of the text
    };
    const std::string header =
        "prefix;name;price_per_minute;step_seconds;from;to;days;valid_from\n";
    const std::vector<TCase> cases{
        {"prefix;price_per_minute;stepseconds\n1;2;3\n",
         {{1, "unknown column \"stepseconds\""}, {1, "missing column \"name\""}}},
        {header + "1;a;1,2;;;;;\n"
                  "2;b;abc;;;;;\n"
                  "3;c;1.23456;;;;;\n"
                  "\r\n;;;;;;;\n"
                  "4;d;1;0;;;;\n"
                  "5;e;1;;25:00;08:00;;\n"
                  "6;f;1;;19:00;;;\n"
                  "7;g;1;;;;8;\n"
                  "8;h;1;;;;;2026-02-30\n"
                  "9x;i;1;;;;;\n"
                  "1;j;1;;;;;;;\n",
         {{3, "price_per_minute \"abc\""},
          {4, "price_per_minute \"1.23456\""},
          {7, "step_seconds \"0\""},
          {8, "from \"25:00\""},
          {9, "a band needs both from and to"},
          {10, "days \"8\""},
          {11, "valid_from \"2026-02-30\""},
          {12, "prefix \"9x\""},
          {13, "more fields"}}},
        // Ties: checked once every row reads.
        {header + "1;a;1;;;;;\n"
                  "1;b;2;;;;;\n"
                  "2;c;1;;19:00;08:00;;\n"
                  "2;d;1;;07:00;09:00;;\n"
                  "3;e;1;;;;1-5;\n"
                  "3;f;1;;;;5,6;\n"
                  "4;g;1;;;;1-5;\n"
                  "4;h;1;;;;6,7;\n"
                  "4;i;1;;;;6;2026-01-01\n",
         {{3, "ties with line 2"}, {5, "ties with line 4"}, {7, "ties with line 6"}}},
    };
    for (const TCase& c : cases) {
        try {
            ReadTariffText(c.Text);
            ADD_FAILURE() << "accepted:\n" << c.Text;
        } catch (const ETariffError& error) {
            ASSERT_EQ(error.Faults().size(), c.Faults.size()) << error.what();
            for (std::size_t i = 0; i < c.Faults.size(); ++i) {
                EXPECT_EQ(error.Faults()[i].Line, c.Faults[i].first) << error.what();
                EXPECT_NE(error.Faults()[i].What.find(c.Faults[i].second), std::string::npos)
                    << error.what();
            }
        }
    }
}

// A table of many rows that tie is judged in a pass over its rows and names
// only its first faults; a price too high to add up safely is refused at its
// line, and the highest price allowed is billed exactly.
TEST(TariffReader, JudgesAHugeTableInBoundedTimeAndRefusesPricesThatCouldOverflow) {
    std::string table = "prefix;name;price_per_minute\n";
    for (int row = 0; row < 10000; ++row) {
        table += "7;Дальняя;1,5\n";
    }
    const auto started = std::chrono::steady_clock::now();
    try {
        ReadTariffText(table);
        ADD_FAILURE() << "ten thousand ties accepted";
    } catch (const ETariffError& error) {
        ASSERT_EQ(error.Faults().size(), MaxTariffFaults);
        EXPECT_EQ(error.More(), 9999 - MaxTariffFaults);
        for (std::size_t i = 0; i < MaxTariffFaults; ++i) {
            EXPECT_EQ(error.Faults()[i].Line, i + 3);
            EXPECT_TRUE(error.Faults()[i].What.starts_with("ties with line 2 "))
                << error.Faults()[i].What;
        }
        EXPECT_TRUE(std::string(error.what()).ends_with("\nand 9899 more faults\n"));
    }
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::seconds(10));
    std::printf("10000 rows of one prefix judged in %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));

    // Rows of one prefix by weekday and band: only those sharing a minute tie.
    std::string week = "prefix;name;price_per_minute;days;from;to\n";
    for (int day = 1; day <= 7; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            week += "5;Ночь;1;" + std::to_string(day) + ";" + std::to_string(hour) + ":00;" +
                    std::to_string((hour + 1) % 24) + ":00\n";
        }
    }
    EXPECT_EQ(ReadTariffText(week).Rows().size(), 7u * 24u);

    for (const char* column : {"price_per_minute", "connection_fee"}) {
        const std::string header = std::string("prefix;name;price_per_minute;connection_fee\n");
        const bool price = std::string(column) == "price_per_minute";
        try {
            ReadTariffText(header + "1;a;1;1\n" +
                           (price ? "2;b;281474976710655;0\n" : "2;b;1;10000,0001\n"));
            ADD_FAILURE() << column;
        } catch (const ETariffError& error) {
            ASSERT_EQ(error.Faults().size(), 1u) << error.what();
            EXPECT_EQ(error.Faults()[0].Line, 3u);
            EXPECT_EQ(error.Faults()[0].What,
                      std::string(column) + (price ? " \"281474976710655\"" : " \"10000,0001\"") +
                          " is above 10000");
        }
    }
    const TTariffTable highest =
        ReadTariffText("prefix;name;price_per_minute;connection_fee\n1;a;10000;10000\n");
    TExtStr_rep call;
    call.Start = *ParseDateTime("2026-12-01 09:00:00");
    call.TotalSeconds = 99 * 3600 + 59 * 60 + 59; // the longest a call line holds
    call.DialledNumber = "123";
    // 6 000 minutes at 10 000 and the fee: 60 010 000,00.
    EXPECT_EQ(highest.Cost(call).Cost, 6'001'000'000);
    TCallList calls;
    for (int i = 0; i < 1000; ++i) {
        calls.Append(call);
    }
    EXPECT_EQ(PriceCalls(calls, highest).Total, 6'001'000'000'000);
}

TEST(TariffReader, ReadsUtf8WithAndWithoutBomAndWindows1251Alike) {
    const std::string utf8 = "Prefix;Name;Price_per_minute\r\n"
                             "8;\"Межгород; \"\"Связь\"\"\";1,25\r\n"
                             ";Прочие;0.5\r\n";
    for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8, text::Utf8ToCp1251(utf8)}) {
        const TTariffTable table = ReadTariffText(bytes, "/tmp/tariffs.csv");
        ASSERT_EQ(table.Rows().size(), 2u);
        EXPECT_EQ(table.Rows()[0].Name, text::Utf8ToCp1251("Межгород; \"Связь\""));
        EXPECT_EQ(table.Rows()[0].PricePerMinute, 12500);
        EXPECT_EQ(table.Rows()[0].Line, 2u);
        EXPECT_EQ(table.Rows()[1].Name, text::Utf8ToCp1251("Прочие"));
        EXPECT_EQ(table.Rows()[1].PricePerMinute, 5000);
        EXPECT_EQ(table.Rows()[1].Line, 3u);
        EXPECT_EQ(table.FileName(), "/tmp/tariffs.csv");
    }
}

} // namespace
} // namespace tallyvox::report
