#pragma once
// A control made of the shell alone, with the optional properties and a start-up table
// like the editors': [MsgArea], MsgSystemList, 99 with an Int16 -1, [MsgPassword]. Its own
// types are 96..99, numbers the protocol's list does not hold. It records what the shell
// hands it (of its own types, only 96..99 are recorded) and, at every OnReadHandled, how
// many of those it had by then. Type 98 reads an Int32 from its body (so a short 98 is a
// malformed message); a 96 whose body is "fault" fails as a fault of the program would
// (std::out_of_range).

#include "shell/component.h"

#include <QString>

#ifndef Q_MOC_RUN
#include "core/codec.h"
#include "core/errors.h"
#endif

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace korvel::testing {

// The fake control's own start-up request.
inline constexpr MessageType kFakeOwnRequest = static_cast<MessageType>(99);

class FakeControl final : public shell::Component {
    Q_OBJECT
    Q_PROPERTY(QString Area READ Area WRITE SetArea)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)

public:
    static shell::ControlDescription Describe() {
        shell::ControlDescription d;
        d.SettingsApplication = "Korvel Test Client";
        d.OwnStartupRequests = {shell::StartupRequest::Area(), shell::StartupRequest::Plain(MessageType::MsgSystemList),
                                shell::StartupRequest::Plain(kFakeOwnRequest, IntegerToNetworkBytes(-1)),
                                shell::StartupRequest::Password()};
        d.OffersArea = true;
        d.OffersPassword = true;
        return d;
    }

    explicit FakeControl(ClientState& state, QWidget* parent = nullptr) : Component(state, Describe(), parent) {
        Initialise();
    }

    using Component::Remember;
    using Component::StoredSetting;

    std::vector<std::pair<int, std::string>> Own; // (type, body) handed to the control
    int Captions = 0;
    int SettingsCalls = 0;
    int TimerExtras = 0;
    int Initialised = 0;
    // Per OnReadHandled: the size of Own then.
    std::vector<std::size_t> ReadsHandled;
    // Each recorded frame takes at least this long to handle, so that a burst outlasts
    // a slice of the receive loop.
    int BusyMicros = 0;

protected:
    void OnInitialise() override { ++Initialised; }
    void ApplyCaptions() override { ++Captions; }
    void OnSettingsMessage() override { ++SettingsCalls; }
    void OnTimerExtra() override { ++TimerExtras; }
    void HandleOwnMessage(MessageType message, std::string_view body, const TouchedRecords&) override {
        const int type = Number(message);
        if (type == 98) {
            int32_t position = 0;
            GetLongFromNetworkBytes(body, position);
        }
        if (type == 96 && body == "fault") (void)std::string_view().at(1);
        if (type < 96 || type > 99) return;
        Own.emplace_back(type, std::string(body));
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(BusyMicros);
        while (BusyMicros > 0 && std::chrono::steady_clock::now() < until) {
        }
    }
    void OnReadHandled() override { ReadsHandled.push_back(Own.size()); }
};

} // namespace korvel::testing
