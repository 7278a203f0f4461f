#include "core/frames.h"

#include "core/errors.h"
#include "core/socket.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <cstring>
#include <string>

namespace korvel {

// 256 MiB. The largest message a server sends is a full profile list (200): 20,000
// profiles of at most about 12 KB each in their network form. See docs/protocol.md.
const int32_t kMaxFrameBodyLength = 256 * 1024 * 1024;

Bytes BuildFrame(int32_t type, std::string_view body) {
    if (body.size() > static_cast<std::size_t>(INT32_MAX)) throw EncodeError("frame body too long");
    Bytes frame;
    frame.reserve(5 + body.size()); // type byte and Int32 length
    frame += ByteToNetworkBytes(type);
    AppendLong(frame, static_cast<int32_t>(body.size()));
    frame.append(body);
    return frame;
}

void SendToServer(ClientState& state, MessageType type, std::string_view body) {
    ISocket* socket = state.ServerSocket;
    if (socket == nullptr) return;
    int16_t socketState = socket->State();
    if (socketState == SocketConnected) {
        Bytes frame = BuildFrame(type, body);
        try {
            socket->Send(frame);
        } catch (const SocketFailure&) {
            // A failing send drops the message; the socket reports a broken connection
            // through its error or closed event.
        }
        return;
    }
    // While the one connection attempt is under way the message is dropped and the
    // attempt left alone: closing it would leave the control without a connection for
    // good, since it never makes a second attempt for the same address.
    if (IsAttemptUnderWay(socketState)) return;
    try {
        socket->Close();
    } catch (const SocketFailure&) {
        // Nothing more to end: the message is dropped either way.
    }
}

void ConnectToServer(ClientState& state) {
    if (state.ServerSocket == nullptr || state.ServerAddress.empty() || state.ConnectAttempted ||
        state.ServerPort < 1)
        return;
    try {
        state.ServerSocket->Connect(state.ServerAddress, state.ServerPort);
    } catch (const SocketFailure&) {
        // The attempt counts as made; the socket reports a failed attempt through its
        // error event.
    }
    state.ConnectAttempted = true;
}

void FrameCutter::Reallocate(std::size_t capacity) {
    const std::size_t pending = m_End - m_Offset;
    if (m_Offset != 0 && pending != 0) std::memmove(m_Buffer.get(), m_Buffer.get() + m_Offset, pending);
    m_NeedEnd -= m_Offset;
    m_Offset = 0;
    m_End = pending;
    if (capacity == m_Capacity) return;
    if (capacity == 0) {
        m_Buffer.reset();
        m_Capacity = 0;
        return;
    }
    void* resized = std::realloc(m_Buffer.get(), capacity);
    if (resized == nullptr) throw std::bad_alloc();
    (void)m_Buffer.release();
    m_Buffer.reset(static_cast<Octet*>(resized));
    m_Capacity = capacity;
}

void FrameCutter::MakeRoom(std::size_t n) {
    const std::size_t pending = m_End - m_Offset;
    const std::size_t needed = pending + n;
    const bool large = m_Capacity > kRetainedCapacity;
    if (needed <= m_Capacity && m_Offset >= pending && !(large && needed < m_Capacity / 4)) {
        // The consumed part is at least as large as the rest: move the rest to the front.
        Reallocate(m_Capacity);
    } else if (large && needed < m_Capacity / 4) {
        // Let go of a large buffer left by a large message when a quarter of it holds what
        // is pending and incoming.
        Reallocate(std::max(needed * 2, kRetainedCapacity));
    } else {
        // Grow. A large frame whose length is known gets room for itself exactly, once:
        // doubling towards it would copy it again and again and hold up to twice its size.
        std::size_t capacity = std::max({needed, m_Capacity * 2, kInitialCapacity});
        const std::size_t frame = m_NeedEnd - m_Offset;
        if (frame > kRetainedCapacity && needed <= frame) capacity = frame;
        Reallocate(capacity);
    }
}

void FrameCutter::AppendGrowing(std::string_view bytes) {
    MakeRoom(bytes.size());
    if (!bytes.empty()) std::memcpy(m_Buffer.get() + m_End, bytes.data(), bytes.size());
    m_End += bytes.size();
}

std::optional<Frame> FrameCutter::Cut() {
    // The header is there (m_NeedEnd was at least m_Offset + 5).
    const char* header = Chars() + m_Offset;
    auto at = [header](int i) { return uint32_t{static_cast<unsigned char>(header[i])}; };
    const auto length = static_cast<int32_t>((at(1) << 24) | (at(2) << 16) | (at(3) << 8) | at(4));
    if (length < 0 || length > kMaxFrameBodyLength)
        throw FrameError("frame body length " + std::to_string(length) + " outside 0.." +
                         std::to_string(kMaxFrameBodyLength));
    const std::size_t end = m_Offset + kHeaderLength + static_cast<std::size_t>(length);
    if (m_End < end) {
        m_NeedEnd = end;
        return std::nullopt;
    }
    Frame frame;
    frame.Type = static_cast<uint8_t>(at(0));
    frame.Body = std::string_view(header + kHeaderLength, static_cast<std::size_t>(length));
    m_Offset = end;
    m_NeedEnd = end + kHeaderLength;
    return frame;
}

void FrameCutter::Clear() {
    if (m_Capacity > kRetainedCapacity) {
        m_Buffer.reset();
        m_Capacity = 0;
    }
    m_Offset = 0;
    m_End = 0;
    m_NeedEnd = kHeaderLength;
}

void FrameCutter::Trim() {
    if (m_Capacity <= kRetainedCapacity) return;
    const std::size_t pending = m_End - m_Offset;
    if (std::max(pending, m_NeedEnd - m_Offset) > kRetainedCapacity) return; // a large frame is on its way
    Reallocate(pending == 0 ? 0 : kRetainedCapacity);
}

std::optional<std::string> CheckProtocolVersion(std::string_view body) {
    int32_t position = 0;
    int16_t version = GetIntegerFromNetworkBytes(body, position);
    if (version == kProtocolVersion) return std::nullopt;
    return "Protocol version conflict (server: " + std::to_string(version) +
           ", client: " + std::to_string(kProtocolVersion) + ")!";
}

} // namespace korvel
