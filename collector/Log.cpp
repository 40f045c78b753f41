#include "collector/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace tallyvox::collector {
namespace {

const char* PriorityOf(TLevel level) {
    switch (level) {
    case TLevel::Critical:
        return "<2>";
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
    case TLevel::Critical:
        return "critical: ";
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

TLog::TLog(std::ostream& out, bool journalPrefix, std::string program)
    : Out(out), JournalPrefix(journalPrefix), Program(std::move(program)) {}

void TLog::Write(TLevel level, const std::string& text) {
    std::string line = JournalPrefix ? PriorityOf(level) : Program + ": ";
    line += WordOf(level) + text;
    for (char& c : line) {
        c = c == '\n' || c == '\r' ? ' ' : c;
    }
    const std::lock_guard lock(Mutex);
    Out << line << std::endl;
}

// systemd names the journal's stream "DEVICE:INODE"; standard error is that
// stream only when it is still the same file (not a terminal or a file that a
// child of the service was given instead).
bool StderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    unsigned long long device = 0;
    unsigned long long inode = 0;
    char rest = 0;
    struct stat info {};
    return stream != nullptr && std::sscanf(stream, "%llu:%llu%c", &device, &inode, &rest) == 2 &&
           ::fstat(STDERR_FILENO, &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

} // namespace tallyvox::collector
