#pragma once
// The collector's coverage journal, written so that no entry is lost to a file
// system that refuses it for a while (full, read-only, over a file-size limit):
// the entries it did not take wait, in order, and go to it first whenever it is
// written again. One log line when it starts refusing, one when it takes them.

#include <deque>
#include <string>

#include "callfile/CoverageJournal.h"
#include "collector/Log.h"

namespace tallyvox::collector {

class TCoverageWriter {
public:
    // journalName: the journal's name (Windows-1251 text).
    TCoverageWriter(std::string journalName, TLog& log);
    // Appends the entries still waiting, then entry.
    void Append(callfile::TCoverageEntry entry);
    // Appends the entries still waiting, if any.
    void Retry();
    std::size_t Waiting() const { return Held.size(); }

private:
    std::string JournalName;
    TLog& Log;
    std::deque<callfile::TCoverageEntry> Held;
    bool Refusing = false;
};

} // namespace tallyvox::collector
