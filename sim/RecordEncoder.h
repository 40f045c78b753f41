#pragma once
// The binary call record as the exchange stores it: the inverse of the host's
// decoding. Payloads here are in the clear; the key is applied on the wire.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/Scenario.h"

namespace tallyvox::sim {

// A call that cannot be stored: a date before 1980 or after the 16-bit day
// count, an invalid digit, a number too long.
class ERecordError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Digit codes: '1'..'9' are 1..9, '0' is 0xA, '*' 0xB, '#' 0xC; code 0 is empty.
std::uint8_t DigitCode(char digit);

// Directory digits (at most 4) as bytes 8 and 9: byte 9 holds the first two
// digit positions, high nibble first; fewer digits leave leading positions empty.
void EncodeDirectoryNumber(const std::string& digits, std::uint8_t& byte8, std::uint8_t& byte9);

// Dialled digits (at most 20) packed high nibble first, an odd count padded
// with an empty code.
std::vector<std::uint8_t> EncodeDialled(const std::string& dialled);

// The payload of a call: 11 bytes plus the dialled digits. secondsPerTick is the
// installation's time unit (6 when it reports 0). Throws ERecordError.
std::vector<std::uint8_t> EncodeCall(const TCall& call, int secondsPerTick);

// The payload of an erased record: the marker 0x0F 0xFF over an 11-byte record.
std::vector<std::uint8_t> ErasedPayload();

} // namespace tallyvox::sim
