#pragma once
// The frame of every page: Russian, rendered on the server, no script.

#include <cstdint>
#include <string>
#include <string_view>

#include "text/HtmlText.h"

namespace tallyvox::web {

// Text for HTML content and attribute values.
using text::HtmlEscaped;

// Who is signed in, for the menu and the sign-out form; empty on the sign-in page.
struct TFrame {
    std::string User;
    std::string FormToken;
};

// A whole document: the menu (with the sign-out form carrying the token), the
// title as a heading, then body (HTML).
std::string Page(const TFrame& frame, const std::string& title, const std::string& body);

// "1:02:03" for seconds; "12,34" for hundredths.
std::string DurationText(std::uint64_t seconds);
std::string MoneyText(std::int64_t cents);

} // namespace tallyvox::web
