#pragma once
// One decoded call record and the pure decoding rules behind DecodeRecord.

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/ModelTraits.h"
#include "model/Status.h"

namespace tallyvox {

struct TRecord {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int StartSecond = 0;
    int StartMinute = 0;
    int StartHour = 0;
    int DurationSeconds = 0;
    int DurationMinutes = 0;
    int DurationHours = 0;
    int HardwareLine = 0;
    std::string ProgramNumber;
    std::string Trunk;
    std::string DialledNumber;
    int YearInvalid = 0;
    int MonthInvalid = 0;
    int DayInvalid = 0;
    int StartHourInvalid = 0;
    int StartMinuteInvalid = 0;
    int StartSecondInvalid = 0;
    int DurationHoursInvalid = 0;
    int DurationMinutesInvalid = 0;
    int DurationSecondsInvalid = 0;

    friend bool operator==(const TRecord&, const TRecord&) = default;
};

// What decoding needs to know of the identified exchange.
struct TDecodeContext {
    int TimeUnit = 6;
    std::string ModelName;
    bool IsComplex = false;
    int CurrentYear = 0; // the computer's current year, for YearInvalid
};

// Decodes a record payload of length bytes (any length; bytes past the payload
// read as 0). Never fails: implausible values surface in the flags.
TRecord DecodeRecordPayload(const std::uint8_t* payload, std::size_t length,
                            const TDecodeContext& context);

// Sets the nine plausibility flags from the other fields.
void ValidateRecord(TRecord& record, int currentYear);

// The digit-code decoder: hexadecimal text without "0", "A" read as the digit
// zero; in the dialled form B..F become "*", "#", "P", "A", "T".
std::string DecodeDigits(const std::uint8_t* bytes, std::size_t count, bool directoryForm);

// The printed trunk number of code t in a family, -1 when the code has none.
int TrunkNumber(TTrunkFamily family, int t);

// False for an erased record (first two bytes 0x0F, 0xFF).
bool IsRecord(const std::uint8_t* payload);

} // namespace tallyvox
