#include "sim/TrafficGenerator.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "sim/CalendarEncode.h"

namespace tallyvox::sim {
namespace {

constexpr int LinesPerExchange = 40;
// Extension ports are numbered from 200, as the exchange lists its lines, so
// every line number has three digits.
constexpr int FirstLineNumber = 200;
constexpr std::int64_t SecondsPerDay = 86400;
constexpr int CallsPerWorkingDay = 60;
constexpr int MaxMisses = 10000;

// Weekday of a day count since 1 January 1980 (a Tuesday): 0 Sunday .. 6 Saturday.
int Weekday(std::int64_t dayCount) {
    return static_cast<int>((dayCount + 2) % 7);
}

} // namespace

TTrunkPlan TrunkPlanOf(const TScenario& scenario) {
    switch (scenario.ModelCode) {
    case 4:
    case 6:
        return TTrunkPlan::Arden;
    case 5:
        return TTrunkPlan::PolarC;
    case 7:
    case 8:
        return TTrunkPlan::Polar;
    case 9:
        return TTrunkPlan::Tinkle;
    case 2:
        break;
    default:
        return TTrunkPlan::Plain;
    }
    const std::string& name = scenario.ModelName;
    if (!name.empty() && (name[0] == '2' || name[0] == '3')) {
        return TTrunkPlan::Complex;
    }
    if (name.starts_with("Polar-C")) {
        return TTrunkPlan::PolarC;
    }
    if (name.starts_with("Arden")) {
        return TTrunkPlan::Arden;
    }
    if (name.starts_with("Polar-A") || name.starts_with("Polar-B")) {
        return TTrunkPlan::Polar;
    }
    return name == "Tinkle" ? TTrunkPlan::Tinkle : TTrunkPlan::Plain;
}

TTrafficGenerator::TTrafficGenerator(std::uint32_t seed, TTrunkPlan plan, int exchange)
    : Random(seed), Plan(plan), Exchange(exchange) {}

// The standard engine is the same everywhere; the standard distributions are
// not, so the mapping to a range is done here to keep a seed's traffic fixed.
int TTrafficGenerator::Uniform(int low, int high) {
    const std::uint32_t span = static_cast<std::uint32_t>(high - low) + 1;
    return low + static_cast<int>(Random() % span);
}

// A few extensions make most of the calls, as in any office.
std::uint16_t TTrafficGenerator::PickLine() {
    const int a = Uniform(0, LinesPerExchange - 1);
    const int b = Uniform(0, LinesPerExchange - 1);
    return static_cast<std::uint16_t>(std::min(a, b));
}

std::uint8_t TTrafficGenerator::PickTrunkCode() {
    switch (Plan) {
    case TTrunkPlan::Arden:
        return static_cast<std::uint8_t>(Uniform(1, 4));
    case TTrunkPlan::Polar:
    case TTrunkPlan::Tinkle:
        return static_cast<std::uint8_t>(Uniform(1, 6));
    case TTrunkPlan::PolarC:
        return static_cast<std::uint8_t>(Uniform(1, 12));
    case TTrunkPlan::Complex:
        return static_cast<std::uint8_t>((Exchange << 6) | Uniform(1, 8));
    case TTrunkPlan::Plain:
        break;
    }
    return static_cast<std::uint8_t>(Uniform(1, 4));
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

std::uint32_t TTrafficGenerator::PickDurationSeconds() {
    const int kind = Uniform(1, 100);
    if (kind <= 8) {
        return static_cast<std::uint32_t>(Uniform(1, 15)); // unanswered, wrong number
    }
    if (kind <= 70) {
        return static_cast<std::uint32_t>(Uniform(15, 240));
    }
    if (kind <= 92) {
        return static_cast<std::uint32_t>(Uniform(240, 1200));
    }
    if (kind <= 98) {
        return static_cast<std::uint32_t>(Uniform(1200, 5400));
    }
    return static_cast<std::uint32_t>(Uniform(5400, 6 * 3600)); // a modem or a forgotten line
}

TCall TTrafficGenerator::Call(const TCalendarTime& start, std::uint32_t duration) {
    TCall call;
    call.Start = start;
    call.DurationSeconds = duration;
    const int line = PickLine();
    // The Polar-A and Polar-B list their lines in groups of eight: 200 to 207,
    // 210 to 217 and so on.
    call.HardwareLine = static_cast<std::uint16_t>(
        Plan == TTrunkPlan::Polar ? FirstLineNumber + 10 * (line / 8) + line % 8
                                  : FirstLineNumber + line);
    call.DirectoryNumber = std::to_string((Exchange + 2) * 100 + line + 1);
    call.TrunkCode = PickTrunkCode();
    if (Uniform(1, 100) > 35) { // outgoing; incoming calls carry no dialled number
        call.Dialled = PickDialled();
    }
    return call;
}

std::vector<TCall> TTrafficGenerator::History(int count, const TCalendarTime& end) {
    const std::int64_t endSeconds = CalendarToSeconds(end);
    const std::int64_t endDay = endSeconds / SecondsPerDay;
    const int dayCount =
        std::max(1, (count + CallsPerWorkingDay - 1) / CallsPerWorkingDay) * 7 / 5 + 1;
    struct TTimed {
        std::int64_t End;
        TCall Call;
    };
    std::vector<TTimed> calls;
    calls.reserve(static_cast<std::size_t>(std::max(count, 0)));
    int misses = 0;
    while (static_cast<int>(calls.size()) < count) {
        const std::int64_t day = endDay - Uniform(0, dayCount - 1);
        const bool weekend = Weekday(day) == 0 || Weekday(day) == 6;
        // Office hours carry most calls; some come early, late or at night.
        const int hour = Uniform(1, 100) <= 85 ? Uniform(8, 18) : Uniform(0, 23);
        std::int64_t start = day * SecondsPerDay + hour * 3600 + Uniform(0, 3599);
        std::uint32_t duration = PickDurationSeconds();
        const bool fits = start >= 0 && start + duration <= endSeconds;
        if ((weekend && Uniform(1, 100) <= 85) || !fits) {
            // A clock just past 1 January 1980 leaves no room: squeeze the call in.
            if (++misses < MaxMisses) {
                continue;
            }
            start = std::max<std::int64_t>(0, endSeconds - duration);
            duration =
                static_cast<std::uint32_t>(std::min<std::int64_t>(duration, endSeconds - start));
        }
        calls.push_back({start + duration, Call(SecondsToCalendar(start), duration)});
    }
    // The exchange writes a record when its call ends.
    std::stable_sort(calls.begin(), calls.end(),
                     [](const TTimed& a, const TTimed& b) { return a.End < b.End; });
    std::vector<TCall> result;
    result.reserve(calls.size());
    for (auto& timed : calls) {
        result.push_back(std::move(timed.Call));
    }
    return result;
}

TCall TTrafficGenerator::EndingAt(const TCalendarTime& end) {
    const std::uint32_t duration = PickDurationSeconds();
    const std::int64_t start = std::max<std::int64_t>(0, CalendarToSeconds(end) - duration);
    return Call(SecondsToCalendar(start), duration);
}

} // namespace tallyvox::sim
