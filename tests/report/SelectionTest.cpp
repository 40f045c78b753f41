#include <gtest/gtest.h>

#include "report/Selection.h"
#include "tests/report/CallLines.h"

namespace tallyvox::report {
namespace {

std::string Line(const std::string& hardware, const std::string& program,
                 const std::string& dialled) {
    return CallLine(201, program, "5", dialled, 0, 0, 1).replace(33, 3, hardware);
}

std::vector<std::size_t> Positions(const TCallRows& rows) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < rows.Count(); ++i) {
        const TExtStr_rep* call = rows.Call(i);
        positions.push_back(call == nullptr ? 99
                                            : static_cast<std::size_t>(call - &rows.Calls()[0]));
    }
    return positions;
}

TEST(SelectCalls, KeepsTheCallsOfASubscriberAndANumberPrefix) {
    const TCallList calls = Loaded({
        Line("201", "21", "8123"), // 0
        Line("202", "121", "812"), // 1
        Line("210", "210", "18"),  // 2
        Line(" 21", "21", ""),     // 3
        Line("201", "21", "78"),   // 4
        Line("021", "7", "8"),     // 5
    });
    struct TCase {
        TSelection Selection;
        std::vector<std::size_t> Expected; // 99: the empty row
    };
    const std::vector<TCase> cases{
        {{"21", false, ""}, {0, 3, 4}},
        {{" 2 1", false, ""}, {0, 3, 4}}, // the blanks of the masked edit do not count
        {{"201", true, ""}, {0, 4}},
        {{"21", true, ""}, {99}}, // " 21" has a blank: never selected
        {{"", false, "8"}, {0, 1, 5}},
        {{"", false, "812"}, {0, 1}},
        {{"", false, "81234"}, {99}}, // a prefix longer than the number
        {{"21", false, "8"}, {0}},
        {{"", false, ""}, {0, 1, 2, 3, 4, 5}},
        {{"9", false, ""}, {99}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Selection.Subscriber + "/" + c.Selection.Prefix);
        EXPECT_EQ(Positions(SelectCalls(calls, c.Selection)), c.Expected);
    }
}

TEST(SelectCalls, AListWithoutCallsShowsNoRowsUntilASelectionLeavesItsEmptyRow) {
    const TCallList calls = Loaded({});
    EXPECT_EQ(TCallRows(calls).Count(), 0u);
    const TCallRows selected = SelectCalls(calls, {});
    ASSERT_EQ(selected.Count(), 1u);
    EXPECT_EQ(selected.Call(0), nullptr);
}

} // namespace
} // namespace tallyvox::report
