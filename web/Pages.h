#pragma once
// The pages of the web view (UTF-8 HTML).

#include <cstdint>
#include <string>
#include <vector>

#include "report/Types.h"
#include "web/CallData.h"
#include "web/CallFilter.h"
#include "web/Dashboard.h"
#include "web/Html.h"
#include "web/Scope.h"

namespace tallyvox::web {

// The sign-in form; message (may be empty) says why it is shown again.
std::string SignInPage(const std::string& message, const std::string& user);

std::string DashboardPage(const TFrame& frame, const TDashboard& dashboard,
                          const report::TDateTime& now, bool scopeResolves);

struct TCallsPage {
    static constexpr std::size_t RowsPerPage = 100;
    TCallFilter Filter;
    std::vector<std::string> Faults; // of the filter; no calls shown then
    const TPricedCalls* Calls = nullptr;
    std::vector<std::uint32_t> Kept;
    const TScope* Scope = nullptr;
    const TCallData* Data = nullptr;
    const report::TDirectory* Directory = nullptr; // names the person beside the line
};

std::string CallsPage(const TFrame& frame, const TCallsPage& page);

// The filter with a choice of view (kind: "lines", "trunks", "destinations",
// with a directory "departments"), then table (HTML), or the filter's faults.
std::string ViewsPage(const TFrame& frame, const TCallFilter& filter, const std::string& kind,
                      bool departments, const std::vector<std::string>& faults,
                      const std::string& table);

} // namespace tallyvox::web
