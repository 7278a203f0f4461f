#include "core/codec.h"

#include "core/errors.h"

namespace korvel {
namespace {

// Checks that count bytes follow the position and returns where they start.
std::size_t Need(std::string_view body, int32_t position, int32_t count, const char* what) {
    if (position < 0 || static_cast<int64_t>(position) + count > static_cast<int64_t>(body.size()))
        throw DecodeError(std::string("body ends inside ") + what);
    return static_cast<std::size_t>(position);
}

uint8_t At(std::string_view body, std::size_t i) { return static_cast<uint8_t>(body[i]); }

} // namespace

int32_t GetLongFromNetworkBytes(std::string_view body, int32_t& position) {
    std::size_t i = Need(body, position, 4, "an Int32");
    uint32_t v = (uint32_t{At(body, i)} << 24) | (uint32_t{At(body, i + 1)} << 16) |
                 (uint32_t{At(body, i + 2)} << 8) | uint32_t{At(body, i + 3)};
    position += 4;
    return static_cast<int32_t>(v);
}

int16_t GetIntegerFromNetworkBytes(std::string_view body, int32_t& position) {
    std::size_t i = Need(body, position, 2, "an Int16");
    uint16_t v = static_cast<uint16_t>((At(body, i) << 8) | At(body, i + 1));
    position += 2;
    return static_cast<int16_t>(v);
}

std::string_view GetStringViewFromNetworkBytes(std::string_view body, int32_t& position) {
    int32_t n = GetIntegerFromNetworkBytes(body, position);
    if (n < 0) throw DecodeError("negative String length");
    std::size_t start = static_cast<std::size_t>(position);
    std::string_view text;
    if (start < body.size()) text = body.substr(start, static_cast<std::size_t>(n));
    position += n;
    return text;
}

Bytes GetStringFromNetworkBytes(std::string_view body, int32_t& position) {
    return Bytes(GetStringViewFromNetworkBytes(body, position));
}

DateTime GetDateFromNetworkBytes(std::string_view body, int32_t& position) {
    int32_t p = position;
    int year = GetIntegerFromNetworkBytes(body, p);
    int month = GetIntegerFromNetworkBytes(body, p);
    int day = GetIntegerFromNetworkBytes(body, p);
    int hour = GetIntegerFromNetworkBytes(body, p);
    int minute = GetIntegerFromNetworkBytes(body, p);
    int second = GetIntegerFromNetworkBytes(body, p);
    DateTime d = DateTime::FromParts(year, month, day, hour, minute, second);
    position = p;
    return d;
}

void AppendLong(Bytes& out, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void AppendInteger(Bytes& out, int32_t value) {
    if (value < -32768 || value > 65535) throw EncodeError("value does not fit an Int16");
    auto v = static_cast<uint16_t>(value);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void AppendString(Bytes& out, std::string_view text) {
    if (text.size() > static_cast<std::size_t>(kMaxStringLength))
        throw EncodeError("text longer than 32767 bytes");
    AppendInteger(out, static_cast<int32_t>(text.size()));
    out.append(text);
}

void AppendDate(Bytes& out, const DateTime& value) {
    DateParts p = value.Parts();
    AppendInteger(out, p.year);
    AppendInteger(out, p.month);
    AppendInteger(out, p.day);
    AppendInteger(out, p.hour);
    AppendInteger(out, p.minute);
    AppendInteger(out, p.second);
}

Bytes LongToNetworkBytes(int32_t value) {
    Bytes out;
    AppendLong(out, value);
    return out;
}

Bytes IntegerToNetworkBytes(int32_t value) {
    Bytes out;
    AppendInteger(out, value);
    return out;
}

Bytes StringToNetworkBytes(std::string_view text) {
    Bytes out;
    out.reserve(text.size() + 2);
    AppendString(out, text);
    return out;
}

Bytes DateToNetworkBytes(const DateTime& value) {
    Bytes out;
    AppendDate(out, value);
    return out;
}

Bytes ByteToNetworkBytes(int32_t value) {
    if (value < 0 || value > 255) throw EncodeError("value does not fit a byte");
    return Bytes(1, static_cast<char>(value));
}

Bytes IntegerToTwoBytes(int16_t value) {
    auto p = static_cast<uint16_t>(value);
    Bytes out;
    out += static_cast<char>(p >> 8);
    out += static_cast<char>(p & 0xFF);
    return out;
}

int16_t TwoBytesToInteger(std::string_view bytes) {
    int32_t position = 0;
    return GetIntegerFromNetworkBytes(bytes, position);
}

} // namespace korvel
