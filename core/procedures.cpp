#include "core/procedures.h"

#include "core/cp1252.h"
#include "core/numeric.h"
#include "core/socket.h"

#include <glob.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace korvel {

bool IsNameInArea(const ClientState& state, std::string_view name) {
    if (state.Area.empty()) return true;
    std::size_t prefix = state.Area.size() + 1;
    if (name.size() < prefix) return false;
    return EqualsIgnoreCase(name.substr(0, prefix - 1), state.Area) && name[prefix - 1] == '\\';
}

Bytes RemoveAreaFromName(const ClientState& state, std::string_view name) {
    if (state.Area.empty() || !IsNameInArea(state, name)) return Bytes(name);
    return Bytes(name.substr(state.Area.size() + 1));
}

Bytes AddAreaToName(const ClientState& state, std::string_view name) {
    if (state.Area.empty() || name.find('\\') != std::string_view::npos) return Bytes(name);
    return state.Area + "\\" + Bytes(name);
}

bool IsReceiverTypeInCountryFilter(const ClientState& state, int32_t row) {
    if (row < 0 || row >= kReceiverTypeRows) return false;
    const Bytes& countries = state.ReceiverTypes.Rows[static_cast<std::size_t>(row)].CountryList;
    if (countries.empty() || !state.UseCountryFilterSetting) return true;
    if (state.CountryFilterSetting.empty()) return false;
    const Bytes list = UpperCase("," + countries + ",");
    Bytes separator = ",";
    for (int32_t i = 0;; ++i) {
        Bytes field = GetField(state.CountryFilterSetting, i, separator);
        if (field.empty()) return false;
        if (list.find(UpperCase("," + field + ",")) != Bytes::npos) return true;
    }
}

Bytes GetField(std::string_view text, int32_t n, Bytes& separator) {
    if (separator.empty()) {
        if (text.find('\t') != std::string_view::npos)
            separator = "\t";
        else if (text.find(';') != std::string_view::npos)
            separator = ";";
    }
    if (separator.empty() || n < 0) return Bytes();
    std::size_t start = 0;
    for (int32_t k = 0; k < n; ++k) {
        std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) return Bytes();
        start = at + separator.size();
    }
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    return Bytes(text.substr(start, end - start));
}

int16_t ConvertTimeTextToMinutes(std::string_view text) {
    double hours = 0;
    double minutes = 0;
    std::size_t p = std::string_view::npos;
    for (char sep : {':', '.', ',', ' ', '-', '+'}) {
        p = text.find(sep);
        if (p != std::string_view::npos) break;
    }
    if (p != std::string_view::npos) {
        hours = NumericValue(text.substr(0, p));
        minutes = NumericValue(text.substr(p + 1));
    } else {
        std::string t(text);
        if ((t.empty() || t.front() != '0') && t.size() < 3) t += "00";
        t = "0000" + t;
        t = t.substr(t.size() - 4);
        hours = NumericValue(t.substr(0, 2));
        minutes = NumericValue(t.substr(2, 2));
    }
    double total = RoundHalfEven(hours * 60 + minutes);
    if (!(total >= 0)) return 0; // also NaN
    if (total > 1440) return 1440;
    return static_cast<int16_t>(total);
}

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    // Only "*" and "?" are wildcards: escape what glob would read otherwise.
    std::string pattern;
    pattern.reserve(path.size());
    for (char c : path) {
        if (c == '\\' || c == '[' || c == ']') pattern += '\\';
        pattern += c;
    }
    glob_t found{};
    bool exists = false;
    if (glob(pattern.c_str(), GLOB_NOSORT, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc && !exists; ++i) {
            struct stat st {};
            exists = stat(found.gl_pathv[i], &st) == 0 && S_ISREG(st.st_mode);
        }
    }
    globfree(&found);
    return exists;
}

void ReadRegistrySettings(ClientState& state, const std::string& configPath) {
    state.ConnectAttempted = false;
    // One read of the file for the four values.
    const SystemConfig config = SystemConfig::Read(configPath);
    state.ServerAddress = GetRegistryValue("ServerAddress", "", kClientRegistryKey, config);
    std::optional<int32_t> port = NumericValueAsInt32(GetRegistryValue("ServerPort", "", kClientRegistryKey, config));
    state.ServerPort = port && *port >= 1 && *port <= 65535 ? *port : 0;
    state.Area = GetRegistryValue("Area", "", kClientRegistryKey, config);
    state.IgnoreCtrlWhenEnablingOrDisabling =
        NumericValue(GetRegistryValue("IgnoreCtrlWhenEnablingOrDisabling", "0", kClientRegistryKey, config)) != 0;
}

ConnectionStatus GetConnectionStatus(const ClientState& state) {
    ConnectionStatus status;
    const ISocket* socket = state.ServerSocket;
    bool haveAddress = !state.ServerAddress.empty();
    bool havePort = state.ServerPort != 0;
    if (!haveAddress && !havePort)
        status.Text = "Disconnected (missing ServerAddress and ServerPort)";
    else if (!haveAddress)
        status.Text = "Disconnected (missing ServerAddress)";
    else if (!havePort)
        status.Text = "Disconnected (missing ServerPort)";
    else if (socket != nullptr)
        status.Text = "Disconnected from " + socket->RemoteHost() + ":" + std::to_string(socket->RemotePort());
    else
        status.Text = "Disconnected from " + state.ServerAddress + ":" + std::to_string(state.ServerPort);
    status.Visible = socket == nullptr || socket->State() != SocketConnected;
    return status;
}

} // namespace korvel
