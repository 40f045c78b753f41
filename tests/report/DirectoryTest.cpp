#include <gtest/gtest.h>

#include <map>

#include "report/Costs.h"
#include "report/DirectoryReader.h"
#include "report/DirectoryTotals.h"
#include "report/MaskDigits.h"
#include "report/Period.h"
#include "report/TariffReader.h"
#include "text/Cp1251.h"

namespace tallyvox::report {
namespace {

// Line 214 passes from Иванова (sales) to Петров (accounts) on 1 March; line 215
// is sales' all along, by its program number; 216 is nobody's; trunk 05 has a name.
const char* const Directory = "line;number;trunk;name;department;cost_centre;email;valid_from;"
                              "valid_to\n"
                              "214;;;Иванова А.;Продажи;100;ivanova@example.org;;2026-02-28\n"
                              "214;;;Петров Б.;Бухгалтерия;200;;2026-03-01;\n"
                              ";3215;;Сидоров В.;Продажи;100;;;\n"
                              ";;05;Оператор связи;;;;;\n";

const char* const Tariffs = "prefix;name;price_per_minute;class\n"
                            "2;Город;1;local\n"
                            "8;Межгород;4;long_distance\n"
                            "89;Мобильные;2;Mobile\n"
                            "810;Международная;20;international\n"
                            ";Прочие;3;\n";

void AddCall(TCallList& calls, std::string_view hardwareLine, std::string_view program,
             const char* start, int seconds, std::string_view number) {
    TExtStr_rep call;
    call.Start = *ParseDateTime(start);
    call.TotalSeconds = seconds;
    call.HardwareLine = hardwareLine;
    call.ProgramNumber = program;
    call.Trunk = "05";
    call.DialledNumber = number;
    calls.Append(call);
}

std::string Cp(const char* utf8) {
    return text::Utf8ToCp1251(utf8);
}

TEST(Directory, ACallGoesToThePersonItsLineHadOnItsStart) {
    const TDirectory directory = ReadDirectoryText(Directory);
    struct TCase {
        const char* Line;
        const char* Program;
        const char* Start;
        const char* Name; // nullptr: not in the directory
    };
    const std::vector<TCase> cases{
        {"214", "", "2026-02-01 00:00:00", "Иванова А."},
        {"214", "", "2026-02-28 23:59:59", "Иванова А."}, // the last day included
        {"214", "", "2026-03-01 00:00:00", "Петров Б."},  // the first day included
        {"214", "", "2030-01-01 12:00:00", "Петров Б."},
        {" 14", "3215", "2026-03-01 00:00:00", "Сидоров В."}, // by program number
        {"216", "", "2026-03-01 00:00:00", nullptr},
    };
    for (const TCase& c : cases) {
        TCallList calls;
        AddCall(calls, c.Line, c.Program, c.Start, 1, "2");
        const TDirectoryEntry* person = directory.PersonOf(calls[0]);
        if (c.Name == nullptr) {
            EXPECT_EQ(person, nullptr) << c.Line << " " << c.Start;
        } else {
            ASSERT_NE(person, nullptr) << c.Line << " " << c.Start;
            EXPECT_EQ(person->Name, Cp(c.Name)) << c.Line << " " << c.Start;
        }
    }
    const TDirectoryEntry* trunk =
        directory.Find(TDirectoryKey::Trunk, "05", *ParseDateTime("2026-03-01"));
    ASSERT_NE(trunk, nullptr);
    EXPECT_EQ(trunk->Name, Cp("Оператор связи"));
}

TEST(Directory, GroupTotalsAreTheSumsOfTheirLinesAndTheUnplacedLinesAreListed) {
    const TDirectory directory = ReadDirectoryText(Directory);
    const TTariffTable table = ReadTariffText(Tariffs);
    TCallList calls;
    AddCall(calls, "214", "", "2026-02-28 23:59:59", 60, "2345678");         // sales, local 1.00
    AddCall(calls, "214", "", "2026-03-01 00:00:00", 120, "84951234");       // accounts, 8.00
    AddCall(calls, "215", "3215", "2026-03-02 10:00:00", 60, "89161234567"); // sales, 2.00
    AddCall(calls, "215", "3215", "2026-03-02 11:00:00", 30, "8101234");     // sales, 20.00
    AddCall(calls, "215", "3215", "2026-03-02 12:00:00", 45, "");            // incoming
    AddCall(calls, "216", "", "2026-03-02 12:00:00", 60, "5");               // nobody's, 3.00
    AddCall(calls, "217", "", "2026-03-02 12:00:00", 60, "");                // nobody's
    const TCostReport costs = PriceCalls(calls, table);

    const TDirectoryTotals departments =
        GroupCalls(calls, &costs, table, directory, TDirectoryGroup::Department);
    ASSERT_EQ(departments.Groups.size(), 3u);
    std::map<std::string, const TGroupTotals*> byKey;
    for (const TGroupTotals& group : departments.Groups) {
        byKey[group.Key] = &group;
    }
    const TGroupTotals& sales = *byKey.at(Cp("Продажи"));
    const TGroupTotals& accounts = *byKey.at(Cp("Бухгалтерия"));
    const TGroupTotals& nobody = departments.Groups.back();
    EXPECT_TRUE(nobody.Unassigned);
    EXPECT_EQ(nobody.Key, Cp("Нет в справочнике"));

    // Sales has 215 whole and 214 before March: its sums are those of its calls.
    EXPECT_EQ(sales.Calls, 4u);
    EXPECT_EQ(sales.TalkSeconds, 60u + 60 + 30 + 45);
    EXPECT_EQ(sales.Cost, costs.LineCost("215").Cost + costs.Calls[0].Cost);
    using C = TDestinationClass;
    const auto cls = [](C kind) { return static_cast<std::size_t>(kind); };
    EXPECT_EQ(sales.CostByClass[cls(C::Local)], 100);
    EXPECT_EQ(sales.CostByClass[cls(C::Mobile)], 200);
    EXPECT_EQ(sales.CostByClass[cls(C::International)], 2000);
    EXPECT_EQ(accounts.Calls, 1u);
    EXPECT_EQ(accounts.CostByClass[cls(C::LongDistance)], 800);
    EXPECT_EQ(nobody.CostByClass[cls(C::Other)], 300);
    TCents groupSum = 0;
    std::uint32_t callSum = 0;
    for (const TGroupTotals& group : departments.Groups) {
        TCents classSum = 0;
        for (const TCents cost : group.CostByClass) {
            classSum += cost;
        }
        EXPECT_EQ(classSum, group.Cost) << group.Key;
        groupSum += group.Cost;
        callSum += group.Calls;
    }
    EXPECT_EQ(groupSum, costs.Total);
    EXPECT_EQ(callSum, calls.Count());
    EXPECT_EQ(departments.UnassignedLines, (std::vector<std::string>{"216", "217"}));

    const TDirectoryTotals centres =
        GroupCalls(calls, &costs, table, directory, TDirectoryGroup::CostCentre);
    ASSERT_EQ(centres.Groups.size(), 3u);
    EXPECT_EQ(centres.Groups[0].Key, "100");
    EXPECT_EQ(centres.Groups[0].Cost, sales.Cost);
    EXPECT_EQ(centres.Groups[1].Key, "200");
    EXPECT_EQ(centres.Groups[1].Cost, accounts.Cost);
}

TEST(Directory, AFaultyDirectoryIsRefusedWithItsLines) {
    struct TCase {
        const char* Text;
        std::vector<std::size_t> Lines;
        const char* Fault; // a part of the first fault's text
    };
    const std::vector<TCase> cases{
        {"name;department\nА;Б\n", {1, 2}, "missing column \"line\", \"number\" or \"trunk\""},
        {"line;name;department;colour\n", {1}, "unknown column \"colour\""},
        {"line;name;department\n2x4;А;Б\n;В;Г\n214;;Д\n215;Е;\n", {2, 3, 4, 5}, "not digits"},
        {"line;number;name;department\n214;3214;А;Б\n", {2}, "exactly one"},
        {"line;name;department;valid_from;valid_to\n"
         "214;А;Б;2026-03-01;2026-02-28\n"
         "215;А;Б;2026-02-30;\n"
         "216;А;Б;;1.3.2026\n",
         {2, 3, 4},
         "is before valid_from"},
        {"\xEF\xBB\xBFline;name;department;valid_from;valid_to\n"
         "214;А;Б;;2026-03-01\n"
         "215;А;Б;;\n"
         "214;В;Г;2026-03-01;\n"
         "215;В;Г;2026-01-01;2026-01-31\n",
         {4, 5},
         "overlap those of line 2"},
        {"line;name;department\n214;\xC0;\xC1;extra\n", {2}, "more fields"},
    };
    for (const TCase& c : cases) {
        try {
            ReadDirectoryText(c.Text);
            ADD_FAILURE() << c.Text;
        } catch (const ETableError& error) {
            std::vector<std::size_t> lines;
            for (const TTableFault& fault : error.Faults()) {
                lines.push_back(fault.Line);
            }
            EXPECT_EQ(lines, c.Lines) << error.what();
            EXPECT_NE(error.Faults().front().What.find(c.Fault), std::string::npos) << error.what();
        }
    }
    // Windows-1251 is read as such: the same table in either encoding is one directory.
    const TDirectory utf8 = ReadDirectoryText(Directory);
    const TDirectory cp1251 = ReadDirectoryText(Cp(Directory));
    ASSERT_EQ(utf8.Entries().size(), 4u);
    EXPECT_EQ(cp1251.Entries().back().Name, utf8.Entries().back().Name);
}

TEST(Directory, MaskingHidesTheLastDigits) {
    struct TCase {
        const char* Number;
        unsigned Count;
        const char* Masked;
    };
    const std::vector<TCase> cases{
        {"84951234567", 3, "84951234XXX"},
        {"84951234567", 0, "84951234567"},
        {"123", 5, "XXX"},
        {"", 3, ""},
        {"8495*12#3", 3, "8495*XX#X"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(MaskDigits(c.Number, c.Count), c.Masked) << c.Number << " " << c.Count;
    }
}

} // namespace
} // namespace tallyvox::report
