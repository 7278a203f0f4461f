#pragma once
// Texts on the wire, in data files and in the settings are single-byte Windows-1252.
// These are the only conversions between that form and Unicode, and the only
// case folding: names and areas compare upper-cased with UpperCase().

#include <string>
#include <string_view>

namespace korvel {

// One Windows-1252 byte string to UTF-16. Undefined code points (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 control of the same number, so every byte round-trips.
std::u16string Cp1252ToUtf16(std::string_view bytes);

// UTF-16 to Windows-1252; a character with no Windows-1252 form becomes '?'.
std::string Utf16ToCp1252(std::u16string_view text);

// UTF-8 conveniences for the core's own tests and trace texts.
std::string Cp1252ToUtf8(std::string_view bytes);
std::string Utf8ToCp1252(std::string_view utf8);

// Upper case of one Windows-1252 byte / text: a-z, the accented small letters
// 0xE0..0xFE (not 0xF7), and the pairs s/z/oe-caron (0x9A, 0x9E, 0x9C) and y-diaeresis.
char UpperChar(char c);
std::string UpperCase(std::string_view text);

// Equality ignoring case, with the same folding as UpperCase.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Position of the first occurrence of needle in haystack ignoring case, or npos.
std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

} // namespace korvel
