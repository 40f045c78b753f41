#pragma once
// How busy the trunks were over a range of calls, and how many trunks the
// traffic of the busiest hour needs by the Erlang B formula.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/TrafficCharts.h"

namespace tallyvox::report {

// One trunk's use over the period: the seconds it carried a call, and the hours
// in which it carried one for some of the hour at least.
struct TTrunkShare {
    std::string Trunk;
    std::uint64_t OccupiedSeconds = 0;
    std::uint32_t BusyHours = 0;
    double Share = 0; // OccupiedSeconds / the period's seconds, 0..1
};

// The seconds that calls were in progress within one clock hour, outgoing and
// incoming apart: the hour's traffic in Erlangs is these seconds over 3600.
struct THourOccupancy {
    std::uint64_t OutSeconds = 0;
    std::uint64_t InSeconds = 0;

    std::uint64_t Seconds() const { return OutSeconds + InSeconds; }
    friend bool operator==(const THourOccupancy&, const THourOccupancy&) = default;
};

// The mean traffic of the busy hours of the busiest days: each day counts with
// its own busiest hour, the Days busiest such hours are averaged.
struct TBusyDaysTraffic {
    std::size_t Wanted = 0; // 30 for the normal load, 5 for the high load
    std::size_t Days = 0;   // fewer than Wanted when the period is shorter
    double Erlangs = 0;
};
constexpr std::size_t NormalLoadDays = 30;
constexpr std::size_t HighLoadDays = 5;

// How busy the trunks were. Only calls with a trunk take part. A call gives
// every clock hour the seconds it was in progress within it, so a long call
// spreads over the hours it lasts. The busiest hour is the clock hour of the
// period with the most occupied seconds (of equal ones, the earlier).
struct TTrunkLoad {
    std::size_t PeriodHours = 0;
    std::vector<THourOccupancy> Hours; // every clock hour of the period, in order
    std::vector<TTrunkShare> Trunks; // in the order of the trunk texts' bytes
    std::optional<TDateTime> BusiestHour;
    THourOccupancy BusiestTraffic;
    TBusyDaysTraffic NormalLoad; // the 30 busiest days
    TBusyDaysTraffic HighLoad;   // the 5 busiest days
    // The most trunks that carried a call at the same moment, within the
    // busiest hour and over the whole period.
    std::uint32_t TrunksInUseAtOnce = 0;
    std::uint32_t TrunksInUseAtOnceInPeriod = 0;

    double OutErlangs() const { return BusiestTraffic.OutSeconds / 3600.0; }
    double InErlangs() const { return BusiestTraffic.InSeconds / 3600.0; }
    double Erlangs() const { return BusiestTraffic.Seconds() / 3600.0; }
};
TTrunkLoad TrunkLoad(TCallSpan calls, const TPeriod& period);

// The blocking probability of Erlang B: offered traffic on a number of trunks.
double ErlangB(double erlangs, std::uint32_t trunks);
// The fewest trunks that carry the traffic with at most the given blocking
// (0.01 for 1%); 0 for no traffic.
std::uint32_t TrunksForBlocking(double erlangs, double blocking);

// The trunk sizing of the busiest hour and of the busiest days: the trunks needed for 1% and 5%
// blocking for outgoing, incoming and all traffic, beside the trunks seen.
struct TTrunkSizing {
    double OutErlangs = 0;
    double InErlangs = 0;
    double Erlangs = 0;
    std::array<std::uint32_t, 3> Needed1{}; // outgoing, incoming, all
    std::array<std::uint32_t, 3> Needed5{};
    std::size_t TrunksSeen = 0;
    std::uint32_t TrunksInUseAtOnce = 0;
    std::uint32_t TrunksInUseAtOnceInPeriod = 0;
    // The trunks the mean busy hour of the 30 and of the 5 busiest days need.
    std::array<std::uint32_t, 2> NormalLoadNeeded{}; // 1%, 5%
    std::array<std::uint32_t, 2> HighLoadNeeded{};
};
TTrunkSizing TrunkSizing(const TTrunkLoad& load);

// The sizing as lines of text for a terminal (UTF-8).
std::string SizingText(const TTrunkLoad& load);

} // namespace tallyvox::report
