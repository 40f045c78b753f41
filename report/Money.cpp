#include "report/Money.h"

namespace tallyvox::report {

namespace {

// Digits beyond this cannot be a price; it keeps the parse itself from overflow.
constexpr std::int64_t ParseLimit = std::int64_t{1} << 48;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string TwoDecimals(std::uint64_t hundredths, char decimalPoint) {
    std::string text = std::to_string(hundredths / 100);
    text += decimalPoint;
    text += static_cast<char>('0' + hundredths % 100 / 10);
    text += static_cast<char>('0' + hundredths % 10);
    return text;
}

} // namespace

std::optional<TPrice> ParsePrice(std::string_view text) {
    text = Trimmed(text);
    TPrice whole = 0;
    std::size_t i = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > ParseLimit) {
            return std::nullopt;
        }
    }
    const bool hasWhole = i > 0;
    TPrice fraction = 0;
    int decimals = 0;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            if (++decimals > 4) {
                return std::nullopt;
            }
            fraction = fraction * 10 + (text[i] - '0');
        }
        if (decimals == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size() || (!hasWhole && decimals == 0)) {
        return std::nullopt;
    }
    for (; decimals < 4; ++decimals) {
        fraction *= 10;
    }
    return whole * PriceUnit + fraction;
}

TCents CallCost(TPrice fee, TPrice pricePerMinute, std::uint32_t billedSeconds) {
    // In ten-thousandths × 60: fee × 60 + price × seconds; one unit of the
    // result in hundredths is 100 × 60 of these.
    const std::int64_t sixtieths = fee * 60 + pricePerMinute * std::int64_t{billedSeconds};
    constexpr std::int64_t PerCent = (PriceUnit / 100) * 60;
    return (sixtieths + PerCent / 2) / PerCent;
}

std::string CentsText(TCents cents, char decimalPoint) {
    if (cents < 0) {
        return "-" + TwoDecimals(static_cast<std::uint64_t>(-cents), decimalPoint);
    }
    return TwoDecimals(static_cast<std::uint64_t>(cents), decimalPoint);
}

std::string MinutesText(std::uint64_t seconds, char decimalPoint) {
    return TwoDecimals((seconds * 100 + 30) / 60, decimalPoint);
}

} // namespace tallyvox::report
