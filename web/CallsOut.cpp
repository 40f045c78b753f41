#include "web/CallsOut.h"

#include <nlohmann/json.hpp>
#include <optional>

#include "report/CostViews.h"
#include "report/CsvExport.h"
#include "report/Money.h"
#include "report/Period.h"
#include "report/Workbook.h"
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

namespace {

// The kept calls as a list of their own, numbers masked, with their costs in the
// same order: the report's call view then shows exactly them.
class TShownCalls {
public:
    TShownCalls(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                const TScope& scope, const report::TTariffTable& table) {
        Shown.Reserve(kept.size());
        for (const std::uint32_t i : kept) {
            report::TExtStr_rep call = calls.Calls[i];
            const std::string masked = scope.Masked(call.DialledNumber);
            call.DialledNumber = masked; // Append copies it into the list's store
            Shown.Append(call);
            if (calls.Priced) {
                Costs.Calls.push_back(calls.Costs.Calls[i]);
            }
        }
        Rows.emplace(Shown);
        Views.emplace(*Rows, NoLines, NoTrunks, Costs, table);
    }

    const report::TReportView& CallView() const { return Views->View(report::TViewKind::Calls); }

private:
    report::TCallList Shown;
    report::TCostReport Costs;
    report::TLineList NoLines;
    report::TTrunkList NoTrunks;
    std::optional<report::TCallRows> Rows;
    std::optional<report::TCostViews> Views;
};

} // namespace

std::string CallsCsv(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                     const TScope& scope, const report::TTariffTable& table) {
    return report::CsvText(TShownCalls(calls, kept, scope, table).CallView());
}

std::string CallsWorkbook(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                          const TScope& scope, const report::TTariffTable& table,
                          const std::vector<std::string>& heading) {
    const TShownCalls shown(calls, kept, scope, table);
    return report::WorkbookBytes({&shown.CallView()}, {heading});
}

} // namespace tallyvox::web
