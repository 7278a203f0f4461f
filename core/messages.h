#pragma once
// Every message type of the protocol, once: its number, its name, who sends it and one
// line of what it carries. The list gives `MessageType`, the name for diagnostics
// (MessageName) and the check whether a number is a known type; code says
// MessageType::MsgReceiverSave, never a bare 240. The names are the protocol's own (the
// Msg... constants); docs/protocol.md has the same table with the file that handles each.
//
// A frame's type byte is any number 0..255; a number not in this list is an unknown type,
// which the client drops without a word.

#include <cstdint>
#include <string_view>

namespace korvel {

// Who sends a message: the client (a request or a change), the server (an answer or an
// announcement), or both (the server answers a request of the same type).
enum class MessageDirection : uint8_t { ToServer, ToClient, Both };

// X(number, name, direction, meaning)
#define KORVEL_MESSAGE_LIST(X)                                                                                     \
    X(0, MsgKeepAlive, Both, "empty; the server asks, the client answers each one at once with an empty 0")       \
    X(1, MsgProtocolVersion, ToClient, "Int16 the server's protocol version; not 21 ends the connection")         \
    X(100, MsgServerDataPath, ToClient, "String data path, Int32 server kind, Int32 not used")                      \
    X(102, MsgUserRights, ToClient, "Int32 the user's rights")                                                      \
    X(103, MsgPassword, ToServer, "String the operator's password")                                                 \
    X(104, MsgArea, ToServer, "String the operator's area")                                                         \
    X(106, MsgServerSettings, Both, "request: empty; answer: Int16 n, n x (String section, String body)")          \
    X(108, MsgStatusText, ToClient, "String the server's status text")                                              \
    X(120, MsgTextTable, Both, "request: empty; answer: the numbered texts (rows and one blob)")                   \
    X(130, MsgTextMessage, Both, "to the server: a text and its receivers; back: Int32 the message's identity")    \
    X(131, MsgLastMessageReceivers, Both, "request: empty; answer: String the last message's receivers")           \
    X(132, MsgLastMessageText, Both, "request: empty; answer: String the last message's text")                     \
    X(140, MsgReceiverTypeList, Both, "request: empty; answer: the receiver types")                                \
    X(141, MsgSystemList, Both, "request: empty; answer: the system names")                                        \
    X(142, MsgHolidayLabelList, Both, "request: empty; answer: the holiday labels")                                \
    X(143, MsgAlarmEventList, Both, "request: empty; answer: the current alarms with their lines")                 \
    X(144, MsgSysLogList, Both, "request: empty; answer: Int32 n, n x String the system log so far")               \
    X(160, MsgAlarmEventSubscribe, ToServer, "Int16 -1: send every change of the alarms")                          \
    X(161, MsgAlarmEventUpdate, ToClient, "Int16 kind, then a new alarm, a new line or a changed line")            \
    X(165, MsgSysLogSubscribe, ToServer, "Int16 -1: send every new system log line")                               \
    X(166, MsgSysLogLine, ToClient, "String one new system log line")                                               \
    X(170, MsgCalendar, Both, "request: empty; answer: the shared calendar")                                       \
    X(180, MsgCalendarSave, Both, "the shared calendar, saved by a client or changed on the server")               \
    X(200, MsgProfileList, Both, "request: empty; answer: Int32 n, n x (RecordRef, profile)")                      \
    X(210, MsgProfileSave, Both, "RecordRef, profile: saved by a client or stored on the server")                  \
    X(211, MsgProfileDelete, Both, "RecordRef: removed")                                                            \
    X(220, MsgProfileEnableOrDisable, Both, "RecordRef, Int16 enabled: asked for, or done on the server")          \
    X(221, MsgReceiverEnableOrDisable, Both, "RecordRef, Int16 enabled: asked for, or done on the server")         \
    X(230, MsgReceiverList, Both, "request: empty; answer: Int32 n, n x (RecordRef, receiver)")                    \
    X(240, MsgReceiverSave, Both, "RecordRef, receiver: saved by a client or stored on the server")                \
    X(241, MsgReceiverDelete, Both, "RecordRef: removed")

enum class MessageType : uint8_t {
#define KORVEL_MESSAGE_ENUM(number, name, direction, meaning) name = number,
    KORVEL_MESSAGE_LIST(KORVEL_MESSAGE_ENUM)
#undef KORVEL_MESSAGE_ENUM
};

struct MessageInfo {
    MessageType Type;
    std::string_view Name;
    MessageDirection Direction;
    std::string_view Meaning;
};

inline constexpr MessageInfo kMessages[] = {
#define KORVEL_MESSAGE_INFO(number, name, direction, meaning) \
    {MessageType::name, #name, MessageDirection::direction, meaning},
    KORVEL_MESSAGE_LIST(KORVEL_MESSAGE_INFO)
#undef KORVEL_MESSAGE_INFO
};

// The number on the wire.
constexpr int Number(MessageType type) { return static_cast<int>(type); }

// The entry of a number, or none for a type the protocol does not know.
constexpr const MessageInfo* FindMessage(int type) {
    for (const MessageInfo& info : kMessages)
        if (Number(info.Type) == type) return &info;
    return nullptr;
}

constexpr bool IsKnownMessage(int type) { return FindMessage(type) != nullptr; }

// "MsgReceiverSave" for 240; "unknown" for a number the list does not hold.
constexpr std::string_view MessageName(int type) {
    const MessageInfo* info = FindMessage(type);
    return info ? info->Name : std::string_view("unknown");
}
constexpr std::string_view MessageName(MessageType type) { return MessageName(Number(type)); }

} // namespace korvel
