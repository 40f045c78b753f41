#include "alerts/Evaluator.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <string_view>

#include "report/Period.h"

namespace tallyvox::alerts {

namespace {

constexpr std::int64_t DaySeconds = 86400;
// Calls reach the file as they end, not as they start: windows keep this much
// before the latest start for calls that come late.
constexpr std::int64_t LateCallSeconds = 2 * 3600;

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

bool StartsWithAny(std::string_view number, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const std::string& prefix) { return number.starts_with(prefix); });
}

// Whether the rule looks at the call at all: every condition it gives holds.
bool Matches(const TRule& rule, const TOffice& office, const report::TExtStr_rep& call,
             report::TCents cost) {
    if (!rule.Prefixes.empty() &&
        (call.IsIncoming() || !StartsWithAny(call.DialledNumber, rule.Prefixes))) {
        return false;
    }
    if (!rule.Lines.empty() && std::find(rule.Lines.begin(), rule.Lines.end(),
                                         Trimmed(call.HardwareLine)) == rule.Lines.end()) {
        return false;
    }
    if (rule.When != TWhen::Always &&
        office.IsWorkingTime(call.Start) != (rule.When == TWhen::WorkingHours)) {
        return false;
    }
    if (rule.MinDurationSeconds &&
        static_cast<std::uint32_t>(call.TotalSeconds) < *rule.MinDurationSeconds) {
        return false;
    }
    return !rule.MinCost || cost >= *rule.MinCost;
}

std::string KeyOf(TPer per, const report::TExtStr_rep& call) {
    switch (per) {
    case TPer::Line:
        return std::string(Trimmed(call.HardwareLine));
    case TPer::Number:
        return std::string(call.DialledNumber);
    case TPer::Office:
        break;
    }
    return {};
}

struct TWindowCall {
    std::int64_t Start = 0;
    std::uint64_t Number = 0;
    bool Fired = false;
};

struct TDailyTotal {
    std::int64_t Day = -1;
    report::TCents Cost = 0;
    std::uint64_t Seconds = 0;
};

struct TOccupation {
    std::int64_t Start = 0;
    std::int64_t End = 0;
};

// The calls on a trunk still in progress, or lately so.
struct TTrunkOccupation {
    std::deque<TOccupation> Calls;
    std::int64_t Latest = 0; // the latest start seen
};

// The last day each prefix was dialled, and the first day of the calls seen.
struct TPrefixHistory {
    std::map<std::string, std::int64_t> LastDay;
    std::optional<std::int64_t> FirstDay;
};

} // namespace

struct TAlertEvaluator::TRuleState {
    std::map<std::string, std::deque<TWindowCall>> Windows; // bursts, by key
    std::map<std::string, TDailyTotal> Daily;               // daily caps, by key
    TTrunkOccupation Trunks;                                // calls on a trunk
    TPrefixHistory Prefixes;                                // new prefixes
};

