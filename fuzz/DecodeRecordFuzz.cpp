// Decodes any byte pattern as a call record: the first two bytes choose the time
// unit and the exchange, the rest is the record payload.

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "model/Record.h"

using tallyvox::fuzz::Require;

namespace {

void CheckRecord(const tallyvox::TRecord& record, std::size_t payloadLength) {
    Require(record.Month >= 1 && record.Month <= 12, "month in range");
    Require(record.Day >= 1 && record.Day <= 31, "day in range");
    Require(record.StartHour >= 0 && record.StartHour <= 23, "start hour in range");
    Require(record.DurationHours >= 0 && record.DurationHours <= 23, "duration below a day");
    Require(record.MonthInvalid == 0 && record.DayInvalid == 0 && record.StartHourInvalid == 0 &&
                record.StartMinuteInvalid == 0 && record.StartSecondInvalid == 0 &&
                record.DurationHoursInvalid == 0 && record.DurationMinutesInvalid == 0 &&
                record.DurationSecondsInvalid == 0,
            "only the year can be implausible");
    Require(record.HardwareLine >= 0 && record.HardwareLine <= 0xFFFF, "hardware line is a word");
    Require(record.ProgramNumber == "-1" || record.ProgramNumber.front() == '1', "program number");
    const std::size_t dialledBytes = payloadLength > 11 ? payloadLength - 11 : 0;
    Require(record.DialledNumber.size() <= 2 * dialledBytes, "dialled digits from the payload");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const tallyvox::TDecodeContext context = tallyvox::fuzz::ContextFromBytes(data[0], data[1]);
    const std::uint8_t* payload = data + 2;
    const std::size_t length = size - 2;
    CheckRecord(tallyvox::DecodeRecordPayload(payload, length, context), length);
    if (length >= 2) {
        tallyvox::IsRecord(payload);
    }
    return 0;
}
