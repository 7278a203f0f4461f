#include "core/frames.h"

#include "core/errors.h"
#include "core/socket.h"

#include <string>

namespace korvel {

// 256 MiB. The largest message a server sends is a full profile list (200): 20,000
// profiles of at most about 12 KB each in their network form. See docs/protocol.md.
const int32_t kMaxFrameBodyLength = 256 * 1024 * 1024;

namespace {
constexpr std::size_t kHeaderLength = 5;
} // namespace

Bytes BuildFrame(int32_t type, std::string_view body) {
    if (body.size() > static_cast<std::size_t>(INT32_MAX)) throw EncodeError("frame body too long");
    Bytes frame;
    frame.reserve(kHeaderLength + body.size());
    frame += ByteToNetworkBytes(type);
    AppendLong(frame, static_cast<int32_t>(body.size()));
    frame.append(body);
    return frame;
}

void SendToServer(ClientState& state, int32_t type, std::string_view body) {
    ISocket* socket = state.ServerSocket;
    if (socket == nullptr) return;
    int16_t socketState = socket->State();
    if (socketState == SocketConnected) {
        Bytes frame = BuildFrame(type, body);
        try {
            socket->Send(frame);
        } catch (...) {
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
    } catch (...) {
    }
}

void ConnectToServer(ClientState& state) {
    if (state.ServerSocket == nullptr || state.ServerAddress.empty() || state.ConnectAttempted ||
        state.ServerPort < 1)
        return;
    try {
        state.ServerSocket->Connect(state.ServerAddress, state.ServerPort);
    } catch (...) {
        // The socket reports a failed attempt through its error event.
    }
    state.ConnectAttempted = true;
}

void FrameCutter::Compact(std::size_t incoming) {
    std::size_t pending = m_Buffer.size() - m_Offset;
    if (m_Buffer.capacity() > kRetainedCapacity && pending + incoming < m_Buffer.capacity() / 4)
        m_Buffer = m_Buffer.substr(m_Offset);
    else
        m_Buffer.erase(0, m_Offset);
    m_NeedEnd -= m_Offset;
    m_Offset = 0;
}

std::optional<Frame> FrameCutter::Cut() {
    // The header is there (m_NeedEnd was at least m_Offset + 5).
    std::string_view header(m_Buffer.data() + m_Offset, kHeaderLength);
    int32_t position = 1;
    int32_t length = GetLongFromNetworkBytes(header, position);
    if (length < 0 || length > kMaxFrameBodyLength)
        throw FrameError("frame body length " + std::to_string(length) + " outside 0.." +
                         std::to_string(kMaxFrameBodyLength));
    std::size_t end = m_Offset + kHeaderLength + static_cast<std::size_t>(length);
    if (m_Buffer.size() < end) {
        m_NeedEnd = end;
        return std::nullopt;
    }
    Frame frame;
    frame.Type = static_cast<uint8_t>(m_Buffer[m_Offset]);
    frame.Body = std::string_view(m_Buffer.data() + m_Offset + kHeaderLength, static_cast<std::size_t>(length));
    m_Offset = end;
    m_NeedEnd = end + kHeaderLength;
    return frame;
}

void FrameCutter::Clear() {
    if (m_Buffer.capacity() > kRetainedCapacity)
        Bytes().swap(m_Buffer);
    else
        m_Buffer.clear();
    m_Offset = 0;
    m_NeedEnd = kHeaderLength;
}

std::optional<std::string> CheckProtocolVersion(std::string_view body) {
    int32_t position = 0;
    int16_t version = GetIntegerFromNetworkBytes(body, position);
    if (version == kProtocolVersion) return std::nullopt;
    return "Protocol version conflict (server: " + std::to_string(version) +
           ", client: " + std::to_string(kProtocolVersion) + ")!";
}

} // namespace korvel
