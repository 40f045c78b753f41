#pragma once
// The selected calls as the API's JSON and as the report's CSV of the call view,
// each dialled number as the user's scope shows it.

#include <cstdint>
#include <string>
#include <vector>

#include "report/Tariff.h"
#include "web/CallData.h"
#include "web/Scope.h"

namespace tallyvox::web {

// A JSON array: start, duration (seconds), line, program, trunk, number, cost
// ("12.34", null when not priced), UTF-8.
std::string CallsJson(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                      const TScope& scope);

// The bytes tallyvox-report's --csv calls= writes for the same calls.
std::string CallsCsv(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                     const TScope& scope, const report::TTariffTable& table);

// The same calls as a workbook of the call view, heading as given (UTF-8).
// Throws report::EWorkbookError.
std::string CallsWorkbook(const TPricedCalls& calls, const std::vector<std::uint32_t>& kept,
                          const TScope& scope, const report::TTariffTable& table,
                          const std::vector<std::string>& heading);

} // namespace tallyvox::web
