#pragma once
// Appends lines to the call-accounting file: open, append, sync, close per line, each
// line and its CR LF in one write. A line that cannot be written stays held in
// memory, in order and bound to the file it was meant for, and goes to that file
// before its next line as soon as the file can be written again; nothing is
// dropped while the program runs, and choosing another file never sends one
// file's lines into another.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace tallyvox::callfile {

// Lines held for one call-accounting file, oldest first.
struct THeldLines {
    std::string FileName;
    std::deque<std::string> Lines;
};

// Where the held lines of one file went when the program had to end.
struct TRescue {
    std::string FileName;             // the call-accounting file they were meant for
    std::filesystem::path RescueFile; // empty when even the rescue file failed
    std::size_t LineCount = 0;
};

// Told after each line that reached a call-accounting file: whoever keeps a copy
// of the file elsewhere (a forwarder, a count) follows it from here, lines held
// for a while included, each once and in the file's order. Called on the thread
// that wrote the line; it must not write through the same writer.
class TAppendObserver {
public:
    virtual ~TAppendObserver() = default;
    // line (without its CR LF) now stands in fileName from byte offset on.
    virtual void LineAppended(const std::string& fileName, const std::string& line,
                              std::uintmax_t offset) = 0;
};

// Results of the writes below. No exception escapes them: a line that cannot be
// written is held, never lost.
inline constexpr int LinesWritten = 1;
inline constexpr int LinesHeld = -1;

class TCallFileWriter {
public:
    // LinesWritten when the line (and every line held for the same file) is on
    // disk, LinesHeld when it is held. Lines held for other files are tried again too.
    int AppendLine(const std::string& fileName, const std::string& line);
    // Both header lines in one open; result as AppendLine.
    int WriteHeader(const std::string& fileName, const std::string& dateLine,
                    const std::string& titleLine);
    // Writes the held lines of every file that takes them now: LinesWritten when
    // none is held any more, LinesHeld when some still are.
    int FlushPending();
    // Lines held for any file.
    std::size_t PendingCount() const;
    // True when the next line for fileName would be the first in it: no such
    // file in its folder, or an empty one, and no line held for it.
    bool StartsNewFile(const std::string& fileName) const;
    const std::vector<THeldLines>& Held() const { return Pending; }
    // The observer outlives the writer or is removed (nullptr) first.
    void SetObserver(TAppendObserver* observer) { Observer = observer; }
    // For when the program must end: the held lines of each file go to a new
    // file of their own in folder, named from stamp (a date and time), in the
    // call-accounting file's line format. Lines whose rescue file could not be
    // written whole stay held (and that rescue file is removed again).
    std::vector<TRescue> Rescue(const std::filesystem::path& folder, const std::string& stamp);

private:
    THeldLines& HeldFor(const std::string& fileName);
    // Writes one file's held lines oldest first, keeping whatever did not get written.
    void FlushFile(THeldLines& held);
    void DropEmptyGroups();
    int ResultFor(const std::string& fileName) const;

    std::vector<THeldLines> Pending;
    TAppendObserver* Observer = nullptr;
    // The file whose end was last seen to close a line. A program killed while
    // appending (the system may cut a write short at a page boundary) or a write
    // cut short by a full disk can leave a torn last line; the next line must not
    // be glued to it.
    std::string LineEndCheckedFor;
};

// Checks that fileName can be appended to now, without writing to it. A file
// that is not there is created exclusively for the check and removed again
// while it is still empty; a file another writer creates meanwhile is theirs.
// Empty when it can, otherwise the system's reason in Russian (Windows-1251).
// No exception escapes.
std::string AppendProblem(const std::string& fileName);

} // namespace tallyvox::callfile
