#pragma once
// Message frames on the connection: one type byte, an Int32 body length (big-endian),
// the body. Sending, the one connection attempt per address, the frame cutter of the
// receive loop and the protocol version check.

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

// Largest body length accepted from the server; a longer (or negative) length is a
// malformed stream. See docs/protocol.md for how it was chosen.
extern const int32_t kMaxFrameBodyLength;

// Type byte + length + body. The number form is for any type byte 0..255 (a type the
// protocol does not know included); another number raises EncodeError.
Bytes BuildFrame(int32_t type, std::string_view body);
inline Bytes BuildFrame(MessageType type, std::string_view body) { return BuildFrame(Number(type), body); }

// Sends one frame on the state's socket (see docs/protocol.md for the rules while an
// attempt is under way and while closed).
void SendToServer(ClientState& state, MessageType type, std::string_view body);

// The one connection attempt per address, when address and port are set.
void ConnectToServer(ClientState& state);

struct Frame {
    uint8_t Type = 0;      // the type byte as it came, any number 0..255
    std::string_view Body; // valid until the cutter is next appended to or cleared
    // The type byte as a message type (a number the list does not hold stays that number).
    MessageType Message() const { return static_cast<MessageType>(Type); }
};

// Cuts whole frames from the received bytes. The buffer is used up to its end before it
// grows or moves anything: bytes are cut by offset, and when the buffer is full the
// unconsumed rest moves to the front only when it is no larger than the consumed part
// (else the buffer doubles), so every byte is copied a bounded number of times and the
// work is linear in the bytes received however they are split. Appending a chunk that
// fits is one comparison and a copy; while a frame is incomplete, Next() costs one
// comparison.
class FrameCutter {
public:
    void Append(std::string_view bytes) {
        const std::size_t n = bytes.size();
        if (n <= m_Capacity - m_End) {
            if (n == 1)
                m_Buffer.get()[m_End] = static_cast<Octet>(bytes.front());
            else if (n != 0)
                std::memcpy(m_Buffer.get() + m_End, bytes.data(), n);
            m_End += n;
            return;
        }
        AppendGrowing(bytes);
    }
    // The same for the string the socket's read returned (copied once, like any chunk).
    void Append(const Bytes& bytes) { Append(std::string_view(bytes)); }
    // Room for up to n bytes at the end, for a reader that writes received bytes in
    // place (no copy on their way); Commit then appends the ones written. Valid until
    // the cutter is next changed.
    char* Room(std::size_t n) {
        if (n > m_Capacity - m_End) MakeRoom(n);
        return reinterpret_cast<char*>(m_Buffer.get()) + m_End;
    }
    void Commit(std::size_t written) { m_End += written; }
    // The next whole frame, or nothing while it is incomplete. A negative or oversized
    // length raises FrameError as soon as the 5-byte header is there.
    std::optional<Frame> Next() {
        if (m_End < m_NeedEnd) return std::nullopt;
        return Cut();
    }
    // Drops every pending byte (and a large buffer).
    void Clear();
    // Lets go of a buffer that a large message made large, once what is pending (and the
    // frame it begins) fits the size a cutter keeps; the pending bytes stay. Frames handed
    // out before are no longer valid afterwards.
    void Trim();
    std::size_t Capacity() const { return m_Capacity; }
    std::size_t Pending() const { return m_End - m_Offset; }

private:
    // The buffer's bytes. A type of their own (not char) tells the compiler that storing a
    // received byte changes none of the counters below, so appending byte by byte keeps
    // them in registers; frame bodies are read back through char, which may read any object.
    enum class Octet : unsigned char {};
    static constexpr std::size_t kHeaderLength = 5;
    static constexpr std::size_t kRetainedCapacity = std::size_t{1} << 20;
    static constexpr std::size_t kInitialCapacity = 4096;
    // Makes room for n more bytes: moves the pending bytes to the front, grows, or lets
    // go of a large buffer that the pending and incoming bytes no longer need.
    void MakeRoom(std::size_t n);
    void AppendGrowing(std::string_view bytes);
    std::optional<Frame> Cut();
    const char* Chars() const { return reinterpret_cast<const char*>(m_Buffer.get()); }

    struct Free {
        void operator()(Octet* bytes) const { std::free(bytes); }
    };
    // Moves the pending bytes to the front and gives the buffer the capacity (at least
    // the pending bytes). The buffer is resized in place where it can be: a large one is
    // remapped, not copied, so growing it never holds it twice.
    void Reallocate(std::size_t capacity);

    // Held with malloc, so that it can grow and shrink in place (see Reallocate).
    std::unique_ptr<Octet, Free> m_Buffer; // bytes [m_Offset, m_End) are pending
    std::size_t m_Capacity = 0;
    std::size_t m_Offset = 0;              // bytes of m_Buffer already cut
    std::size_t m_End = 0;                 // bytes of m_Buffer received
    std::size_t m_NeedEnd = kHeaderLength; // m_End at which the next step of cutting can go on
};

// Message 1: nothing when the server's version is ours (21), else the text of the
// version-conflict box: "Protocol version conflict (server: N, client: 21)!".
std::optional<std::string> CheckProtocolVersion(std::string_view body);

} // namespace korvel
