#pragma once
// A stand-in for the server on a loopback socket, for tests that need no more of it than
// a few of its messages: it takes the control's connection and sends message 106 with
// the sections a test gives, or a receiver list (230) of the records a test makes; what
// the control sends it is never read. The control handles each message on its own
// receive path, as it would from the real server.

#include "core/clientstate.h"
#include "core/codec.h"
#include "core/frames.h"
#include "core/records/profile.h"
#include "core/records/receiver.h"
#include "core/settingsstore.h"
#include "shell/component.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvel::profiles::testparts {

class SettingsPeer {
public:
    using Items = std::vector<std::pair<std::string, std::string>>;

    SettingsPeer() { m_Server.listen(QHostAddress::LocalHost); }

    // Points the control at the peer (once) and sends it the "General" section with these
    // items; true once the control has handled the message.
    bool SendGeneral(shell::Component& control, ClientState& state, const Items& items) {
        if (!m_Socket && !connect(control)) return false;
        Bytes body;
        AppendInteger(body, 1);
        AppendString(body, "General");
        std::string joined;
        for (const auto& [key, value] : items) {
            if (!joined.empty()) joined += '\0';
            joined += key + "=" + value;
        }
        AppendString(body, joined);
        // The message replaces the table: a count no message gives marks it as not yet come.
        state.SettingSections = {};
        state.SettingSections.Count = -1;
        const Bytes frame = BuildFrame(MessageType::MsgServerSettings, body);
        m_Socket->write(frame.data(), static_cast<qint64>(frame.size()));
        return waitFor([&] { return state.SettingSections.Count == 1; });
    }

    // Sends the state's profiles as the profile list (200), in their order; true once the
    // control has taken the list into the state (new records in place of the test's).
    // The control then fills its tree and shows the profile it finds at `lastSelected`
    // (the stored choice of the last session).
    bool SendProfiles(shell::Component& control, ClientState& state, const std::string& application,
                      const std::string& lastSelected) {
        if (!m_Socket && !connect(control)) return false;
        if (state.SettingsStore) state.SettingsStore->Save(application, "Parameters", "LastSelectedProfile", lastSelected);
        Bytes body;
        AppendLong(body, static_cast<int32_t>(state.Profiles.Count()));
        std::size_t count = 0;
        for (const auto& entry : state.Profiles) {
            if (!entry.item) continue;
            AppendLong(body, entry.item->m_DiskIdentity);
            AppendString(body, entry.item->GetName());
            entry.item->AppendNetworkBytes(body);
            ++count;
        }
        // An empty list leaves nothing to wait for in the state: the marker record stays
        // until the list replaces it.
        state.Profiles.Clear();
        state.Profiles.Add("K-32768", std::make_shared<cProfile>());
        const Bytes frame = BuildFrame(MessageType::MsgProfileList, body);
        m_Socket->write(frame.data(), static_cast<qint64>(frame.size()));
        return waitFor([&] { return state.Profiles.Count() == count && !state.Profiles.Contains("K-32768"); });
    }

    // Sends a receiver list (230) of these records, in this order; true once the control
    // has taken the list into the state (the test's own list is replaced by it).
    bool SendReceivers(shell::Component& control, ClientState& state,
                       const std::vector<std::shared_ptr<cReceiver>>& receivers) {
        if (!m_Socket && !connect(control)) return false;
        Bytes body;
        AppendLong(body, static_cast<int32_t>(receivers.size()));
        for (const auto& r : receivers) {
            AppendLong(body, r->m_DiskIdentity);
            AppendString(body, r->m_ReceiverName);
            r->AppendNetworkBytes(body);
        }
        state.Receivers.Clear();
        const Bytes frame = BuildFrame(MessageType::MsgReceiverList, body);
        m_Socket->write(frame.data(), static_cast<qint64>(frame.size()));
        return waitFor([&] { return state.Receivers.Count() == receivers.size(); });
    }

private:
    bool connect(shell::Component& control) {
        control.setProperty("ServerPort", static_cast<int>(m_Server.serverPort()));
        control.setProperty("ServerAddress", "127.0.0.1");
        return waitFor([&] {
            if (!m_Socket && m_Server.hasPendingConnections()) m_Socket = m_Server.nextPendingConnection();
            return m_Socket && control.IsConnected();
        });
    }
    static bool waitFor(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 10000) return false;
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    QTcpServer m_Server;
    QTcpSocket* m_Socket = nullptr; // owned by m_Server
};

} // namespace korvel::profiles::testparts
