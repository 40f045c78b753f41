#include "report/Totals.h"

#include "report/DateFormat.h"

namespace tallyvox::report {

namespace {

// Room for the lines or trunks of one installation before the first call.
constexpr std::size_t ExpectedEntries = 500;

template <class TList, class TNewEntry>
TList BuildTotals(const TCallList& calls, std::string_view TExtStr_rep::*key, TNewEntry newEntry) {
    TList list;
    list.Reserve(ExpectedEntries);
    for (const TExtStr_rep& call : calls) {
        auto* entry = list.Find(call.*key);
        if (entry == nullptr) {
            entry = &list.Append(newEntry(call));
        }
        entry->AddCall(call);
    }
    return list;
}

} // namespace

TLineList BuildLineList(const TCallList& calls) {
    return BuildTotals<TLineList>(calls, &TExtStr_rep::HardwareLine, [](const TExtStr_rep& call) {
        TAL_rep line;
        line.HardwareLine = call.HardwareLine;
        line.ProgramNumber = call.ProgramNumber;
        return line;
    });
}

TTrunkList BuildTrunkList(const TCallList& calls) {
    return BuildTotals<TTrunkList>(calls, &TExtStr_rep::Trunk, [](const TExtStr_rep& call) {
        TSL_rep trunk;
        trunk.Trunk = call.Trunk;
        return trunk;
    });
}

// The same text as a time of day, with hours that may pass 23.
std::string TrafficText(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds) {
    return TimeText(hours, minutes, seconds);
}

std::string OutTrafficText(const TTraffic_rep& traffic) {
    return TrafficText(traffic.OutHours, traffic.OutMinutes, traffic.OutSeconds);
}

std::string InTrafficText(const TTraffic_rep& traffic) {
    return TrafficText(traffic.InHours, traffic.InMinutes, traffic.InSeconds);
}

std::string TotalTrafficText(const TTraffic_rep& traffic) {
    return TrafficText(traffic.TotalSeconds / 3600, traffic.TotalSeconds / 60 % 60,
                       traffic.TotalSeconds % 60);
}

} // namespace tallyvox::report
