#pragma once
// Look-ups in the server's settings (message 106) and text table (message 120).

#include "core/clientstate.h"

#include <cstdint>
#include <string_view>

namespace korvel {

// Value of key in section (both compared ignoring case), or the default.
Bytes GetServerSetting(const ClientState& state, std::string_view section, std::string_view key,
                       std::string_view defaultValue);

// Refreshes ViewAllReceiversSetting, UseCountryFilterSetting and CountryFilterSetting.
void ApplyServerSettings(ClientState& state);

// The numbered user-interface text, cached in the per-user settings store.
Bytes GetText(ClientState& state, int32_t number);

} // namespace korvel
