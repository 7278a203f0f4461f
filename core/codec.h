#pragma once
// The network-byte codec: the single place where numbers, texts and dates meet the wire.
//
// A body is a byte string (std::string, one byte per char). Numbers are big-endian two's
// complement. A read position counts the bytes already consumed (0 before the first);
// every reader reads after it and advances it by what it consumed. A reader that needs a
// byte beyond the body raises DecodeError and returns no value. Writers return fresh bytes
// for the caller to append.

#include "core/datetime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

using Bytes = std::string;

// Longest text a String field carries (its length is a signed 16-bit number).
inline constexpr int32_t kMaxStringLength = 32767;

int32_t GetLongFromNetworkBytes(std::string_view body, int32_t& position);
int16_t GetIntegerFromNetworkBytes(std::string_view body, int32_t& position);
// Length field, then that many bytes. When the body ends inside the text, the text holds
// the bytes that are there and the position still advances by the full length.
// A negative length raises DecodeError.
Bytes GetStringFromNetworkBytes(std::string_view body, int32_t& position);
// The same text as a view into the body (valid as long as the body is), for readers that
// check the whole record before copying anything out of it.
std::string_view GetStringViewFromNetworkBytes(std::string_view body, int32_t& position);
// Six Int16 (year, month, day, hour, minute, second); parts outside their range carry.
DateTime GetDateFromNetworkBytes(std::string_view body, int32_t& position);

Bytes LongToNetworkBytes(int32_t value);
// Values -32768..32767 give their 16-bit two's complement, 32768..65535 their low 16 bits;
// anything else cannot be carried and raises EncodeError.
Bytes IntegerToNetworkBytes(int32_t value);
// A text over kMaxStringLength bytes raises EncodeError (it cannot be carried).
Bytes StringToNetworkBytes(std::string_view text);
Bytes DateToNetworkBytes(const DateTime& value);
// Values outside 0..255 raise EncodeError.
Bytes ByteToNetworkBytes(int32_t value);

// The compact period store of the time schedule: a 16-bit pattern, high byte first.
Bytes IntegerToTwoBytes(int16_t value);
// Signed 16-bit from the first two bytes; fewer than two raise DecodeError.
int16_t TwoBytesToInteger(std::string_view bytes);

// Appending forms of the writers, for the hot paths that build large bodies.
void AppendLong(Bytes& out, int32_t value);
void AppendInteger(Bytes& out, int32_t value);
void AppendString(Bytes& out, std::string_view text);
void AppendDate(Bytes& out, const DateTime& value);

} // namespace korvel
