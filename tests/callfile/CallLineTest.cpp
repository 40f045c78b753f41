#include <gtest/gtest.h>

#include <vector>

#include "callfile/CallLine.h"
#include "tests/callfile/ExampleRecord.h"

namespace tallyvox::callfile {
namespace {

const std::string FirstExample =
    "07-05-2004 12:34:56   00:01:05   201( 112)   (2)05     123456" + std::string(15, ' ');
const std::string SecondExample =
    "07*05*2004 09:04:06   00:00:45   123(    )       5" + std::string(5 + 21, ' ');

TRecord IncomingExampleRecord() {
    TRecord record = ExampleRecord();
    record.StartHour = 9;
    record.StartMinute = 4;
    record.StartSecond = 6;
    record.DurationMinutes = 0;
    record.DurationSeconds = 45;
    record.HardwareLine = 123;
    record.ProgramNumber = "-1";
    record.Trunk = "5";
    record.DialledNumber = "";
    record.DayInvalid = -1;
    return record;
}

// Replaces the characters from a 1-based column on.
std::string WithColumns(std::string line, std::size_t column, const std::string& text) {
    return line.replace(column - 1, text.size(), text);
}

TCallLineFields FieldsOf(const TRecord& record) {
    TCallLineFields fields;
    fields.Year = record.Year;
    fields.Month = record.Month;
    fields.Day = record.Day;
    fields.StartHour = record.StartHour;
    fields.StartMinute = record.StartMinute;
    fields.StartSecond = record.StartSecond;
    fields.DurationHours = record.DurationHours;
    fields.DurationMinutes = record.DurationMinutes;
    fields.DurationSeconds = record.DurationSeconds;
    fields.HardwareLine = std::to_string(record.HardwareLine);
    fields.ProgramNumber = record.ProgramNumber == "-1" ? "" : record.ProgramNumber;
    fields.Trunk = record.Trunk;
    fields.DialledNumber = record.DialledNumber;
    return fields;
}

// ---- the writer ----

TEST(FormatCallLine, ReproducesBothExampleLines) {
    EXPECT_EQ(FormatCallLine(ExampleRecord()), FirstExample);
    EXPECT_EQ(FormatCallLine(IncomingExampleRecord()), SecondExample);
    EXPECT_EQ(FirstExample.size(), 76u);
    EXPECT_EQ(SecondExample.size(), 76u);
}

TEST(FormatCallLine, EachFlagGroupMarksOnlyItsOwnSeparators) {
    TRecord record = ExampleRecord();
    record.StartSecondInvalid = -1;
    EXPECT_EQ(FormatCallLine(record).substr(0, 31), "07-05-2004 12*34*56   00:01:05 ");
    record = ExampleRecord();
    record.YearInvalid = -1;
    EXPECT_EQ(FormatCallLine(record).substr(0, 31), "07*05*2004 12:34:56   00:01:05 ");
    record = ExampleRecord();
    record.DurationMinutesInvalid = -1;
    EXPECT_EQ(FormatCallLine(record).substr(0, 31), "07-05-2004 12:34:56   00*01*05 ");
}

TEST(FormatCallLine, ZeroDurationAndSingleDigitsArePaddedWithZeros) {
    TRecord record = ExampleRecord();
    record.Day = 1;
    record.Month = 2;
    record.StartHour = record.StartMinute = record.StartSecond = 0;
    record.DurationMinutes = record.DurationSeconds = 0;
    EXPECT_EQ(FormatCallLine(record).substr(0, 31), "01-02-2004 00:00:00   00:00:00 ");
}

TEST(FormatCallLine, DateAndStartArePaddedBelowTenDurationsOnlyWhenOneCharacterLong) {
    TRecord record = ExampleRecord();
    record.StartHour = -1;
    record.StartHourInvalid = -1;
    record.DurationHours = -1;
    record.DurationHoursInvalid = -1;
    EXPECT_EQ(FormatCallLine(record).substr(0, 32), "07-05-2004 0-1*34*56   -1*01*05 ");
    record = ExampleRecord();
    record.Day = -3;
    record.DayInvalid = -1;
    record.DurationHours = 100;
    record.DurationMinutes = 5;
    EXPECT_EQ(FormatCallLine(record).substr(0, 32), "0-3*05*2004 12:34:56   100:05:05");
}

TEST(FormatCallLine, ProgramNumberIsRightAlignedInFourColumns) {
    TRecord record = ExampleRecord();
    record.ProgramNumber = "5";
    EXPECT_EQ(FormatCallLine(record).substr(33, 12), "201(   5)   ");
    record.ProgramNumber = "-1";
    EXPECT_EQ(FormatCallLine(record).substr(33, 12), "201(    )   ");
    record.ProgramNumber = "12345";
    EXPECT_EQ(FormatCallLine(record).substr(33, 13), "201(12345)   ");
}

TEST(FormatCallLine, TrunkTakesFiveColumnsButAnEmptyOneOnlyFour) {
    TRecord record = ExampleRecord();
    record.Trunk = "5";
    EXPECT_EQ(FormatCallLine(record).substr(42, 18), "       5     12345");
    record.Trunk = "";
    EXPECT_EQ(FormatCallLine(record).substr(42, 17), "            12345");
    record.Trunk = "(12)24";
    EXPECT_EQ(FormatCallLine(record).substr(42, 19), "   (12)24     12345");
}

TEST(FormatCallLine, DialledNumberFillsTwentyOneColumnsAndIsNeverCut) {
    TRecord record = ExampleRecord();
    record.DialledNumber = "";
    EXPECT_EQ(FormatCallLine(record).substr(55), std::string(21, ' '));
    record.DialledNumber = std::string(25, '7');
    const std::string line = FormatCallLine(record);
    EXPECT_EQ(line.size(), 80u);
    EXPECT_EQ(line.substr(55), record.DialledNumber);
}

TEST(FormatCallLine, HardwareLineOfTwoDigitsShiftsTheLaterColumnsLeft) {
    TRecord record = ExampleRecord();
    record.HardwareLine = 23;
    const std::string line = FormatCallLine(record);
    EXPECT_EQ(line.substr(33, 3), "23(");
    EXPECT_EQ(line, "07-05-2004 12:34:56   00:01:05   23( 112)   (2)05     123456" +
                        std::string(15, ' '));
}

// ---- the reader ----

TEST(IsSkippedLine, SkipsBlankLedShortAndEmptyLines) {
    EXPECT_TRUE(IsSkippedLine(""));
    EXPECT_TRUE(IsSkippedLine(" " + FirstExample.substr(1)));
    EXPECT_TRUE(IsSkippedLine(FirstExample.substr(0, 46)));
    EXPECT_FALSE(IsSkippedLine(FirstExample.substr(0, 47)));
    EXPECT_FALSE(IsSkippedLine(FirstExample));
}

TEST(ParseCallLine, ReadsBothExampleLines) {
    TCallLineFields expected = FieldsOf(ExampleRecord());
    EXPECT_EQ(ParseCallLine(FirstExample), expected);
    expected = FieldsOf(IncomingExampleRecord());
    EXPECT_EQ(ParseCallLine(SecondExample), expected);
}

TEST(ParseCallLine, ShortestParsedLineOfFortySevenCharacters) {
    const std::string line = "07-05-2004 12:34:56   00:01:05   201( 112)   20";
    ASSERT_EQ(line.size(), 47u);
    const auto fields = ParseCallLine(line);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Trunk, "20");
}

TEST(ParseCallLine, NothingAfterTheBracketGivesNoTrunkAndNoNumber) {
    const std::string upToBracket = FirstExample.substr(0, 42);
    for (const std::string& line : {upToBracket, upToBracket + std::string(30, ' ')}) {
        const auto fields = ParseCallLine(line);
        ASSERT_TRUE(fields);
        EXPECT_EQ(fields->ProgramNumber, "112");
        EXPECT_EQ(fields->Trunk, "");
        EXPECT_EQ(fields->DialledNumber, "");
    }
}

TEST(ParseCallLine, FieldsAfterTheProgramNumberAreRunsOfNonBlanks) {
    const std::string head = FirstExample.substr(0, 42);
    auto fields = ParseCallLine(head + "   (2)05     12 34  56   ");
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Trunk, "(2)05");
    EXPECT_EQ(fields->DialledNumber, "123456");

