#pragma once
// An optional sink for every byte that crosses the serial line; the core never prints.

#include <cstdint>

#include "exchange/ObjectHeader.h"

namespace tallyvox {

class TTraceSink {
public:
    virtual ~TTraceSink() = default;
    virtual void Sent(std::uint8_t byte) = 0;
    virtual void Received(std::uint8_t byte) = 0;
};

} // namespace tallyvox
