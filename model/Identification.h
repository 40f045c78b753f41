#pragma once
// The meaning of the exchange's identification reply.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/Clock.h"

namespace tallyvox {

// The identification reply with the key combined back (the key byte itself as
// received); bytes the exchange did not send are 0.
using TIdentificationReply = std::array<std::uint8_t, 256>;

struct TModel {
    std::string Name;
    int ExchangeCount = 1;
    bool IsComplex = false;
};

struct TIdentification {
    TModel Model;
    std::string Version;
    std::string SerialNumber;
    int TimeUnit = 6;
    TCalendarTime ExchangeClock;
};

// The model of a model code; for code 2 the name comes from the seven name
// bytes. Empty for a code the program does not know.
std::optional<TModel> ModelOfCode(std::uint8_t code, const std::uint8_t* nameBytes);

// Version text: main number, high nibble, a comma, low nibble ("21,5").
std::string VersionText(std::uint8_t main, std::uint8_t nibbles);

// Everything the reply tells; empty for an unknown model code.
std::optional<TIdentification> InterpretIdentification(const TIdentificationReply& reply);

} // namespace tallyvox