    fields = ParseCallLine(head + "       123456 789");
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Trunk, "123456");
    EXPECT_EQ(fields->DialledNumber, "789");
}

// A writer without a trunk (model "C") leaves the trunk's place blank: the number
// after it is the dialled number, and the call is outgoing.
TEST(ParseCallLine, ABlankTrunkPlaceMeansNoTrunk) {
    const std::string head = FirstExample.substr(0, 42);
    auto fields = ParseCallLine(head + "            123456 789");
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Trunk, "");
    EXPECT_EQ(fields->DialledNumber, "123456789");
}

TEST(ParseCallLine, ProgramNumberLosesItsBlanks) {
    auto fields = ParseCallLine(WithColumns(FirstExample, 38, "  21"));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->ProgramNumber, "21");
    fields = ParseCallLine(WithColumns(FirstExample, 38, "    "));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->ProgramNumber, "");
}

TEST(ParseCallLine, HardwareLineIsTheThreeColumnsWithTheirBlanks) {
    const auto fields = ParseCallLine(WithColumns(FirstExample, 34, " 5 "));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->HardwareLine, " 5 ");
}

TEST(ParseCallLine, LinesWrittenForOtherHardwareLineWidthsStillLoad) {
    TRecord record = ExampleRecord();
    record.ProgramNumber = "1120";
    record.HardwareLine = 23;
    auto fields = ParseCallLine(FormatCallLine(record));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->HardwareLine, "23(");
    EXPECT_EQ(fields->ProgramNumber, "120");
    EXPECT_EQ(fields->Trunk, "(2)05");

    record.HardwareLine = 1234;
    fields = ParseCallLine(FormatCallLine(record));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->HardwareLine, "123");
    EXPECT_EQ(fields->ProgramNumber, "(1120");
}

