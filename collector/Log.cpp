#include "collector/Log.h"

#include <cstdlib>

namespace tallyvox::collector {
namespace {

const char* PriorityOf(TLevel level) {
    switch (level) {
    case TLevel::Error:
        return "<3>";
    case TLevel::Warning:
        return "<4>";
    case TLevel::Info:
        break;
    }
    return "<6>";
}

const char* WordOf(TLevel level) {
    switch (level) {
    case TLevel::Error:
        return "error: ";
    case TLevel::Warning:
        return "warning: ";
    case TLevel::Info:
        break;
    }
    return "info: ";
}

} // namespace

TLog::TLog(std::ostream& out, bool journalPrefix) : Out(out), JournalPrefix(journalPrefix) {}

void TLog::Write(TLevel level, const std::string& text) {
    std::string line = JournalPrefix ? PriorityOf(level) : std::string("tallyvox-collect: ");
    line += WordOf(level) + text;
    for (char& c : line) {
        c = c == '\n' || c == '\r' ? ' ' : c;
    }
    Out << line << std::endl;
}

bool StderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    return stream != nullptr && *stream != '\0';
}

} // namespace tallyvox::collector
