#include "testserver/profilechanges.h"

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/errors.h"
#include "core/records/profile.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <algorithm>
#include <map>

namespace korvel::testserver {
namespace {

// The highest identity the server has given out, per server (learned from its profile
// list the first time).
int16_t& LastIdentity(const Server& server, const SampleData& data) {
    static std::map<const Server*, int16_t> last;
    auto it = last.find(&server);
    if (it != last.end()) return it->second;
    int16_t highest = 0;
    auto list = data.Answers.find(200);
    if (list != data.Answers.end() && !list->second.empty()) {
        try {
            ClientState state;
            const Bytes& body = list->second.front().Body;
            int32_t p = 0;
            const int32_t n = GetLongFromNetworkBytes(body, p);
            for (int32_t i = 0; i < n; ++i) {
                GetLongFromNetworkBytes(body, p);
                GetStringFromNetworkBytes(body, p);
                cProfile profile;
                profile.UncompressFromNetworkBytes(state, body, p);
                highest = std::max(highest, profile.m_DiskIdentity);
            }
        } catch (const KorvelError&) {
        }
    }
    return last.emplace(&server, highest).first->second;
}

void ToEveryone(Server& server, int type, const Bytes& body) {
    for (int c = 0; c < server.ConnectionCount(); ++c)
        if (server.IsOpen(c)) server.SendFrame(type, body, c);
}

} // namespace

bool HandleProfileChange(Server& server, SampleData& data, const OutFrame& request) {
    switch (request.Type) {
    case 210: {
        try {
            ClientState state;
            int32_t p = 0;
            const int32_t ref = GetLongFromNetworkBytes(request.Body, p);
            GetStringFromNetworkBytes(request.Body, p);
            cProfile profile;
            profile.UncompressFromNetworkBytes(state, request.Body, p);
            int16_t& last = LastIdentity(server, data);
            if (ref < 0 || profile.m_DiskIdentity < 0) profile.m_DiskIdentity = ++last;
            else last = std::max(last, profile.m_DiskIdentity);
            Bytes body;
            AppendLong(body, profile.m_DiskIdentity);
            AppendString(body, profile.GetName());
            profile.AppendNetworkBytes(body);
            ToEveryone(server, 210, body);
        } catch (const KorvelError&) {
            // A malformed save is dropped, as the server drops it.
        }
        return true;
    }
    case 211: ToEveryone(server, request.Type, request.Body); return true;
    default: return false;
    }
}

} // namespace korvel::testserver
