#pragma once
// The read-only system configuration file that takes the place of the machine-wide
// registry: keys (sections) holding typed values, text or 32-bit number.
//
// Format (UTF-8, one item per line; see README.md):
//   ; or # starts a comment line; blank lines are ignored
//   [SOFTWARE\Brenfal\Korvel ActiveX Client\Version 3]    a key path
//   ServerAddress=alarm.example.org                       a text value
//   ServerPort=dword:00000a0a                              a 32-bit number (1..8 hex digits)
//   Area="  North  "                                       quotes keep blanks; removed
// Blanks around names and values are dropped. Key paths and value names compare
// ignoring case; the first occurrence of a value in a key counts. Texts are converted to
// Windows-1252.
//
// The file is read whole, once, into memory, and only when it is a regular file (a link
// to one is read as that file) of at most kSystemConfigMaxBytes: a FIFO, a device or a
// larger file counts as missing, with one line on standard error, and opening never
// waits for a FIFO's writer. A line longer than kSystemConfigMaxLineBytes is skipped: no
// value that fits the 1023-byte limit needs that much room.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

// The client's key below the machine-wide root.
inline constexpr const char* kClientRegistryKey = "SOFTWARE\\Brenfal\\Korvel ActiveX Client\\Version 3";

// Far above any real configuration file.
inline constexpr std::size_t kSystemConfigMaxBytes = std::size_t{1} << 20;
// A name, blanks, quotes and 1023 Windows-1252 characters (at most three bytes each in
// UTF-8) fit in this.
inline constexpr std::size_t kSystemConfigMaxLineBytes = 4096;

// Where the system configuration lives: $KORVEL_SYSTEM_CONFIG when set and not empty,
// else /etc/korvel/client.conf.
std::string SystemConfigPath();

enum class RegistryType { Text, Number };

struct RegistryValue {
    RegistryType Type = RegistryType::Text;
    std::string Text;     // Windows-1252, for Text
    uint32_t Number = 0;  // for Number
};

// The content of the system configuration file, read once.
class SystemConfig {
public:
    SystemConfig() = default;
    // Reads the file as described above; a file that is missing or cannot be read gives
    // an empty configuration.
    static SystemConfig Read(const std::string& path);
    // A configuration with this content, as if read from a file.
    static SystemConfig FromText(std::string text);

    // The value as stored, or nothing when the key or the value is missing or the
    // value's line cannot be read.
    std::optional<RegistryValue> Find(std::string_view keyPath, std::string_view name) const;

private:
    std::string m_Text;
};

// One value of the file at configPath (read for this call), as SystemConfig::Find.
std::optional<RegistryValue> ReadSystemConfigValue(const std::string& configPath, std::string_view keyPath,
                                                   std::string_view name);

// One value in the form the callers read: a text as it is, a number as "&h" and eight
// hexadecimal digits (most significant first). The default when the file, key or value
// is missing, or when a text is longer than 1023 bytes (it would not fit the 1024-byte
// buffer with its terminating zero).
std::string GetRegistryValue(std::string_view name, std::string_view defaultValue, std::string_view keyPath,
                             const SystemConfig& config);
// The same, reading the file at configPath for this one value.
std::string GetRegistryValue(std::string_view name, std::string_view defaultValue, std::string_view keyPath,
                             const std::string& configPath = SystemConfigPath());

} // namespace korvel
