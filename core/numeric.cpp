#include "core/numeric.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace korvel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses the leading number; returns false when there is none. `end` is set to the
// position after the number.
bool Parse(std::string_view t, double& value, std::size_t& end) {
    std::size_t i = 0;
    while (i < t.size() && IsBlank(t[i])) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i + 1 < t.size() && t[i] == '&' && (t[i + 1] == 'h' || t[i + 1] == 'H')) {
        i += 2;
        uint64_t v = 0;
        int significant = 0;
        bool any = false;
        for (; i < t.size() && HexDigit(t[i]) >= 0; ++i) {
            any = true;
            if (significant > 8) continue; // does not fit; the digits still belong to the number
            v = (v << 4) | static_cast<uint64_t>(HexDigit(t[i]));
            if (v != 0) ++significant;
        }
        if (!any) return false;
        end = i;
        if (significant > 8) {
            value = 0;
            return true;
        }
        double r = static_cast<int32_t>(static_cast<uint32_t>(v));
        value = negative ? -r : r;
        return true;
    }
    std::size_t start = i;
    std::size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    end = i;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        if (j < t.size() && IsDigit(t[j])) {
            while (j < t.size() && IsDigit(t[j])) ++j;
            end = j;
        }
    }
    std::string number(t.substr(start, end - start));
    double r = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(r)) r = 0;
    value = negative ? -r : r;
    return true;
}

} // namespace

double NumericValue(std::string_view text) {
    double v = 0;
    std::size_t end = 0;
    if (!Parse(text, v, end)) return 0;
    return v == 0 ? 0.0 : v; // no negative zero
}

bool IsNumeric(std::string_view text) {
    double v = 0;
    std::size_t end = 0;
    if (!Parse(text, v, end)) return false;
    while (end < text.size() && IsBlank(text[end])) ++end;
    return end == text.size();
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    double r = std::nearbyint(value); // default rounding mode: to nearest, ties to even
    return r == 0 ? 0.0 : r;
}

std::optional<int32_t> NumericValueAsInt32(std::string_view text) {
    double r = RoundHalfEven(NumericValue(text));
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(r);
}

std::optional<int16_t> NumericValueAsInt16(std::string_view text) {
    double r = RoundHalfEven(NumericValue(text));
    if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(r);
}

} // namespace korvel
