#pragma once
// A call file that another program writes, judged by the alert rules line by
// line as it grows: what lies past the mark beside it is evaluated, its alerts
// raised, and the mark moved after them. A file replaced, truncated or rotated
// is judged from its start. A crash between the alerts and the mark costs
// nothing: the lines are judged again and the delivery passes over alerts it
// already holds.

#include <cstdint>
#include <functional>
#include <string>

#include "alerts/AlertDelivery.h"
#include "alerts/LineJudge.h"
#include "store/SpoolState.h"

namespace tallyvox::alertcli {

// The mark of a call file: its name with ".alerts.mark" added.
std::string AlertMarkOf(const std::string& callFile);

class TAlertFollower {
public:
    // Reads the mark; the calls before it teach the rules which prefixes were
    // dialled. told hears each alert raised. Throws std::system_error when the
    // call file cannot be read.
    TAlertFollower(std::string callFile, alerts::TLineJudge& judge,
                   alerts::TAlertDelivery& delivery,
                   std::function<void(const alerts::TAlert&)> told);

    // Judges the whole lines past the mark and moves it; the alerts raised.
    // Throws std::system_error when the file or the mark cannot be read or written.
    std::size_t JudgePending();

    std::size_t LinesJudged() const { return Lines; }

private:
    std::size_t JudgeLines(std::string& pending, std::uint64_t& offset);

    std::string CallFile;
    std::string MarkFile;
    alerts::TLineJudge& Judge;
    alerts::TAlertDelivery& Delivery;
    std::function<void(const alerts::TAlert&)> Told;
    store::TSpoolState Mark;
    std::size_t Lines = 0;
};

} // namespace tallyvox::alertcli
