#include "controls/events/eventscomponent.h"

#include "controls/events/dateparsers.h"
#include "controls/events/eventmessages.h"
#include "controls/events/eventtree.h"
#include "core/codec.h"
#include "core/numeric.h"
#include "core/serversettings.h"
#include "core/socket.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"

#include <QResizeEvent>

namespace korvel::events {

shell::ControlDescription Component::MakeDescription() {
    shell::ControlDescription d;
    d.SettingsApplication = "Korvel ActiveX Event Client";
    d.OwnStartupRequests = {
        shell::StartupRequest::Plain(MessageType::MsgAlarmEventSubscribe, IntegerToNetworkBytes(-1)),
        shell::StartupRequest::Plain(MessageType::MsgSystemList),
        shell::StartupRequest::Plain(MessageType::MsgAlarmEventList),
    };
    return d;
}

Component::Component(ClientState& state, QWidget* parent)
    : shell::Component(state, MakeDescription(), parent), m_Tree(new EventTree(this)) {
    m_Tree->setGeometry(rect());
    m_Tree->SetOpenDetails([this](const Bytes& record) { OpenAlarmDetails(record); });
    Initialise();
}

void Component::OnInitialise() { m_Tree->hide(); }

void Component::resizeEvent(QResizeEvent* event) {
    shell::Component::resizeEvent(event);
    m_Tree->setGeometry(0, 0, width(), height());
    Label_Disconnected().Centre();
}

void Component::OnSettingsMessage() {
    // Not a number counts as 0.
    m_SortDescending = NumericValue(GetServerSetting(State(), "General", "SortDescending", "0")) != 0;
    m_DateFormat = GetServerSetting(State(), "General", "DateFormat", "");
    m_TimeFormat = GetServerSetting(State(), "General", "TimeFormat", "");
    m_Tree->SetSortDescending(m_SortDescending);
}

void Component::HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords&) {
    switch (type) {
    case MessageType::MsgAlarmEventList: {
        const AlarmList list(body); // checked whole before the tree changes
        m_Tree->BeginBatch();
        m_Tree->LoadList(list);
        break;
    }
    case MessageType::MsgAlarmEventUpdate:
        if (auto update = ParseAlarmUpdate(body)) {
            m_Tree->BeginBatch();
            m_Tree->Apply(*update);
        }
        break;
    default:
        break;
    }
}

// The newest node of the read is scrolled into view once, after all its messages.
void Component::OnReadHandled() { m_Tree->EndBatch(); }

void Component::OnTimerExtra() {
    const bool connected = Winsock_ActiveXClient().State() == SocketConnected;
    if (!connected && m_WasConnected) {
        ShowConnectionState();
        m_Tree->hide();
    }
    if (connected) m_WasConnected = true;
}

AlarmInfoSources Component::DetailsSources() const {
    AlarmInfoSources sources;
    ClientState& state = State();
    sources.text = [&state](int32_t number) { return GetText(state, number); };
    sources.systemNames = state.SystemNames;
    sources.settings = state.SettingsStore;
    sources.dateFormat = m_DateFormat;
    sources.timeFormat = m_TimeFormat;
    sources.now = CurrentLocalDateTime();
    return sources;
}

void Component::OpenAlarmDetails(const Bytes& record) {
    // No owner window: the details stand on their own, above everything.
    AlarmInfoWindow window(DetailsSources());
    window.Fill(record);
    window.ShowModal();
}

} // namespace korvel::events
