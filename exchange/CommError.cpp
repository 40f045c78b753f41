#include "exchange/CommError.h"

#include <string>

namespace tallyvox {

ECommError::ECommError(std::uint8_t code, std::uint32_t systemError)
    : std::runtime_error("serial port error " + std::to_string(code) + " (system error " +
                         std::to_string(systemError) + ")"),
      Code(code), SystemError(systemError) {}

} // namespace tallyvox
