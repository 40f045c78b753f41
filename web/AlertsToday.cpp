#include "web/AlertsToday.h"

#include <system_error>

#include "alerts/AlertJournal.h"
#include "report/Period.h"

namespace tallyvox::web {

namespace {

// The call an alert is about, as far as a scope looks at it: its start and lines
// (digits alike in both encodings), viewing about's texts.
std::optional<report::TExtStr_rep> CallOf(const alerts::TAlertCall& about) {
    const std::optional<report::TDateTime> start =
        report::ParseDateTime(about.Date + " " + about.Time);
    if (!start) {
        return std::nullopt;
    }
    report::TExtStr_rep call;
    call.Start = *start;
    call.HardwareLine = about.Line;
    call.ProgramNumber = about.Program;
    return call;
}

} // namespace

std::optional<std::size_t> AlertsToday(const std::string& journal, const TScope& scope,
                                       const report::TDateTime& now) {
    std::vector<alerts::TJournalEntry> entries;
    try {
        entries = alerts::LoadAlertJournal(journal);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    const std::string today = report::DateTimeText(now).substr(0, 10);
    std::size_t count = 0;
    for (const alerts::TJournalEntry& entry : entries) {
        if (entry.Event != alerts::TJournalEvent::Alert ||
            !alerts::LocalStamp(entry.Time).starts_with(today)) {
            continue;
        }
        const std::optional<report::TExtStr_rep> call = CallOf(entry.Alert.Call);
        count += call && scope.Holds(*call) ? 1 : 0;
    }
    return count;
}

} // namespace tallyvox::web
