#pragma once
// One line per event on standard error, with a level. When standard error is
// the journal's stream (systemd's JOURNAL_STREAM names it) each line starts with
// the journal's priority prefix instead, so that `journalctl -p warning` finds
// the problems.

#include <mutex>
#include <ostream>
#include <string>

namespace tallyvox::collector {

enum class TLevel { Critical, Error, Warning, Info };

class TLog {
public:
    // journalPrefix: "<3>"-style priorities instead of the program's name.
    TLog(std::ostream& out, bool journalPrefix, std::string program = "tallyvox-collect");
    // text is UTF-8; one line, flushed at once. Any thread.
    void Write(TLevel level, const std::string& text);

private:
    std::mutex Mutex;
    std::ostream& Out;
    bool JournalPrefix;
    std::string Program;
};

// True when standard error goes to the system journal.
bool StderrIsJournal();

} // namespace tallyvox::collector
