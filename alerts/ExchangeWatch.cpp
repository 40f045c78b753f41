#include "alerts/ExchangeWatch.h"

#include "callfile/CoverageJournal.h"
#include "report/Period.h"

namespace tallyvox::alerts {

TExchangeWatch::TExchangeWatch(const TRules& rules, const report::TDateTime& now)
    : Rules(rules), LastContact(now), InEpisode(rules.Rules.size(), false) {}

void TExchangeWatch::Contact(const report::TDateTime& now) {
    LastContact = now;
    for (std::size_t i = 0; i < Rules.Rules.size(); ++i) {
        if (Rules.Rules[i].NoContactSeconds) {
            InEpisode[i] = false;
        }
    }
}

std::vector<TStateFiring> TExchangeWatch::Silence(const report::TDateTime& now) {
    std::vector<TStateFiring> firings;
    if (!Rules.Office.IsWorkingTime(now)) {
        return firings;
    }
    const std::int64_t silent = report::SecondsOf(now) - report::SecondsOf(LastContact);
    for (std::size_t i = 0; i < Rules.Rules.size(); ++i) {
        const TRule& rule = Rules.Rules[i];
        if (rule.NoContactSeconds && !InEpisode[i] && silent >= *rule.NoContactSeconds) {
            InEpisode[i] = true;
            firings.push_back(
                {i, "no contact with the exchange since " + report::DateTimeText(LastContact)});
        }
    }
    return firings;
}

std::vector<TStateFiring> TExchangeWatch::Buffer(int fill, int capacity) {
    std::vector<TStateFiring> firings;
    const bool full = callfile::BufferNearlyFull(fill, capacity);
    for (std::size_t i = 0; i < Rules.Rules.size(); ++i) {
        if (!Rules.Rules[i].BufferFull || InEpisode[i] == full) {
            continue;
        }
        InEpisode[i] = full;
        if (full) {
            firings.push_back({i, "the exchange's buffer holds " + std::to_string(fill) + " of " +
                                      std::to_string(capacity) + " records"});
        }
    }
    return firings;
}

} // namespace tallyvox::alerts
