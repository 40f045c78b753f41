#include "sim/TrafficGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <queue>
#include <string_view>

#include "model/ModelTraits.h"
#include "sim/CalendarEncode.h"
#include "sim/OfficeHours.h"

namespace tallyvox::sim {
namespace {

constexpr int LinesPerExchange = 40;
// Extension ports are numbered from 200, as the exchange lists its lines, so
// every line number has three digits.
constexpr int FirstLineNumber = 200;
constexpr std::int64_t SecondsPerDay = 86400;
// Trunk calls of a working day, and what a week averages per day with its
// weekend.
constexpr double TrunkCallsPerWorkingDay = 60;
constexpr double TrunkCallsPerDay = TrunkCallsPerWorkingDay * (5 + 2 * WeekendShare) / 7;
// Of all calls, in percent: outgoing and incoming on a trunk; the rest are
// internal calls between extensions, which the exchange keeps no record of.
constexpr int OutgoingShare = 50;
constexpr int IncomingShare = 35;
constexpr int TrunkShare = OutgoingShare + IncomingShare;
// Holding times: lognormal, median 90 s, its logarithm's deviation 1.1 (mean
// about 165 s, one call in a few thousand over an hour), capped at two hours.
constexpr double MedianHoldingSeconds = 90;
constexpr double HoldingSpread = 1.1;
constexpr std::uint32_t LongestHoldingSeconds = 2 * 3600;
// A caller who finds every trunk busy tries again this many seconds after
// one is freed (inclusive).
constexpr int RetryFromSeconds = 5;
constexpr int RetryToSeconds = 60;
constexpr double Pi = 3.14159265358979323846;

// The trunk codes of byte 10 that the plan's trunks use.
// The extensions by their index, 0 to 39.
std::vector<std::uint8_t> LineIndexes() {
    std::vector<std::uint8_t> lines(LinesPerExchange);
    std::iota(lines.begin(), lines.end(), std::uint8_t{0});
    return lines;
}

std::vector<std::uint8_t> TrunkCodes(TTrunkPlan plan, int exchange) {
    int count = 4;
    switch (plan) {
    case TTrunkPlan::Polar:
    case TTrunkPlan::Tinkle:
        count = 6;
        break;
    case TTrunkPlan::PolarC:
        count = 12;
        break;
    case TTrunkPlan::Complex:
        count = 8;
        break;
    case TTrunkPlan::Arden:
    case TTrunkPlan::Plain:
        break;
    }
    const int group = plan == TTrunkPlan::Complex ? exchange << 6 : 0;
    std::vector<std::uint8_t> codes;
    for (int trunk = 1; trunk <= count; ++trunk) {
        codes.push_back(static_cast<std::uint8_t>(group | trunk));
    }
    return codes;
}

} // namespace

TTrunkPlan TrunkPlanOf(const TScenario& scenario) {
    const TModelTraits* model = nullptr;
    if (scenario.ModelCode == ComplexModel().Code) {
        // A complex calls itself "2?B" or "3?B"; another name is the model's own.
        const std::string& name = scenario.ModelName;
        if (!name.empty() && (name[0] == '2' || name[0] == '3')) {
            return TTrunkPlan::Complex;
        }
        model = ModelNamed(name, TNameMatch::Prefix);
    } else {
        model = ModelOfByte(scenario.ModelCode);
    }
    switch (model ? model->TrunkFamily : TTrunkFamily::Other) {
    case TTrunkFamily::Arden:
        return TTrunkPlan::Arden;
    case TTrunkFamily::PolarA:
        return TTrunkPlan::Polar;
    case TTrunkFamily::PolarC:
        return TTrunkPlan::PolarC;
    case TTrunkFamily::Tinkle:
        return TTrunkPlan::Tinkle;
    case TTrunkFamily::Other:
        break;
    }
    return TTrunkPlan::Plain;
}

// A call with the second it ends, by which the exchange orders its records.
struct TTrafficGenerator::TTimedCall {
    std::int64_t End;
    std::size_t Trunk;
    TCall Call;
    bool OfAttack = false;
};

// A try at a trunk: a new call, one made again after finding every trunk busy,
// or a call of the attack (by its place in the plan).
struct TTrafficGenerator::TAttempt {
    std::int64_t At;
    TDirection Direction;
    std::optional<std::size_t> OfAttack;
    bool operator>(const TAttempt& other) const { return At > other.At; }
};

TTrafficGenerator::TTrafficGenerator(std::uint32_t seed, TTrunkPlan plan, int exchange)
    : Random(seed), Plan(plan), Exchange(exchange), Trunks(TrunkCodes(plan, exchange)),
      Lines(LineIndexes()) {}

void TTrafficGenerator::Reseed(std::uint32_t seed) {
    Random.seed(seed);
}

// The standard engine is the same everywhere; the standard distributions are
// not, so the mapping to a range is done here to keep a seed's traffic fixed.
int TTrafficGenerator::Uniform(int low, int high) {
    const std::uint32_t span = static_cast<std::uint32_t>(high - low) + 1;
    return low + static_cast<int>(Random() % span);
}

double TTrafficGenerator::Unit() {
    return (static_cast<double>(Random()) + 0.5) / 4294967296.0;
}

// A few extensions make most of the calls, as in any office; one that is on
// another call gives way to the next free one.
std::size_t TTrafficGenerator::PickLine(std::int64_t start) {
    const int a = Uniform(0, LinesPerExchange - 1);
    const int b = Uniform(0, LinesPerExchange - 1);
    const auto wanted = static_cast<std::size_t>(std::min(a, b));
    const std::vector<std::size_t> free = Lines.FreeAt(start);
    const auto next = std::lower_bound(free.begin(), free.end(), wanted);
    if (next != free.end()) {
        return *next;
    }
    return free.empty() ? wanted : free.front();
}

std::string TTrafficGenerator::PickDialled() {
    auto digits = [this](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += static_cast<char>('0' + Uniform(0, 9));
        }
        return text;
    };
    auto leading = [this] { return std::string(1, static_cast<char>('0' + Uniform(2, 9))); };
    const int kind = Uniform(1, 100);
    if (kind <= 45) { // local
        return leading() + digits(6);
    }
    if (kind <= 65) { // mobile
        return "89" + digits(9);
    }
    if (kind <= 80) { // long distance: area code and subscriber
        return "8" + std::to_string(Uniform(300, 899)) + leading() + digits(6);
    }
    if (kind <= 85) { // international
        static constexpr std::array<std::string_view, 7> countries = {"1",  "44",  "49", "33",
                                                                      "86", "380", "375"};
        const auto country = countries[static_cast<std::size_t>(Uniform(0, countries.size() - 1))];
        return "810" + std::string(country) + leading() + digits(Uniform(6, 9));
    }
    if (kind <= 95) { // emergency and information services
        static constexpr std::array<std::string_view, 5> services = {"01", "02", "03", "112",
                                                                     "109"};
        return std::string(services[static_cast<std::size_t>(Uniform(0, services.size() - 1))]);
    }
    // Operator service codes
    static constexpr std::array<std::string_view, 4> codes = {"*100#", "*102#", "#31#", "*#06#"};
    if (Uniform(0, 4) == 0) {
        return "*21*" + leading() + digits(6) + "#";
    }
    return std::string(codes[static_cast<std::size_t>(Uniform(0, codes.size() - 1))]);
}

