#include "controls/profileswitch/profileswitch.h"

#include "core/cp1252.h"
#include "core/procedures.h"
#include "core/records/profile.h"

namespace korvel::profileswitch {

std::shared_ptr<cProfile> FindProfileByShownName(const ClientState& state, std::string_view name) {
    const Bytes wanted = UpperCase(name);
    for (const auto& entry : state.Profiles) {
        if (!entry.item) continue;
        if (UpperCase(RemoveAreaFromName(state, entry.item->GetName())) == wanted) return entry.item;
    }
    return nullptr;
}

bool ShownNameIndex::current(const ClientState& state) const {
    return m_Built && m_Generation == state.Profiles.Generation() && m_Area == state.Area;
}

void ShownNameIndex::rebuild(const ClientState& state) {
    m_FirstByName.clear();
    m_FirstByName.reserve(state.Profiles.Count());
    for (const auto& entry : state.Profiles) {
        if (!entry.item) continue;
        // The first profile in collection order keeps the name.
        m_FirstByName.try_emplace(UpperCase(RemoveAreaFromName(state, entry.item->GetName())), entry.item);
    }
    m_Generation = state.Profiles.Generation();
    m_Area = state.Area;
    m_Built = true;
}

std::shared_ptr<cProfile> ShownNameIndex::Find(const ClientState& state, std::string_view name) {
    const Bytes wanted = UpperCase(name);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0 || !current(state)) rebuild(state);
        const auto it = m_FirstByName.find(wanted);
        if (it == m_FirstByName.end()) return nullptr;
        if (UpperCase(RemoveAreaFromName(state, it->second->GetName())) == wanted) return it->second;
    }
    // Found under a name it no longer has even right after building the index: cannot
    // happen, but never answer wrongly.
    return FindProfileByShownName(state, name);
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

} // namespace korvel::profileswitch
