#include "report/TrunkLoad.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <tuple>
#include <utility>

#include "report/ChartCalendar.h"
#include "report/Lists.h"

namespace tallyvox::report {

inline std::string_view KeyOf(const TTrunkShare& trunk) {
    return trunk.Trunk;
}

namespace {

constexpr std::int64_t SecondsPerHour = 3600;

std::int64_t FloorHour(std::int64_t second) {
    return (second >= 0 ? second : second - (SecondsPerHour - 1)) / SecondsPerHour;
}

// The clock hours of the period, first and last included: the bounds that are
// given, else from the first hour of the earliest call's day to the last hour of
// the latest call's day. Empty (last < first) without calls and bounds.
std::pair<std::int64_t, std::int64_t> PeriodHours(TCallSpan calls, const TPeriod& period) {
    std::int64_t earliest = INT64_MAX;
    std::int64_t latest = INT64_MIN;
    for (const TExtStr_rep& call : calls) {
        const std::int64_t day = DayNumber(call.Start);
        earliest = std::min(earliest, day);
        latest = std::max(latest, day);
    }
    if (calls.empty() && (!period.From || !period.To)) {
        return {0, -1};
    }
    return {period.From ? HourNumber(*period.From) : earliest * 24,
            period.To ? HourNumber(*period.To) : latest * 24 + 23};
}

// The most trunks holding a call at one moment between from and to (seconds):
// a call holds its trunk from its start up to, not including, its end.
std::uint32_t MostInUseAtOnce(TCallSpan calls, const TTotalsList<TTrunkShare>& trunks,
                              std::int64_t from, std::int64_t to) {
    // (moment, +1 or -1, trunk): at one moment the ends come before the starts.
    std::vector<std::tuple<std::int64_t, int, std::size_t>> changes;
    for (const TExtStr_rep& call : calls) {
        const std::int64_t start = SecondsOf(call.Start);
        const std::int64_t begin = std::max(start, from);
        const std::int64_t end = std::min(start + std::max(call.TotalSeconds, 0), to);
        if (call.Trunk.empty() || begin >= end) {
            continue;
        }
        const auto trunk = static_cast<std::size_t>(trunks.Find(call.Trunk) - &trunks[0]);
        changes.emplace_back(begin, 1, trunk);
        changes.emplace_back(end, -1, trunk);
    }
    std::sort(changes.begin(), changes.end());
    std::vector<std::uint32_t> callsOnTrunk(trunks.Count());
    std::uint32_t inUse = 0;
    std::uint32_t most = 0;
    for (const auto& [moment, change, trunk] : changes) {
        if (change > 0) {
            inUse += callsOnTrunk[trunk]++ == 0 ? 1 : 0;
        } else {
            inUse -= --callsOnTrunk[trunk] == 0 ? 1 : 0;
        }
        most = std::max(most, inUse);
    }
    return most;
}

// The occupied seconds of every hour of the period and every trunk's use.
struct THourly {
    std::vector<THourOccupancy> Hours;
    TTotalsList<TTrunkShare> Trunks;
    std::vector<bool> Busy; // trunk by trunk, hour by hour: carried a call
};

// Counts one call into its trunk and the hours from firstHour to lastHour that
// it was in progress in.
void AddCall(THourly& hourly, const TExtStr_rep& call, std::int64_t firstHour,
             std::int64_t lastHour) {
    const auto hours = static_cast<std::size_t>(lastHour - firstHour + 1);
    TTrunkShare* trunk = hourly.Trunks.Find(call.Trunk);
    if (trunk == nullptr) {
        trunk = &hourly.Trunks.Append({std::string(call.Trunk)});
        hourly.Busy.resize(hourly.Busy.size() + hours);
    }
    const std::size_t row = static_cast<std::size_t>(trunk - &hourly.Trunks[0]) * hours;
    const std::int64_t start = SecondsOf(call.Start);
    const std::int64_t end = start + std::max(call.TotalSeconds, 0);
    const std::int64_t startHour = FloorHour(start);
    // A call of no duration still took its trunk for a moment of its start hour.
    const std::int64_t endHour = FloorHour(std::max(end, start + 1) - 1);
    for (std::int64_t hour = std::max(startHour, firstHour); hour <= std::min(endHour, lastHour);
         ++hour) {
        const auto index = static_cast<std::size_t>(hour - firstHour);
        if (!hourly.Busy[row + index]) {
            hourly.Busy[row + index] = true;
            ++trunk->BusyHours;
        }
        const auto seconds = static_cast<std::uint64_t>(std::min(end, (hour + 1) * SecondsPerHour) -
                                                        std::max(start, hour * SecondsPerHour));
        (call.IsIncoming() ? hourly.Hours[index].InSeconds : hourly.Hours[index].OutSeconds) +=
            seconds;
        trunk->OccupiedSeconds += seconds;
    }
}

std::int64_t FloorDay(std::int64_t hour) {
    return (hour >= 0 ? hour : hour - 23) / 24;
}

// The occupied seconds of each day's busiest hour, day by day.
std::vector<std::uint64_t> DailyBusyHours(const std::vector<THourOccupancy>& hours,
                                          std::int64_t firstHour) {
    const std::int64_t firstDay = FloorDay(firstHour);
    std::vector<std::uint64_t> days(
        static_cast<std::size_t>(FloorDay(firstHour + std::ssize(hours) - 1) - firstDay + 1));
    for (std::size_t i = 0; i < hours.size(); ++i) {
        std::uint64_t& day = days[static_cast<std::size_t>(
            FloorDay(firstHour + static_cast<std::int64_t>(i)) - firstDay)];
        day = std::max(day, hours[i].Seconds());
    }
    return days;
}

// The mean of the wanted busiest of the daily busy hours, in Erlangs.
TBusyDaysTraffic BusiestDays(std::vector<std::uint64_t> dailyBusyHours, std::size_t wanted) {
    TBusyDaysTraffic traffic{wanted, std::min(wanted, dailyBusyHours.size()), 0};
    if (traffic.Days == 0) {
        return traffic;
    }
    const auto kept = dailyBusyHours.begin() + static_cast<std::ptrdiff_t>(traffic.Days);
    std::partial_sort(dailyBusyHours.begin(), kept, dailyBusyHours.end(), std::greater<>());
    std::uint64_t seconds = 0;
    for (auto day = dailyBusyHours.begin(); day != kept; ++day) {
        seconds += *day;
    }
    traffic.Erlangs = static_cast<double>(seconds) / static_cast<double>(traffic.Days) / 3600.0;
    return traffic;
}

// The first hour with the most occupied seconds.
std::size_t BusiestHourIndex(const std::vector<THourOccupancy>& hours) {
    std::size_t busiest = 0;
    for (std::size_t hour = 1; hour < hours.size(); ++hour) {
        if (hours[hour].Seconds() > hours[busiest].Seconds()) {
            busiest = hour;
        }
    }
    return busiest;
}

TDateTime HourStart(std::int64_t hour) {
    const std::int64_t day = FloorDay(hour);
    TDateTime start = DateOfDay(day);
    start.Hour = static_cast<std::uint8_t>(hour - day * 24);
    return start;
}

} // namespace

TTrunkLoad TrunkLoad(TCallSpan calls, const TPeriod& period) {
    TTrunkLoad load;
    const auto [firstHour, lastHour] = PeriodHours(calls, period);
    if (lastHour < firstHour) {
        return load;
    }
    load.PeriodHours = static_cast<std::size_t>(lastHour - firstHour + 1);
    THourly hourly{std::vector<THourOccupancy>(load.PeriodHours), {}, {}};
    for (const TExtStr_rep& call : calls) {
        if (!call.Trunk.empty()) {
            AddCall(hourly, call, firstHour, lastHour);
        }
    }
    if (!hourly.Trunks.Empty()) {
        const std::size_t busiest = BusiestHourIndex(hourly.Hours);
        const std::int64_t hour = firstHour + static_cast<std::int64_t>(busiest);
        load.BusiestHour = HourStart(hour);
        load.BusiestTraffic = hourly.Hours[busiest];
        load.TrunksInUseAtOnce = MostInUseAtOnce(calls, hourly.Trunks, hour * SecondsPerHour,
                                                 (hour + 1) * SecondsPerHour);
        load.TrunksInUseAtOnceInPeriod = MostInUseAtOnce(
            calls, hourly.Trunks, firstHour * SecondsPerHour, (lastHour + 1) * SecondsPerHour);
        const std::vector<std::uint64_t> daily = DailyBusyHours(hourly.Hours, firstHour);
        load.NormalLoad = BusiestDays(daily, NormalLoadDays);
        load.HighLoad = BusiestDays(daily, HighLoadDays);
    }
    load.Hours = std::move(hourly.Hours);
    load.Trunks.assign(hourly.Trunks.begin(), hourly.Trunks.end());
    std::sort(load.Trunks.begin(), load.Trunks.end(),
              [](const TTrunkShare& a, const TTrunkShare& b) { return a.Trunk < b.Trunk; });
    const auto periodSeconds = static_cast<double>(load.PeriodHours * SecondsPerHour);
    for (TTrunkShare& trunk : load.Trunks) {
        trunk.Share = static_cast<double>(trunk.OccupiedSeconds) / periodSeconds;
    }
    return load;
}

double ErlangB(double erlangs, std::uint32_t trunks) {
    // B(0) = 1, B(n) = A B(n-1) / (n + A B(n-1)): stable for any size.
    double blocking = 1;
    for (std::uint32_t n = 1; n <= trunks; ++n) {
        blocking = erlangs * blocking / (n + erlangs * blocking);
    }
    return blocking;
}

std::uint32_t TrunksForBlocking(double erlangs, double blocking) {
    if (erlangs <= 0) {
        return 0;
    }
    double b = 1;
    std::uint32_t trunks = 0;
    while (b > blocking) {
        ++trunks;
        b = erlangs * b / (trunks + erlangs * b);
    }
    return trunks;
}

TTrunkSizing TrunkSizing(const TTrunkLoad& load) {
    TTrunkSizing sizing;
    sizing.OutErlangs = load.OutErlangs();
    sizing.InErlangs = load.InErlangs();
    sizing.Erlangs = load.Erlangs();
    const std::array<double, 3> traffic{sizing.OutErlangs, sizing.InErlangs, sizing.Erlangs};
    for (std::size_t i = 0; i < traffic.size(); ++i) {
        sizing.Needed1[i] = TrunksForBlocking(traffic[i], 0.01);
        sizing.Needed5[i] = TrunksForBlocking(traffic[i], 0.05);
    }
    sizing.TrunksSeen = load.Trunks.size();
    sizing.TrunksInUseAtOnce = load.TrunksInUseAtOnce;
    sizing.TrunksInUseAtOnceInPeriod = load.TrunksInUseAtOnceInPeriod;
    for (const auto& [days, needed] : {std::pair(load.NormalLoad, &sizing.NormalLoadNeeded),
                                       std::pair(load.HighLoad, &sizing.HighLoadNeeded)}) {
        *needed = {TrunksForBlocking(days.Erlangs, 0.01), TrunksForBlocking(days.Erlangs, 0.05)};
    }
    return sizing;
}

namespace {

// The mean busy hour of the busiest days and the trunks it needs.
std::string BusyDaysLine(const char* load, const TBusyDaysTraffic& days,
                         const std::array<std::uint32_t, 2>& needed) {
    char which[200];
    if (days.Days < days.Wanted) {
        std::snprintf(which, sizeof which,
                      "всех дней периода (дней: %zu, в периоде меньше %zu дней)", days.Days,
                      days.Wanted);
    } else {
        std::snprintf(which, sizeof which, "%zu самых нагруженных дней", days.Days);
    }
    char line[400];
    std::snprintf(line, sizeof line,
                  "%s нагрузка: средний ЧНН %s, Эрл: %.2f; нужно СЛ (Erlang B): %u при потерях "
                  "1%%, %u при 5%%\n",
                  load, which, days.Erlangs, needed[0], needed[1]);
    return line;
}

} // namespace

std::string SizingText(const TTrunkLoad& load) {
    if (!load.BusiestHour) {
        return "Нет звонков по СЛ за период.\n";
    }
    const TTrunkSizing sizing = TrunkSizing(load);
    const TDateTime& hour = *load.BusiestHour;
    char line[200];
    std::string text;
    std::snprintf(line, sizeof line, "Час наибольшей нагрузки: %02u.%02u.%04u %02u:00-%02u:00\n",
                  hour.Day, hour.Month, hour.Year, hour.Hour, (hour.Hour + 1) % 24);
    text += line;
    std::snprintf(line, sizeof line, "Нагрузка, Эрл: исходящая %.2f, входящая %.2f, всего %.2f\n",
                  sizing.OutErlangs, sizing.InErlangs, sizing.Erlangs);
    text += line;
    std::snprintf(line, sizeof line, "СЛ в файле: %zu, занято одновременно: %u\n",
                  sizing.TrunksSeen, sizing.TrunksInUseAtOnce);
    text += line;
    const char* directions[] = {"исходящей", "входящей", "всей"};
    for (std::size_t i = 0; i < 3; ++i) {
        std::snprintf(line, sizeof line,
                      "Нужно СЛ для %s нагрузки (Erlang B): %u при потерях 1%%, %u при 5%%\n",
                      directions[i], sizing.Needed1[i], sizing.Needed5[i]);
        text += line;
    }
    text += BusyDaysLine("Обычная", load.NormalLoad, sizing.NormalLoadNeeded);
    text += BusyDaysLine("Высокая", load.HighLoad, sizing.HighLoadNeeded);
    std::snprintf(line, sizeof line, "Занято СЛ одновременно за период: %u из %zu\n",
                  sizing.TrunksInUseAtOnceInPeriod, sizing.TrunksSeen);
    text += line;
    return text;
}

} // namespace tallyvox::report
