#include "testserver/receiverstore.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/cp1252.h"
#include "core/errors.h"
#include "core/records/receiver.h"
#include "testserver/sampledata.h"

#include <algorithm>

namespace korvel::testserver {
namespace {

Bytes CurrentReceiverList(const SampleData& data) {
    for (const OutFrame& f : AnswerFor(data, MessageType::MsgReceiverList))
        if (f.Type == MessageType::MsgReceiverList) return f.Body;
    return {};
}

// A receiver's network form with its identity replaced.
Bytes FormWithIdentity(ClientState& state, const Bytes& form, int16_t identity) {
    cReceiver r;
    int32_t p = 0;
    r.UncompressFromNetworkBytes(state, form, p);
    r.m_DiskIdentity = identity;
    return r.CompressToNetworkBytes();
}

} // namespace

void ReceiverStore::seedFrom(const SampleData& data) {
    const Bytes body = CurrentReceiverList(data);
    if (m_Seeded && body == m_Written) return;
    m_Entries.clear();
    m_Written = body;
    m_Seeded = true;
    try {
        ClientState state;
        int32_t p = 0;
        const int32_t n = body.empty() ? 0 : GetLongFromNetworkBytes(body, p);
        for (int32_t i = 0; i < n; ++i) {
            GetLongFromNetworkBytes(body, p);
            GetStringFromNetworkBytes(body, p);
            const int32_t start = p;
            cReceiver r;
            r.UncompressFromNetworkBytes(state, body, p);
            m_Entries.push_back(Entry{r.m_DiskIdentity, r.m_ReceiverName, body.substr(start, p - start)});
        }
    } catch (const KorvelError&) {
        // A list the store cannot read: it keeps what it could.
    }
}

Bytes ReceiverStore::listBody() const {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(m_Entries.size()));
    for (const Entry& e : m_Entries) {
        AppendLong(body, e.Identity);
        AppendString(body, e.Name);
        body += e.Form;
    }
    return body;
}

ReceiverStore::Entry* ReceiverStore::find(int32_t identity, const Bytes& name) {
    auto it = std::find_if(m_Entries.begin(), m_Entries.end(), [&](const Entry& e) {
        return identity == -1 ? EqualsIgnoreCase(e.Name, name) : e.Identity == identity;
    });
    return it == m_Entries.end() ? nullptr : &*it;
}

std::optional<OutFrame> ReceiverStore::Handle(SampleData& data, MessageType type, const Bytes& body) {
    seedFrom(data);
    std::optional<OutFrame> announcement;
    try {
        ClientState state;
        int32_t p = 0;
        const int32_t identity = GetLongFromNetworkBytes(body, p);
        const Bytes name = GetStringFromNetworkBytes(body, p);
        Entry* entry = find(identity, name);
        Bytes out;
        switch (type) {
        case MessageType::MsgReceiverSave: {
            const Bytes form = body.substr(static_cast<std::size_t>(p));
            cReceiver r;
            int32_t q = 0;
            r.UncompressFromNetworkBytes(state, form, q); // a form cut short is refused
            int16_t id = entry ? entry->Identity : static_cast<int16_t>(identity);
            if (!entry && identity == -1) {
                int16_t highest = 0;
                for (const Entry& e : m_Entries) highest = std::max(highest, e.Identity);
                id = static_cast<int16_t>(highest + 1);
            }
            Entry stored{id, r.m_ReceiverName, FormWithIdentity(state, form.substr(0, q), id)};
            if (entry)
                *entry = stored;
            else
                m_Entries.push_back(stored);
            AppendLong(out, id);
            AppendString(out, stored.Name);
            out += stored.Form;
            announcement = OutFrame{MessageType::MsgReceiverSave, out};
            break;
        }
        case MessageType::MsgReceiverDelete: {
            if (!entry) return std::nullopt;
            AppendLong(out, entry->Identity);
            AppendString(out, entry->Name);
            m_Entries.erase(m_Entries.begin() + (entry - m_Entries.data()));
            announcement = OutFrame{MessageType::MsgReceiverDelete, out};
            break;
        }
        case MessageType::MsgReceiverEnableOrDisable: {
            const int16_t flag = GetIntegerFromNetworkBytes(body, p);
            if (!entry) return std::nullopt;
            cReceiver r;
            int32_t q = 0;
            r.UncompressFromNetworkBytes(state, entry->Form, q);
            r.m_Enabled = flag ? -1 : 0;
            entry->Form = r.CompressToNetworkBytes();
            AppendLong(out, entry->Identity);
            AppendString(out, entry->Name);
            AppendInteger(out, r.m_Enabled);
            announcement = OutFrame{MessageType::MsgReceiverEnableOrDisable, out};
            break;
        }
        default: return std::nullopt;
        }
    } catch (const KorvelError&) {
        return std::nullopt; // a malformed command is ignored
    }
    m_Written = listBody();
    data.Answers[MessageType::MsgReceiverList] = {OutFrame{MessageType::MsgReceiverList, m_Written}};
    return announcement;
}

} // namespace korvel::testserver
