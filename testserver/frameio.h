#pragma once
// Frames as the substitute server writes and reads them: a type byte, a big-endian
// Int32 body length and the body. Kept apart from the client's own frame code on
// purpose, so the tests check the client against an independent reading of the wire.

#include "core/messages.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace korvel::testserver {

using Bytes = std::string;

struct OutFrame {
    MessageType Type = MessageType::MsgKeepAlive; // any type byte, also one the list does not hold
    Bytes Body;
};

// The number forms write any type byte, a type the protocol does not know included.
Bytes EncodeFrame(uint8_t type, const Bytes& body);
inline Bytes EncodeFrame(MessageType type, const Bytes& body) { return EncodeFrame(Number(type), body); }
inline Bytes EncodeFrame(const OutFrame& f) { return EncodeFrame(f.Type, f.Body); }
// A frame header with any length field, for malformed streams.
Bytes EncodeHeader(uint8_t type, int32_t length);
inline Bytes EncodeHeader(MessageType type, int32_t length) { return EncodeHeader(Number(type), length); }

// Cuts frames from the bytes the client sends. A negative length is reported as broken.
class FrameReader {
public:
    void Append(const char* data, std::size_t size) { m_Buffer.append(data, size); }
    // The next whole frame; nothing while incomplete.
    std::optional<OutFrame> Next();
    bool Broken() const { return m_Broken; }
    void Clear() { m_Buffer.clear(); m_Offset = 0; m_Broken = false; }

private:
    Bytes m_Buffer;
    std::size_t m_Offset = 0;
    bool m_Broken = false;
};

} // namespace korvel::testserver