TEST(ParseCallLine, SeparatorsAreNotExamined) {
    std::string line = FirstExample;
    for (const std::size_t column : {3, 6, 11, 14, 17, 20, 21, 22, 25, 28, 31, 32, 33, 37}) {
        line[column - 1] = '*';
    }
    EXPECT_EQ(ParseCallLine(line), ParseCallLine(FirstExample));
}

TEST(ParseCallLine, DropsLinesWhoseNumbersDoNotConvert) {
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 4, "13")));  // month 13
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 12, "24"))); // hour 24
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 1, "O7")));  // a letter
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 29, "5s")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 15, "7 "))); // trailing blank
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 18, "  "))); // empty
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 26, "-")));  // sign alone
}

TEST(ParseCallLine, NumbersConvertLikeThePlatformsIntegerConversion) {
    auto fields = ParseCallLine(WithColumns(FirstExample, 1, " 7"));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Day, 7);
    fields = ParseCallLine(WithColumns(FirstExample, 1, "+7"));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Day, 7);
    fields = ParseCallLine(WithColumns(FirstExample, 4, "$C"));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Month, 12);
    fields = ParseCallLine(WithColumns(FirstExample, 7, "0x7e"));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Year, 126);
    fields = ParseCallLine(WithColumns(FirstExample, 7, "-$1F"));
    EXPECT_FALSE(fields); // year -31 is no date
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 1, "$G")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 1, "0x")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 23, "-1"))); // negative duration
}

TEST(ParseCallLine, DateMustExistAndDurationMustBeATimeOfDay) {
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 1, "30-02")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 1, "31-04")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 1, "00-05")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 1, "29-02-2100")));
    EXPECT_TRUE(ParseCallLine(WithColumns(FirstExample, 1, "29-02-2004")));
    EXPECT_TRUE(ParseCallLine(WithColumns(FirstExample, 1, "29-02-2000")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 7, "0000")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 23, "24")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 26, "60")));
    EXPECT_FALSE(ParseCallLine(WithColumns(FirstExample, 15, "60")));
    EXPECT_TRUE(ParseCallLine(WithColumns(FirstExample, 23, "23:59:59")));
}

TEST(ParseCallLine, NeedsAClosingBracketFromColumnThirtyEightOn) {
    TRecord record = ExampleRecord();
    record.Trunk = "200";
    const std::string line = FormatCallLine(record);
    EXPECT_TRUE(ParseCallLine(line));
    EXPECT_FALSE(ParseCallLine(WithColumns(line, 42, " ")));
    EXPECT_FALSE(ParseCallLine(WithColumns(WithColumns(line, 42, " "), 37, ")")));
}

