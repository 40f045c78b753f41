#pragma once
// The log of the report's mail: one line per message that was sent or failed,
// appended beside the call file, so that an administrator can see what went
// out, and a run that is tried again (by a timer after a failure) sends only
// what did not go out yet.

#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace tallyvox::reportmail {

// One message's attempt. Texts are UTF-8 without tabs or line ends.
struct TSendRecord {
    std::time_t Time = 0;
    std::string Period;     // "2026-11-30 00:00:00..2026-12-06 23:59:59"
    std::string Department; // empty: the whole office
    std::string Recipients; // "a@x, b@y"
    bool Sent = false;
    std::string Reason; // why not sent
};

// Where the records are kept: beside a call file, or in the store.
class TSendLog {
public:
    virtual ~TSendLog() = default;
    // The records so far, in order; throws std::runtime_error when they cannot be read.
    virtual std::vector<TSendRecord> Records() = 0;
    // Keeps one more; throws std::runtime_error when it cannot.
    virtual void Append(const TSendRecord& record) = 0;
    // Names the place in messages.
    virtual std::string Place() const = 0;
};

// The log of a call file, CALLFILE.mail, a line a record: "YYYY-MM-DD HH:MM:SS
// <TAB>sent|failed<TAB>PERIOD<TAB>DEPARTMENT<TAB>RECIPIENTS<TAB>REASON". Lines
// that are no record (a torn last line) are passed over.
std::unique_ptr<TSendLog> CallFileSendLog(const std::string& callFile);

// Whether the log holds a sent record of this period, department and recipients.
bool AlreadySent(const std::vector<TSendRecord>& log, const TSendRecord& message);

} // namespace tallyvox::reportmail
