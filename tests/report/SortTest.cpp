#include <gtest/gtest.h>

#include <algorithm>

#include "report/Sort.h"
#include "report/Totals.h"
#include "tests/report/CallLines.h"

namespace tallyvox::report {
namespace {

// A hardware text of other than three digits is written into the line as it
// stands: "23(" for line 23 ends up as the key, as the file's reader takes it.
std::string LineWithHardware(const std::string& hardware, const std::string& program,
                             const std::string& dialled, int seconds) {
    std::string line = CallLine(201, program, "5", dialled, 0, 0, seconds);
    return line.replace(33, 3, hardware);
}

std::vector<std::string> Keys(const TLineList& lines) {
    std::vector<std::string> keys;
    for (const TAL_rep& line : lines) {
        keys.push_back(line.HardwareLine);
    }
    return keys;
}

// Every line sort keeps equal keys in their previous order; keys that do not
// convert follow the others in the byte order of their text.
TEST(SortLines, OrdersByEachKeyStably) {
    const TCallList calls = Loaded({
        LineWithHardware("230", "21", "", 50),   // in 50
        LineWithHardware("23(", "1B", "8", 10),  // out 10
        LineWithHardware(" 40", "", "8", 50),    // out 50
        LineWithHardware("201", "0x1F", "", 10), // in 10
        LineWithHardware("(45", "21", "8", 10),  // out 10
        LineWithHardware("202", "  7", "", 50),  // in 50: program "7"
        LineWithHardware("1F(", "-3", "8", 20),  // out 20
    });
    struct TCase {
        TLineSortKey Key;
        std::vector<std::string> Expected;
    };
    const std::vector<TCase> cases{
        {TLineSortKey::HardwareLine, {" 40", "201", "202", "230", "(45", "1F(", "23("}},
        {TLineSortKey::ProgramNumber, {"1F(", " 40", "202", "230", "(45", "201", "23("}},
        {TLineSortKey::OutTraffic, {"230", "201", "202", "23(", "(45", "1F(", " 40"}},
        {TLineSortKey::InTraffic, {"23(", " 40", "(45", "1F(", "201", "230", "202"}},
        {TLineSortKey::TotalTraffic, {"23(", "201", "(45", "1F(", "230", " 40", "202"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Key));
        TLineList lines = BuildLineList(calls);
        SortLines(lines, c.Key);
        EXPECT_EQ(Keys(lines), c.Expected);
        SortLines(lines, c.Key);
        EXPECT_EQ(Keys(lines), c.Expected); // a second sort changes nothing
        for (const TAL_rep& line : lines) {
            EXPECT_EQ(FindLine(lines, line.HardwareLine), &line); // the index follows
        }
    }
}

// Lists long enough that the library's sort no longer works by insertion: 24
// lines in hardware order whose traffic falls into four equal groups keep the
// hardware order within each group.
TEST(SortLines, LongListsWithTiesKeepThePreviousOrderOfEqualKeys) {
    std::vector<std::string> lines;
    std::vector<std::pair<int, std::string>> expected; // (seconds, hardware)
    for (int i = 0; i < 24; ++i) {
        const std::string hardware = std::to_string(200 + i);
        const int seconds = 10 * ((i * 7) % 4 + 1);
        lines.push_back(LineWithHardware(hardware, "", "8", seconds));
        expected.emplace_back(seconds, hardware);
    }
    std::sort(expected.begin(), expected.end()); // hardware texts of one length sort as numbers
    std::vector<std::string> expectedKeys;
    for (const auto& [seconds, hardware] : expected) {
        expectedKeys.push_back(hardware);
    }
    for (const TLineSortKey key : {TLineSortKey::OutTraffic, TLineSortKey::TotalTraffic}) {
        TLineList sorted = BuildLineList(Loaded(lines));
        SortLines(sorted, TLineSortKey::HardwareLine);
        SortLines(sorted, key);
        EXPECT_EQ(Keys(sorted), expectedKeys) << static_cast<int>(key);
    }
}

TEST(SortLines, SortsAppliedInTurnRefineEachOther) {
    const TCallList calls = Loaded({
        LineWithHardware("203", "1", "8", 10),
        LineWithHardware("202", "2", "", 10),
        LineWithHardware("201", "3", "8", 10),
        LineWithHardware("204", "4", "8", 30),
    });
    TLineList lines = BuildLineList(calls);
    SortLines(lines, TLineSortKey::HardwareLine);
    SortLines(lines, TLineSortKey::OutTraffic);
    EXPECT_EQ(Keys(lines), (std::vector<std::string>{"202", "201", "203", "204"}));
}

TEST(SortTrunks, OrdersTrunksAsTextIgnoringLetterCaseAndTrafficByNumber) {
    auto call = [](const std::string& trunk, const std::string& dialled, int seconds) {
        return CallLine(201, "1", trunk, dialled, 0, 0, seconds);
    };
    const TCallList calls =
        Loaded({call("2", "8", 30), call("b1", "", 20), call("10", "8", 10), call("B", "", 10),
                call("", "8", 20), call("a", "", 30), call("B1", "8", 5)});
    struct TCase {
        TTrunkSortKey Key;
        std::vector<std::string> Expected;
    };
    const std::vector<TCase> cases{
        {TTrunkSortKey::Trunk, {"", "10", "2", "a", "B", "b1", "B1"}},
        {TTrunkSortKey::OutTraffic, {"b1", "B", "a", "B1", "10", "", "2"}},
        {TTrunkSortKey::InTraffic, {"2", "10", "", "B1", "B", "b1", "a"}},
        {TTrunkSortKey::TotalTraffic, {"B1", "10", "B", "b1", "", "2", "a"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Key));
        TTrunkList trunks = BuildTrunkList(calls);
        SortTrunks(trunks, c.Key);
        std::vector<std::string> keys;
        for (const TSL_rep& trunk : trunks) {
            keys.push_back(trunk.Trunk);
        }
        EXPECT_EQ(keys, c.Expected);
    }
}

} // namespace
} // namespace tallyvox::report
