#pragma once
// The figures of the traffic charts: calls and talk time per hour of the day and
// per day, the lines that talk most or cost most, and how busy the trunks are.
// Each is computed over a range of calls (a whole file or the calls of a
// period); the charts only draw them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/Period.h"
#include "report/Types.h"

namespace tallyvox::report {

using TCallSpan = std::span<const TExtStr_rep>;

// Calls and talk time, outgoing and incoming apart.
struct TTrafficBar {
    std::uint32_t OutCalls = 0;
    std::uint32_t InCalls = 0;
    std::uint64_t OutSeconds = 0;
    std::uint64_t InSeconds = 0;

    void Add(const TExtStr_rep& call);
    std::uint64_t Seconds() const { return OutSeconds + InSeconds; }
    friend bool operator==(const TTrafficBar&, const TTrafficBar&) = default;
};

// A call counts whole in the hour (and the day) it starts, however long it lasts.
std::array<TTrafficBar, 24> TrafficByHour(TCallSpan calls);

struct TDayTraffic {
    TDateTime Day; // the time of day is 0
    TTrafficBar Traffic;
};
// Every day of the period in order, days without calls included; a bound the
// period leaves open is the day of the earliest (or latest) call.
std::vector<TDayTraffic> TrafficByDay(TCallSpan calls, const TPeriod& period);

// A subscriber line with its talk time and cost.
struct TLineFigure {
    std::string HardwareLine;  // blanks kept, as in the line totals
    std::string ProgramNumber; // of the line's first call
    std::uint32_t Calls = 0;
    std::uint64_t Seconds = 0;
    std::int64_t Cost = 0; // kopecks

    // "201 (112)": the hardware number without blanks, the program number in
    // brackets when there is one (Windows-1251).
    std::string Label() const;
};

// The cost of one call in kopecks.
using TCallCostOf = std::function<std::int64_t(const TExtStr_rep&)>;

constexpr std::size_t TopLineCount = 15;

// The lines with the most talk time, most first; equal talk times in the order
// of the hardware numbers (blanks aside, a shorter number first, then by its
// digits: 7 before 12 before 310). Lines without talk time are left out.
std::vector<TLineFigure> TopLinesByTalkTime(TCallSpan calls, std::size_t count = TopLineCount);
// The lines that cost most, most first; equal costs in the order of the hardware
// numbers as above. Lines that cost nothing are left out.
std::vector<TLineFigure> TopLinesByCost(TCallSpan calls, const TCallCostOf& cost,
                                        std::size_t count = TopLineCount);

} // namespace tallyvox::report
