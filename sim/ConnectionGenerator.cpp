#include "sim/ConnectionGenerator.h"

#include <algorithm>
#include <array>
#include <random>
#include <set>

namespace tallyvox::sim {
namespace {

constexpr std::uint32_t StepMs = 1000;
constexpr std::size_t MostAtOnce = 6;
// The last seconds of a cycle start nothing new: every connection has ended.
constexpr int QuietSteps = 4;
constexpr std::uint8_t UnknownType = 0x41;

// State bytes of an entry: being set up (dialling, ringing), then talking.
constexpr std::uint8_t SettingUp = 1;
constexpr std::uint8_t Talking = 0;
constexpr std::uint8_t TrunkBusy = 3;
constexpr int SetUpSteps = 3;

enum class TKind { TrunkCall, InternalCall, Intercom, Service, OffHook, Unknown };
// Taken in turn, so that every entry type shows within the first connections.
constexpr std::array<TKind, 6> KindOrder = {TKind::TrunkCall, TKind::InternalCall, TKind::Intercom,
                                            TKind::TrunkCall, TKind::Service,      TKind::Unknown};

struct TLive {
    TKind Kind = TKind::OffHook;
    std::vector<TConnection> Entries;
    int StartStep = 0;
    int EndStep = 0;
};

class TOffice {
public:
    explicit TOffice(std::uint32_t seed) : Random(seed) {}

    int Uniform(int low, int high) { return std::uniform_int_distribution(low, high)(Random); }

    // A connection of kind from step on, ending before lastStep; none when every
    // line or trunk it needs is busy.
    void Start(TKind kind, int step, int lastStep) {
        TLive live{kind, {}, step, std::min(step + Uniform(4, 60), lastStep)};
        const auto line = [&] { return Take(BusyLines, 0, 31); };
        switch (kind) {
        case TKind::TrunkCall:
            live.Entries = {{'D', line(), SettingUp}, {'F', Take(BusyTrunks, 0, 7), TrunkBusy}};
            break;
        case TKind::InternalCall:
            live.Entries = {{'D', line(), SettingUp}, {'D', line(), SettingUp}};
            break;
        case TKind::Intercom:
            live.Entries = {{'G', static_cast<std::uint8_t>(Uniform(0, 3)), Talking},
                            {'D', line(), Talking}};
            break;
        case TKind::Service:
            live.Entries = {{'D', line(), SettingUp},
                            {'E', static_cast<std::uint8_t>(Uniform(0, 3)), SettingUp}};
            break;
        case TKind::OffHook:
            live.Entries = {{'D', line(), SettingUp}};
            break;
        case TKind::Unknown:
            live.Entries = {{UnknownType, static_cast<std::uint8_t>(Uniform(0, 7)), Talking}};
            break;
        }
        Live.push_back(live);
    }

    void EndBefore(int step) {
        std::erase_if(Live, [&](const TLive& live) {
            if (live.EndStep > step) {
                return false;
            }
            for (const TConnection& entry : live.Entries) {
                (entry.Type == 'F' ? BusyTrunks : BusyLines).erase(entry.Code);
            }
            return true;
        });
    }

    std::vector<std::vector<TConnection>> GroupsAt(int step) const {
        std::vector<std::vector<TConnection>> groups;
        for (const TLive& live : Live) {
            groups.push_back(live.Entries);
            if (step - live.StartStep >= SetUpSteps) {
                for (TConnection& entry : groups.back()) {
                    entry.Value = entry.Type == 'F' ? TrunkBusy : Talking;
                }
            }
        }
        return groups;
    }

    std::size_t LiveCount() const { return Live.size(); }

private:
    // A free code from low to high, marked busy (the lowest free one when the
    // drawn one is taken).
    std::uint8_t Take(std::set<std::uint8_t>& busy, int low, int high) {
        int code = Uniform(low, high);
        for (int tries = 0; busy.count(static_cast<std::uint8_t>(code)) > 0 && tries <= high;
             ++tries) {
            code = code == high ? low : code + 1;
        }
        busy.insert(static_cast<std::uint8_t>(code));
        return static_cast<std::uint8_t>(code);
    }

    std::mt19937 Random;
    std::vector<TLive> Live;
    std::set<std::uint8_t> BusyLines;
    std::set<std::uint8_t> BusyTrunks;
};

} // namespace

TRealTime GeneratedConnections(std::uint32_t seed, std::uint32_t cycleMs) {
    TOffice office(seed);
    TRealTime state;
    state.PeriodMs = cycleMs;
    const int steps = static_cast<int>(cycleMs / StepMs);
    const int lastStart = steps - QuietSteps;
    std::size_t nextKind = 0;
    for (int step = 0; step < steps; ++step) {
        office.EndBefore(step);
        if (step < lastStart && office.LiveCount() < MostAtOnce) {
            const int draw = office.Uniform(0, 99);
            if (draw < 30) {
                office.Start(KindOrder[nextKind++ % KindOrder.size()], step, lastStart);
            } else if (draw < 35) {
                office.Start(TKind::OffHook, step, lastStart);
            }
        }
        TRealTimeSnapshot snapshot{step * StepMs, office.GroupsAt(step)};
        if (state.Snapshots.empty() ||
            RealTimePayloadOf(snapshot) != RealTimePayloadOf(state.Snapshots.back())) {
            state.Snapshots.push_back(std::move(snapshot));
        }
    }
    return state;
}

} // namespace tallyvox::sim
