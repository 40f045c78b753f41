#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "alerts/Evaluator.h"
#include "alerts/ExchangeWatch.h"
#include "alerts/RulesReader.h"
#include "report/Period.h"

namespace tallyvox::alerts {
namespace {

struct TTestCall {
    report::TDateTime Start;
    std::string Line;
    std::string Number; // empty: incoming
    std::string Trunk;
    int Seconds = 60;
    report::TCents Cost = 0;
};

// The calls numbered from 0 in the order given that the rules of text fire.
std::vector<std::uint64_t> Fired(const std::string& text, const std::vector<TTestCall>& calls) {
    TAlertEvaluator evaluator(ReadRulesText(text));
    std::vector<std::uint64_t> fired;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const TTestCall& c = calls[i];
        report::TExtStr_rep call;
        call.Start = c.Start;
        call.TotalSeconds = c.Seconds;
        call.HardwareLine = c.Line;
        call.DialledNumber = c.Number;
        call.Trunk = c.Trunk;
        for (const TFiring& firing : evaluator.Add(i, call, c.Cost)) {
            fired.push_back(firing.Call);
        }
    }
    std::sort(fired.begin(), fired.end());
    return fired;
}

report::TDateTime At(int month, int day, int hour, int minute, int second = 0) {
    return {2027,
            static_cast<std::uint8_t>(month),
            static_cast<std::uint8_t>(day),
            static_cast<std::uint8_t>(hour),
            static_cast<std::uint8_t>(minute),
            static_cast<std::uint8_t>(second)};
}

report::TDateTime DayOfYear(int day, int hour = 12) {
    return report::DateTimeOf(report::SecondsOf(At(1, 1, hour, 0)) + (day - 1) * 86400LL);
}

const std::string Office = R"([office]
working_days = "1-5"
working_hours = "08:00-19:00"
holidays = ["2027-01-05"]
)";

// One rule per case, on calls made to show its edges. 4 January 2027 is a Monday.
TEST(AlertRules, EachRuleFiresOnTheCallsItDescribesAndNoOther) {
    struct TCase {
        std::string Name;
        std::string Rule;
        std::vector<TTestCall> Calls;
        std::vector<std::uint64_t> Expected;
    };
    std::vector<TTestCall> burst;
    for (int i = 0; i < 9; ++i) { // nine calls in four minutes from line 201: one short
        burst.push_back({At(1, 4, 10, i / 2, 30 * (i % 2)), "201", "123", "200"});
    }
    for (int i = 0; i < 10; ++i) { // ten in five minutes from line 202
        burst.push_back({At(1, 4, 11, 0, 0), "202", "123", "200"});
        burst.back().Start = report::DateTimeOf(report::SecondsOf(At(1, 4, 11, 0)) + i * 300 / 9);
    }
    burst.push_back({At(1, 4, 11, 30), "202", "123", "200"}); // after the window
    const std::vector<TCase> cases{
        {"working hours, holidays, weekends",
         R"(name = "x"
level = "critical"
prefixes = ["810"]
when = "outside_working_hours")",
         {{At(1, 4, 7, 59, 59), "201", "8104471", "200"},
          {At(1, 4, 8, 0, 0), "201", "8104471", "200"},
          {At(1, 4, 18, 59, 59), "201", "8104471", "200"},
          {At(1, 4, 19, 0, 0), "201", "8104471", "200"},
          {At(1, 5, 12, 0, 0), "201", "8104471", "200"}, // a holiday
          {At(1, 9, 12, 0, 0), "201", "8104471", "200"}, // a Saturday
          {At(1, 9, 3, 0, 0), "201", "", "200"},         // incoming
          {At(1, 9, 3, 0, 0), "201", "8495123", "200"}}, // another prefix
         {0, 3, 4, 5}},
        {"a burst per line: one call short, then long enough",
         R"(name = "x"
level = "warning"
calls = 10
within = "00:05:00"
per = "line")",
         burst,
         {9, 10, 11, 12, 13, 14, 15, 16, 17, 18}},
        {"a daily cap restarts at midnight",
         R"(name = "x"
level = "warning"
per = "line"
daily_minutes = 60)",
         {{At(1, 4, 23, 30), "201", "123", "200", 40 * 60},
          {At(1, 5, 0, 10), "201", "123", "200", 40 * 60},
          {At(1, 5, 9, 0), "202", "123", "200", 40 * 60}, // another line
          {At(1, 5, 12, 0), "201", "123", "200", 20 * 60},
          {At(1, 5, 13, 0), "201", "123", "200", 60}},
         {3, 4}},
        {"a daily cost for the office",
         R"(name = "x"
level = "warning"
daily_cost = "100.50")",
         {{At(1, 4, 9, 0), "201", "123", "200", 60, 5000},
          {At(1, 4, 10, 0), "202", "123", "200", 60, 5049},
          {At(1, 4, 11, 0), "203", "123", "200", 60, 1}},
         {2}},
        {"a new prefix once the calls cover the unseen days",
         R"(name = "x"
level = "warning"
new_prefix_digits = 4
unseen_days = 90)",
         {{DayOfYear(1), "201", "84951", "200"},
          {DayOfYear(90), "201", "88121", "200"},  // history of 89 days only
          {DayOfYear(91), "201", "88131", "200"},  // new on day 91
          {DayOfYear(91), "201", "84952", "200"},  // dialled on day 1
          {DayOfYear(182), "201", "88131", "200"}, // 91 days unseen
          {DayOfYear(182), "201", "", "200"}},
         {2, 4}},
        {"trunks at once",
         R"(name = "x"
level = "warning"
trunks_at_once = 3)",
         {{At(1, 4, 9, 0), "201", "123", "200", 600},
          {At(1, 4, 9, 5), "202", "", "201", 600},
          {At(1, 4, 9, 6), "203", "123", "", 600}, // no trunk: internal
          {At(1, 4, 9, 9, 59), "204", "123", "202", 60},
          {At(1, 4, 9, 11, 0), "205", "123", "203", 60}},
         {3}},
        {"long calls of listed lines",
         R"(name = "x"
level = "warning"
min_duration = "01:00:00"
lines = ["201"])",
         {{At(1, 4, 9, 0), "201", "123", "200", 3599},
          {At(1, 4, 9, 0), "201", "", "200", 3600},
          {At(1, 4, 9, 0), "202", "123", "200", 7200}},
         {1}},
        {"costly calls",
         R"(name = "x"
level = "warning"
min_cost = "500")",
         {{At(1, 4, 9, 0), "201", "123", "200", 60, 49999},
          {At(1, 4, 9, 0), "201", "123", "200", 60, 50000}},
         {1}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Fired(Office + "[[rule]]\n" + c.Rule + "\n", c.Calls), c.Expected) << c.Name;
    }
}

