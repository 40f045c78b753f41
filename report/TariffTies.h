#pragma once
// Rows of a tariff table that tie: the same prefix, trunk and valid_from, both
// with or both without a band and days, and a moment of the week both cover, so
// that neither is the row of a call at that moment. Found by grouping the rows
// and marking the minutes of the week each group's rows cover, so a table of
// many rows of one prefix costs a pass over its rows, not a pass over its pairs.

#include <cstddef>
#include <vector>

#include "report/Tariff.h"

namespace tallyvox::report {

constexpr std::size_t NoTie = static_cast<std::size_t>(-1);

// For each row, an earlier row (by index) that it ties with, or NoTie.
std::vector<std::size_t> EarlierTies(const std::vector<TTariffRow>& rows);

} // namespace tallyvox::report
