#pragma once
// Windows-1251 is the text encoding of every file and message of the program;
// the core keeps texts as Windows-1251 bytes so that a column is a byte position.

#include <string>
#include <string_view>

namespace tallyvox::text {

// The Unicode code point of one Windows-1251 byte. Byte 0x98 has no character
// in the code page; it maps to U+0098 so that every byte survives a round trip.
char32_t Cp1251ToCodePoint(unsigned char byte);

// The Windows-1251 byte of a code point, or '?' when the code page lacks it.
unsigned char CodePointToCp1251(char32_t codePoint);

// Every byte converts, so the text comes back unchanged from Utf8ToCp1251.
std::string Cp1251ToUtf8(std::string_view cp1251);
// Malformed UTF-8 sequences and characters outside the code page become '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// As the UTF-8 pair; a lone surrogate half becomes '?'.
std::u16string Cp1251ToUtf16(std::string_view cp1251);
std::string Utf16ToCp1251(std::u16string_view utf16);

} // namespace tallyvox::text
