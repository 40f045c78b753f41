#pragma once

#include <cstdint>
#include <string>

#include "model/Clock.h"

namespace tallyvox {

// What identification learned about the exchange; a plain value.
struct TStatus {
    std::string Version;
    std::string SerialNumber;
    std::string ModelName;
    std::uint8_t Key = 0;
    int TimeUnit = 6;
    int BufferFill = 0;
    int BufferCapacity = 100;
    TCalendarTime ExchangeClock;
};

} // namespace tallyvox
