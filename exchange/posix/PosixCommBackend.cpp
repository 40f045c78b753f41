// The serial channel on POSIX systems: a terminal device in raw mode, one byte
// per call, with poll() giving the read time-out, held for this program alone.

#include "exchange/posix/PosixCommBackend.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "exchange/CommBackend.h"
#include "exchange/posix/DeviceLock.h"

namespace tallyvox {
namespace {

constexpr const char* SystemLockFolder = "/run/lock";

speed_t SpeedOf(int baudRate) {
    switch (baudRate) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

// Data bits 5 to 8; a size the line cannot carry is refused, not widened to 8.
bool SetCharacterSize(termios& tio, std::uint8_t byteSize) {
    tcflag_t size = CS8;
    switch (byteSize) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        break;
    default:
        return false;
    }
    tio.c_cflag = (tio.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | size;
    return true;
}

// Stop bits 0 one, 1 one and a half, 2 two; the terminal has only one or two, so
// one and a half is sent as two. Any other value is refused.
bool SetStopBitCount(termios& tio, std::uint8_t stopBits) {
    switch (stopBits) {
    case 0:
        tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
        return true;
    case 1:
    case 2:
        tio.c_cflag |= CSTOPB;
        return true;
    default:
        return false;
    }
}

// Parity 0 none, 1 odd, 2 even; mark and space parity have no portable form.
bool SetParityBits(termios& tio, std::uint8_t parity) {
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
    switch (parity) {
    case 0:
        return true;
    case 1:
        tio.c_cflag |= PARENB | PARODD;
        return true;
    case 2:
        tio.c_cflag |= PARENB;
        return true;
    default:
        return false;
    }
}

// Whole milliseconds for poll(), rounded up so that a short wait still waits.
int PollMilliseconds(std::chrono::microseconds wait) {
    if (wait.count() <= 0) {
        return 0;
    }
    return static_cast<int>((wait.count() + 999) / 1000);
}

class TPosixCommBackend : public TCommBackend {
public:
    explicit TPosixCommBackend(std::filesystem::path lockFolder) : Lock(std::move(lockFolder)) {}

    ~TPosixCommBackend() override {
        if (Fd >= 0) {
            Lock.Release();
            ::close(Fd);
        }
    }

    // The terminal's exclusive mode turns away later openers that are not root
    // (their open fails with EBUSY); the device lock turns away everyone else.
    bool OpenDevice(const std::string& name) override {
        Refused.reset();
        const std::string device = ResolvePortDevice(name);
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return errno == EBUSY ? InUse(device) : Failed();
        }
        if (!Lock.Acquire(fd, device)) {
            ::close(fd);
            return InUse(device);
        }
        // Non-blocking: opening never waits for a carrier, reads wait in poll()
        // and a write waits there only when the line takes nothing more.
        if (::ioctl(fd, TIOCEXCL) != 0) {
            Failed();
            Lock.Release();
            ::close(fd);
            return false;
        }
        Fd = fd;
        return true;
    }

    bool ReadLineSettings() override { return ::tcgetattr(Fd, &Current) == 0 || Failed(); }

    bool ApplyLineSettings(const TLineSettings& settings) override {
        termios wanted = Current;
        ::cfmakeraw(&wanted);
        wanted.c_cflag |= CLOCAL | CREAD;
        wanted.c_cc[VMIN] = 1;
        wanted.c_cc[VTIME] = 0;
        const speed_t speed = SpeedOf(settings.BaudRate);
        if (speed == B0 || !SetCharacterSize(wanted, settings.ByteSize) ||
            !SetStopBitCount(wanted, settings.StopBits) ||
            !SetParityBits(wanted, settings.Parity)) {
            errno = EINVAL;
            return Failed();
        }
        if (::cfsetispeed(&wanted, speed) != 0 || ::cfsetospeed(&wanted, speed) != 0 ||
            ::tcsetattr(Fd, TCSANOW, &wanted) != 0) {
            return Failed();
        }
        Current = wanted;
        return true;
    }

    // The terminal driver sizes its own queues.
    bool SetupQueues(std::uint32_t, std::uint32_t) override { return true; }

    // The read wait comes with every read. The write time-out for one byte is
    // kept here, in real milliseconds, because a terminal write has no time-out
    // of its own; no write time-out at all means a write waits as long as it must.
    bool SetTimeouts(const TCommTimeouts& timeouts) override {
        const std::uint32_t oneByte = timeouts.WriteTotalConstant + timeouts.WriteTotalMultiplier;
        WriteWaitMs = oneByte == 0 ? -1 : static_cast<int>(oneByte);
        return true;
    }

    bool SetModemLines() override {
        int dtr = TIOCM_DTR;
        int rts = TIOCM_RTS;
        return ModemRequest(TIOCMBIS, dtr) && ModemRequest(TIOCMBIC, rts);
    }

    bool CloseDevice() override {
        // The descriptor is released even when close() reports an error, so it
        // is never closed a second time. The exclusive hold is given up first:
        // a pseudo-terminal keeps it past the close, and the port must open
        // again after "Обновить" or a change of port.
        const int fd = Fd;
        Fd = -1;
        Lock.Release();
        ::ioctl(fd, TIOCNXCL);
        return ::close(fd) == 0 || Failed();
    }

    bool PurgeReceive() override { return ::tcflush(Fd, TCIFLUSH) == 0 || Failed(); }

    bool Drain() override { return ::tcdrain(Fd) == 0 || Failed(); }

    // The byte goes out at once when the line has room, which is nearly
    // always: a wait before every byte would add a system call to each one of
    // the protocol's round trips. A line that takes nothing more within the
    // write time-out (flow control held, or a far end that stopped reading)
    // leaves the byte unwritten, and the count is not examined.
    bool Write(std::uint8_t byte) override {
        if (Fd < 0) {
            return NoDevice();
        }
        for (;;) {
            const ssize_t written = ::write(Fd, &byte, 1);
            if (written >= 0) {
                return true;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN) {
                return Failed();
            }
            pollfd request{Fd, POLLOUT, 0};
            const int ready = PollOnce(request, WriteWaitMs);
            if (ready < 0) {
                return Failed();
            }
            if (ready == 0) {
                return true;
            }
        }
    }

    int Read(std::uint8_t& byte, std::chrono::microseconds wait) override {
        // poll() passes over a negative descriptor and would report silence.
        if (Fd < 0) {
            NoDevice();
            return -1;
        }
        pollfd request{Fd, POLLIN, 0};
        const int ready = PollOnce(request, PollMilliseconds(wait));
        if (ready < 0) {
            return FailedRead();
        }
        if (ready == 0) {
            return 0;
        }
        ssize_t got = 0;
        do {
            got = ::read(Fd, &byte, 1);
        } while (got < 0 && errno == EINTR);
        if (got == 1) {
            return 1;
        }
        if (got < 0 && errno == EAGAIN) {
            return 0; // woken, but another reader took the byte: none for this call
        }
        // Ready but nothing to read: the other end hung up.
        if (got == 0) {
            errno = EIO;
        }
        return FailedRead();
    }

    std::uint32_t LastError() const override { return LastErrno; }

    std::optional<TPortHolder> Holder() const override { return Refused; }

private:
    // A pseudo-terminal has no modem lines and says so; that is not a failure.
    bool ModemRequest(unsigned long request, int& lines) {
        if (::ioctl(Fd, request, &lines) == 0 || errno == ENOTTY || errno == EINVAL) {
            return true;
        }
        return Failed();
    }

    // A signal cuts poll() short; the rest of the wait is counted from a fixed
    // deadline, so that signals coming again and again never stretch a time-out.
    // A negative time-out waits for ever.
    static int PollOnce(pollfd& request, int milliseconds) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        int wait = milliseconds;
        for (;;) {
            const int ready = ::poll(&request, 1, wait);
            if (ready >= 0 || errno != EINTR) {
                return ready;
            }
            if (milliseconds >= 0) {
                wait = PollMilliseconds(std::chrono::duration_cast<std::chrono::microseconds>(
                    deadline - std::chrono::steady_clock::now()));
            }
        }
    }

    bool Failed() {
        LastErrno = static_cast<std::uint32_t>(errno);
        return false;
    }

    // Called without a descriptor (never opened, or already let go of).
    bool NoDevice() {
        errno = EBADF;
        return Failed();
    }

    int FailedRead() {
        Failed();
        return -1;
    }

    bool InUse(const std::string& device) {
        Refused = Lock.HolderOf(device);
        errno = EBUSY;
        return Failed();
    }

    int Fd = -1;
    TDeviceLock Lock;
    std::optional<TPortHolder> Refused;
    termios Current{};
    int WriteWaitMs = -1;
    std::uint32_t LastErrno = 0;
};

} // namespace

std::unique_ptr<TCommBackend> MakePosixCommBackend(std::filesystem::path lockFolder) {
    return std::make_unique<TPosixCommBackend>(std::move(lockFolder));
}

std::unique_ptr<TCommBackend> MakePlatformCommBackend() {
    return MakePosixCommBackend(SystemLockFolder);
}

} // namespace tallyvox
