#include "core/profileswitch.h"

#include "core/cp1252.h"
#include "core/procedures.h"
#include "core/records/profile.h"

namespace korvel {

std::shared_ptr<cProfile> FindProfileByShownName(const ClientState& state, std::string_view name) {
    const Bytes wanted = UpperCase(name);
    for (const auto& entry : state.Profiles)
        if (entry.item && UpperCase(RemoveAreaFromName(state, entry.item->GetName())) == wanted) return entry.item;
    return nullptr;
}

Bytes ProfileEnableOrDisableBody(const cProfile& profile, int32_t enabled) {
    auto flag = static_cast<int16_t>(static_cast<uint32_t>(enabled) & 0xFFFFu);
    if (flag == 0 && enabled != 0) flag = -1;
    Bytes body;
    AppendLong(body, profile.m_DiskIdentity);
    AppendString(body, profile.GetName());
    AppendInteger(body, flag);
    return body;
}

} // namespace korvel
