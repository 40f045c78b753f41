#include "report/TrafficCharts.h"

#include <algorithm>

#include "report/ChartCalendar.h"
#include "report/Lists.h"

namespace tallyvox::report {

void TTrafficBar::Add(const TExtStr_rep& call) {
    const auto seconds = static_cast<std::uint64_t>(std::max(call.TotalSeconds, 0));
    if (call.IsIncoming()) {
        ++InCalls;
        InSeconds += seconds;
    } else {
        ++OutCalls;
        OutSeconds += seconds;
    }
}

std::array<TTrafficBar, 24> TrafficByHour(TCallSpan calls) {
    std::array<TTrafficBar, 24> hours{};
    for (const TExtStr_rep& call : calls) {
        hours[call.Start.Hour % 24].Add(call);
    }
    return hours;
}

std::vector<TDayTraffic> TrafficByDay(TCallSpan calls, const TPeriod& period) {
    std::vector<std::int64_t> dayOfCall;
    dayOfCall.reserve(calls.size());
    for (const TExtStr_rep& call : calls) {
        dayOfCall.push_back(DayNumber(call.Start));
    }
    const auto [earliest, latest] = std::minmax_element(dayOfCall.begin(), dayOfCall.end());
    if (earliest == dayOfCall.end() && (!period.From || !period.To)) {
        return {};
    }
    const std::int64_t first = period.From ? DayNumber(*period.From) : *earliest;
    const std::int64_t last = period.To ? DayNumber(*period.To) : *latest;
    std::vector<TDayTraffic> days;
    for (std::int64_t day = first; day <= last; ++day) {
        days.push_back({DateOfDay(day), {}});
    }
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (dayOfCall[i] >= first && dayOfCall[i] <= last) {
            days[static_cast<std::size_t>(dayOfCall[i] - first)].Traffic.Add(calls[i]);
        }
    }
    return days;
}

std::string TLineFigure::Label() const {
    std::string label;
    for (const char c : HardwareLine) {
        if (c != ' ') {
            label += c;
        }
    }
    if (!ProgramNumber.empty()) {
        label += " (" + ProgramNumber + ")";
    }
    return label;
}

inline std::string_view KeyOf(const TLineFigure& line) {
    return line.HardwareLine;
}

namespace {

// The figures of every line of the calls, with the cost when one is given.
TTotalsList<TLineFigure> LineFigures(TCallSpan calls, const TCallCostOf* cost) {
    TTotalsList<TLineFigure> lines;
    for (const TExtStr_rep& call : calls) {
        TLineFigure* line = lines.Find(call.HardwareLine);
        if (line == nullptr) {
            line = &lines.Append({std::string(call.HardwareLine), std::string(call.ProgramNumber)});
        }
        ++line->Calls;
        line->Seconds += static_cast<std::uint64_t>(std::max(call.TotalSeconds, 0));
        if (cost != nullptr) {
            line->Cost += (*cost)(call);
        }
    }
    return lines;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos
               ? std::string_view{}
               : text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

// Hardware numbers in the order of their numbers: a shorter number first, one
// of the same length by its digits.
bool HardwareBefore(std::string_view a, std::string_view b) {
    a = Trimmed(a);
    b = Trimmed(b);
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The count largest by value, largest first, equal values by hardware number.
template <class TValueOf>
std::vector<TLineFigure> Top(const TTotalsList<TLineFigure>& lines, std::size_t count,
                             TValueOf valueOf) {
    std::vector<TLineFigure> top;
    for (const TLineFigure& line : lines) {
        if (valueOf(line) > 0) {
            top.push_back(line);
        }
    }
    const auto before = [&valueOf](const TLineFigure& a, const TLineFigure& b) {
        if (valueOf(a) != valueOf(b)) {
            return valueOf(a) > valueOf(b);
        }
        return HardwareBefore(a.HardwareLine, b.HardwareLine);
    };
    const std::size_t kept = std::min(count, top.size());
    std::partial_sort(top.begin(), top.begin() + static_cast<std::ptrdiff_t>(kept), top.end(),
                      before);
    top.resize(kept);
    return top;
}

} // namespace

std::vector<TLineFigure> TopLinesByTalkTime(TCallSpan calls, std::size_t count) {
    return Top(LineFigures(calls, nullptr), count,
               [](const TLineFigure& line) { return static_cast<std::int64_t>(line.Seconds); });
}

std::vector<TLineFigure> TopLinesByCost(TCallSpan calls, const TCallCostOf& cost,
                                        std::size_t count) {
    return Top(LineFigures(calls, &cost), count, [](const TLineFigure& line) { return line.Cost; });
}

} // namespace tallyvox::report