std::uint32_t TTrafficGenerator::PickHoldingSeconds() {
    // Box-Muller: a standard normal deviate from two uniform ones.
    const double normal = std::sqrt(-2 * std::log(Unit())) * std::cos(2 * Pi * Unit());
    const double seconds = std::round(MedianHoldingSeconds * std::exp(HoldingSpread * normal));
    return static_cast<std::uint32_t>(
        std::clamp(seconds, 1.0, static_cast<double>(LongestHoldingSeconds)));
}

// The next call after a second: arrivals at the rate of a working day's office
// hour, each kept with the share of that rate that its moment has.
std::int64_t TTrafficGenerator::NextArrival(std::int64_t after) {
    const double peakPerSecond = TrunkCallsPerWorkingDay * 100 / TrunkShare * OfficeHoursShare /
                                 (OfficeHoursTo - OfficeHoursFrom) / 3600;
    std::int64_t second = after;
    do {
        second += 1 + static_cast<std::int64_t>(-std::log(Unit()) / peakPerSecond);
    } while (Unit() > CallRateShare(std::max<std::int64_t>(second, 0)));
    return second;
}

std::int64_t TTrafficGenerator::RetryAfter(std::int64_t freed) {
    return freed + Uniform(RetryFromSeconds, RetryToSeconds);
}

