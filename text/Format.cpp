#include "text/Format.h"

namespace tallyvox::text {

std::string TwoDigits(int value) {
    std::string digits = std::to_string(value);
    return digits.size() == 1 ? "0" + digits : digits;
}

std::string Joined(const std::vector<std::string>& texts, std::string_view between) {
    std::string joined;
    for (const std::string& text : texts) {
        if (!joined.empty()) {
            joined += between;
        }
        joined += text;
    }
    return joined;
}

std::string PadLeft(std::string_view text, std::size_t width) {
    std::string out;
    if (text.size() < width) {
        out.assign(width - text.size(), ' ');
    }
    out += text;
    return out;
}

std::string PadRight(std::string_view text, std::size_t width) {
    std::string out(text);
    if (out.size() < width) {
        out.append(width - out.size(), ' ');
    }
    return out;
}

} // namespace tallyvox::text
