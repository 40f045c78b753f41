#include <gtest/gtest.h>

#include <vector>

#include "model/RealTime.h"
#include "text/Cp1251.h"

namespace tallyvox {
namespace {

using TBytes = std::vector<std::uint8_t>;

std::vector<std::string> Parse(const TBytes& payload, const std::string& model = "Arden-S") {
    return ParseRealTimePayload(payload.data(), payload.size(), model);
}

std::string Cp1251(const char* utf8) {
    return text::Utf8ToCp1251(utf8);
}

TEST(RealTimeParse, ArdenExampleGivesOneLine) {
    const std::vector<std::string> lines = Parse({0x02, 0x44, 0x05, 0x00, 0x46, 0x01, 0x03, 0x00});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], Cp1251("АЛ205(0)   СЛ202(3)   "));
}

TEST(RealTimeParse, EmptyPayloadGivesNoLinesAndAZeroCountOneEmptyLine) {
    EXPECT_TRUE(Parse({}).empty());
    EXPECT_EQ(ParseRealTimePayload(nullptr, 0, "Arden-S").size(), 0u);
    EXPECT_EQ(Parse({0x00}), std::vector<std::string>{""});
}

TEST(RealTimeParse, EachGroupIsALine) {
    const std::vector<std::string> lines =
        Parse({0x01, 0x44, 0x01, 0x07, 0x01, 0x46, 0x02, 0xFF, 0x00});
    EXPECT_EQ(lines, (std::vector<std::string>{Cp1251("АЛ201(7)   "), Cp1251("СЛ204(255)   ")}));
}

TEST(RealTimeParse, UnknownTypeShowsQuestionMarksAndTheLineNumber) {
    EXPECT_EQ(Parse({0x01, 0x41, 0x03, 0x01, 0x00}), std::vector<std::string>{"???203(1)   "});
}

TEST(RealTimeParse, PolarBNumbersLinesInBanksOfEightAndHasNoTrunks) {
    EXPECT_EQ(Parse({0x02, 0x45, 0x09, 0x00, 0x46, 0x01, 0x00, 0x00}, "Polar-B"),
              std::vector<std::string>{Cp1251("Дф211(0)   СЛ-1(0)   ")});
}

TEST(RealTimeParse, PayloadWithoutClosingZeroEndsWithIt) {
    EXPECT_EQ(Parse({0x01, 0x47, 0x00, 0x02, 0x01, 0x44, 0x00, 0x00}),
              (std::vector<std::string>{Cp1251("ГГС200(2)   "), Cp1251("АЛ200(0)   ")}));
}

TEST(RealTimeParse, GroupRunningPastThePayloadKeepsItsWholeEntries) {
    EXPECT_EQ(Parse({0x03, 0x44, 0x01, 0x02, 0x44, 0x05}),
              std::vector<std::string>{Cp1251("АЛ201(2)   ")});
    EXPECT_EQ(Parse({0x05}), std::vector<std::string>{""});
}

TEST(RealTimeParse, StopsAtTheLinesItCanHold) {
    TBytes payload;
    for (int group = 0; group < 85; ++group) { // a full 255-byte reply of one-entry groups
        payload.insert(payload.end(), {0x01, 0x44, static_cast<std::uint8_t>(group), 0x00});
    }
    payload.resize(255);
    const std::vector<std::string> lines = Parse(payload);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(RealTimeMaxLines));
    EXPECT_EQ(lines.back(), Cp1251("АЛ259(0)   "));
}

TEST(RealTimeLabel, NamesTheFourEntryTypes) {
    EXPECT_EQ(RealTimeLabel(0x44), Cp1251("АЛ"));
    EXPECT_EQ(RealTimeLabel(0x45), Cp1251("Дф"));
    EXPECT_EQ(RealTimeLabel(0x46), Cp1251("СЛ"));
    EXPECT_EQ(RealTimeLabel(0x47), Cp1251("ГГС"));
    EXPECT_EQ(RealTimeLabel(0x41), "???");
    EXPECT_EQ(RealTimeLabel(0x00), "???");
}

TEST(RealTimeNumber, TrunkCodesAreNumberedAsReceived) {
    EXPECT_EQ(RealTimeNumber("Arden-S", 0x46, 1), 202);
    EXPECT_EQ(RealTimeNumber("Polar-A", 0x46, 2), 210);
    EXPECT_EQ(RealTimeNumber("Polar-B", 0x46, 2), -1);
    EXPECT_EQ(RealTimeNumber("Polar-C", 0x46, 0x4A), 10);
    EXPECT_EQ(RealTimeNumber("Polar-C", 0x46, 0), -1);
    EXPECT_EQ(RealTimeNumber("Tinkle", 0x46, 6), 224);
    EXPECT_EQ(RealTimeNumber("Tinkle", 0x46, 7), -1);
    EXPECT_EQ(RealTimeNumber("2xB", 0x46, 1), -1);
    EXPECT_EQ(RealTimeNumber("C", 0x46, 1), -1);
}

TEST(RealTimeNumber, LineCodesFollowTheModel) {
    EXPECT_EQ(RealTimeNumber("Arden-S", 0x44, 255), 455);
    EXPECT_EQ(RealTimeNumber("Polar-A", 0x44, 7), 207);
    EXPECT_EQ(RealTimeNumber("Polar-A", 0x44, 8), 210);
    EXPECT_EQ(RealTimeNumber("Polar-B", 0x45, 15), 217);
    EXPECT_EQ(RealTimeNumber("Polar-C", 0x44, 0), 1);
    EXPECT_EQ(RealTimeNumber("3AB", 0x47, 4), 5);
    EXPECT_EQ(RealTimeNumber("Tinkle", 0x44, 1), -1);
    // Model names are searched, not compared: a longer name still matches.
    EXPECT_EQ(RealTimeNumber("New Arden", 0x44, 1), 201);
}

} // namespace
} // namespace tallyvox