TEST(ParseCallLine, ShortOrEmptyTextIsNoCall) {
    for (std::size_t length = 0; length < 42; ++length) {
        EXPECT_FALSE(ParseCallLine(FirstExample.substr(0, length))) << length;
    }
}

// ---- both directions ----

std::vector<TRecord> VariedRecords() {
    const std::vector<std::string> programNumbers = {"-1",   "5",     "21", "112",
                                                     "1120", "12345", "1BC"};
    const std::vector<std::string> trunks = {"200", "(2)05", "(3)-1", "-1", "5", "(12)24"};
    const std::vector<std::string> numbers = {"", "80123*#", "PAT", std::string(25, '9'), "0"};
    std::vector<TRecord> records;
    int n = 0;
    for (const std::string& program : programNumbers) {
        for (const std::string& trunk : trunks) {
            for (const std::string& number : numbers) {
                TRecord record;
                record.Year = 1980 + (n * 7) % 137;
                record.Month = 1 + n % 12;
                record.Day = 1 + (n * 5) % 28;
                record.StartHour = n % 24;
                record.StartMinute = (n * 7) % 60;
                record.StartSecond = (n * 13) % 60;
                record.DurationHours = (n * 3) % 24;
                record.DurationMinutes = (n * 11) % 60;
                record.DurationSeconds = (n * 17) % 60;
                record.HardwareLine = 100 + (n * 37) % 900;
                record.ProgramNumber = program;
                record.Trunk = trunk;
                record.DialledNumber = number;
                record.YearInvalid = -(n % 2);
                record.StartSecondInvalid = -(n % 3 == 0);
                record.DurationHoursInvalid = -(n % 5 == 0);
                records.push_back(record);
                ++n;
            }
        }
    }
    TRecord lastMoment = records.front();
    lastMoment.Day = 29;
    lastMoment.Month = 2;
    lastMoment.Year = 2004;
    lastMoment.StartHour = lastMoment.DurationHours = 23;
    lastMoment.StartMinute = lastMoment.DurationMinutes = 59;
    lastMoment.StartSecond = lastMoment.DurationSeconds = 59;
    lastMoment.HardwareLine = 999;
    records.push_back(lastMoment);
    return records;
}

TEST(CallLineRoundTrip, EveryWrittenLineReadsBackIntoTheSameFields) {
    for (const TRecord& record : VariedRecords()) {
        const std::string line = FormatCallLine(record);
        ASSERT_FALSE(IsSkippedLine(line)) << line;
        EXPECT_EQ(ParseCallLine(line), FieldsOf(record)) << line;
    }
}

TEST(CallLineRoundTrip, DecodedRecordsOfEveryFamilyReadBack) {
    for (const char* model : {"Arden-S", "Polar-A", "Polar-B", "Polar-C", "Tinkle"}) {
        for (int code = 0; code < 256; code += 5) {
            const std::uint8_t payload[] = {0xB0,
                                            0x22,
                                            0x4A,
                                            0x1D,
                                            0x0B,
                                            0x00,
                                            0x37,
                                            0x01,
                                            static_cast<std::uint8_t>(code),
                                            0x01,
                                            static_cast<std::uint8_t>(code),
                                            0x8A,
                                            0x12,
                                            0x3B,
                                            0xC0};
            TDecodeContext context;
            context.ModelName = model;
            context.CurrentYear = 2026;
            const TRecord record = DecodeRecordPayload(payload, sizeof payload, context);
            EXPECT_EQ(ParseCallLine(FormatCallLine(record)), FieldsOf(record))
                << model << " code " << code;
        }
    }
}

// An empty trunk keeps one column less than the field; the reader sees its place
// blank and takes the number after it as the dialled number, not as a trunk.
TEST(CallLineRoundTrip, EmptyTrunkKeepsTheNumberAsTheDialledNumber) {
    TRecord record = ExampleRecord();
    record.Trunk = "";
    const auto fields = ParseCallLine(FormatCallLine(record));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Trunk, "");
    EXPECT_EQ(fields->DialledNumber, "123456");
}

} // namespace
} // namespace tallyvox::callfile
