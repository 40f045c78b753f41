#include "model/Record.h"

#include <array>

namespace tallyvox {

namespace {

// Code 0 marks an empty digit position; code 0xA is the digit zero. Codes B..F
// are kept as letters in a directory number and read as the keypad's symbols in a
// dialled one.
char DigitOfCode(std::uint8_t code, bool directoryForm) {
    static constexpr std::array<char, 16> DirectoryDigits{'\0', '1', '2', '3', '4', '5', '6', '7',
                                                          '8',  '9', '0', 'B', 'C', 'D', 'E', 'F'};
    static constexpr std::array<char, 16> DialledDigits{'\0', '1', '2', '3', '4', '5', '6', '7',
                                                        '8',  '9', '0', '*', '#', 'P', 'A', 'T'};
    return directoryForm ? DirectoryDigits[code] : DialledDigits[code];
}

void AppendCode(std::string& text, std::uint8_t code, bool directoryForm) {
    const char digit = DigitOfCode(code, directoryForm);
    if (digit != '\0') {
        text += digit;
    }
}

int TinkleTrunkNumber(int t) {
    static constexpr std::array<int, 6> Numbers{200, 204, 208, 212, 220, 224};
    // Codes outside 1..6 have no trunk on this family; -1 is what every other
    // family prints for a code it does not number.
    if (t < 1 || t > static_cast<int>(Numbers.size())) {
        return -1;
    }
    return Numbers[static_cast<std::size_t>(t - 1)];
}

} // namespace

std::string DecodeDigits(const std::uint8_t* bytes, std::size_t count, bool directoryForm) {
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        AppendCode(text, static_cast<std::uint8_t>(bytes[i] >> 4), directoryForm);
        AppendCode(text, static_cast<std::uint8_t>(bytes[i] & 0x0F), directoryForm);
    }
    return text;
}

int TrunkNumber(TTrunkFamily family, int t) {
    switch (family) {
    case TTrunkFamily::Arden:
        return 200 + 2 * t;
    case TTrunkFamily::PolarA:
        return 200 + 2 * t + 6 * (t / 2);
    case TTrunkFamily::PolarC: {
        const int number = t % 64;
        return number >= 1 && number <= 24 ? number : -1;
    }
    case TTrunkFamily::Tinkle:
        return TinkleTrunkNumber(t);
    case TTrunkFamily::Other:
        break;
    }
    return -1;
}

} // namespace tallyvox
