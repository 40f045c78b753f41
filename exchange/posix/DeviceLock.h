#pragma once
// Keeps a serial device to one opener. flock() on the open device holds against
// every process that asks for it, root included (the terminal's exclusive mode
// does not stop root); the customary lock file "LCK..<device>" in the lock
// folder, holding the owner's process id, is what other serial programs look
// for. A lock file whose process is gone is stale and is taken over.

#include <filesystem>
#include <string>

#include "exchange/CommBackend.h"
#include "exchange/ObjectHeader.h"

namespace tallyvox {

class TDeviceLock {
public:
    explicit TDeviceLock(std::filesystem::path lockFolder);
    ~TDeviceLock();
    TDeviceLock(const TDeviceLock&) = delete;
    TDeviceLock& operator=(const TDeviceLock&) = delete;

    // Locks the device open on fd; false when another opener holds it. The
    // flock ends when fd is closed; Release removes the lock file. A lock folder
    // that cannot take a file leaves the flock alone to hold the device.
    bool Acquire(int fd, const std::string& device);
    // Removes the lock file while it still names this process.
    void Release();
    // Who holds the device, as far as its lock file or the system's table of
    // locks tells; process id 0 when neither does.
    TPortHolder HolderOf(const std::string& device) const;

private:
    std::filesystem::path LockFileOf(const std::string& device) const;

    std::filesystem::path LockFolder;
    // The lock file this object made, empty while it holds none.
    std::filesystem::path Held;
};

} // namespace tallyvox
