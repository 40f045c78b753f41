#include <gtest/gtest.h>

#include <vector>

#include "model/Record.h"

namespace tallyvox {
namespace {

using TBytes = std::vector<std::uint8_t>;

// A record laid out byte by byte: start days and ticks, duration ticks, hardware
// line, directory bytes 8 and 9, trunk code, dialled digits.
struct TRecordBytes {
    std::uint16_t Days = 0;
    std::uint16_t Ticks = 0;
    std::uint16_t DurationTicks = 0;
    std::uint16_t HardwareLine = 0;
    std::uint8_t Byte8 = 0;
    std::uint8_t Byte9 = 0;
    std::uint8_t TrunkCode = 0;
    TBytes Dialled;

    TBytes Bytes() const {
        TBytes bytes;
        for (const std::uint16_t word : {Days, Ticks, DurationTicks, HardwareLine}) {
            bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        }
        bytes.push_back(Byte8);
        bytes.push_back(Byte9);
        bytes.push_back(TrunkCode);
        bytes.insert(bytes.end(), Dialled.begin(), Dialled.end());
        return bytes;
    }
};

TDecodeContext Context(const std::string& model = "Arden-S", bool complex = false) {
    TDecodeContext context;
    context.TimeUnit = 6;
    context.ModelName = model;
    context.IsComplex = complex;
    context.CurrentYear = 2026;
    return context;
}

TRecord Decode(const TBytes& bytes, const TDecodeContext& context = Context()) {
    return DecodeRecordPayload(bytes.data(), bytes.size(), context);
}

std::string TrunkOf(std::uint8_t code, const std::string& model, bool complex = false) {
    TRecordBytes record;
    record.TrunkCode = code;
    return Decode(record.Bytes(), Context(model, complex)).Trunk;
}

std::string DialledDigits(const TBytes& bytes) {
    return DecodeDigits(bytes.data(), bytes.size(), false);
}

std::string DirectoryDigits(const TBytes& bytes) {
    return DecodeDigits(bytes.data(), bytes.size(), true);
}

TEST(DecodeDigits, DropsEmptyPositionsAndReadsCodeAAsZero) {
    EXPECT_EQ(DirectoryDigits({0x01, 0x2A}), "120");
    EXPECT_EQ(DialledDigits({0x8A, 0x12, 0x3B, 0xC0}), "80123*#");
    EXPECT_EQ(DialledDigits({0x00, 0x00}), "");
    EXPECT_EQ(DialledDigits({}), "");
}

TEST(DecodeDigits, HighCodesAreSymbolsWhenDialledAndLettersInADirectoryNumber) {
    EXPECT_EQ(DialledDigits({0xBC, 0xDE, 0xF9}), "*#PAT9");
    EXPECT_EQ(DirectoryDigits({0xBC, 0xDE, 0xF9}), "BCDEF9");
}

TEST(DecodeRecord, AllZeroRecordIsTheFirstOfJanuary1980AndOnlyItsYearIsImplausible) {
    const TRecord record = Decode(TRecordBytes{}.Bytes());
    EXPECT_EQ(record.Year, 1980);
    EXPECT_EQ(record.Month, 1);
    EXPECT_EQ(record.Day, 1);
    EXPECT_EQ(record.StartHour, 0);
    EXPECT_EQ(record.StartMinute, 0);
    EXPECT_EQ(record.StartSecond, 0);
    EXPECT_EQ(record.DurationHours, 0);
    EXPECT_EQ(record.DurationMinutes, 0);
    EXPECT_EQ(record.DurationSeconds, 0);
    EXPECT_EQ(record.YearInvalid, -1);
    EXPECT_EQ(record.MonthInvalid, 0);
    EXPECT_EQ(record.DayInvalid, 0);
    EXPECT_EQ(record.StartHourInvalid, 0);
    EXPECT_EQ(record.StartMinuteInvalid, 0);
    EXPECT_EQ(record.StartSecondInvalid, 0);
    EXPECT_EQ(record.DurationHoursInvalid, 0);
    EXPECT_EQ(record.DurationMinutesInvalid, 0);
    EXPECT_EQ(record.DurationSecondsInvalid, 0);
}

TEST(DecodeRecord, TicksCountInTheExchangesTimeUnit) {
    TRecordBytes bytes;
    bytes.Ticks = 600;
    bytes.DurationTicks = 10;
    TRecord record = Decode(bytes.Bytes());
    EXPECT_EQ(record.StartHour, 1);
    EXPECT_EQ(record.StartMinute, 0);
    EXPECT_EQ(record.StartSecond, 0);
    EXPECT_EQ(record.DurationHours, 0);
    EXPECT_EQ(record.DurationMinutes, 1);
    EXPECT_EQ(record.DurationSeconds, 0);

    TDecodeContext tenSecondTicks = Context();
    tenSecondTicks.TimeUnit = 10;
    record = Decode(bytes.Bytes(), tenSecondTicks);
    EXPECT_EQ(record.StartHour, 1);
    EXPECT_EQ(record.StartMinute, 40);
    EXPECT_EQ(record.DurationMinutes, 1);
    EXPECT_EQ(record.DurationSeconds, 40);
}

TEST(DecodeRecord, DurationKeepsOnlyItsRemainderBelowOneDay) {
    TRecordBytes bytes;
    bytes.DurationTicks = 15000; // 25 hours
    const TRecord record = Decode(bytes.Bytes());
    EXPECT_EQ(record.DurationHours, 1);
    EXPECT_EQ(record.DurationMinutes, 0);
    EXPECT_EQ(record.DurationSeconds, 0);
    EXPECT_EQ(record.DurationHoursInvalid, 0);
}

TEST(DecodeRecord, StartDateAndHardwareLineAreLittleEndianWords) {
    TRecordBytes bytes;
    bytes.Days = 8893;  // 7 May 2004
    bytes.Ticks = 7546; // 12:34:36
    bytes.HardwareLine = 0x0201;
    const TRecord record = Decode(bytes.Bytes());
    EXPECT_EQ(record.Year, 2004);
    EXPECT_EQ(record.Month, 5);
    EXPECT_EQ(record.Day, 7);
    EXPECT_EQ(record.StartHour, 12);
    EXPECT_EQ(record.StartMinute, 34);
    EXPECT_EQ(record.StartSecond, 36);
    EXPECT_EQ(record.YearInvalid, 0);
    EXPECT_EQ(record.HardwareLine, 513);
}

TEST(DecodeRecord, ProgramNumberIsOneFollowedByTheDirectoryDigits) {
    TRecordBytes bytes;
    bytes.Byte9 = 0x01;
    bytes.Byte8 = 0x2A;
    EXPECT_EQ(Decode(bytes.Bytes()).ProgramNumber, "1120");
    bytes.Byte9 = 0x0A;
    bytes.Byte8 = 0x00;
    EXPECT_EQ(Decode(bytes.Bytes()).ProgramNumber, "10");
    bytes.Byte9 = 0x00;
    EXPECT_EQ(Decode(bytes.Bytes()).ProgramNumber, "-1");
}

TEST(DecodeRecord, TrunkOfSingleExchangesCountsCodesFromOne) {
    EXPECT_EQ(TrunkOf(1, "Arden-S"), "200");
    EXPECT_EQ(TrunkOf(3, "Arden-M"), "204");
    EXPECT_EQ(TrunkOf(0, "Arden-S"), "198");
    const char* polarA[] = {"200", "202", "210", "212", "220", "222"};
    for (std::uint8_t code = 1; code <= 6; ++code) {
        EXPECT_EQ(TrunkOf(code, "Polar-A"), polarA[code - 1]) << int{code};
        EXPECT_EQ(TrunkOf(code, "Polar-B"), polarA[code - 1]) << int{code};
    }
}

TEST(DecodeRecord, PolarCAndComplexTrunksNameTheirExchange) {
    EXPECT_EQ(TrunkOf(5, "Polar-C"), "(2)05");
    EXPECT_EQ(TrunkOf(0x4A, "Polar-C"), "(3)10");
    EXPECT_EQ(TrunkOf(0, "Polar-C"), "(2)-1");
    EXPECT_EQ(TrunkOf(25, "Polar-C"), "(2)-1");
    EXPECT_EQ(TrunkOf(0xD8, "Polar-C"), "(5)24");
    EXPECT_EQ(TrunkOf(5, "B"), "(2)05");
    // A complex takes this rule whatever its three-character name says.
    EXPECT_EQ(TrunkOf(0x4A, "2xB", true), "(3)10");
    EXPECT_EQ(TrunkOf(0x41, "3AB", true), "(3)01");
}

TEST(DecodeRecord, TinkleTrunksUseTheCodeAsReceived) {
    const char* tinkle[] = {"200", "204", "208", "212", "220", "224"};
    for (std::uint8_t code = 1; code <= 6; ++code) {
        EXPECT_EQ(TrunkOf(code, "Tinkle"), tinkle[code - 1]) << int{code};
    }
    EXPECT_EQ(TrunkOf(0, "Tinkle"), "-1");
    EXPECT_EQ(TrunkOf(7, "Tinkle"), "-1");
    EXPECT_EQ(TrunkOf(255, "Tinkle"), "-1");
}

TEST(DecodeRecord, UnknownFamilyHasNoTrunkText) {
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(TrunkOf(static_cast<std::uint8_t>(code), "C"), "") << code;
    }
    EXPECT_EQ(TrunkOf(1, "Tinkle2"), "");
}

TEST(TrunkNumber, FollowsEachFamilysNumbering) {
    EXPECT_EQ(TrunkNumber(TTrunkFamily::Arden, 2), 204);
    EXPECT_EQ(TrunkNumber(TTrunkFamily::PolarA, 5), 222);
    EXPECT_EQ(TrunkNumber(TTrunkFamily::PolarC, 24), 24);
    EXPECT_EQ(TrunkNumber(TTrunkFamily::PolarC, 64 + 24), 24);
    EXPECT_EQ(TrunkNumber(TTrunkFamily::PolarC, 64), -1);
    EXPECT_EQ(TrunkNumber(TTrunkFamily::Tinkle, 5), 220);
    EXPECT_EQ(TrunkNumber(TTrunkFamily::Other, 1), -1);
}

TEST(DecodeRecord, DialledNumberFollowsTheTrunkCode) {
    TRecordBytes bytes;
    bytes.Dialled = {0x8A, 0x12, 0x3B, 0xC0};
    EXPECT_EQ(Decode(bytes.Bytes()).DialledNumber, "80123*#");
    bytes.Dialled = {};
    EXPECT_EQ(Decode(bytes.Bytes()).DialledNumber, ""); // exactly 11 bytes
}

TEST(DecodeRecord, DialledFieldLongerThanTenBytesIsDecodedInFull) {
    TRecordBytes bytes;
    bytes.Dialled.assign(12, 0x12);
    EXPECT_EQ(Decode(bytes.Bytes()).DialledNumber, "121212121212121212121212");
    bytes.Dialled.assign(255 - 11, 0x99);
    EXPECT_EQ(Decode(bytes.Bytes()).DialledNumber, std::string(2 * (255 - 11), '9'));
}

// Each short record sits in a buffer of exactly its length, so the address
// sanitizer would catch a read past it; the missing bytes must read as 0.
TEST(DecodeRecord, ShortRecordsReadTheMissingBytesAsZero) {
    TRecordBytes full;
    full.Days = 0xFFFF;
    full.Ticks = 0xFFFF;
    full.DurationTicks = 0xFFFF;
    full.HardwareLine = 0xFFFF;
    full.Byte8 = 0x11;
    full.Byte9 = 0x11;
    full.TrunkCode = 5;
    const TBytes bytes = full.Bytes();
    for (std::size_t length = 0; length <= 11; ++length) {
        const TBytes shortRecord(bytes.begin(), bytes.begin() + static_cast<long>(length));
        TBytes padded = shortRecord;
        padded.resize(11, 0);
        EXPECT_EQ(Decode(shortRecord, Context("Polar-C")), Decode(padded, Context("Polar-C")))
            << "length " << length;
    }
    const TRecord empty = DecodeRecordPayload(nullptr, 0, Context());
    EXPECT_EQ(empty.Year, 1980);
    EXPECT_EQ(empty.ProgramNumber, "-1");
    EXPECT_EQ(empty.Trunk, "198");
    EXPECT_EQ(empty.DialledNumber, "");
}

TEST(ValidateRecord, YearMustLieBetween2000AndTheCurrentYear) {
    TRecord record;
    record.Month = record.Day = 1;
    for (const auto& [year, flag] : {std::pair{1999, -1}, {2000, 0}, {2026, 0}, {2027, -1}}) {
        record.Year = year;
        ValidateRecord(record, 2026);
        EXPECT_EQ(record.YearInvalid, flag) << year;
    }
}

TEST(ValidateRecord, FlagsEachImplausibleDateAndStartField) {
    TRecord record;
    record.Year = 2004;
    record.Month = 13;
    record.Day = 0;
    record.StartHour = -1;
    record.StartMinute = 60;
    record.StartSecond = -1;
    ValidateRecord(record, 2026);
    EXPECT_EQ(record.YearInvalid, 0);
    EXPECT_EQ(record.MonthInvalid, -1);
    EXPECT_EQ(record.DayInvalid, -1);
    EXPECT_EQ(record.StartHourInvalid, -1);
    EXPECT_EQ(record.StartMinuteInvalid, -1);
    EXPECT_EQ(record.StartSecondInvalid, -1);
    record.Month = 12;
    record.Day = 31;
    record.StartHour = 99; // no upper bound on the hour
    record.StartMinute = 59;
    record.StartSecond = 59;
    ValidateRecord(record, 2026);
    EXPECT_EQ(record.MonthInvalid, 0);
    EXPECT_EQ(record.DayInvalid, 0);
    EXPECT_EQ(record.StartHourInvalid, 0);
    EXPECT_EQ(record.StartMinuteInvalid, 0);
    EXPECT_EQ(record.StartSecondInvalid, 0);
}

TEST(ValidateRecord, DurationFieldsAreJudgedOnlyBelowASoundField) {
    TRecord record;
    record.DurationHours = -1;
    record.DurationMinutes = 60;
    record.DurationSeconds = 60;
    ValidateRecord(record, 2026);
    EXPECT_EQ(record.DurationHoursInvalid, -1);
    EXPECT_EQ(record.DurationMinutesInvalid, 0);
    EXPECT_EQ(record.DurationSecondsInvalid, 0);

    record.DurationHours = 0;
    ValidateRecord(record, 2026);
    EXPECT_EQ(record.DurationHoursInvalid, 0);
    EXPECT_EQ(record.DurationMinutesInvalid, -1);
    EXPECT_EQ(record.DurationSecondsInvalid, 0);

    record.DurationMinutes = 59;
    ValidateRecord(record, 2026);
    EXPECT_EQ(record.DurationMinutesInvalid, 0);
    EXPECT_EQ(record.DurationSecondsInvalid, -1);
}

TEST(IsRecord, OnlyTheErasedMarkerIsNoRecord) {
    const std::uint8_t erased[] = {0x0F, 0xFF};
    const std::uint8_t swapped[] = {0xFF, 0x0F};
    const std::uint8_t nearly[] = {0x0F, 0xFE};
    EXPECT_FALSE(IsRecord(erased));
    EXPECT_TRUE(IsRecord(swapped));
    EXPECT_TRUE(IsRecord(nearly));
}

} // namespace
} // namespace tallyvox