// One of the trunks free at the second, or the one freed first when none is.
std::size_t TTrafficGenerator::PickFreeTrunk(std::int64_t second) {
    const std::vector<std::size_t> free = Trunks.FreeAt(second);
    if (free.empty()) {
        return Trunks.FirstFreed();
    }
    return free[static_cast<std::size_t>(Uniform(0, static_cast<int>(free.size()) - 1))];
}

TCall TTrafficGenerator::Call(std::int64_t start, std::uint32_t duration, std::uint8_t trunkCode,
                              TDirection direction) {
    TCall call = CallFrom(PickLine(start), start, duration, trunkCode);
    if (direction == TDirection::Outgoing) { // incoming calls carry no dialled number
        call.Dialled = PickDialled();
    }
    return call;
}

// The hacked extension is on several trunks at once, which no person at a
// telephone can be: the intruder dials in through the exchange's remote access
// or its voice mail and goes out through the extension's class of service, one
// call per trunk, as often as the exchange lets him. Its line is seized by
// these calls all the same, so that the office's own calls go to other lines.
TCall TTrafficGenerator::AttackCall(const TAttackCall& planned, std::uint8_t trunkCode) {
    TCall call = CallFrom(Attack.Line, planned.At, planned.DurationSeconds, trunkCode);
    call.Dialled = planned.Dialled;
    return call;
}

TCall TTrafficGenerator::CallFrom(std::size_t line, std::int64_t start, std::uint32_t duration,
                                  std::uint8_t trunkCode) {
    TCall call;
    call.Start = SecondsToCalendar(start);
    call.DurationSeconds = duration;
    Lines.Seize(line, start + duration);
    // The Polar-A and Polar-B list their lines in groups of eight: 200 to 207,
    // 210 to 217 and so on.
    call.HardwareLine = static_cast<std::uint16_t>(
        Plan == TTrunkPlan::Polar ? FirstLineNumber + 10 * (line / 8) + line % 8
                                  : FirstLineNumber + line);
    call.DirectoryNumber = std::to_string((Exchange + 2) * 100 + line + 1);
    call.TrunkCode = trunkCode;
    return call;
}

// The trunk calls that started from `from` on and ended by `to`, in the order
// they ended. Calls arrive by the hour's rate; internal ones take no trunk. A
// call that finds every trunk busy is made again a little after one is freed.
// The attack's calls take the first free trunk, or the first one freed, and
// draw nothing: the office's calls stay those of the seed wherever the attack
// leaves them the trunks.
std::vector<TTrafficGenerator::TTimedCall> TTrafficGenerator::Traffic(std::int64_t from,
                                                                      std::int64_t to) {
    using TQueue = std::priority_queue<TAttempt, std::vector<TAttempt>, std::greater<>>;
    TQueue retries;
    TQueue attacks;
    Attack = AttackSeed ? PlanAttack(*AttackSeed, to, Lines.Size()) : TAttack{};
    for (std::size_t i = 0; i < Attack.Calls.size(); ++i) {
        attacks.push({Attack.Calls[i].At, TDirection::Outgoing, i});
    }
    std::vector<TTimedCall> calls;
    Trunks.ReleaseAll();
    Lines.ReleaseAll();
    std::int64_t arrival = NextArrival(from);
    while (true) {
        TAttempt attempt{};
        if (!attacks.empty() && attacks.top().At <= arrival &&
            (retries.empty() || attacks.top().At <= retries.top().At)) {
            attempt = attacks.top();
            attacks.pop();
        } else if (!retries.empty() && retries.top().At <= arrival) {
            attempt = retries.top();
            retries.pop();
        } else {
            const int kind = Uniform(1, 100);
            attempt = {arrival, kind <= OutgoingShare ? TDirection::Outgoing : TDirection::Incoming,
                       std::nullopt};
            arrival = NextArrival(arrival);
            if (kind > TrunkShare) {
                continue; // an internal call
            }
        }
        if (attempt.At >= to) {
            break;
        }
        if (Trunks.FreeAt(attempt.At).empty()) {
            if (attempt.OfAttack) {
                attacks.push({Trunks.EarliestFree(), attempt.Direction, attempt.OfAttack});
            } else {
                retries.push({RetryAfter(Trunks.EarliestFree()), attempt.Direction, std::nullopt});
            }
            continue;
        }
        if (attempt.OfAttack) {
            const TAttackCall& planned = Attack.Calls[*attempt.OfAttack];
            const std::size_t trunk = Trunks.FreeAt(attempt.At).front();
            const std::int64_t end = attempt.At + planned.DurationSeconds;
            Trunks.Seize(trunk, end);
            if (end <= to) {
                TAttackCall late = planned;
                late.At = attempt.At;
                calls.push_back({end, trunk, AttackCall(late, Trunks.Code(trunk)), true});
            }
            continue;
        }
        const std::size_t trunk = PickFreeTrunk(attempt.At);
        const std::uint32_t duration = PickHoldingSeconds();
        Trunks.Seize(trunk, attempt.At + duration);
        if (attempt.At + duration <= to) {
            calls.push_back({attempt.At + duration, trunk,
                             Call(attempt.At, duration, Trunks.Code(trunk), attempt.Direction)});
        }
    }
    // The exchange writes a record when its call ends.
    std::stable_sort(calls.begin(), calls.end(),
                     [](const TTimedCall& a, const TTimedCall& b) { return a.End < b.End; });
    return calls;
}

