#include "callfile/RealTimeLog.h"

#include <exception>

#include "model/FilePath.h"

namespace tallyvox::callfile {

bool TRealTimeLog::Open(const std::string& fileName) {
    if (File) {
        return true;
    }
    try {
        Path = FilePathOfText(fileName);
        File = OpenForAppend(Path);
        if (File && !WriteWhole(File.get(), Path, MissingLineEnd(Path))) {
            File.reset();
        }
    } catch (const std::exception&) {
        File.reset();
    }
    return IsOpen();
}

bool TRealTimeLog::Append(const std::vector<std::string>& lines) {
    if (!File) {
        return false;
    }
    std::string snapshot;
    for (const std::string& line : lines) {
        snapshot += line;
        snapshot += "\r\n";
    }
    // Should the cut-back fail as well, the reopening that the next snapshot
    // needs adds the missing line end before it.
    if (!WriteWhole(File.get(), Path, snapshot)) {
        Close();
        return false;
    }
    return true;
}

void TRealTimeLog::Close() {
    File.reset();
}

} // namespace tallyvox::callfile
