#pragma once
// The six controls the host program can show, by component number 1..6.

#include <string_view>

namespace korvel::container {

struct ComponentInfo {
    std::string_view programmaticId; // in the plug-in's metadata
    std::string_view windowName;     // prefix of the stored window position
};

// The control of component 1..6, or nullptr for any other number.
inline const ComponentInfo* FindComponent(int number) {
    static constexpr ComponentInfo table[] = {
        {"Korvel3TextMessage.Component", "Korvel_TextMessage"},
        {"Korvel3Receivers.Component", "Korvel_Receivers"},
        {"Korvel3Profiles.Component", "Korvel_Profiles"},
        {"Korvel3ActivePrf.Component", "Korvel_ActiveProfiles"},
        {"Korvel3Events.Component", "Korvel_Events"},
        {"Korvel3SysLog.Component", "Korvel_SysLog"},
    };
    if (number < 1 || number > 6) return nullptr;
    return &table[number - 1];
}

} // namespace korvel::container
