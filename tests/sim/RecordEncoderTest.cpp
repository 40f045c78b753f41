// Records the simulator stores decode, through the program's own decoder, into
// the calls they were made from.

#include <gtest/gtest.h>

#include "model/Record.h"
#include "sim/CalendarEncode.h"
#include "sim/RecordEncoder.h"
#include "tests/kit/CalendarAt.h"

namespace tallyvox::simtest {
namespace {

using TBytes = std::vector<std::uint8_t>;

TRecord Decode(const TBytes& payload, const std::string& model = "Arden-L1", int timeUnit = 6) {
    TDecodeContext context;
    context.TimeUnit = timeUnit;
    context.ModelName = model;
    context.CurrentYear = 2026;
    return DecodeRecordPayload(payload.data(), payload.size(), context);
}

TEST(CalendarEncodeTest, DaysCountFromTheFirstOfJanuary1980WithEveryFourthYearLeap) {
    EXPECT_EQ(sim::DaysSince1980(1980, 1, 1), 0);
    EXPECT_EQ(sim::DaysSince1980(1980, 2, 29), 59);
    EXPECT_EQ(sim::DaysSince1980(1981, 1, 1), 366);
    EXPECT_EQ(sim::DaysSince1980(1984, 1, 1), 1461);
    EXPECT_EQ(sim::DaysSince1980(2004, 5, 7), 8893);
    EXPECT_FALSE(sim::DaysSince1980(1979, 12, 31));
    EXPECT_FALSE(sim::DaysSince1980(2001, 2, 29));
    EXPECT_FALSE(sim::DaysSince1980(2001, 13, 1));
    EXPECT_FALSE(sim::DaysSince1980(2160, 1, 1)); // past the 16-bit day count
}

TEST(CalendarEncodeTest, SecondsAndCalendarRoundTrip) {
    const TCalendarTime time = testkit::At(2026, 12, 8, 15, 4, 59);
    EXPECT_EQ(sim::SecondsToCalendar(sim::CalendarToSeconds(time)), time);
    EXPECT_EQ(sim::CalendarToSeconds({1980, 1, 2, 0, 0, 0}), 86400);
}

TEST(RecordEncoderTest, DirectoryAndDialledDigitsPackAsTheDecoderReadsThem) {
    std::uint8_t byte8 = 0;
    std::uint8_t byte9 = 0;
    sim::EncodeDirectoryNumber("120", byte8, byte9);
    EXPECT_EQ(byte9, 0x01);
    EXPECT_EQ(byte8, 0x2A);
    EXPECT_EQ(sim::EncodeDialled("80123*#"), (TBytes{0x8A, 0x12, 0x3B, 0xC0}));
    EXPECT_THROW(sim::EncodeDialled("12a"), sim::ERecordError);
    EXPECT_THROW(sim::EncodeDialled(std::string(21, '1')), sim::ERecordError);
    EXPECT_THROW(sim::EncodeDirectoryNumber("12345", byte8, byte9), sim::ERecordError);
}

TEST(RecordEncoderTest, ACallRoundTripsThroughTheDecoder) {
    sim::TCall call;
    call.Start = testkit::At(2024, 2, 29, 23, 15, 36);
    call.DurationSeconds = 25 * 60 + 42; // stored in whole ticks of 6 s: 25:42
    call.HardwareLine = 300;
    call.DirectoryNumber = "2050";
    call.TrunkCode = 3;
    call.Dialled = "8101234567890*#";
    const TRecord record = Decode(sim::EncodeCall(call, 6));
    EXPECT_EQ(record.Year, 2024);
    EXPECT_EQ(record.Month, 2);
    EXPECT_EQ(record.Day, 29);
    EXPECT_EQ(record.StartHour, 23);
    EXPECT_EQ(record.StartMinute, 15);
    EXPECT_EQ(record.StartSecond, 36);
    EXPECT_EQ(record.DurationHours, 0);
    EXPECT_EQ(record.DurationMinutes, 25);
    EXPECT_EQ(record.DurationSeconds, 42);
    EXPECT_EQ(record.HardwareLine, 300);
    EXPECT_EQ(record.ProgramNumber, "12050");
    EXPECT_EQ(record.Trunk, "204");
    EXPECT_EQ(record.DialledNumber, "8101234567890*#");
    EXPECT_EQ(record.YearInvalid, 0);
}

TEST(RecordEncoderTest, StartTimesAreStoredInWholeTicksOfTheTimeUnit) {
    sim::TCall call;
    call.Start = testkit::At(2010, 6, 1, 12, 0, 7);
    call.DurationSeconds = 25;
    const TRecord record = Decode(sim::EncodeCall(call, 10), "Arden-L1", 10);
    EXPECT_EQ(record.StartSecond, 0);
    EXPECT_EQ(record.DurationSeconds, 20);
    EXPECT_EQ(record.ProgramNumber, "-1"); // no directory number given
    EXPECT_EQ(record.DialledNumber, "");
}

TEST(RecordEncoderTest, CallsTheExchangeCannotHoldAreRefused) {
    sim::TCall before1980;
    before1980.Start = {1979, 12, 31, 0, 0, 0};
    EXPECT_THROW(sim::EncodeCall(before1980, 6), sim::ERecordError);
    sim::TCall tooLong;
    tooLong.Start = {2020, 1, 1, 0, 0, 0};
    tooLong.DurationSeconds = 65536u * 6;
    EXPECT_THROW(sim::EncodeCall(tooLong, 6), sim::ERecordError);
}

TEST(RecordEncoderTest, AnErasedRecordCarriesTheMarker) {
    const TBytes erased = sim::ErasedPayload();
    EXPECT_FALSE(IsRecord(erased.data()));
    EXPECT_EQ(erased.size(), 11u);
}

} // namespace
} // namespace tallyvox::simtest
