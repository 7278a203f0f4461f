#pragma once
// What a control tells the shell about itself: where its settings live (also the title
// of its version-conflict box), which requests it adds to the start of the conversation
// and which of the optional properties it offers.

#include "core/codec.h"
#include "core/messages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::shell {

struct StartupRequest {
    enum class When {
        Always,         // Type with Body
        AreaIsSet,      // MsgArea carrying Area as a String, only when Area is not empty
        PasswordIsSet,  // MsgPassword carrying Password as a String, only when Password is not empty
    };
    When Condition = When::Always;
    MessageType Type = MessageType::MsgKeepAlive;
    Bytes Body;

    static StartupRequest Plain(MessageType type, Bytes body = {}) { return {When::Always, type, std::move(body)}; }
    static StartupRequest Area() { return {When::AreaIsSet, MessageType::MsgArea, {}}; }
    static StartupRequest Password() { return {When::PasswordIsSet, MessageType::MsgPassword, {}}; }
};

struct ControlDescription {
    // Per-user settings application of the control ("Korvel ActiveX SysLog Client", ...);
    // also the title of its version-conflict box.
    std::string SettingsApplication;
    // Sent after MsgTextTable and MsgServerSettings, in this order.
    std::vector<StartupRequest> OwnStartupRequests;
    // The optional automation properties the control offers (besides ServerAddress and
    // ServerPort); the control declares them as Qt properties.
    bool OffersArea = false;
    bool OffersPassword = false;
};

} // namespace korvel::shell
