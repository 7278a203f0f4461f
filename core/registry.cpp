#include "core/registry.h"

#include "core/cp1252.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace korvel {
namespace {

constexpr std::size_t kQueryBufferBytes = 1024;

std::string_view Trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "dword:" and 1..8 hex digits, nothing else.
std::optional<uint32_t> ParseDword(std::string_view v) {
    constexpr std::string_view prefix = "dword:";
    if (v.size() <= prefix.size() || !EqualsIgnoreCase(v.substr(0, prefix.size()), prefix)) return std::nullopt;
    v.remove_prefix(prefix.size());
    if (v.size() > 8) return std::nullopt;
    uint32_t n = 0;
    for (char c : v) {
        int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        n = (n << 4) | static_cast<uint32_t>(d);
    }
    return n;
}

} // namespace

std::string SystemConfigPath() {
    const char* env = std::getenv("KORVEL_SYSTEM_CONFIG");
    if (env != nullptr && *env != '\0') return env;
    return "/etc/korvel/client.conf";
}

std::optional<RegistryValue> ReadSystemConfigValue(const std::string& configPath, std::string_view keyPath,
                                                   std::string_view name) {
    std::ifstream file(configPath, std::ios::binary);
    if (!file) return std::nullopt;
    std::string line;
    bool inKey = false;
    while (std::getline(file, line)) {
        std::string_view l = Trim(line);
        if (l.empty() || l.front() == ';' || l.front() == '#') continue;
        if (l.front() == '[') {
            inKey = l.back() == ']' && EqualsIgnoreCase(Trim(l.substr(1, l.size() - 2)), keyPath);
            continue;
        }
        if (!inKey) continue;
        std::size_t eq = l.find('=');
        if (eq == std::string_view::npos || !EqualsIgnoreCase(Trim(l.substr(0, eq)), name)) continue;
        std::string_view v = Trim(l.substr(eq + 1));
        RegistryValue value;
        if (auto n = ParseDword(v)) {
            value.Type = RegistryType::Number;
            value.Number = *n;
            return value;
        }
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        value.Text = Utf8ToCp1252(v);
        return value;
    }
    return std::nullopt;
}

std::string GetRegistryValue(std::string_view name, std::string_view defaultValue, std::string_view keyPath,
                             const std::string& configPath) {
    std::optional<RegistryValue> value = ReadSystemConfigValue(configPath, keyPath, name);
    if (!value) return std::string(defaultValue);
    if (value->Type == RegistryType::Number) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "&h%08X", static_cast<unsigned>(value->Number));
        return hex;
    }
    // A text is stored with its terminating zero; one that does not fit the query buffer
    // gives the default.
    if (value->Text.size() + 1 > kQueryBufferBytes) return std::string(defaultValue);
    return value->Text;
}

} // namespace korvel
