#include "controls/activeprofiles/profileswitch.h"

#include "core/cp1252.h"
#include "core/procedures.h"
#include "core/records/profile.h"

namespace korvel::activeprofiles {

std::shared_ptr<cProfile> FindProfileByShownName(const ClientState& state, std::string_view name) {
    const Bytes wanted = UpperCase(name);
    for (const auto& entry : state.Profiles) {
        if (!entry.item) continue;
        if (UpperCase(RemoveAreaFromName(state, entry.item->GetName())) == wanted) return entry.item;
    }
    return nullptr;
}

int16_t EnableFlag(int32_t enabled) {
    const auto low = static_cast<int16_t>(static_cast<uint32_t>(enabled) & 0xFFFFu);
    if (low == 0 && enabled != 0) return -1;
    return low;
}

Bytes ProfileEnableOrDisableBody(const cProfile& profile, int16_t flag) {
    Bytes body;
    AppendLong(body, profile.m_DiskIdentity);
    AppendString(body, profile.GetName());
    AppendInteger(body, flag);
    return body;
}

} // namespace korvel::activeprofiles
