// The serial channel on Windows: the communications device opened by its "COMn"
// name, one byte per ReadFile or WriteFile call, with the driver's time-outs
// bounding both.

#include <windows.h>

#include <optional>
#include <string>

#include "exchange/CommBackend.h"

namespace tallyvox {
namespace {

// "COM10" and above open only through the device namespace, and the lower
// numbers open the same way; a name already in that namespace stands as it is.
std::string DeviceNameOf(const std::string& name) {
    const std::string deviceNamespace = "\\\\.\\";
    return name.starts_with(deviceNamespace) ? name : deviceNamespace + name;
}

// What a device without modem lines (a virtual port, a pseudo-terminal behind
// an emulator) answers to EscapeCommFunction: the request is not for it.
bool NoModemLines(DWORD error) {
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_INVALID_PARAMETER;
}

class TWin32CommBackend : public TCommBackend {
public:
    ~TWin32CommBackend() override {
        if (Handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(Handle);
        }
    }

    // Not shared: a second opener, in this program or another, is refused with
    // ERROR_ACCESS_DENIED, which is all Windows tells of who holds the port.
    bool OpenDevice(const std::string& name) override {
        Refused.reset();
        const HANDLE handle =
            ::CreateFileA(DeviceNameOf(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            Failed();
            if (Error == ERROR_ACCESS_DENIED) {
                Refused = TPortHolder{name, 0, {}};
            }
            return false;
        }
        Handle = handle;
        return true;
    }

    bool ReadLineSettings() override {
        Current = DCB{};
        Current.DCBlength = sizeof Current;
        return ::GetCommState(Handle, &Current) || Failed();
    }

    // The four line values go into the record the driver reported; flow
    // control and every other member stay as the driver has them. The stop
    // bit values 0, 1 and 2 are the record's own (one, one and a half, two).
    bool ApplyLineSettings(const TLineSettings& settings) override {
        DCB wanted = Current;
        wanted.DCBlength = sizeof wanted;
        wanted.BaudRate = static_cast<DWORD>(settings.BaudRate);
        wanted.ByteSize = settings.ByteSize;
        wanted.Parity = settings.Parity;
        wanted.StopBits = settings.StopBits;
        if (!::SetCommState(Handle, &wanted)) {
            return Failed();
        }
        Current = wanted;
        return true;
    }

    bool SetupQueues(std::uint32_t receive, std::uint32_t transmit) override {
        return ::SetupComm(Handle, receive, transmit) || Failed();
    }

    // The driver bounds every ReadFile and WriteFile by these: a write the
    // line does not take in time returns with nothing written.
    bool SetTimeouts(const TCommTimeouts& timeouts) override {
        COMMTIMEOUTS driver{};
        driver.ReadIntervalTimeout = timeouts.ReadInterval;
        driver.ReadTotalTimeoutMultiplier = timeouts.ReadTotalMultiplier;
        driver.ReadTotalTimeoutConstant = timeouts.ReadTotalConstant;
        driver.WriteTotalTimeoutMultiplier = timeouts.WriteTotalMultiplier;
        driver.WriteTotalTimeoutConstant = timeouts.WriteTotalConstant;
        return ::SetCommTimeouts(Handle, &driver) || Failed();
    }

    bool SetModemLines() override { return ModemRequest(SETDTR) && ModemRequest(CLRRTS); }

    // The handle is given up even when CloseHandle fails, so that it is never
    // closed a second time and the port can be opened again.
    bool CloseDevice() override {
        const HANDLE handle = Handle;
        Handle = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) || Failed();
    }

    bool PurgeReceive() override { return ::PurgeComm(Handle, PURGE_RXCLEAR) || Failed(); }

    bool Drain() override { return ::FlushFileBuffers(Handle) || Failed(); }

    // The count written is not examined: a byte the line did not take within
    // the write time-out is simply not sent.
    bool Write(std::uint8_t byte) override {
        if (Handle == INVALID_HANDLE_VALUE) {
            return NoDevice();
        }
        DWORD written = 0;
        return ::WriteFile(Handle, &byte, 1, &written, nullptr) || Failed();
    }

    // The wait is the driver's, set by SetTimeouts: a read that times out
    // succeeds with no byte.
    int Read(std::uint8_t& byte, std::chrono::microseconds) override {
        if (Handle == INVALID_HANDLE_VALUE) {
            NoDevice();
            return -1;
        }
        DWORD got = 0;
        if (!::ReadFile(Handle, &byte, 1, &got, nullptr)) {
            Failed();
            return -1;
        }
        return got == 1 ? 1 : 0;
    }

    std::uint32_t LastError() const override { return Error; }

    std::optional<TPortHolder> Holder() const override { return Refused; }

private:
    bool ModemRequest(DWORD function) {
        if (::EscapeCommFunction(Handle, function)) {
            return true;
        }
        Failed();
        return NoModemLines(Error);
    }

    bool Failed() {
        Error = ::GetLastError();
        return false;
    }

    // Called without a handle (never opened, or already let go of): the
    // driver would be asked about a handle that is no longer this port's.
    bool NoDevice() {
        Error = ERROR_INVALID_HANDLE;
        return false;
    }

    HANDLE Handle = INVALID_HANDLE_VALUE;
    DCB Current{};
    DWORD Error = 0;
    std::optional<TPortHolder> Refused;
};

} // namespace

std::unique_ptr<TCommBackend> MakePlatformCommBackend() {
    return std::make_unique<TWin32CommBackend>();
}

} // namespace tallyvox
