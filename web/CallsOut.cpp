#include "web/CallsOut.h"

#include <nlohmann/json.hpp>

#include "report/CostViews.h"
#include "report/CsvExport.h"
#include "report/Money.h"
#include "report/Period.h"
#include "text/Cp1251.h"

namespace tallyvox::web {

namespace {

// A JSON string of a Windows-1251 text.
std::string JsonText(std::string_view cp1251) {
    return nlohmann::json(text::Cp1251ToUtf8(std::string(cp1251)))
        .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

std::string CallsJson(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                      const TScope& scope) {
    // Written a call at a time rather than built as a document: a month of a
    // large office is hundreds of thousands of calls.
    std::string json = "[";
    for (const std::uint32_t i : kept) {
        const report::TExtStr_rep& call = calls.Calls[i];
        json += json.size() > 1 ? ",{" : "{";
        json += "\"start\":\"" + report::DateTimeText(call.Start) + "\"";
        json += ",\"duration\":" + std::to_string(call.TotalSeconds);
        json += ",\"line\":" + JsonText(LineDigits(call.HardwareLine));
        json += ",\"program\":" + JsonText(call.ProgramNumber);
        json += ",\"trunk\":" + JsonText(call.Trunk);
        json += ",\"number\":" + JsonText(scope.Masked(call.DialledNumber));
        const bool priced = calls.Priced && calls.Costs.Calls[i].Priced();
        json +=
            ",\"cost\":" +
            (priced ? "\"" + report::CentsText(calls.Costs.Calls[i].Cost, '.') + "\"" : "null") +
            "}";
    }
    return json + "]";
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
