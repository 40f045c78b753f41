#pragma once
// What a person is told of a message's alerts: the site, each rule with its
// level, and each call that fired it (date, time, line with program number,
// trunk, dialled number, duration, cost). As mail (a subject and a text) and as
// the web hook's JSON document.

#include <string>

#include "alerts/Outbox.h"

namespace tallyvox::alerts {

struct TAlertMessage {
    std::string Subject;
    std::string Text; // lines ending in LF
    std::string Json;
};

// perHour: the cap a summary names.
TAlertMessage ComposeAlertMessage(const std::string& site, const TOutgoing& outgoing,
                                  std::uint32_t perHour);

} // namespace tallyvox::alerts
