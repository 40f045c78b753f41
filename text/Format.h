#pragma once
// Padding helpers shared by the fixed-column formats (call lines, headers, exports).

#include <string>
#include <string_view>
#include <vector>

namespace tallyvox::text {

// Decimal text of value with a leading "0" when the text is one character long.
std::string TwoDigits(int value);

// text with blanks put in front until it is width characters long (never cut).
std::string PadLeft(std::string_view text, std::size_t width);

// The texts one after another with between in between: "a, b, c".
std::string Joined(const std::vector<std::string>& texts, std::string_view between = ", ");

// text with blanks appended until it is width characters long (never cut).
std::string PadRight(std::string_view text, std::size_t width);

} // namespace tallyvox::text
