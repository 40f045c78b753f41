#include "exchange/posix/DeviceLock.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tallyvox {
namespace {

constexpr const char* LockFilePrefix = "LCK..";
constexpr const char* DeviceFolder = "/dev/";
constexpr const char* KernelLockTable = "/proc/locks";

// "/dev/ttyUSB0" gives "ttyUSB0", "/dev/pts/3" gives "pts_3": the device by its
// real name (a link such as /dev/serial/by-id/... is followed), without /dev/
// and with '/' as '_'.
std::string LockNameOf(const std::string& device) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(device, error);
    std::string name = error ? device : real.string();
    const std::string deviceFolder = DeviceFolder;
    if (name.starts_with(deviceFolder)) {
        name.erase(0, deviceFolder.size());
    }
    while (!name.empty() && name.front() == '/') {
        name.erase(0, 1);
    }
    for (char& c : name) {
        c = c == '/' ? '_' : c;
    }
    return name;
}

bool IsAlive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The process id a lock file holds (ten columns of ASCII digits by custom, any
// blanks accepted); 0 when it holds none.
long ProcessIdIn(const std::filesystem::path& lockFile) {
    std::ifstream file(lockFile);
    long pid = 0;
    return file >> pid && pid > 0 ? pid : 0;
}

std::string ProcessNameOf(long pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(file, name);
    return name;
}

// The process holding a flock on the device, from the kernel's table of locks:
// lines such as "1: FLOCK  ADVISORY  WRITE 1234 00:18:6 0 EOF", where the file
// is given as major:minor (hexadecimal) of its file system and its inode.
long FlockHolderOf(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0) {
        return 0;
    }
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%lu", ::major(info.st_dev), ::minor(info.st_dev),
                  static_cast<unsigned long>(info.st_ino));
    std::ifstream table(KernelLockTable);
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, lockedFile;
        long pid = 0;
        if (fields >> number >> kind >> mode >> access >> pid >> lockedFile && kind == "FLOCK" &&
            lockedFile == file) {
            return pid;
        }
    }
    return 0;
}

enum class TLockFileMade { Made, AlreadyThere, NotPossible };

// Makes the lock file with this process's id. NotPossible (no lock folder, no
// right to write there) leaves the flock alone to hold the device.
TLockFileMade MakeLockFile(const std::filesystem::path& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno == EEXIST ? TLockFileMade::AlreadyThere : TLockFileMade::NotPossible;
    }
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(::getpid()));
    const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
    ::close(fd);
    if (!written) {
        ::unlink(lockFile.c_str());
        return TLockFileMade::NotPossible;
    }
    return TLockFileMade::Made;
}

} // namespace

TDeviceLock::TDeviceLock(std::filesystem::path lockFolder) : LockFolder(std::move(lockFolder)) {}

TDeviceLock::~TDeviceLock() {
    Release();
}

bool TDeviceLock::Acquire(int fd, const std::string& device) {
    Release();
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return false;
    }
    const std::filesystem::path lockFile = LockFileOf(device);
    // One more try after a stale lock file (its process gone, or this one's own
    // from an earlier open that the flock shows to be over) has been removed.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const TLockFileMade made = MakeLockFile(lockFile);
        if (made != TLockFileMade::AlreadyThere) {
            Held = made == TLockFileMade::Made ? lockFile : std::filesystem::path();
            return true;
        }
        const long owner = ProcessIdIn(lockFile);
        if (owner != ::getpid() && IsAlive(owner)) {
            return false;
        }
        ::unlink(lockFile.c_str());
    }
    return false;
}

void TDeviceLock::Release() {
    if (!Held.empty() && ProcessIdIn(Held) == ::getpid()) {
        ::unlink(Held.c_str());
    }
    Held.clear();
}

TPortHolder TDeviceLock::HolderOf(const std::string& device) const {
    TPortHolder holder;
    holder.Device = device;
    const long owner = ProcessIdIn(LockFileOf(device));
    holder.ProcessId = IsAlive(owner) ? owner : FlockHolderOf(device);
    if (holder.ProcessId != 0) {
        holder.ProcessName = ProcessNameOf(holder.ProcessId);
    }
    return holder;
}

std::filesystem::path TDeviceLock::LockFileOf(const std::string& device) const {
    return LockFolder / (LockFilePrefix + LockNameOf(device));
}

} // namespace tallyvox
