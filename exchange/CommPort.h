#pragma once
// The byte channel to the exchange: one serial port, opened exclusively, driven
// one byte at a time. Every platform failure is raised as ECommError.

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "exchange/CommBackend.h"
#include "exchange/CommError.h"
#include "exchange/ObjectHeader.h"
#include "exchange/Trace.h"
#include "model/Clock.h"

namespace tallyvox {

class TCommPort {
public:
    explicit TCommPort(boost::shared_ptr<TClock> clock,
                       std::unique_ptr<TCommBackend> backend = MakePlatformCommBackend());
    ~TCommPort();
    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    // Opens and configures the port (19200 baud, 8 data bits, no parity, 2 stop
    // bits); does nothing when it is already open.
    void Open(const std::string& name);
    // Lets go of the device; the port is closed afterwards even when closing
    // raised code 11, so that it can be opened again.
    void Close();
    void SetName(const std::string& name);
    void SetBaudRate(int value);
    void SetByteSize(std::uint8_t value);
    void SetParity(std::uint8_t value);
    void SetStopBits(std::uint8_t value);
    // Discards what has been received and not yet read.
    void PurgeInput();
    // Waits until everything written has been sent.
    void Flush();
    void WriteByte(std::uint8_t value);
    // One read call: a byte 0 to 255, or -1 when the read time-out (about 251 ms) ran out.
    int ReadByte();
    // ReadByte repeated until a byte arrives or ms milliseconds have passed.
    int ReadByteTimeout(unsigned ms);

    // After an Open that failed because another program holds the device: who.
    std::optional<TPortHolder> Holder() const { return Backend->Holder(); }
    bool IsOpen() const { return Open_; }
    const std::string& Name() const { return Name_; }
    const TLineSettings& LineSettings() const { return Dcb; }
    const TCommTimeouts& Timeouts() const { return Timeouts_; }
    // The caller keeps the sink alive while it is set; nullptr removes it.
    void SetTrace(TTraceSink* sink) { Trace = sink; }

private:
    template <typename T> void ApplyOrRestore(std::uint8_t code, T TLineSettings::*member, T value);
    void RequireOpen() const;
    std::chrono::microseconds ReadWait() const;
    [[noreturn]] void Fail(std::uint8_t code) const;
    [[noreturn]] void FailAndClose(std::uint8_t code);

    bool Open_ = false;
    TCommTimeouts Timeouts_;
    std::string Name_ = "COM1";
    TLineSettings Dcb;
    boost::shared_ptr<TClock> Clock;
    std::unique_ptr<TCommBackend> Backend;
    TTraceSink* Trace = nullptr;
};

} // namespace tallyvox
