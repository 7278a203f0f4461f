#include "testserver/frameio.h"

namespace korvel::testserver {

Bytes EncodeHeader(uint8_t type, int32_t length) {
    const auto u = static_cast<uint32_t>(length);
    Bytes out(5, '\0');
    out[0] = static_cast<char>(type);
    out[1] = static_cast<char>(u >> 24);
    out[2] = static_cast<char>(u >> 16);
    out[3] = static_cast<char>(u >> 8);
    out[4] = static_cast<char>(u);
    return out;
}

Bytes EncodeFrame(uint8_t type, const Bytes& body) {
    Bytes out = EncodeHeader(type, static_cast<int32_t>(body.size()));
    out += body;
    return out;
}

std::optional<OutFrame> FrameReader::Next() {
    if (m_Broken || m_Buffer.size() - m_Offset < 5) return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(m_Buffer.data() + m_Offset);
    const auto length = static_cast<int32_t>((uint32_t(p[1]) << 24) | (uint32_t(p[2]) << 16) |
                                             (uint32_t(p[3]) << 8) | uint32_t(p[4]));
    if (length < 0) {
        m_Broken = true;
        return std::nullopt;
    }
    if (m_Buffer.size() - m_Offset - 5 < static_cast<std::size_t>(length)) return std::nullopt;
    OutFrame f{static_cast<MessageType>(p[0]), m_Buffer.substr(m_Offset + 5, static_cast<std::size_t>(length))};
    m_Offset += 5 + static_cast<std::size_t>(length);
    if (m_Offset == m_Buffer.size()) {
        m_Buffer.clear();
        m_Offset = 0;
    } else if (m_Offset > 65536 && m_Offset * 2 > m_Buffer.size()) {
        m_Buffer.erase(0, m_Offset);
        m_Offset = 0;
    }
    return f;
}

} // namespace korvel::testserver
