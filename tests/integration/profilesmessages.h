#pragma once
// Bodies of the record messages the profiles editor's loopback tests send from the
// substitute server: RecordRefs, receivers and receiver lists.

#include "core/codec.h"
#include "core/records/receiver.h"

#include <string_view>
#include <utility>
#include <vector>

namespace korvel::testing {

// A RecordRef: the identity (Int32) and the name (String) in front of a record message.
inline Bytes RecordRefBody(int32_t identity, std::string_view name) {
    Bytes b;
    AppendLong(b, identity);
    AppendString(b, name);
    return b;
}

// An enabled receiver's network form.
inline Bytes ReceiverForm(int32_t identity, std::string_view name) {
    cReceiver r;
    r.m_DiskIdentity = static_cast<int16_t>(identity);
    r.m_ReceiverName = Bytes(name);
    r.m_Enabled = -1;
    Bytes body;
    r.AppendNetworkBytes(body);
    return body;
}

// A receiver list (230) of enabled receivers.
inline Bytes ReceiverListBody(const std::vector<std::pair<int32_t, Bytes>>& receivers) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(receivers.size()));
    for (const auto& [id, name] : receivers) body += RecordRefBody(id, name) + ReceiverForm(id, name);
    return body;
}

} // namespace korvel::testing
