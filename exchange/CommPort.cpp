#include "exchange/CommPort.h"

#include <cstdint>
#include <utility>

namespace tallyvox {
namespace {

constexpr int LineBaudRate = 19200;
constexpr std::uint8_t LineParityNone = 0;
constexpr std::uint8_t LineTwoStopBits = 2;
constexpr std::uint8_t LineByteSize = 8;
constexpr std::uint32_t ReceiveQueueBytes = 32768;
constexpr std::uint32_t TransmitQueueBytes = 9216;

// A one-byte read returns after at most about 251 ms of silence and at once
// when a byte is already queued.
constexpr TCommTimeouts LineTimeouts{15, 1, 250, 1, 250};

// True while the 32-bit tick count has not passed the deadline, across a wrap.
bool NotPast(std::uint32_t tick, std::uint32_t deadline) {
    return static_cast<std::int32_t>(tick - deadline) <= 0;
}

} // namespace

TCommPort::TCommPort(boost::shared_ptr<TClock> clock, std::unique_ptr<TCommBackend> backend)
    : Clock(std::move(clock)), Backend(std::move(backend)) {}

TCommPort::~TCommPort() {
    try {
        Close();
    } catch (const ECommError&) {
        // Nothing is left to do with a device that refuses to close.
    }
}

void TCommPort::Open(const std::string& name) {
    if (Open_) {
        return;
    }
    SetName(name);
    SetBaudRate(LineBaudRate);
    SetParity(LineParityNone);
    SetStopBits(LineTwoStopBits);
    SetByteSize(LineByteSize);
    const TLineSettings wanted = Dcb;

    if (!Backend->OpenDevice(Name_)) {
        Fail(CommErrorOpen);
    }
    if (!Backend->ReadLineSettings()) {
        FailAndClose(CommErrorGetState);
    }
    if (!Backend->ApplyLineSettings(wanted)) {
        FailAndClose(CommErrorSetState);
    }
    if (!Backend->SetupQueues(ReceiveQueueBytes, TransmitQueueBytes)) {
        FailAndClose(CommErrorSetupQueues);
    }
    Timeouts_ = LineTimeouts;
    if (!Backend->SetTimeouts(Timeouts_)) {
        FailAndClose(CommErrorSetTimeouts);
    }
    // A port whose modem lines cannot be set would fail every later read and
    // write, so it is not handed out as open.
    if (!Backend->SetModemLines()) {
        FailAndClose(CommErrorModemLines);
    }
    Open_ = true;
}

void TCommPort::Close() {
    if (!Open_) {
        return;
    }
    // The backend lets go of the device whatever closing it reports, so the
    // port is closed either way: a port left marked open with no device behind
    // it would refuse every later Open until the program ends.
    Open_ = false;
    if (!Backend->CloseDevice()) {
        Fail(CommErrorClose);
    }
}

void TCommPort::SetName(const std::string& name) {
    if (Open_) {
        Fail(CommErrorSetNameWhileOpen);
    }
    Name_ = name;
}

void TCommPort::SetBaudRate(int value) {
    ApplyOrRestore(CommErrorSetBaudRate, &TLineSettings::BaudRate, value);
}

void TCommPort::SetByteSize(std::uint8_t value) {
    ApplyOrRestore(CommErrorSetByteSize, &TLineSettings::ByteSize, value);
}

void TCommPort::SetParity(std::uint8_t value) {
    ApplyOrRestore(CommErrorSetParity, &TLineSettings::Parity, value);
}

void TCommPort::SetStopBits(std::uint8_t value) {
    ApplyOrRestore(CommErrorSetStopBits, &TLineSettings::StopBits, value);
}

void TCommPort::PurgeInput() {
    RequireOpen();
    if (!Backend->PurgeReceive()) {
        Fail(CommErrorPurge);
    }
}

void TCommPort::Flush() {
    RequireOpen();
    if (!Backend->Drain()) {
        Fail(CommErrorFlush);
    }
}

void TCommPort::WriteByte(std::uint8_t value) {
    RequireOpen();
    if (!Backend->Write(value)) {
        Fail(CommErrorWrite);
    }
    if (Trace != nullptr) {
        Trace->Sent(value);
    }
}

int TCommPort::ReadByte() {
    RequireOpen();
    std::uint8_t byte = 0;
    const int got = Backend->Read(byte, ReadWait());
    if (got < 0) {
        Fail(CommErrorRead);
    }
    if (got == 0) {
        return -1;
    }
    if (Trace != nullptr) {
        Trace->Received(byte);
    }
    return byte;
}

int TCommPort::ReadByteTimeout(unsigned ms) {
    int r = ReadByte();
    if (r != -1) {
        return r;
    }
    const std::uint32_t deadline = Clock->TickCount() + ms;
    do {
        r = ReadByte();
    } while (r == -1 && NotPast(Clock->TickCount(), deadline));
    return r;
}

template <typename T>
void TCommPort::ApplyOrRestore(std::uint8_t code, T TLineSettings::*member, T value) {
    const T previous = Dcb.*member;
    Dcb.*member = value;
    if (Open_ && !Backend->ApplyLineSettings(Dcb)) {
        Dcb.*member = previous;
        Fail(code);
    }
}

void TCommPort::RequireOpen() const {
    if (!Open_) {
        Fail(CommErrorNotOpen);
    }
}

// The wait of one read call, as the read time-outs give it for a single byte.
std::chrono::microseconds TCommPort::ReadWait() const {
    return Clock->RealDuration(Timeouts_.ReadTotalConstant + Timeouts_.ReadTotalMultiplier);
}

void TCommPort::Fail(std::uint8_t code) const {
    throw ECommError(code, Backend->LastError());
}

void TCommPort::FailAndClose(std::uint8_t code) {
    const std::uint32_t systemError = Backend->LastError();
    Backend->CloseDevice();
    throw ECommError(code, systemError);
}

} // namespace tallyvox
