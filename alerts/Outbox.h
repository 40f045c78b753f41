#pragma once
// The alerts held for one channel (mail, web hook) and when each message goes:
// the alerts of one rule wait the digest time from the first of them held, so
// that a backlog evaluated at once is one message per rule; at most per_hour
// messages go in any hour, and when more are due than the hour has room for,
// one summary takes every alert held. A failed message is tried again after a
// wait that doubles. Times are seconds since 1970; nothing here waits or sends.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "alerts/Alert.h"
#include "alerts/Rules.h"

namespace tallyvox::alerts {

// One message: the alerts of one rule (a digest), or of several (a summary),
// grouped by rule in the order their rules were first held.
struct TOutgoing {
    std::vector<TAlert> Alerts;
    bool Summary = false;

    std::vector<std::uint64_t> Ids() const;
};

class TOutbox {
public:
    explicit TOutbox(TDelivery settings);

    void Hold(const TAlert& alert, std::int64_t now);
    // A message went at now: its alerts are no longer held.
    void Delivered(const std::vector<std::uint64_t>& ids, std::int64_t now);
    // A message failed at now: nothing goes before the doubled wait is over.
    void Failed(std::int64_t now);

    // The message due at now, if any; flush: every rule held is due, digests and
    // the retry wait are not waited for (a run that ends), the hourly cap holds.
    std::optional<TOutgoing> Next(std::int64_t now, bool flush) const;
    // When a message may next be due; none while nothing is held.
    std::optional<std::int64_t> WakeAt(std::int64_t now) const;

    // Lets go of the alerts held since before time; how many there were.
    std::size_t DropHeldBefore(std::int64_t time);

    std::size_t Held() const;

private:
    struct THeld {
        std::int64_t Since = 0;
        TAlert Alert;
    };
    struct TRuleHeld {
        std::string Rule;
        std::deque<THeld> Alerts;
    };

    std::int64_t RoomAt(std::int64_t now) const; // when the hour has room for a message
    std::size_t Room(std::int64_t now) const;

    TDelivery Settings;
    std::vector<TRuleHeld> Rules; // in the order first held
    std::deque<std::int64_t> SentTimes;
    std::int64_t RetryAt = 0;
    std::int64_t RetryWait = 0;
};

} // namespace tallyvox::alerts
