#include "web/CallsOut.h"

#include <nlohmann/json.hpp>

#include "report/CostViews.h"
#include "report/CsvExport.h"
#include "report/Money.h"
#include "report/Period.h"
#include "text/Cp1251.h"

namespace tallyvox::web {

std::string CallsJson(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                      const TScope& scope) {
    nlohmann::json array = nlohmann::json::array();
    for (const std::uint32_t i : kept) {
        const report::TExtStr_rep& call = calls.Calls[i];
        nlohmann::json cost = nullptr;
        if (calls.Priced && calls.Costs.Calls[i].Priced()) {
            cost = report::CentsText(calls.Costs.Calls[i].Cost, '.');
        }
        array.push_back({{"start", report::DateTimeText(call.Start)},
                         {"duration", call.TotalSeconds},
                         {"line", text::Cp1251ToUtf8(std::string(LineDigits(call.HardwareLine)))},
                         {"program", text::Cp1251ToUtf8(std::string(call.ProgramNumber))},
                         {"trunk", text::Cp1251ToUtf8(std::string(call.Trunk))},
                         {"number", text::Cp1251ToUtf8(scope.Masked(call.DialledNumber))},
                         {"cost", cost}});
    }
    // Bytes that are not UTF-8 cannot come from the conversion; replaced all the same.
    return array.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string CallsCsv(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                     const TScope& scope, const report::TTariffTable& table) {
    // The kept calls as a list of their own, numbers masked, with their costs in
    // the same order: the report's call view then shows exactly them.
    report::TCallList shown;
    shown.Reserve(kept.size());
    report::TCostReport costs;
    for (const std::uint32_t i : kept) {
        report::TExtStr_rep call = calls.Calls[i];
        const std::string masked = scope.Masked(call.DialledNumber);
        call.DialledNumber = masked;
        shown.Append(call);
        if (calls.Priced) {
            costs.Calls.push_back(calls.Costs.Calls[i]);
        }
    }
    const report::TCallRows rows(shown);
    const report::TLineList noLines;
    const report::TTrunkList noTrunks;
    const report::TCostViews views(rows, noLines, noTrunks, costs, table);
    return report::CsvText(views.View(report::TViewKind::Calls));
}

} // namespace tallyvox::web
