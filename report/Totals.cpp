#include "report/Totals.h"

#include "report/DateFormat.h"

namespace tallyvox::report {

namespace {

// Room for the lines or trunks of one installation before the first call.
constexpr std::size_t ExpectedEntries = 500;

template <class TList, class TNewEntry>
void AddToTotals(TList& list, std::string_view key, const TExtStr_rep& call, TNewEntry newEntry) {
    auto* entry = list.Find(key);
    if (entry == nullptr) {
        entry = &list.Append(newEntry(call));
    }
    entry->AddCall(call);
}

TAL_rep NewLine(const TExtStr_rep& call) {
    TAL_rep line;
    line.HardwareLine = call.HardwareLine;
    line.ProgramNumber = call.ProgramNumber;
    return line;
}

TSL_rep NewTrunk(const TExtStr_rep& call) {
    TSL_rep trunk;
    trunk.Trunk = call.Trunk;
    return trunk;
}

} // namespace

void AddToLineList(TLineList& lines, const TExtStr_rep& call) {
    AddToTotals(lines, call.HardwareLine, call, NewLine);
}

void AddToTrunkList(TTrunkList& trunks, const TExtStr_rep& call) {
    AddToTotals(trunks, call.Trunk, call, NewTrunk);
}

TLineList BuildLineList(const TCallList& calls) {
    TLineList lines;
    lines.Reserve(ExpectedEntries);
    for (const TExtStr_rep& call : calls) {
        AddToLineList(lines, call);
    }
    return lines;
}

TTrunkList BuildTrunkList(const TCallList& calls) {
    TTrunkList trunks;
    trunks.Reserve(ExpectedEntries);
    for (const TExtStr_rep& call : calls) {
        AddToTrunkList(trunks, call);
    }
    return trunks;
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
