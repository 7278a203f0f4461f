#pragma once
// The small shared procedures every control leans on: area prefix of record names,
// the country filter of receiver types, fields of separated texts, time texts, file
// look-up, the connection settings read at start and the connection status text.

#include "core/clientstate.h"
#include "core/registry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// --- Area prefix: the Area followed by a backslash ---------------------------------------

// True when Area is empty or the name begins with Area + "\" (ignoring case).
bool IsNameInArea(const ClientState& state, std::string_view name);
// The name without its area prefix; unchanged when Area is empty or the name is not in it.
Bytes RemoveAreaFromName(const ClientState& state, std::string_view name);
// Area + "\" + name; unchanged when Area is empty or the name holds a backslash.
Bytes AddAreaToName(const ClientState& state, std::string_view name);

// True when the receiver-type row passes the country filter. A row outside the table
// (0..299) never passes.
bool IsReceiverTypeInCountryFilter(const ClientState& state, int32_t row);

// Field n (0 first) of a text split at separator. An empty separator becomes a tab when
// the text holds one, else ";" when it holds one, and is handed back; while it stays
// empty every field is empty. Missing fields (and negative n) are empty.
Bytes GetField(std::string_view text, int32_t n, Bytes& separator);
inline Bytes GetField(std::string_view text, int32_t n, std::string_view separator) {
    Bytes s(separator);
    return GetField(text, n, s);
}

// Minutes of the day 0..1440 of a time text: "7:30", "7.30", "730", "7" (7:00), "05"...
int16_t ConvertTimeTextToMinutes(std::string_view text);

// True when a regular file matches the path; "*" and "?" are wildcards, every other
// character stands for itself. Any error gives false.
bool FileExists(const std::string& path);

// Trace hook; has no effect.
inline void TraceMessage(std::string_view) {}

// --- Connection settings and status ------------------------------------------------------

// Clears ConnectAttempted and loads ServerAddress, ServerPort, Area and
// IgnoreCtrlWhenEnablingOrDisabling from the client's key of the system configuration,
// which is read once for them (core/registry.h says which files are read). A port that is not a whole number in 1..65535 is taken as missing (0), so no attempt
// is ever made to it.
void ReadRegistrySettings(ClientState& state, const std::string& configPath = SystemConfigPath());

struct ConnectionStatus {
    std::string Text;
    bool Visible = true; // the label shows while the socket is not connected
};

// "Disconnected (missing ServerAddress and ServerPort)", "... (missing ServerAddress)",
// "... (missing ServerPort)" or "Disconnected from " + remote host + ":" + remote port.
ConnectionStatus GetConnectionStatus(const ClientState& state);

} // namespace korvel
