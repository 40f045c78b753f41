#pragma once
// The real-time log: snapshots of the real-time list appended to one file, which
// stays open from the first snapshot until it is closed, so that a snapshot every
// few seconds does not reopen it. UI thread only.

#include <filesystem>
#include <string>
#include <vector>

#include "callfile/AppendFile.h"

namespace tallyvox::callfile {

class TRealTimeLog {
public:
    // Opens the log named by the Windows-1251 text fileName for appending,
    // creating it when missing; true when open (also when it already was). A log
    // that ends in a torn line (a program killed while writing) gets its line end
    // first, so the next snapshot starts on a line of its own.
    bool Open(const std::string& fileName);
    // Appends the lines, each followed by CR LF, in one write: true when all of
    // them are in the file. A write cut short (a full disk) is cut back, so the
    // file keeps no piece of the snapshot; the log is closed then.
    bool Append(const std::vector<std::string>& lines);
    void Close();
    bool IsOpen() const { return static_cast<bool>(File); }

private:
    TFileHandle File{nullptr, &std::fclose};
    std::filesystem::path Path;
};

} // namespace tallyvox::callfile
