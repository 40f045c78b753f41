#pragma once
// The forwarder's mark beside the call-accounting file: how far the file has been
// delivered to the store. The call file itself is the spool; this small file only
// says where the undelivered part begins.

#include <cstdint>
#include <string>

namespace tallyvox::store {

struct TSpoolState {
    std::uint64_t Delivered = 0; // bytes of the call file in the store (whole lines)
    std::uint64_t FileId = 0;    // the call file's inode when the mark was set
    std::string SerialNumber;    // the exchange whose lines were sent last

    friend bool operator==(const TSpoolState&, const TSpoolState&) = default;
};

// The state file of a call file: "<call file>.store".
std::string SpoolStateFileOf(const std::string& callFile);

// The state kept in fileName; the empty state (send from the start) when there
// is none or it cannot be read. Sending again from the start is harmless: the
// store keeps one row per call.
TSpoolState ReadSpoolState(const std::string& fileName);

// Replaces fileName by the state at once (a temporary file synced, then renamed
// over it), so a crash leaves the old state or the new one, never a mix. Throws
// std::system_error.
void WriteSpoolState(const std::string& fileName, const TSpoolState& state);

} // namespace tallyvox::store
