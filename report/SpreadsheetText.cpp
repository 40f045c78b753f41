#include "report/SpreadsheetText.h"

#include "text/Cp1251.h"

namespace tallyvox::report {

namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";

} // namespace

bool StartsLikeFormula(std::string_view text) {
    return !text.empty() &&
           std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

std::string WithoutFormula(std::string text) {
    return StartsLikeFormula(text) ? "'" + text : text;
}

std::string SpreadsheetUtf8(std::string_view cp1251) {
    std::string utf8;
    utf8.reserve(cp1251.size());
    std::size_t start = 0;
    for (std::size_t nul; (nul = cp1251.find('\0', start)) != std::string_view::npos;
         start = nul + 1) {
        utf8 += text::Cp1251ToUtf8(cp1251.substr(start, nul - start));
        utf8 += ReplacementCharacter;
    }
    return utf8 + text::Cp1251ToUtf8(cp1251.substr(start));
}

} // namespace tallyvox::report
