#include "report/TrafficCharts.h"

#include <algorithm>

#include "report/ChartCalendar.h"
#include "report/Lists.h"

namespace tallyvox::report {

std::int64_t DayNumber(const TDateTime& dateTime) {
    // Counted in eras of 400 years from 1 March, so the leap day ends a year.
    const std::int64_t year = dateTime.Year - (dateTime.Month <= 2 ? 1 : 0);
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t month = dateTime.Month;
    const std::int64_t dayOfYear =
        (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + dateTime.Day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

TDateTime DateOfDay(std::int64_t day) {
    day += 719468;
    const std::int64_t era = (day >= 0 ? day : day - 146096) / 146097;
    const std::int64_t dayOfEra = day - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    TDateTime date;
    date.Day = static_cast<std::uint8_t>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    date.Month = static_cast<std::uint8_t>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    date.Year = static_cast<std::uint16_t>(yearOfEra + era * 400 + (date.Month <= 2 ? 1 : 0));
    return date;
}

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

std::vector<TDayTraffic> TrafficByDay(TCallSpan calls, const TChartPeriod& period) {
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
TTotalsList<TLineFigure> LineFigures(TCallSpan calls, const TCallCost* cost) {
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

std::vector<TLineFigure> TopLinesByCost(TCallSpan calls, const TCallCost& cost, std::size_t count) {
    return Top(LineFigures(calls, &cost), count, [](const TLineFigure& line) { return line.Cost; });
}

} // namespace tallyvox::report
