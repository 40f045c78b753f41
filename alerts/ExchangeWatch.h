#pragma once
// The rules about the exchange rather than its calls (no_contact, buffer_full),
// judged from what the capture knows: when it last had contact with the
// exchange, and how full the exchange's buffer is. Each rule fires once when
// its condition begins, and again only after the condition has cleared and
// begun anew: a contact ends a silence, a buffer at 90% or less ends a full one.
//
// A silence counts from the last contact (or from when watching started) and
// fires once it has lasted the rule's time at a moment in working hours: a
// silence from Saturday on fires on Monday as working hours begin.

#include <cstdint>
#include <string>
#include <vector>

#include "alerts/Rules.h"
#include "report/Types.h"

namespace tallyvox::alerts {

// A rule fired by the exchange's state: no call goes with it.
struct TStateFiring {
    std::size_t Rule = 0; // index into the rules
    std::string What;     // what the capture saw (UTF-8)
};

class TExchangeWatch {
public:
    // Watching starts at now, which counts as a contact.
    TExchangeWatch(const TRules& rules, const report::TDateTime& now);

    // The exchange answered at now.
    void Contact(const report::TDateTime& now);
    // The time is now and the exchange has not answered since the last contact.
    std::vector<TStateFiring> Silence(const report::TDateTime& now);
    // The exchange said its buffer holds fill records of capacity.
    std::vector<TStateFiring> Buffer(int fill, int capacity);

private:
    const TRules& Rules;
    report::TDateTime LastContact;
    std::vector<bool> InEpisode; // per rule: fired, its condition not cleared since
};

} // namespace tallyvox::alerts
