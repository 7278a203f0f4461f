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

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

// The client's key below the machine-wide root.
inline constexpr const char* kClientRegistryKey = "SOFTWARE\\Brenfal\\Korvel ActiveX Client\\Version 3";

// Where the system configuration lives: $KORVEL_SYSTEM_CONFIG when set and not empty,
// else /etc/korvel/client.conf.
std::string SystemConfigPath();

enum class RegistryType { Text, Number };

struct RegistryValue {
    RegistryType Type = RegistryType::Text;
    std::string Text;     // Windows-1252, for Text
    uint32_t Number = 0;  // for Number
};

// The value as stored, or nothing when the file, the key or the value is missing or the
// value's line cannot be read.
std::optional<RegistryValue> ReadSystemConfigValue(const std::string& configPath, std::string_view keyPath,
                                                   std::string_view name);

// One value in the form the callers read: a text as it is, a number as "&h" and eight
// hexadecimal digits (most significant first). The default when the file, key or value
// is missing, or when a text is longer than 1023 bytes (it would not fit the 1024-byte
// buffer with its terminating zero).
std::string GetRegistryValue(std::string_view name, std::string_view defaultValue, std::string_view keyPath,
                             const std::string& configPath = SystemConfigPath());

} // namespace korvel