namespace {

// The calls of the key's window that a burst fires now: every call not yet fired
// that lies in some span of `within` holding at least `calls` calls.
std::vector<std::uint64_t> BurstFirings(const TBurst& burst, std::deque<TWindowCall>& calls,
                                        const TWindowCall& added) {
    const auto at = std::upper_bound(
        calls.begin(), calls.end(), added.Start,
        [](std::int64_t start, const TWindowCall& call) { return start < call.Start; });
    calls.insert(at, added);
    const std::int64_t latest = calls.back().Start;
    while (!calls.empty() && calls.front().Start < latest - burst.WithinSeconds - LateCallSeconds) {
        calls.pop_front();
    }
    std::vector<std::uint64_t> fired;
    std::size_t last = 0;
    for (std::size_t first = 0; first < calls.size(); ++first) {
        last = std::max(last, first);
        while (last + 1 < calls.size() &&
               calls[last + 1].Start - calls[first].Start <= burst.WithinSeconds) {
            ++last;
        }
        if (last - first + 1 < burst.Calls) {
            continue;
        }
        for (std::size_t i = first; i <= last; ++i) {
            if (!calls[i].Fired) {
                calls[i].Fired = true;
                fired.push_back(calls[i].Number);
            }
        }
    }
    return fired;
}

bool DailyCapReached(const TRule& rule, TDailyTotal& total, std::int64_t day,
                     const report::TExtStr_rep& call, report::TCents cost) {
    if (total.Day != day) {
        total = {day, 0, 0};
    }
    total.Cost += cost;
    total.Seconds += static_cast<std::uint64_t>(call.TotalSeconds);
    if (rule.DailyCost) {
        return total.Cost >= *rule.DailyCost;
    }
    return total.Seconds >= std::uint64_t{*rule.DailyMinutes} * 60;
}

bool TrunksAtOnceReached(std::uint32_t least, TTrunkOccupation& trunks,
                         const report::TExtStr_rep& call, std::int64_t start) {
    if (call.Trunk.empty()) {
        return false;
    }
    trunks.Latest = std::max(trunks.Latest, start);
    // A call that ended well before the latest start is in progress at no start
    // still to come, however late its line reaches the file.
    std::erase_if(trunks.Calls,
                  [&](const TOccupation& o) { return o.End < trunks.Latest - LateCallSeconds; });
    const auto others =
        std::count_if(trunks.Calls.begin(), trunks.Calls.end(),
                      [&](const TOccupation& o) { return o.Start <= start && start < o.End; });
    trunks.Calls.push_back({start, start + call.TotalSeconds});
    return others + 1 >= static_cast<std::ptrdiff_t>(least);
}

// Whether a dialled prefix is new; the call's day is remembered for it.
bool NewPrefix(const TRule& rule, TPrefixHistory& history, std::string_view number,
               std::int64_t day) {
    if (number.size() < *rule.NewPrefixDigits) {
        return false;
    }
    const bool historyCovers =
        history.FirstDay && *history.FirstDay <= day - std::int64_t{rule.UnseenDays};
    history.FirstDay = std::min(history.FirstDay.value_or(day), day);
    const auto [seen, first] =
        history.LastDay.try_emplace(std::string(number.substr(0, *rule.NewPrefixDigits)), day);
    const bool unseen = first || seen->second < day - std::int64_t{rule.UnseenDays};
    seen->second = std::max(seen->second, day);
    return historyCovers && unseen;
}

} // namespace

TAlertEvaluator::TAlertEvaluator(TRules rules) : Rules_(std::move(rules)) {
    for (std::size_t i = 0; i < Rules_.Rules.size(); ++i) {
        States.push_back(std::make_unique<TRuleState>());
    }
}

TAlertEvaluator::~TAlertEvaluator() = default;
TAlertEvaluator::TAlertEvaluator(TAlertEvaluator&&) noexcept = default;
TAlertEvaluator& TAlertEvaluator::operator=(TAlertEvaluator&&) noexcept = default;

std::vector<TFiring> TAlertEvaluator::Add(std::uint64_t number, const report::TExtStr_rep& call,
                                          report::TCents cost) {
    std::vector<TFiring> firings;
    const std::int64_t start = report::SecondsOf(call.Start);
    const std::int64_t day = start / DaySeconds;
    for (std::size_t i = 0; i < Rules_.Rules.size(); ++i) {
        const TRule& rule = Rules_.Rules[i];
        TRuleState& state = *States[i];
        const bool matches = rule.LooksAtCalls() && Matches(rule, Rules_.Office, call, cost);
        if (rule.NewPrefixDigits) {
            if (!call.IsIncoming() && NewPrefix(rule, state.Prefixes, call.DialledNumber, day) &&
                matches) {
                firings.push_back({i, number});
            }
            continue;
        }
        if (!matches) {
            continue;
        }
        if (rule.Burst) {
            for (const std::uint64_t fired :
                 BurstFirings(*rule.Burst, state.Windows[KeyOf(rule.Per, call)], {start, number})) {
                firings.push_back({i, fired});
            }
        } else if (rule.DailyCost || rule.DailyMinutes) {
            if (DailyCapReached(rule, state.Daily[KeyOf(rule.Per, call)], day, call, cost)) {
                firings.push_back({i, number});
            }
        } else if (rule.TrunksAtOnce) {
            if (TrunksAtOnceReached(*rule.TrunksAtOnce, state.Trunks, call, start)) {
                firings.push_back({i, number});
            }
        } else {
            firings.push_back({i, number});
        }
    }
    return firings;
}

void TAlertEvaluator::Remember(const report::TExtStr_rep& call) {
    if (call.IsIncoming()) {
        return;
    }
    const std::int64_t day = report::SecondsOf(call.Start) / DaySeconds;
    for (std::size_t i = 0; i < Rules_.Rules.size(); ++i) {
        if (Rules_.Rules[i].NewPrefixDigits) {
            NewPrefix(Rules_.Rules[i], States[i]->Prefixes, call.DialledNumber, day);
        }
    }
}

} // namespace tallyvox::alerts
