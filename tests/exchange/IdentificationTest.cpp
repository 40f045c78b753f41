#include "model/Identification.h"

#include <cstring>
#include <gtest/gtest.h>

#include "tests/kit/CalendarAt.h"

namespace tallyvox {
namespace {

TIdentificationReply ReplyOfModel(std::uint8_t code, const char* name = "") {
    TIdentificationReply reply{};
    reply[5] = code;
    std::memcpy(&reply[16], name, std::min<std::size_t>(std::strlen(name), 7));
    return reply;
}

TEST(Identification, VersionIsMainNumberThenHighNibbleCommaLowNibble) {
    EXPECT_EQ(VersionText(2, 0x15), "21,5");
    EXPECT_EQ(VersionText(3, 0x21), "32,1");
    EXPECT_EQ(VersionText(120, 0xF0), "12015,0");
}

TEST(Identification, ModelCodesOfTheTable) {
    const std::pair<std::uint8_t, const char*> table[] = {
        {3, "C"},       {4, "Arden-S"}, {5, "Polar-C"}, {6, "Arden-L1"},
        {7, "Polar-A"}, {8, "Polar-B"}, {9, "Tinkle"}};
    for (const auto& [code, name] : table) {
        const auto id = InterpretIdentification(ReplyOfModel(code, "3-B"));
        ASSERT_TRUE(id) << int(code);
        EXPECT_EQ(id->Model.Name, name);
        EXPECT_EQ(id->Model.ExchangeCount, 1);
        EXPECT_FALSE(id->Model.IsComplex);
    }
}

TEST(Identification, CodesOutsideTheTableAreUnknown) {
    for (std::uint8_t code : {0, 1, 10, 255}) {
        EXPECT_FALSE(InterpretIdentification(ReplyOfModel(code))) << int(code);
    }
}

TEST(Identification, ANameOfTwoAnyCharacterBIsAComplexOfTwoNamedByItsFirstThreeCharacters) {
    const auto id = InterpretIdentification(ReplyOfModel(2, "2?B1234"));
    ASSERT_TRUE(id);
    EXPECT_EQ(id->Model.Name, "2?B");
    EXPECT_TRUE(id->Model.IsComplex);
    EXPECT_EQ(id->Model.ExchangeCount, 2);
}

TEST(Identification, ComplexNamesAndOtherCodeTwoNames) {
    const auto three = InterpretIdentification(ReplyOfModel(2, "3-B"));
    EXPECT_EQ(three->Model.Name, "3-B");
    EXPECT_EQ(three->Model.ExchangeCount, 3);
    EXPECT_TRUE(three->Model.IsComplex);

    // A leading digit makes a complex even without the B.
    const auto digit = InterpretIdentification(ReplyOfModel(2, "2xyzuvw"));
    EXPECT_EQ(digit->Model.Name, "2xyzuvw");
    EXPECT_EQ(digit->Model.ExchangeCount, 2);

    const auto polar = InterpretIdentification(ReplyOfModel(2, "Polar-C"));
    EXPECT_EQ(polar->Model.Name, "Polar-C");
    EXPECT_FALSE(polar->Model.IsComplex);
    EXPECT_EQ(polar->Model.ExchangeCount, 1);

    const auto plain = InterpretIdentification(ReplyOfModel(2, "B"));
    EXPECT_EQ(plain->Model.Name, "B"); // unused name bytes are no part of the name
    EXPECT_EQ(plain->Model.ExchangeCount, 1);
}

TEST(Identification, TimeUnitZeroMeansSixSeconds) {
    TIdentificationReply reply = ReplyOfModel(6);
    EXPECT_EQ(InterpretIdentification(reply)->TimeUnit, 6);
    reply[13] = 10;
    EXPECT_EQ(InterpretIdentification(reply)->TimeUnit, 10);
}

TEST(Identification, SerialNumberAndClockAreLittleEndianWords) {
    TIdentificationReply reply = ReplyOfModel(6);
    reply[14] = 0x34;
    reply[15] = 0x12;
    reply[0] = 59; // days since 1 January 1980
    reply[2] = 0x58;
    reply[3] = 0x02; // 600 ticks of 6 s: 01:00:00
    const auto id = InterpretIdentification(reply);
    EXPECT_EQ(id->SerialNumber, "4660");
    EXPECT_EQ(id->ExchangeClock, testkit::At(1980, 2, 29, 1, 0, 0));
}

TEST(Identification, AnAllZeroReplyOfAKnownModelReadsAsZeros) {
    const auto id = InterpretIdentification(ReplyOfModel(4));
    EXPECT_EQ(id->Version, "00,0");
    EXPECT_EQ(id->SerialNumber, "0");
    EXPECT_EQ(id->TimeUnit, 6);
    EXPECT_EQ(id->ExchangeClock, (TCalendarTime{1980, 1, 1, 0, 0, 0}));
}

} // namespace
} // namespace tallyvox
