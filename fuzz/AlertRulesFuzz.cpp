// An alert rules file of any bytes is either refused with its faults, each on a
// line of the text, or read whole; rules read take a day of calls without
// firing a rule or a call that does not exist.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "alerts/Evaluator.h"
#include "alerts/RulesReader.h"
#include "fuzz/FuzzSupport.h"
#include "report/Period.h"

using tallyvox::fuzz::Require;
namespace alerts = tallyvox::alerts;
namespace report = tallyvox::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    alerts::TRules rules;
    try {
        rules = alerts::ReadRulesText(text);
    } catch (const alerts::ERulesError& error) {
        Require(!error.Faults().empty(), "refused rules name a fault");
        for (const alerts::TRulesFault& fault : error.Faults()) {
            Require(fault.Line <= size + 1, "a fault's line is in the text");
        }
        return 0;
    }
    const std::size_t ruleCount = rules.Rules.size();
    alerts::TAlertEvaluator evaluator(std::move(rules));
    const std::string numbers[] = {"8104471", "84951234", "", "8809"};
    const std::string lines[] = {"201", " 40", "215"};
    std::int64_t start = report::SecondsOf({2027, 1, 1, 0, 0, 0});
    for (std::uint64_t i = 0; i < 200; ++i) {
        report::TExtStr_rep call;
        start += 433;
        call.Start = report::DateTimeOf(start);
        call.TotalSeconds = static_cast<std::int32_t>(i * 37 % 5000);
        call.HardwareLine = lines[i % 3];
        call.DialledNumber = numbers[i % 4];
        call.Trunk = i % 5 == 0 ? "" : "200";
        for (const alerts::TFiring& firing : evaluator.Add(i, call, static_cast<std::int64_t>(i))) {
            Require(firing.Rule < ruleCount && firing.Call <= i,
                    "a firing names a rule and a call");
        }
    }
    return 0;
}
