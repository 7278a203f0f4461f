#pragma once
// The one reader of the "numeric value" of a text, used everywhere a text holds a number
// (settings, registry values, ports, receiver settings).
//
// Rules: leading blanks (space, tab, CR, LF) are skipped; then an optional sign; then
// either "&h"/"&H" and hexadecimal digits, or decimal digits with an optional fraction
// ("." digits) and exponent ("e"/"E", optional sign, digits). The longest such leading
// part is the value; anything after it is ignored; a text with no number is 0.
// Hexadecimal digits are read as a 32-bit pattern (up to 8 significant digits) and taken
// as a signed 32-bit number, so "&hFFFFFFFF" is -1 and "&h00000A0A" is 2570; more than
// 8 significant hex digits do not fit and read as 0. A decimal value too large for a
// double reads as 0.

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvel {

double NumericValue(std::string_view text);

// True when the whole text is a number: blanks, then what NumericValue reads, then
// blanks only. "3abc" begins with a number but is not one; NumericValue reads it as 3.
bool IsNumeric(std::string_view text);

// Nearest integer, halves to even (the rounding of every conversion to an integer).
double RoundHalfEven(double value);

// The numeric value rounded half to even, or nothing when it lies outside the range.
std::optional<int32_t> NumericValueAsInt32(std::string_view text);
std::optional<int16_t> NumericValueAsInt16(std::string_view text);

} // namespace korvel
