#include "core/registry.h"

#include "core/cp1252.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Reads at most limit + 1 bytes of an open file, so that a file that grew past the limit
// since it was measured is seen to be too large.
bool ReadAtMost(int fd, std::size_t limit, std::string& out) {
    out.clear();
    char buffer[64 * 1024];
    while (out.size() <= limit) {
        const std::size_t want = std::min(sizeof buffer, limit + 1 - out.size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

void Report(const std::string& path, const char* what) {
    std::fprintf(stderr, "Korvel: system configuration %s not read: %s\n", path.c_str(), what);
}

} // namespace

std::string SystemConfigPath() {
    const char* env = std::getenv("KORVEL_SYSTEM_CONFIG");
    if (env != nullptr && *env != '\0') return env;
    return "/etc/korvel/client.conf";
}

SystemConfig SystemConfig::Read(const std::string& path) {
    SystemConfig config;
    // O_NONBLOCK: opening a FIFO does not wait for a writer; the check below refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR) Report(path, std::strerror(errno));
        return config;
    }
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) != 0) {
        Report(path, std::strerror(errno));
    } else if (!S_ISREG(info.st_mode)) {
        Report(path, "not a regular file");
    } else if (static_cast<uint64_t>(info.st_size) > kSystemConfigMaxBytes) {
        Report(path, "larger than 1 MiB");
    } else if (!ReadAtMost(fd, kSystemConfigMaxBytes, text)) {
        Report(path, std::strerror(errno));
    } else if (text.size() > kSystemConfigMaxBytes) {
        Report(path, "larger than 1 MiB");
    } else {
        config.m_Text = std::move(text);
    }
    ::close(fd);
    return config;
}

SystemConfig SystemConfig::FromText(std::string text) {
    SystemConfig config;
    config.m_Text = std::move(text);
    return config;
}

std::optional<RegistryValue> SystemConfig::Find(std::string_view keyPath, std::string_view name) const {
    std::string_view rest = m_Text;
    bool inKey = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        std::string_view l = Trim(line);
        if (l.empty() || l.front() == ';' || l.front() == '#') continue;
        if (line.size() > kSystemConfigMaxLineBytes) {
            // Skipped; one that opens a key still ends the key before it.
            if (l.front() == '[') inKey = false;
            continue;
        }
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

std::optional<RegistryValue> ReadSystemConfigValue(const std::string& configPath, std::string_view keyPath,
                                                   std::string_view name) {
    return SystemConfig::Read(configPath).Find(keyPath, name);
}

std::string GetRegistryValue(std::string_view name, std::string_view defaultValue, std::string_view keyPath,
                             const SystemConfig& config) {
    std::optional<RegistryValue> value = config.Find(keyPath, name);
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

std::string GetRegistryValue(std::string_view name, std::string_view defaultValue, std::string_view keyPath,
                             const std::string& configPath) {
    return GetRegistryValue(name, defaultValue, keyPath, SystemConfig::Read(configPath));
}

} // namespace korvel
