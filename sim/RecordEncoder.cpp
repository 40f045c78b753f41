#include "sim/RecordEncoder.h"

#include "model/Protocol.h"
#include "sim/CalendarEncode.h"

namespace tallyvox::sim {
namespace {

constexpr std::size_t FixedRecordLength = protocol::RecDialled;
constexpr std::size_t MaxDirectoryDigits = 4;
constexpr std::size_t MaxDialledDigits = 20;

void PutWord(std::vector<std::uint8_t>& payload, std::size_t at, std::uint16_t value) {
    payload[at] = static_cast<std::uint8_t>(value & 0xFF);
    payload[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Packs codes two to a byte, high nibble first.
std::vector<std::uint8_t> PackCodes(const std::vector<std::uint8_t>& codes) {
    std::vector<std::uint8_t> bytes((codes.size() + 1) / 2, 0);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        bytes[i / 2] |= static_cast<std::uint8_t>(i % 2 == 0 ? codes[i] << 4 : codes[i]);
    }
    return bytes;
}

std::vector<std::uint8_t> Codes(const std::string& digits) {
    std::vector<std::uint8_t> codes;
    codes.reserve(digits.size());
    for (char digit : digits) {
        codes.push_back(DigitCode(digit));
    }
    return codes;
}

} // namespace

std::uint8_t DigitCode(char digit) {
    if (digit >= '1' && digit <= '9') {
        return static_cast<std::uint8_t>(digit - '0');
    }
    switch (digit) {
    case '0':
        return 0xA;
    case '*':
        return 0xB;
    case '#':
        return 0xC;
    default:
        throw ERecordError(std::string("not a digit of a telephone number: '") + digit + "'");
    }
}

void EncodeDirectoryNumber(const std::string& digits, std::uint8_t& byte8, std::uint8_t& byte9) {
    if (digits.size() > MaxDirectoryDigits) {
        throw ERecordError("a directory number has at most 4 digits: " + digits);
    }
    // Empty positions lead, so the digits end at the last position.
    std::vector<std::uint8_t> codes(MaxDirectoryDigits - digits.size(), 0);
    for (std::uint8_t code : Codes(digits)) {
        codes.push_back(code);
    }
    const auto packed = PackCodes(codes);
    byte9 = packed[0];
    byte8 = packed[1];
}

std::vector<std::uint8_t> EncodeDialled(const std::string& dialled) {
    if (dialled.size() > MaxDialledDigits) {
        throw ERecordError("a dialled number has at most 20 digits: " + dialled);
    }
    return PackCodes(Codes(dialled));
}

std::vector<std::uint8_t> EncodeCall(const TCall& call, int secondsPerTick) {
    const auto start = ToExchangeTime(call.Start, secondsPerTick);
    if (!start) {
        throw ERecordError("the exchange cannot store this start date and time");
    }
    const std::uint32_t durationTicks =
        call.DurationSeconds / static_cast<std::uint32_t>(secondsPerTick);
    if (durationTicks > 0xFFFF) {
        throw ERecordError("the duration does not fit the record");
    }
    std::vector<std::uint8_t> payload(FixedRecordLength, 0);
    PutWord(payload, protocol::RecStartDays, start->Days);
    PutWord(payload, protocol::RecStartTicks, start->Ticks);
    PutWord(payload, protocol::RecDurationTicks, static_cast<std::uint16_t>(durationTicks));
    PutWord(payload, protocol::RecHardwareLine, call.HardwareLine);
    EncodeDirectoryNumber(call.DirectoryNumber, payload[protocol::RecProgramLow],
                          payload[protocol::RecProgramHigh]);
    payload[protocol::RecTrunkCode] = call.TrunkCode;
    const auto dialled = EncodeDialled(call.Dialled);
    payload.insert(payload.end(), dialled.begin(), dialled.end());
    return payload;
}

std::vector<std::uint8_t> ErasedPayload() {
    std::vector<std::uint8_t> payload(FixedRecordLength, 0);
    payload[0] = protocol::ErasedByte0;
    payload[1] = protocol::ErasedByte1;
    return payload;
}

} // namespace tallyvox::sim
