#pragma once
// Appends lines to the call-accounting file: open, append, close per line, each
// line and its CR LF in one write. A line that cannot be written stays queued in
// memory, in order, and goes to the file before the next one as soon as the file
// can be written again; nothing is dropped while the program runs.

#include <deque>
#include <string>

namespace tallyvox::callfile {

class TCallFileWriter {
public:
    // 1 when the line (and every waiting line before it) is on disk, -1 when it waits.
    int AppendLine(const std::string& fileName, const std::string& line);
    // Both header lines in one open; result as AppendLine.
    int WriteHeader(const std::string& fileName, const std::string& dateLine,
                    const std::string& titleLine);
    // Writes the waiting lines now, without a new one; result as AppendLine.
    int FlushPending(const std::string& fileName);
    // Lines waiting for the file to become writable.
    std::size_t PendingCount() const { return Pending.size(); }

private:
    std::deque<std::string> Pending;
    // The file whose end was last seen to close a line. A program killed while
    // appending (the system may cut a write short at a page boundary) or a write
    // cut short by a full disk can leave a torn last line; the next line must not
    // be glued to it.
    std::string LineEndCheckedFor;
};

} // namespace tallyvox::callfile
