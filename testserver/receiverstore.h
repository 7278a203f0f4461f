#pragma once
// What the substitute server does with a client's receiver commands, as the alarm server
// would: 240 stores a receiver (identity -1 finds it by name or gives it a new identity),
// 241 removes one, 221 enables or disables one; each accepted command is announced back
// (240 with the stored receiver and its real identity, 241 and 221 with the reference).
// The receivers start as the data set's answer to 230, and the answer to 230 follows
// every change, so a new connection sees the receivers as they now are.

#include "testserver/frameio.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace korvel::testserver {

struct SampleData;

class ReceiverStore final {
public:
    // True for the command types the store answers.
    static bool Handles(MessageType type) {
        return type == MessageType::MsgReceiverEnableOrDisable || type == MessageType::MsgReceiverSave ||
               type == MessageType::MsgReceiverDelete;
    }

    // The announcement of an accepted command, or nothing for a malformed or unmatched
    // one. Keeps the data set's answer to 230 up to date.
    std::optional<OutFrame> Handle(SampleData& data, MessageType type, const Bytes& body);

    struct Entry {
        int16_t Identity = 0;
        Bytes Name;
        Bytes Form; // the receiver's network form, identity included
    };
    const std::vector<Entry>& Entries() const { return m_Entries; }

private:
    void seedFrom(const SampleData& data);
    Bytes listBody() const;
    Entry* find(int32_t identity, const Bytes& name);

    std::vector<Entry> m_Entries;
    Bytes m_Written; // the 230 body last written to the data set
    bool m_Seeded = false;
};

} // namespace korvel::testserver
