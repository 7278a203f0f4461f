#include "controls/syslog/syslogcomponent.h"

#include "core/codec.h"
#include "core/socket.h"
#include "platform/listbox.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"

#include <QResizeEvent>

#include <algorithm>

namespace korvel::syslog {

shell::ControlDescription Component::MakeDescription() {
    shell::ControlDescription d;
    d.SettingsApplication = "Korvel ActiveX SysLog Client";
    d.OwnStartupRequests = {
        shell::StartupRequest::Plain(MessageType::MsgSysLogSubscribe, IntegerToNetworkBytes(-1)),
        shell::StartupRequest::Plain(MessageType::MsgSysLogList), // the log so far
    };
    return d;
}

Component::Component(ClientState& state, QWidget* parent)
    : shell::Component(state, MakeDescription(), parent), m_List(new platform::ListBox(this)) {
    m_List->setObjectName(QStringLiteral("List_SysLog"));
    m_List->setGeometry(rect());
    Initialise();
}

void Component::OnInitialise() { m_List->hide(); }

void Component::resizeEvent(QResizeEvent* event) {
    shell::Component::resizeEvent(event);
    m_List->setGeometry(0, 0, width(), height());
    Label_Disconnected().Centre();
}

void Component::HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords&) {
    switch (type) {
    case MessageType::MsgSysLogList: handleLog(body); break;
    case MessageType::MsgSysLogLine: handleLogLine(body); break;
    default: break;
    }
}

void Component::handleLog(std::string_view body) {
    // Read the whole message before touching the list, so a message cut short leaves
    // the list as it was. The line count is 32-bit; zero or negative means no lines.
    int32_t position = 0;
    const int32_t count = GetLongFromNetworkBytes(body, position);
    // Adding the lines one by one to an emptied list would skip the leading empty lines
    // and then keep the last 501: keep exactly those while reading (as places in the
    // body, which outlives the reading).
    std::vector<std::string_view> kept(static_cast<std::size_t>(kMaxLines));
    std::size_t next = 0, keptCount = 0;
    for (int32_t i = 0; i < count; ++i) {
        const std::string_view line = GetStringViewFromNetworkBytes(body, position);
        if (keptCount == 0 && line.empty()) continue;
        kept[next] = line;
        next = (next + 1) % kept.size();
        keptCount = std::min(keptCount + 1, kept.size());
    }
    m_PendingLines.Clear(); // new lines before it in this batch would be dropped by it anyway
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(keptCount));
    for (std::size_t i = 0; i < keptCount; ++i)
        lines.push_back(platform::ToQString(kept[(next + kept.size() - keptCount + i) % kept.size()]));

    m_List->hide();
    m_List->setUpdatesEnabled(false);
    m_List->Clear();
    m_List->AddItems(lines);
    m_List->SetListIndex(m_List->ListCount() - 1);
    m_List->setUpdatesEnabled(true);
    m_List->show();
}

// Adding a log line: an empty line into an empty list is skipped, the oldest line goes
// when the list holds 501, the new line is selected (which scrolls it into view). The
// lines of one batch go into the list together once its frames are handled, and the list
// ends as adding them one by one would leave it, with one removal, one insertion and one
// scroll per batch instead of per line.
void Component::handleLogLine(std::string_view body) {
    int32_t position = 0;
    const std::string_view line = GetStringViewFromNetworkBytes(body, position);
    if (line.empty() && m_PendingLines.Empty() && m_List->ListCount() == 0) return;
    m_PendingLines.Push(line);
}

void Component::NewestLines::Push(std::string_view line) {
    if (m_Count < m_Slots.size()) {
        m_Slots[(m_First + m_Count) % m_Slots.size()].assign(line);
        ++m_Count;
    } else if (m_Slots.size() < static_cast<std::size_t>(kMaxLines)) {
        m_Slots.emplace_back(line); // still filling: nothing was dropped, m_First is 0
        ++m_Count;
    } else {
        m_Slots[m_First].assign(line); // the oldest goes
        m_First = (m_First + 1) % m_Slots.size();
    }
}

void Component::OnReadHandled() { addPendingLines(); }

void Component::addPendingLines() {
    if (m_PendingLines.Empty()) return;
    const int count = m_List->ListCount();
    const int adding = static_cast<int>(m_PendingLines.Size());
    const int removing = std::clamp(count + adding - kMaxLines, 0, count);
    QStringList lines;
    lines.reserve(adding);
    for (std::size_t i = 0; i < m_PendingLines.Size(); ++i) lines.push_back(platform::ToQString(m_PendingLines.At(i)));
    m_PendingLines.Clear();
    m_List->RemoveItems(0, removing);
    m_List->AddItems(lines);
    m_List->SetListIndex(m_List->ListCount() - 1);
}

void Component::OnTimerExtra() {
    const bool connected = Winsock_ActiveXClient().State() == SocketConnected;
    if (!connected && m_WasConnected) {
        ShowConnectionState();
        m_List->hide();
    }
    if (connected) m_WasConnected = true;
}

} // namespace korvel::syslog
