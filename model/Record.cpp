#include "model/Record.h"

#include <string_view>

#include "model/Calendar.h"
#include "model/Protocol.h"
#include "text/Format.h"

namespace tallyvox {

namespace {

using protocol::RecDialled;
using protocol::RecDurationTicks;
using protocol::RecHardwareLine;
using protocol::RecProgramHigh;
using protocol::RecProgramLow;
using protocol::RecStartDays;
using protocol::RecStartTicks;
using protocol::RecTrunkCode;

// A record reply may be shorter than the layout; the missing bytes read as 0,
// and nothing past the received payload is ever touched.
class TPayloadReader {
public:
    TPayloadReader(const std::uint8_t* payload, std::size_t length)
        : Payload(payload), Length(length) {}

    std::uint8_t Byte(std::size_t offset) const {
        return offset < Length ? Payload[offset] : std::uint8_t{0};
    }
    std::uint16_t Word(std::size_t offset) const {
        return static_cast<std::uint16_t>(Byte(offset) | (Byte(offset + 1) << 8));
    }
    std::size_t Size() const { return Length; }
    const std::uint8_t* Data() const { return Payload; }

private:
    const std::uint8_t* Payload;
    std::size_t Length;
};

void SetStart(TRecord& record, const TPayloadReader& reader, int timeUnit) {
    const TCalendarTime start = ExchangeTimeToCalendar(
        ExchangeSeconds(reader.Word(RecStartDays), reader.Word(RecStartTicks), timeUnit));
    record.Year = start.Year;
    record.Month = start.Month;
    record.Day = start.Day;
    record.StartHour = start.Hour;
    record.StartMinute = start.Minute;
    record.StartSecond = start.Second;
}

// Whole days of a duration are dropped: the call line has room for the time of
// day only.
void SetDuration(TRecord& record, const TPayloadReader& reader, int timeUnit) {
    const TCalendarTime duration =
        ExchangeTimeToCalendar(ExchangeSeconds(0, reader.Word(RecDurationTicks), timeUnit));
    record.DurationHours = duration.Hour;
    record.DurationMinutes = duration.Minute;
    record.DurationSeconds = duration.Second;
}

std::string ProgramNumberText(const TPayloadReader& reader) {
    const std::uint8_t high = reader.Byte(RecProgramHigh);
    const std::uint8_t low = reader.Byte(RecProgramLow);
    if (high == 0 && low == 0) {
        return "-1";
    }
    const std::uint8_t digits[] = {high, low};
    return "1" + DecodeDigits(digits, sizeof digits, true);
}

// Polar-C installations and complexes number their trunks per exchange: the two
// high bits of the code pick the exchange, printed as "(2)", "(3)", ...
std::string ExchangeQualifiedTrunk(std::uint8_t code) {
    return "(" + std::to_string((code >> 6) + 2) + ")" +
           text::TwoDigits(TrunkNumber(TTrunkFamily::PolarC, code));
}

std::string TrunkText(std::uint8_t code, const TDecodeContext& context) {
    const std::string_view model = context.ModelName;
    const TModelTraits* traits = ModelNamed(model, TNameMatch::Prefix);
    const TTrunkFamily family = traits ? traits->TrunkFamily : TTrunkFamily::Other;
    // Single exchanges count their trunk codes from 1.
    const int singleExchangeCode = code - 1;
    if (family == TTrunkFamily::Arden || family == TTrunkFamily::PolarA) {
        return std::to_string(TrunkNumber(family, singleExchangeCode));
    }
    // A model that names itself just "B" numbers its trunks as a complex does.
    if (family == TTrunkFamily::PolarC || model == "B" || context.IsComplex) {
        return ExchangeQualifiedTrunk(code);
    }
    if (family == TTrunkFamily::Tinkle) {
        return std::to_string(TrunkNumber(family, code));
    }
    return {};
}

// The exchange sends at most ten bytes of dialled digits; a longer field is
// decoded in full all the same, so that no digit that arrived is lost.
std::string DialledNumberText(const TPayloadReader& reader) {
    if (reader.Size() <= RecDialled) {
        return {};
    }
    return DecodeDigits(reader.Data() + RecDialled, reader.Size() - RecDialled, false);
}

int FlagIf(bool implausible) {
    return implausible ? -1 : 0;
}

bool Outside(int value, int low, int high) {
    return value < low || value > high;
}

} // namespace

TRecord DecodeRecordPayload(const std::uint8_t* payload, std::size_t length,
                            const TDecodeContext& context) {
    const TPayloadReader reader(payload, length);
    TRecord record;
    SetStart(record, reader, context.TimeUnit);
    SetDuration(record, reader, context.TimeUnit);
    ValidateRecord(record, context.CurrentYear);
    record.HardwareLine = reader.Word(RecHardwareLine);
    record.ProgramNumber = ProgramNumberText(reader);
    record.Trunk = TrunkText(reader.Byte(RecTrunkCode), context);
    record.DialledNumber = DialledNumberText(reader);
    return record;
}

void ValidateRecord(TRecord& record, int currentYear) {
    record.YearInvalid = FlagIf(record.Year < 2000 || record.Year > currentYear);
    record.MonthInvalid = FlagIf(Outside(record.Month, 1, 12));
    record.DayInvalid = FlagIf(Outside(record.Day, 1, 31));
    record.StartHourInvalid = FlagIf(record.StartHour < 0);
    record.StartMinuteInvalid = FlagIf(Outside(record.StartMinute, 0, 59));
    record.StartSecondInvalid = FlagIf(Outside(record.StartSecond, 0, 59));
    // A duration field is only judged when the fields above it are sound.
    const bool hoursSound = record.DurationHours >= 0;
    const bool minutesSound = !Outside(record.DurationMinutes, 0, 59);
    record.DurationHoursInvalid = FlagIf(!hoursSound);
    record.DurationMinutesInvalid = FlagIf(hoursSound && !minutesSound);
    record.DurationSecondsInvalid =
        FlagIf(hoursSound && minutesSound && Outside(record.DurationSeconds, 0, 59));
}

bool IsRecord(const std::uint8_t* payload) {
    return !(payload[0] == protocol::ErasedByte0 && payload[1] == protocol::ErasedByte1);
}

} // namespace tallyvox