std::vector<TCall> TTrafficGenerator::History(int count, const TCalendarTime& end) {
    const std::int64_t endSeconds = CalendarToSeconds(end);
    const int wanted = std::max(count, 0);
    auto days = static_cast<std::int64_t>(std::ceil(wanted / TrunkCallsPerDay)) + 2;
    auto officeCalls = [](const std::vector<TTimedCall>& calls) {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                              [](const TTimedCall& c) { return !c.OfAttack; }));
    };
    std::vector<TTimedCall> calls;
    while (true) {
        const std::int64_t from = std::max<std::int64_t>(0, endSeconds - days * SecondsPerDay);
        calls = Traffic(from, endSeconds);
        if (officeCalls(calls) >= wanted || from == 0) {
            break;
        }
        days *= 2;
    }
    // The buffer keeps the latest calls, and the attack's whatever their age.
    std::vector<TTimedCall> kept;
    int officeKept = 0;
    for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
        if (!call->OfAttack) {
            if (officeKept == wanted) {
                continue;
            }
            ++officeKept;
        }
        kept.push_back(std::move(*call));
    }
    calls.assign(std::make_move_iterator(kept.rbegin()), std::make_move_iterator(kept.rend()));
    // A clock just past 1 January 1980 leaves no room: the missing calls are
    // attempts of no duration at its start.
    for (int missing = wanted - officeCalls(calls); missing > 0; --missing) {
        const std::size_t trunk = PickFreeTrunk(0);
        calls.insert(calls.begin(),
                     {0, trunk, Call(0, 0, Trunks.Code(trunk), TDirection::Outgoing)});
    }
    Trunks.ReleaseAll();
    std::vector<TCall> result;
    result.reserve(calls.size());
    for (TTimedCall& timed : calls) {
        Trunks.Seize(timed.Trunk, timed.End);
        result.push_back(std::move(timed.Call));
    }
    return result;
}

TCall TTrafficGenerator::EndingAt(const TCalendarTime& end) {
    const std::int64_t endSeconds = CalendarToSeconds(end);
    const TDirection direction =
        Uniform(1, TrunkShare) <= OutgoingShare ? TDirection::Outgoing : TDirection::Incoming;
    const std::int64_t wanted = std::max<std::int64_t>(0, endSeconds - PickHoldingSeconds());
    const std::size_t trunk = PickFreeTrunk(wanted);
    // When every trunk was busy, the call started once this one was freed.
    const std::int64_t start = std::min(std::max(wanted, Trunks.FreeFrom(trunk)), endSeconds);
    Trunks.Seize(trunk, endSeconds);
    return Call(start, static_cast<std::uint32_t>(endSeconds - start), Trunks.Code(trunk),
                direction);
}

} // namespace tallyvox::sim
