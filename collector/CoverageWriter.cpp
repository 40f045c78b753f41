#include "collector/CoverageWriter.h"

#include <utility>

#include "text/Cp1251.h"

namespace tallyvox::collector {

TCoverageWriter::TCoverageWriter(std::string journalName, TLog& log)
    : JournalName(std::move(journalName)), Log(log) {}

void TCoverageWriter::Append(callfile::TCoverageEntry entry) {
    Held.push_back(std::move(entry));
    Retry();
}

void TCoverageWriter::Retry() {
    const std::size_t waiting = Held.size();
    while (!Held.empty() && callfile::AppendCoverageEntry(JournalName, Held.front())) {
        Held.pop_front();
    }
    const std::string name = text::Cp1251ToUtf8(JournalName);
    if (!Held.empty() && !Refusing) {
        Log.Write(TLevel::Warning,
                  "the coverage journal " + name + " cannot be written; its entries wait");
    } else if (Held.empty() && Refusing) {
        Log.Write(TLevel::Info, "the coverage journal " + name + " took the entries that waited (" +
                                    std::to_string(waiting) + ")");
    }
    Refusing = !Held.empty();
}

} // namespace tallyvox::collector
