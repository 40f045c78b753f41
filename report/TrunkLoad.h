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

// One trunk's share of the hours of the period in which it carried a call (for
// some of the hour at least).
struct TTrunkShare {
    std::string Trunk;
    std::uint32_t BusyHours = 0;
    double Share = 0; // BusyHours / the period's hours, 0..1
};

// How busy the trunks were. Only calls with a trunk take part. The busiest hour
// is the clock hour of the period in which the calls that started in it talked
// longest (then: more calls; then: the earlier hour); its traffic in Erlangs is that talk time
// over 3600 s, as Erlang B expects of offered traffic.
struct TTrunkLoad {
    std::size_t PeriodHours = 0;
    std::vector<TTrunkShare> Trunks; // in the order of the trunk texts' bytes
    std::optional<TDateTime> BusiestHour;
    TTrafficBar BusiestTraffic;
    // The most trunks that carried a call at the same moment within the busiest
    // hour (a call holds its trunk from its start for its duration).
    std::uint32_t TrunksInUseAtOnce = 0;

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

// The trunk sizing of the busiest hour: the trunks needed for 1% and 5%
// blocking for outgoing, incoming and all traffic, beside the trunks seen.
struct TTrunkSizing {
    double OutErlangs = 0;
    double InErlangs = 0;
    double Erlangs = 0;
    std::array<std::uint32_t, 3> Needed1{}; // outgoing, incoming, all
    std::array<std::uint32_t, 3> Needed5{};
    std::size_t TrunksSeen = 0;
    std::uint32_t TrunksInUseAtOnce = 0;
};
TTrunkSizing TrunkSizing(const TTrunkLoad& load);

// The sizing as lines of text for a terminal (UTF-8).
std::string SizingText(const TTrunkLoad& load);

} // namespace tallyvox::report
