#pragma once
// Text put into HTML: the web pages and the report's mail body write every
// value through this.

#include <string>
#include <string_view>

namespace tallyvox::text {

// utf8 with &, <, >, " and ' as character references: safe in HTML content
// and in quoted attribute values.
std::string HtmlEscaped(std::string_view utf8);

} // namespace tallyvox::text
