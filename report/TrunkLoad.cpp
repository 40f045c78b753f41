#include "report/TrunkLoad.h"

#include <algorithm>
#include <cstdio>
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

} // namespace

TTrunkLoad TrunkLoad(TCallSpan calls, const TPeriod& period) {
    TTrunkLoad load;
    const auto [firstHour, lastHour] = PeriodHours(calls, period);
    if (lastHour < firstHour) {
        return load;
    }
    const auto hours = static_cast<std::size_t>(lastHour - firstHour + 1);
    load.PeriodHours = hours;
    TTotalsList<TTrunkShare> trunks;
    std::vector<bool> busy; // trunk by trunk, hour by hour
    std::vector<TTrafficBar> traffic(hours);
    for (const TExtStr_rep& call : calls) {
        if (call.Trunk.empty()) {
            continue;
        }
        TTrunkShare* trunk = trunks.Find(call.Trunk);
        if (trunk == nullptr) {
            trunk = &trunks.Append({std::string(call.Trunk)});
            busy.resize(busy.size() + hours);
        }
        const std::size_t row = static_cast<std::size_t>(trunk - &trunks[0]) * hours;
        const std::int64_t start = SecondsOf(call.Start);
        const std::int64_t startHour = FloorHour(start);
        if (startHour >= firstHour && startHour <= lastHour) {
            traffic[static_cast<std::size_t>(startHour - firstHour)].Add(call);
        }
        // A call of no duration still took its trunk for a moment of its start hour.
        const std::int64_t endHour = FloorHour(start + std::max(call.TotalSeconds, 1) - 1);
        for (std::int64_t hour = std::max(startHour, firstHour);
             hour <= std::min(endHour, lastHour); ++hour) {
            const std::size_t bit = row + static_cast<std::size_t>(hour - firstHour);
            if (!busy[bit]) {
                busy[bit] = true;
                ++trunk->BusyHours;
            }
        }
    }
    std::size_t busiest = 0;
    for (std::size_t hour = 1; hour < hours; ++hour) {
        const auto weight = [](const TTrafficBar& bar) {
            return std::pair(bar.Seconds(), bar.OutCalls + bar.InCalls);
        };
        if (weight(traffic[hour]) > weight(traffic[busiest])) {
            busiest = hour;
        }
    }
    if (!trunks.Empty()) {
        const std::int64_t hour = firstHour + static_cast<std::int64_t>(busiest);
        const std::int64_t day = (hour >= 0 ? hour : hour - 23) / 24;
        TDateTime start = DateOfDay(day);
        start.Hour = static_cast<std::uint8_t>(hour - day * 24);
        load.BusiestHour = start;
        load.BusiestTraffic = traffic[busiest];
        load.TrunksInUseAtOnce =
            MostInUseAtOnce(calls, trunks, hour * SecondsPerHour, (hour + 1) * SecondsPerHour);
    }
    load.Trunks.assign(trunks.begin(), trunks.end());
    std::sort(load.Trunks.begin(), load.Trunks.end(),
              [](const TTrunkShare& a, const TTrunkShare& b) { return a.Trunk < b.Trunk; });
    for (TTrunkShare& trunk : load.Trunks) {
        trunk.Share = static_cast<double>(trunk.BusyHours) / static_cast<double>(hours);
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
    return sizing;
}

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
    return text;
}

} // namespace tallyvox::report
