#pragma once
// The alert journal beside a call-accounting file: each alert as it is raised,
// and each delivery of it (sent, or failed and why). One entry a line, only
// ever appended to, so that what was told to whom survives a restart and a
// mail server that is down: an alert without a "sent" entry for a channel is
// still to be sent there.
//
// "2026-12-11 02:14:07<TAB>alert<TAB>id=3<TAB>rule=...<TAB>level=critical<TAB>at=81234
//  <TAB>date=2026-12-11<TAB>time=02:11:05<TAB>line=201<TAB>program=2001<TAB>trunk=03
//  <TAB>number=8102345678<TAB>duration=00:05:12<TAB>cost=123.45<TAB>call=<the call's line>"
// "2026-12-11 02:14:08<TAB>sent<TAB>channel=mail<TAB>ids=3,4,5"
// "2026-12-11 02:14:08<TAB>failed<TAB>channel=webhook<TAB>ids=3,4,5<TAB>detail=..."

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/Alert.h"

namespace tallyvox::alerts {

enum class TJournalEvent { Alert, Sent, Failed };

struct TJournalEntry {
    std::int64_t Time = 0; // seconds since 1970; written as local time
    TJournalEvent Event = TJournalEvent::Alert;
    TAlert Alert;                   // Alert
    std::string Channel;            // Sent, Failed: "mail" or "webhook"
    std::vector<std::uint64_t> Ids; // Sent, Failed: the alerts of the message
    std::string Detail;             // Failed: why
};

// The journal of a call-accounting file: its name with ".alerts" added.
std::string AlertJournalOf(const std::string& callFileName);

// "YYYY-MM-DD hh:mm:ss" in local time.
std::string LocalStamp(std::int64_t time);

std::string FormatJournalEntry(const TJournalEntry& entry);
// The entry a line holds; nothing for a line that is none (a torn last line).
std::optional<TJournalEntry> ParseJournalEntry(std::string_view line);

// Appends the entries with their CR LF in one write; false when the journal
// cannot be written. No exception escapes.
bool AppendJournalEntries(const std::string& journalName,
                          const std::vector<TJournalEntry>& entries);

// Every entry of the journal, in order; none when there is no journal. Throws
// std::system_error when it cannot be read.
std::vector<TJournalEntry> LoadAlertJournal(const std::string& journalName);

} // namespace tallyvox::alerts