// Every fault of a file is told with its line; the file is refused whole.
TEST(AlertRules, AFaultyFileIsRefusedWithEveryFaultyLine) {
    const std::string text = R"([office]
working_hours = "19:00-08:00"
holidays = ["2027-02-30"]
colour = "red"

[[rule]]
name = "a"
level = "loud"

[[rule]]
name = "b"
level = "warning"
calls = 10
daily_minutes = 5
min_cost = "1.005"

[mail]
server = "ftp://x"
from = "a@b"
to = ["c@d", "e@f\r\nBcc: g@h"]

[departments]
"Продажи" = "sales"
"Склад" = ["store@x"]
)";
    try {
        ReadRulesText(text);
        FAIL() << "the file is taken";
    } catch (const ERulesError& error) {
        std::vector<std::size_t> lines;
        for (const TRulesFault& fault : error.Faults()) {
            lines.push_back(fault.Line);
        }
        EXPECT_EQ(lines, (std::vector<std::size_t>{2, 3, 4, 6, 10, 15, 17, 20, 23}))
            << error.what();
    }
    EXPECT_THROW(ReadRulesText("[[rule]]\nname = \"a\"\nlevel = \n"), ERulesError);
}

// No contact fires in working hours once the silence has lasted, once per
// silence; a buffer over 90% full fires once per filling.
TEST(AlertRules, TheExchangeRulesFireOncePerEpisode) {
    const TRules rules = ReadRulesText(Office + R"(
[[rule]]
name = "silent"
level = "critical"
no_contact = "00:30:00"

[[rule]]
name = "full"
level = "warning"
buffer_full = true
)");
    TExchangeWatch watch(rules, At(1, 4, 7, 0)); // a Monday
    auto rulesOf = [](const std::vector<TStateFiring>& firings) {
        std::vector<std::size_t> fired;
        for (const TStateFiring& firing : firings) {
            fired.push_back(firing.Rule);
        }
        return fired;
    };
    using TFired = std::vector<std::size_t>;
    EXPECT_EQ(rulesOf(watch.Silence(At(1, 4, 7, 59, 59))), TFired{});
    const auto silent = watch.Silence(At(1, 4, 8, 0));
    ASSERT_EQ(rulesOf(silent), TFired{0});
    EXPECT_EQ(silent[0].What, "no contact with the exchange since 2027-01-04 07:00:00");
    EXPECT_EQ(rulesOf(watch.Silence(At(1, 4, 9, 0))), TFired{});
    watch.Contact(At(1, 4, 9, 10));
    EXPECT_EQ(rulesOf(watch.Silence(At(1, 4, 9, 39, 59))), TFired{});
    EXPECT_EQ(rulesOf(watch.Silence(At(1, 4, 9, 40))), TFired{0});
    watch.Contact(At(1, 4, 23, 0));
    EXPECT_EQ(rulesOf(watch.Silence(At(1, 5, 12, 0))), TFired{}); // a holiday
    EXPECT_EQ(rulesOf(watch.Silence(At(1, 6, 8, 0))), TFired{0});
    for (const auto& [fill, fired] : std::vector<std::pair<int, TFired>>{
             {1801, {1}}, {1900, {}}, {1800, {}}, {1801, {1}}, {2000, {}}}) {
        EXPECT_EQ(rulesOf(watch.Buffer(fill, 2000)), fired) << fill;
    }
    EXPECT_THROW(
        ReadRulesText("[[rule]]\nname = \"a\"\nlevel = \"warning\"\nbuffer_full = \"yes\"\n"),
        ERulesError);
}

} // namespace
} // namespace tallyvox::alerts
