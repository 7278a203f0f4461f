#pragma once
// Look-ups in the server's settings (message 106) and text table (message 120).

#include "core/clientstate.h"

#include <cstdint>
#include <string_view>

namespace korvel {

// Where GetText caches every text it finds: per-user store application and section;
// the key is the text number in decimal.
inline constexpr const char* kTextCacheApplication = "Korvel ActiveX Client";
inline constexpr const char* kTextCacheSection = "Texts";

// Value of key in section (both compared ignoring case), or the default.
Bytes GetServerSetting(const ClientState& state, std::string_view section, std::string_view key,
                       std::string_view defaultValue);

// Refreshes ViewAllReceiversSetting, UseCountryFilterSetting and CountryFilterSetting.
void ApplyServerSettings(ClientState& state);

// The numbered user-interface text: the first row of the text table with that id (only
// the part of its range that lies inside the blob), written to the cache at once; else
// the cached text, or "" when none. Never raises.
Bytes GetText(ClientState& state, int32_t number);

} // namespace korvel
