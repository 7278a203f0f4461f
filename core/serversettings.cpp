#include "core/serversettings.h"

#include "core/cp1252.h"
#include "core/numeric.h"
#include "core/settingsstore.h"

#include <algorithm>
#include <string>

namespace korvel {

Bytes GetServerSetting(const ClientState& state, std::string_view section, std::string_view key,
                       std::string_view defaultValue) {
    const SettingSectionTable& sections = state.SettingSections;
    std::size_t count = sections.Count < 0 ? 0 : static_cast<std::size_t>(sections.Count);
    count = std::min({count, sections.Names.size(), sections.Bodies.size()});
    for (std::size_t i = 0; i < count; ++i) {
        if (!EqualsIgnoreCase(sections.Names[i], section)) continue;
        // Only the first section of that name is consulted.
        const Bytes& body = sections.Bodies[i];
        std::string needle;
        needle.reserve(key.size() + 2);
        needle += '\0';
        needle.append(key);
        needle += '=';
        std::size_t at = FindIgnoreCase(body, needle);
        if (at == std::string_view::npos) return Bytes(defaultValue);
        std::size_t start = at + needle.size();
        std::size_t end = body.find('\0', start);
        if (end == std::string::npos) end = body.size();
        return body.substr(start, end - start);
    }
    return Bytes(defaultValue);
}

void ApplyServerSettings(ClientState& state) {
    state.ViewAllReceiversSetting = NumericValue(GetServerSetting(state, "ActiveX", "ViewAllReceivers", "0")) != 0;
    state.UseCountryFilterSetting = NumericValue(GetServerSetting(state, "General", "UseCountryFilter", "0")) != 0;
    state.CountryFilterSetting = GetServerSetting(state, "General", "CountryFilter", "");
}

Bytes GetText(ClientState& state, int32_t number) {
    const std::string key = std::to_string(number);
    const TextTableData& table = state.TextTable;
    for (const TextRow& row : table.Rows) {
        if (row.TextId != number) continue;
        // Only the part of the row's range that lies inside the blob (1 is its first byte).
        int64_t first = std::max<int64_t>(row.Start, 1);
        int64_t last = std::min<int64_t>(int64_t{row.Start} + row.Length - 1,
                                         static_cast<int64_t>(table.Blob.size()));
        Bytes text;
        if (row.Length > 0 && first <= last)
            text = table.Blob.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
        // The cache is a convenience: a store that cannot write keeps it for the run.
        if (state.SettingsStore != nullptr) state.SettingsStore->Save(kTextCacheApplication, kTextCacheSection, key, text);
        return text;
    }
    if (state.SettingsStore == nullptr) return Bytes();
    return state.SettingsStore->Get(kTextCacheApplication, kTextCacheSection, key, "");
}

} // namespace korvel
