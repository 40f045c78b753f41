#pragma once

#include <cstdint>
#include <stdexcept>

#include "exchange/ObjectHeader.h"

namespace tallyvox {

// Which operation of the serial channel failed.
enum ECommErrorCode : std::uint8_t {
    CommErrorSetBaudRate = 1,
    CommErrorSetStopBits = 3,
    CommErrorSetParity = 4,
    CommErrorSetByteSize = 5,
    CommErrorSetNameWhileOpen = 6,
    CommErrorNotOpen = 7,
    CommErrorOpen = 8,
    CommErrorWrite = 9,
    CommErrorRead = 10,
    CommErrorClose = 11,
    CommErrorPurge = 12,
    CommErrorFlush = 13,
    CommErrorGetState = 14,
    CommErrorSetState = 15,
    CommErrorSetupQueues = 16,
    CommErrorSetTimeouts = 17,
    // Raising DTR or lowering RTS failed on a device that has modem lines; the
    // handle is closed and the port stays closed.
    CommErrorModemLines = 18,
};

// A failure of the operating system's serial interface.
class ECommError : public std::runtime_error {
public:
    ECommError(std::uint8_t code, std::uint32_t systemError);
    std::uint8_t Code;
    std::uint32_t SystemError;
};

} // namespace tallyvox
