#pragma once
// The mark beside the call-accounting file of a program that follows it (the
// forwarder to the store, the alert follower): how far the file has been
// delivered. The call file itself is the spool; this small file only says where
// the undelivered part begins.

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

namespace tallyvox::store {

struct TSpoolState {
    std::uint64_t Delivered = 0; // bytes of the call file in the store (whole lines)
    std::uint64_t FileId = 0;    // the call file's inode when the mark was set
    std::string SerialNumber;    // the serial for lines the coverage journal does not place
    // A digest of the delivered part's first and last bytes (DeliveredDigest), so
    // that a file replaced under the same name, or truncated and grown again, is
    // told from the one delivered; none in a mark of an older version.
    std::optional<std::uint64_t> Digest;
    std::size_t CoverageEntries = 0; // entries of the coverage journal in the store

    friend bool operator==(const TSpoolState&, const TSpoolState&) = default;
};

// The state file of a call file: "<call file>.store".
std::string SpoolStateFileOf(const std::string& callFile);

// The state kept in fileName; the empty state (send from the start) when there
// is none or it cannot be read. Sending again from the start is harmless: the
// store keeps one row per call.
TSpoolState ReadSpoolState(const std::string& fileName);

// The digest of the first and the last (up to) 4 KiB of a file's first
// delivered bytes; throws std::system_error when they cannot be read.
std::uint64_t DeliveredDigest(std::istream& file, std::uint64_t delivered);

// Whether the file (fileName, with its inode and size) begins with what the mark
// says was delivered: not replaced, truncated or rotated since.
bool MarkHolds(const TSpoolState& state, const std::string& fileName, std::uint64_t fileId,
               std::uint64_t size);

// Replaces fileName by the state at once (a temporary file synced, then renamed
// over it), so a crash leaves the old state or the new one, never a mix. Throws
// std::system_error.
void WriteSpoolState(const std::string& fileName, const TSpoolState& state);

} // namespace tallyvox::store
