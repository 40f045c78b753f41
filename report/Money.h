#pragma once
// Money as exact integers: prices in ten-thousandths (up to four decimals, as
// carriers quote them), amounts in hundredths (as a bill shows them). No floating
// point touches a price or a cost, so a sum of many calls never drifts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyvox::report {

// A price or fee, in ten-thousandths of the currency unit.
using TPrice = std::int64_t;
// An amount, in hundredths of the currency unit (kopecks).
using TCents = std::int64_t;

constexpr TPrice PriceUnit = 10000;
// The highest price per minute and connection fee a tariff table may hold: far
// above any tariff, and low enough that the costs of every call a file can hold
// add up without overflow.
constexpr TPrice MaxPrice = 10000 * PriceUnit;

// A non-negative decimal with a point or a comma and at most four decimals
// ("1", "1.5", "0,0125"); nothing for any other text (blanks around are allowed).
std::optional<TPrice> ParsePrice(std::string_view text);

// fee + pricePerMinute × billedSeconds / 60, rounded half up to hundredths.
TCents CallCost(TPrice fee, TPrice pricePerMinute, std::uint32_t billedSeconds);

// "1234,50" with decimalPoint ',' (or "1234.50"); a minus sign when negative.
std::string CentsText(TCents cents, char decimalPoint = ',');

// Seconds as minutes with two decimals, rounded half up ("1,50" for 90 s).
std::string MinutesText(std::uint64_t seconds, char decimalPoint = ',');

} // namespace tallyvox::report
