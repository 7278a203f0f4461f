#include "testserver/profilechanges.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/cp1252.h"
#include "core/errors.h"
#include "core/records/profile.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <algorithm>
#include <vector>

namespace korvel::testserver {
namespace {

struct Stored {
    Bytes Name;
    cProfile Profile;
};

// The profile list the server answers 200 with.
std::vector<Stored> ReadList(const SampleData& data) {
    std::vector<Stored> list;
    auto answer = data.Answers.find(MessageType::MsgProfileList);
    if (answer == data.Answers.end() || answer->second.empty()) return list;
    try {
        ClientState state;
        const Bytes& body = answer->second.front().Body;
        int32_t p = 0;
        const int32_t n = GetLongFromNetworkBytes(body, p);
        for (int32_t i = 0; i < n; ++i) {
            GetLongFromNetworkBytes(body, p);
            Stored s;
            s.Name = GetStringFromNetworkBytes(body, p);
            s.Profile.UncompressFromNetworkBytes(state, body, p);
            list.push_back(std::move(s));
        }
    } catch (const KorvelError&) {
    }
    return list;
}

void WriteList(SampleData& data, const std::vector<Stored>& list) {
    Bytes body;
    AppendLong(body, static_cast<int32_t>(list.size()));
    for (const Stored& s : list) {
        AppendLong(body, s.Profile.m_DiskIdentity);
        AppendString(body, s.Name);
        s.Profile.AppendNetworkBytes(body);
    }
    data.Answers[MessageType::MsgProfileList] = {{MessageType::MsgProfileList, body}};
}

void ToEveryone(Server& server, MessageType type, const Bytes& body) {
    for (int c = 0; c < server.ConnectionCount(); ++c)
        if (server.IsOpen(c)) server.SendFrame(type, body, c);
}

} // namespace

bool HandleProfileChange(Server& server, SampleData& data, const OutFrame& request) {
    switch (request.Type) {
    case MessageType::MsgProfileSave: {
        try {
            ClientState state;
            int32_t p = 0;
            const int32_t ref = GetLongFromNetworkBytes(request.Body, p);
            const Bytes refName = GetStringFromNetworkBytes(request.Body, p);
            cProfile profile;
            profile.UncompressFromNetworkBytes(state, request.Body, p);
            std::vector<Stored> list = ReadList(data);
            // The stored profile it names: by identity, or by name when sent with -1.
            auto same = std::find_if(list.begin(), list.end(), [&](const Stored& s) {
                return ref < 0 ? EqualsIgnoreCase(s.Name, refName) : s.Profile.m_DiskIdentity == ref;
            });
            if (same != list.end()) {
                profile.m_DiskIdentity = same->Profile.m_DiskIdentity;
            } else {
                int16_t highest = 0;
                for (const Stored& s : list) highest = std::max(highest, s.Profile.m_DiskIdentity);
                if (ref < 0 || profile.m_DiskIdentity < 0) profile.m_DiskIdentity = static_cast<int16_t>(highest + 1);
                same = list.insert(list.end(), Stored{});
            }
            same->Name = profile.GetName();
            same->Profile = profile;
            WriteList(data, list);
            Bytes body;
            AppendLong(body, profile.m_DiskIdentity);
            AppendString(body, profile.GetName());
            profile.AppendNetworkBytes(body);
            ToEveryone(server, MessageType::MsgProfileSave, body);
        } catch (const KorvelError&) {
            // A malformed save is dropped, as the server drops it.
        }
        return true;
    }
    case MessageType::MsgProfileDelete: {
        try {
            int32_t p = 0;
            const int32_t ref = GetLongFromNetworkBytes(request.Body, p);
            std::vector<Stored> list = ReadList(data);
            std::erase_if(list, [&](const Stored& s) { return s.Profile.m_DiskIdentity == ref; });
            WriteList(data, list);
        } catch (const KorvelError&) {
        }
        ToEveryone(server, request.Type, request.Body);
        return true;
    }
    default: return false;
    }
}

} // namespace korvel::testserver
