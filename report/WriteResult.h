#pragma once
// What writing a file of the report came to. Every writer of views (the
// fixed-column exports, CSV, the workbook) answers the same way, so every
// client tells a failure the same way: the file and the system's reason.

#include <string>

namespace tallyvox::report {

struct TWriteResult {
    std::string FileName;
    std::string Reason; // empty: written; else why not, in the system's words
    int Error = 0;      // the platform's error number, where it gave one
    int Code = 0;       // a fixed-column export's result code (WriteListToFile.h)

    bool Written() const { return Reason.empty(); }
};

// The result of a write that went through.
TWriteResult WrittenFile(const std::string& fileName);
// The result of a write that failed with the platform's error number error.
TWriteResult FailedWrite(const std::string& fileName, int error, int code = 0);

} // namespace tallyvox::report
