#pragma once
// What the serial channel needs of a platform; one implementation per platform,
// chosen by the build. Operations report failure by their result and keep the
// platform's error number for LastError; TCommPort raises the ECommError.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "exchange/ObjectHeader.h"
#include "exchange/PortNames.h"

namespace tallyvox {

struct TLineSettings {
    int BaudRate = 9600;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0;   // 0 none
    std::uint8_t StopBits = 0; // 0 one stop bit, 1 one and a half, 2 two
};

// The five communication time-outs, in milliseconds.
struct TCommTimeouts {
    std::uint32_t ReadInterval = 0;
    std::uint32_t ReadTotalMultiplier = 0;
    std::uint32_t ReadTotalConstant = 0;
    std::uint32_t WriteTotalMultiplier = 0;
    std::uint32_t WriteTotalConstant = 0;
};

// Who holds a device that another opener has.
struct TPortHolder {
    std::string Device;      // the device the port name stands for
    long ProcessId = 0;      // 0 when the platform cannot tell
    std::string ProcessName; // empty when it cannot tell
};

class TCommBackend {
public:
    virtual ~TCommBackend() = default;
    // Opens the named device for this program alone; false when it cannot be
    // opened, or when another opener holds it (see Holder).
    virtual bool OpenDevice(const std::string& name) = 0;
    // Reads the driver's current line settings, which ApplyLineSettings then
    // changes only in the four values it is given and in whatever makes the
    // device a raw byte line, as a serial port is by nature.
    virtual bool ReadLineSettings() = 0;
    virtual bool ApplyLineSettings(const TLineSettings& settings) = 0;
    virtual bool SetupQueues(std::uint32_t receive, std::uint32_t transmit) = 0;
    // The write time-outs bound every Write; the read wait comes with each Read.
    virtual bool SetTimeouts(const TCommTimeouts& timeouts) = 0;
    // Raises DTR and lowers RTS; a device without modem lines counts as success.
    virtual bool SetModemLines() = 0;
    // Lets go of the device even when the platform reports a failure, which
    // false then only reports.
    virtual bool CloseDevice() = 0;
    virtual bool PurgeReceive() = 0;
    virtual bool Drain() = 0;
    // Writes one byte. A write that the line does not take within the write
    // time-out is no failure: the byte is not sent, as with a driver's time-out.
    virtual bool Write(std::uint8_t byte) = 0;
    // 1 when a byte was read, 0 when the wait ran out, -1 when the call failed.
    virtual int Read(std::uint8_t& byte, std::chrono::microseconds wait) = 0;
    // The platform's last error number.
    virtual std::uint32_t LastError() const = 0;
    // After OpenDevice failed because another opener holds the device: who that
    // is, as far as the platform can tell; nothing after any other outcome.
    virtual std::optional<TPortHolder> Holder() const { return std::nullopt; }
};

std::unique_ptr<TCommBackend> MakePlatformCommBackend();

} // namespace tallyvox
