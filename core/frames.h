#pragma once
// Message frames on the connection: one type byte, an Int32 body length (big-endian),
// the body. Sending, the one connection attempt per address, the frame cutter of the
// receive loop and the protocol version check.

#include "core/clientstate.h"
#include "core/codec.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

// Largest body length accepted from the server; a longer (or negative) length is a
// malformed stream. See docs/protocol.md for how it was chosen.
extern const int32_t kMaxFrameBodyLength;

// Type byte + length + body.
Bytes BuildFrame(int32_t type, std::string_view body);

// Sends one frame on the state's socket (see docs/protocol.md for the rules while an
// attempt is under way and while closed).
void SendToServer(ClientState& state, int32_t type, std::string_view body);

// The one connection attempt per address, when address and port are set.
void ConnectToServer(ClientState& state);

struct Frame {
    uint8_t Type = 0;
    std::string_view Body; // valid until the cutter is next appended to or cleared
};

// Cuts whole frames from the received bytes. Consumes its buffer by offset and moves the
// unconsumed rest to the front only when it is no larger than the consumed part, so the
// work is linear in the bytes received however they are split. While a frame is
// incomplete, Next() costs one comparison.
class FrameCutter {
public:
    void Append(std::string_view bytes) {
        if (m_Offset != 0 && m_Offset >= m_Buffer.size() - m_Offset) Compact(bytes.size());
        m_Buffer.append(bytes.data(), bytes.size());
    }
    // The same; when nothing is pending the string is taken over without a copy (the
    // receive loop hands over what the socket's read returned), which also lets go of a
    // large buffer left by a large message.
    void Append(Bytes&& bytes) {
        if (m_Offset == m_Buffer.size() &&
            (bytes.size() >= m_Buffer.capacity() / 2 || m_Buffer.capacity() > kRetainedCapacity)) {
            m_Buffer = std::move(bytes);
            m_Offset = 0;
            m_NeedEnd = 5;
            return;
        }
        Append(std::string_view(bytes));
    }
    // The next whole frame, or nothing while it is incomplete. A negative or oversized
    // length raises FrameError as soon as the 5-byte header is there.
    std::optional<Frame> Next() {
        if (m_Buffer.size() < m_NeedEnd) return std::nullopt;
        return Cut();
    }
    // Drops every pending byte (and a large buffer).
    void Clear();
    std::size_t Pending() const { return m_Buffer.size() - m_Offset; }

private:
    static constexpr std::size_t kRetainedCapacity = std::size_t{1} << 20;
    // Moves the pending bytes to the front; lets go of a large buffer that the pending and
    // incoming bytes no longer need.
    void Compact(std::size_t incoming);
    std::optional<Frame> Cut();

    Bytes m_Buffer;
    std::size_t m_Offset = 0;  // bytes of m_Buffer already cut
    std::size_t m_NeedEnd = 5; // buffer size at which the next step of cutting can go on
};

// Message 1: nothing when the server's version is ours (21), else the text of the
// version-conflict box: "Protocol version conflict (server: N, client: 21)!".
std::optional<std::string> CheckProtocolVersion(std::string_view body);

} // namespace korvel
