#pragma once
// The alerts the collector raised today, from the alert journal beside the call
// file, counted within a user's scope like the calls they are about.

#include <cstddef>
#include <optional>
#include <string>

#include "report/Types.h"
#include "web/Scope.h"

namespace tallyvox::web {

// The journal's alerts raised on now's date about calls the scope holds; none
// when the journal cannot be read (no journal yet is no alert).
std::optional<std::size_t> AlertsToday(const std::string& journal, const TScope& scope,
                                       const report::TDateTime& now);

} // namespace tallyvox::web
