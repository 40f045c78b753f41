#include "sim/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tallyvox::sim {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("pseudo-terminal: " + what + ": " + std::strerror(errno));
}

// Raw 8-bit bytes with the host's line format, so that the device looks like the
// exchange's serial line even before the host configures it.
bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD | CSTOPB;
    cfsetispeed(&settings, B19200);
    cfsetospeed(&settings, B19200);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

TPseudoTerminal::TPseudoTerminal() {
    // Close-on-exec on both ends, so that a child process never holds the line.
    MasterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (MasterFd < 0) {
        Fail("posix_openpt");
    }
    char name[128] = {};
    if (grantpt(MasterFd) != 0 || unlockpt(MasterFd) != 0 ||
        ptsname_r(MasterFd, name, sizeof name) != 0) {
        const int error = errno;
        Close();
        errno = error;
        Fail("grantpt/unlockpt/ptsname");
    }
    Path = name;
    // The host opens its own end; this one sets the line format and is kept.
    KeeperFd = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const bool raw = KeeperFd >= 0 && MakeRaw(KeeperFd) && MakeRaw(MasterFd);
    const int error = errno;
    if (!raw || fcntl(MasterFd, F_SETFL, fcntl(MasterFd, F_GETFL) | O_NONBLOCK) != 0) {
        Close();
        errno = error;
        Fail("raw mode");
    }
}

TPseudoTerminal::~TPseudoTerminal() {
    Close();
}

void TPseudoTerminal::FlushTowardsHost() {
    if (KeeperFd >= 0) {
        tcflush(KeeperFd, TCIFLUSH);
    }
}

void TPseudoTerminal::ReleaseExclusive() {
    if (KeeperFd >= 0) {
        ioctl(KeeperFd, TIOCNXCL);
    }
}

void TPseudoTerminal::Close() {
    if (MasterFd >= 0) {
        close(MasterFd);
        MasterFd = -1;
    }
    if (KeeperFd >= 0) {
        close(KeeperFd);
        KeeperFd = -1;
    }
}

} // namespace tallyvox::sim
