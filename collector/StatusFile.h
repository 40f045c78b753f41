#pragma once
// A small JSON file that tells a monitoring script how capture is going: the
// exchange, the last contact, the records of today and the lines held in memory.
// It is written to a temporary file beside it and renamed over it, so a reader
// never sees half of it. Only a regular file is ever replaced: a symbolic link
// is followed to its target, and a device, a FIFO or a directory is left alone.

#include <cstdint>
#include <string>

#include "model/Clock.h"

namespace tallyvox::collector {

struct TCollectorStatus {
    std::string State; // "starting", "reading", "line-down", ... (UTF-8)
    std::string Detail;
    std::string Port;
    std::string CallFile; // UTF-8
    std::string Model;    // UTF-8
    std::string Serial;
    std::string Version;
    int BufferFill = 0;
    int BufferCapacity = 0;
    bool Contacted = false; // LastContact is set
    TCalendarTime LastContact;
    TCalendarTime Updated;
    std::int64_t RecordsToday = 0;
    std::size_t LinesHeld = 0;
};

// The status as JSON text.
std::string StatusJson(const TCollectorStatus& status);

// Why path (its links followed) cannot be the status file, as "a device",
// "a FIFO", ...; empty when it is a regular file or not there yet.
std::string StatusFileProblem(const std::string& path);

// Replaces the file at path (at the end of its links) with the status; false
// when it could not or must not. No exception escapes.
bool WriteStatusFile(const std::string& path, const TCollectorStatus& status);

} // namespace tallyvox::collector
