#include "alerts/Outbox.h"

#include <algorithm>

namespace tallyvox::alerts {

namespace {

constexpr std::int64_t HourSeconds = 3600;
// A server that is down is tried again after 1 s, 2 s, 4 s… and then every 5 minutes.
constexpr std::int64_t FirstRetrySeconds = 1;
constexpr std::int64_t LastRetrySeconds = 300;

} // namespace

std::vector<std::uint64_t> TOutgoing::Ids() const {
    std::vector<std::uint64_t> ids;
    for (const TAlert& alert : Alerts) {
        ids.push_back(alert.Id);
    }
    return ids;
}

TOutbox::TOutbox(TDelivery settings) : Settings(settings) {}

void TOutbox::Hold(const TAlert& alert, std::int64_t now) {
    auto rule = std::find_if(Rules.begin(), Rules.end(),
                             [&](const TRuleHeld& held) { return held.Rule == alert.Rule; });
    if (rule == Rules.end()) {
        rule = Rules.insert(Rules.end(), TRuleHeld{alert.Rule, {}});
    }
    rule->Alerts.push_back({now, alert});
}

void TOutbox::Delivered(const std::vector<std::uint64_t>& ids, std::int64_t now) {
    for (TRuleHeld& rule : Rules) {
        std::erase_if(rule.Alerts, [&](const THeld& held) {
            return std::find(ids.begin(), ids.end(), held.Alert.Id) != ids.end();
        });
    }
    std::erase_if(Rules, [](const TRuleHeld& rule) { return rule.Alerts.empty(); });
    SentTimes.push_back(now);
    while (SentTimes.front() <= now - HourSeconds) {
        SentTimes.pop_front(); // only the last hour counts
    }
    RetryAt = 0;
    RetryWait = 0;
}

void TOutbox::Failed(std::int64_t now) {
    RetryWait = std::clamp(RetryWait * 2, FirstRetrySeconds, LastRetrySeconds);
    RetryAt = now + RetryWait;
}

std::int64_t TOutbox::RoomAt(std::int64_t now) const {
    // The oldest message of the last hour that keeps it full leaves it at +1 h.
    std::vector<std::int64_t> lastHour;
    for (const std::int64_t time : SentTimes) {
        if (time > now - HourSeconds) {
            lastHour.push_back(time);
        }
    }
    if (lastHour.size() < Settings.PerHour) {
        return now;
    }
    return lastHour[lastHour.size() - Settings.PerHour] + HourSeconds;
}

std::size_t TOutbox::Room(std::int64_t now) const {
    const auto sent = static_cast<std::size_t>(
        std::count_if(SentTimes.begin(), SentTimes.end(),
                      [&](std::int64_t time) { return time > now - HourSeconds; }));
    return sent >= Settings.PerHour ? 0 : Settings.PerHour - sent;
}

std::optional<TOutgoing> TOutbox::Next(std::int64_t now, bool flush) const {
    const std::size_t room = Room(now);
    if (Rules.empty() || room == 0 || (!flush && now < RetryAt)) {
        return std::nullopt;
    }
    std::vector<const TRuleHeld*> due;
    for (const TRuleHeld& rule : Rules) {
        if (flush || rule.Alerts.front().Since + Settings.DigestSeconds <= now) {
            due.push_back(&rule);
        }
    }
    if (due.empty()) {
        return std::nullopt;
    }
    TOutgoing outgoing;
    outgoing.Summary = due.size() > room;
    if (!outgoing.Summary) {
        due.resize(1);
    } else {
        due.clear();
        for (const TRuleHeld& rule : Rules) {
            due.push_back(&rule);
        }
    }
    for (const TRuleHeld* rule : due) {
        for (const THeld& held : rule->Alerts) {
            outgoing.Alerts.push_back(held.Alert);
        }
    }
    return outgoing;
}

std::optional<std::int64_t> TOutbox::WakeAt(std::int64_t now) const {
    if (Rules.empty()) {
        return std::nullopt;
    }
    std::int64_t due = INT64_MAX;
    for (const TRuleHeld& rule : Rules) {
        due = std::min(due, rule.Alerts.front().Since + std::int64_t{Settings.DigestSeconds});
    }
    return std::max({due, RetryAt, RoomAt(now)});
}

std::size_t TOutbox::DropHeldBefore(std::int64_t time) {
    const std::size_t before = Held();
    for (TRuleHeld& rule : Rules) {
        std::erase_if(rule.Alerts, [&](const THeld& held) { return held.Since < time; });
    }
    std::erase_if(Rules, [](const TRuleHeld& rule) { return rule.Alerts.empty(); });
    return before - Held();
}

std::size_t TOutbox::Held() const {
    std::size_t held = 0;
    for (const TRuleHeld& rule : Rules) {
        held += rule.Alerts.size();
    }
    return held;
}

} // namespace tallyvox::alerts
