#include <gtest/gtest.h>
#include <iconv.h>

#include "text/Cp1251.h"
#include "text/Format.h"

namespace tallyvox::text {
namespace {

// The system's converter is the reference for every byte the code page defines.
std::string IconvToUtf8(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1, outLeft = sizeof out;
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return rc == static_cast<std::size_t>(-1) ? std::string() : std::string(out, outPtr);
}

TEST(Cp1251, EveryByteMatchesTheSystemTableAndRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = Cp1251ToUtf8(byte);
        const std::string reference = IconvToUtf8(static_cast<unsigned char>(b));
        if (!reference.empty()) {
            EXPECT_EQ(utf8, reference) << "byte " << b;
        }
        EXPECT_EQ(Utf8ToCp1251(utf8), byte) << "byte " << b;
        EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(byte)), byte) << "byte " << b;
    }
}

TEST(Cp1251, RussianTextConvertsBothWays) {
    const std::string utf8 = "Идет непрерывное считывание №1 Ёё";
    const std::string cp = Utf8ToCp1251(utf8);
    EXPECT_EQ(cp.size(), 33u);
    EXPECT_EQ(static_cast<unsigned char>(cp[0]), 0xC8); // И
    EXPECT_EQ(Cp1251ToUtf8(cp), utf8);
}

TEST(Cp1251, MalformedOrForeignInputBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1251("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToCp1251("\xFF\xFE"), "??");
    EXPECT_EQ(Utf8ToCp1251("日本"), "??");
    EXPECT_EQ(Utf16ToCp1251(u"\xD800x"), "?x");
}

TEST(Format, PaddingNeverCutsAndTwoDigitsPadsOnlySingleCharacters) {
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(59), "59");
    EXPECT_EQ(TwoDigits(123), "123");
    EXPECT_EQ(TwoDigits(-1), "-1");
    EXPECT_EQ(PadLeft("12", 4), "  12");
    EXPECT_EQ(PadLeft("12345", 4), "12345");
    EXPECT_EQ(PadRight("", 3), "   ");
    EXPECT_EQ(PadRight("abcd", 3), "abcd");
}

} // namespace
} // namespace tallyvox::text
