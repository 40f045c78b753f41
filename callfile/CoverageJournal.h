#pragma once
// The capture coverage journal, kept beside a call-accounting file by the
// program that reads the exchange without a window: when it was reading (which
// exchange, how full its buffer was) and when it was not, and why. One entry a
// line, only ever appended to, so that a month's totals can be checked against
// what was actually captured.
//
// "2026-12-09 08:00:01<TAB>reading<TAB>serial=1234<TAB>model=...<TAB>fill=40<TAB>capacity=5000
//  <TAB>offset=81234<TAB>file=393221"
// "2026-12-09 09:12:45<TAB>gap<TAB>reason=line-down<TAB>records=17<TAB>detail=..."
// A gap entry ends the interval before it (records counts that interval's calls)
// and says why capture stops; the next reading entry ends the gap.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/Clock.h"

namespace tallyvox::callfile {

enum class TCoverageEvent { Reading, Gap };

// Why capture stopped (the reason of a gap entry).
inline constexpr const char* GapLineDown = "line-down";
inline constexpr const char* GapExchangeSilent = "exchange-silent";
inline constexpr const char* GapFileUnwritable = "file-unwritable";
inline constexpr const char* GapStopped = "stopped";

// A buffer fuller than this (in per cent) loses records soon: warned about.
inline constexpr int BufferWarningPercent = 90;

struct TCoverageEntry {
    TCalendarTime Time;
    TCoverageEvent Event = TCoverageEvent::Reading;
    // Reading: the exchange and its buffer at identification.
    std::string Serial;
    std::string Model;
    int Fill = 0;
    int Capacity = 0;
    // Reading: where this exchange's lines begin in the call file (its size then)
    // and which file that was (its inode; 0 when it did not exist yet), so that
    // each line can be told the exchange it came from whenever it is sent on.
    std::optional<std::uint64_t> CallFileOffset;
    std::uint64_t CallFileId = 0;
    // Gap: why, the calls taken in the interval it ends, and what failed.
    std::string Reason;
    std::int64_t Records = 0;
    std::string Detail;
};

// True when fill is past BufferWarningPercent of capacity.
bool BufferNearlyFull(int fill, int capacity);

// The journal of a call-accounting file: its name with ".coverage" added.
std::string CoverageJournalOf(const std::string& callFileName);

// Sets the entry's CallFileOffset and CallFileId to the call file's present size
// and identity (0 and 0 when there is no such file yet).
void NoteCallFilePlace(TCoverageEntry& entry, const std::string& callFileName);

// One entry as a line, without its line end; tabs and line ends inside the
// texts become blanks.
std::string FormatCoverageEntry(const TCoverageEntry& entry);
// The entry a line holds; nothing for a line that is none (a torn last line).
std::optional<TCoverageEntry> ParseCoverageEntry(std::string_view line);

// Appends one entry with its CR LF; false when the journal cannot be written.
// No exception escapes.
bool AppendCoverageEntry(const std::string& journalName, const TCoverageEntry& entry);

} // namespace tallyvox::callfile
