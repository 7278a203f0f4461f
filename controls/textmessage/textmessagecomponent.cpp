#include "controls/textmessage/textmessagecomponent.h"

#include "controls/textmessage/statusbar.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/procedures.h"
#include "core/records/receiver.h"
#include "core/serversettings.h"
#include "core/socket.h"
#include "platform/lastresort.h"
#include "platform/listview.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QResizeEvent>

#include <algorithm>
#include <optional>
#include <vector>

namespace korvel::textmessage {
namespace {

using platform::PixelsToTwips;
using platform::TwipsToPixels;

constexpr char kListSeparator = '\xFF';

// "0x" & the last 4 of ("0000" & the identity in upper-case hexadecimal).
QString ShortHex(int32_t identity) {
    const QString hex = QStringLiteral("0000") + QString::number(static_cast<uint32_t>(identity), 16).toUpper();
    return hex.right(4);
}

} // namespace

shell::ControlDescription Component::MakeDescription() {
    shell::ControlDescription d;
    d.SettingsApplication = kSettingsApplication;
    // The password is this control's own: it goes out after these (sendPassword).
    d.OwnStartupRequests = {
        shell::StartupRequest::Area(),
        shell::StartupRequest::Plain(MessageType::MsgReceiverTypeList),
        shell::StartupRequest::Plain(MessageType::MsgReceiverList),
    };
    d.OffersArea = true;
    d.OffersPassword = true;
    return d;
}

Component::Component(ClientState& state, QWidget* parent)
    : shell::Component(state, MakeDescription(), parent),
      m_Frame(new QGroupBox(this)),
      m_List(new platform::ListView(m_Frame)),
      m_Text(new QPlainTextEdit(this)),
      m_StatusBar(new StatusBar(3, this)) {
    m_Frame->setObjectName(QStringLiteral("Frame"));
    m_List->setObjectName(QStringLiteral("ListView_Receivers"));
    m_Text->setObjectName(QStringLiteral("Text_FreeText"));
    m_StatusBar->setObjectName(QStringLiteral("StatusBar"));

    m_List->SetCheckBoxes(true);
    m_List->setHeaderHidden(true);
    // The one column is as wide as the list.
    m_List->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_List->SetSortKey(0);
    m_Text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_Text->setTabChangesFocus(true);
    m_StatusBar->SetButtonPanel(kSendPanel);
    m_StatusBar->SetPanelBevel(kSendPanel, StatusBar::Raised);
    m_StatusBar->SetSpringPanel(kInfoPanel);
    // The server's status panel keeps the usual panel width while it has no text yet.
    m_StatusBar->SetPanelMinimumWidth(kServerPanel, 1440);
    m_StatusBar->SetPanelEnabled(kSendPanel, false);

    connect(m_List, &platform::ListView::ItemClick, this,
            platform::Guarded("ListView_Receivers_ItemClick", this, &Component::ListView_Receivers_ItemClick));
    connect(m_List, &platform::ListView::ItemCheck, this,
            platform::Guarded("ListView_Receivers_ItemClick", this, &Component::ListView_Receivers_ItemClick));
    connect(m_Text, &QPlainTextEdit::textChanged, this,
            platform::Guarded("CheckTextLength", this, &Component::CheckTextLength));
    connect(m_StatusBar, &StatusBar::PanelClick, this,
            platform::Guarded("StatusBar_PanelClick", this, &Component::StatusBar_PanelClick));
    // After the shell's start-up requests, which this control's password follows.
    connect(&Winsock_ActiveXClient(), &platform::SocketControl::Connected, this,
            platform::Guarded("sendPassword", this, &Component::sendPassword));

    Initialise();
    m_List->AddColumn(QString(), 0);
    m_List->SetSorted(true);
    CheckTextLength();
    layoutChildren();
}

Component::~Component() = default;

void Component::bindOwnSocket() { State().ServerSocket = &Winsock_ActiveXClient(); }

// --- Properties ------------------------------------------------------------------------

void Component::SetPassword(const QString& password) {
    const Bytes value = platform::FromQString(password);
    if (value == m_Password) return;
    m_Password = value;
    Bytes body;
    try {
        AppendString(body, value);
    } catch (const KorvelError&) {
        return; // too long to carry
    }
    bindOwnSocket();
    Send(MessageType::MsgPassword, body);
}

void Component::sendPassword() {
    if (m_Password.empty() || !IsConnected()) return;
    try {
        Bytes body;
        AppendString(body, m_Password);
        bindOwnSocket();
        Send(MessageType::MsgPassword, body);
    } catch (const KorvelError&) {
    }
}

// --- Texts and settings ------------------------------------------------------------------

void Component::ApplyCaptions() {
    const Bytes& area = State().Area;
    m_StatusBar->SetPanelText(kSendPanel, Text(kTextSend).remove(QLatin1Char('&')));
    QString caption = Text(kTextFrame);
    if (!area.empty()) caption += QStringLiteral(" (") + platform::ToQString(area) + QLatin1Char(')');
    m_Frame->setTitle(caption);
    layoutChildren(); // the caption's room in the frame may have changed
}

void Component::OnSettingsMessage() {
    m_StoredByServer = GetServerSetting(State(), "ActiveX", "StoreActiveXMessagesByServer", "1") != "0";
    Send(MessageType::MsgLastMessageReceivers, {});
    Send(MessageType::MsgLastMessageText, {});
}

// --- Text ----------------------------------------------------------------------------------

Bytes Component::MessageText() const {
    QString text = m_Text->toPlainText();
    text.replace(QChar('\n'), QStringLiteral("\r\n"));
    return platform::FromQString(text);
}

void Component::SetMessageText(std::string_view text) {
    QString shown = platform::ToQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar('\r'), QChar('\n'));
    m_Text->setPlainText(shown);
}

void Component::CheckTextLength() {
    const auto length = static_cast<long long>(MessageText().size());
    QString info;
    if (length > m_MaxTextLength) {
        info = Text(kTextTooLong) + ' ' + QString::number(m_MaxTextLength) + ' ' + Text(kTextCharacters) +
               QStringLiteral(" (") + QString::number(length) + ')';
    }
    m_StatusBar->SetPanelText(kInfoPanel, info);
    UpdateSendButton();
}

void Component::UpdateSendButton() {
    const auto length = static_cast<long long>(MessageText().size());
    const bool enabled = length > 0 && length <= m_MaxTextLength &&
                         (State().UserRights & RightSendTextMessages) != 0 && IsAnyReceiverChecked();
    m_StatusBar->SetPanelEnabled(kSendPanel, enabled);
}

// --- Receiver list -------------------------------------------------------------------------

bool Component::IsAnyReceiverChecked() const { return m_List->CheckedCount() > 0; }

Bytes Component::GetCheckedReceiversList() const {
    Bytes list;
    for (int i = 1, n = m_List->ListCount(); i <= n; ++i) {
        if (!m_List->Checked(i)) continue;
        list += platform::FromQString(m_List->Key(i).mid(1));
        list += kListSeparator;
    }
    return list;
}

void Component::CheckReceiversFromList(std::string_view list) {
    m_List->DeferLayout();
    for (const QString& key : m_List->CheckedKeys()) m_List->SetChecked(m_List->FindKey(key), false);
    // The fields one after the other in one pass, up to the first empty one (or the end,
    // beyond which every field reads as empty).
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find(kListSeparator, start), list.size());
        if (end == start) break;
        if (const int position = m_List->FindKey(QStringLiteral("K") + platform::ToQString(list.substr(start, end - start))))
            m_List->SetChecked(position, true);
        start = end + 1;
    }
}

void Component::UpdateMaxTextLength() {
    const ClientState& state = State();
    std::optional<int16_t> smallest;
    for (const QString& key : m_List->CheckedKeys()) {
        const auto receiver = state.Receivers.Find(platform::FromQString(key));
        if (!receiver) continue;
        const int row = receiver->m_ReceiverTypeIndex;
        if (row < 0 || row >= state.ReceiverTypes.SearchBound()) continue;
        const int16_t value = state.ReceiverTypes.Rows[static_cast<std::size_t>(row)].MaxTextLength;
        if (!smallest || value < *smallest) smallest = value;
    }
    m_MaxTextLength = smallest.value_or(kNoLimit);
}

int Component::ShowReceiverInList(const cReceiver& receiver) {
    const QString key = QString::fromStdString(RecordKey(receiver.m_DiskIdentity));
    const QString text = platform::ToQString(RemoveAreaFromName(State(), receiver.m_ReceiverName));
    if (const int position = m_List->FindKey(key)) {
        m_List->SetText(position, text);
        return position;
    }
    m_List->AddItem(key, text);
    return 0;
}

void Component::fillList() {
    const ClientState& state = State();
    m_List->hide();
    m_List->ClearItems();
    // The area's receivers in collection order, added in one step; sorted, they take
    // their places as a sort of those rows gives them. No row is ticked.
    std::vector<platform::ListView::NewRow> rows;
    rows.reserve(state.Receivers.Count());
    for (const auto& entry : state.Receivers) {
        const cReceiver& r = *entry.item;
        if (!IsNameInArea(state, r.m_ReceiverName)) continue;
        rows.push_back({QString::fromStdString(RecordKey(r.m_DiskIdentity)),
                        QStringList{platform::ToQString(RemoveAreaFromName(state, r.m_ReceiverName))}, 0});
    }
    m_List->SetSorted(true);
    m_List->AddItems(rows);
    m_List->show();
    UpdateMaxTextLength();
    UpdateSendButton();
}

void Component::showSavedReceiver(const cReceiver& receiver) {
    // A receiver renamed out of the area keeps its row as it was.
    if (!IsNameInArea(State(), receiver.m_ReceiverName)) return;
    // A new row goes to its place at once, a renamed one moves there; ticks stay on
    // their rows.
    int position = ShowReceiverInList(receiver);
    if (position) position = m_List->SortRow(position);
    // The receiver's type may have changed, and with it the limit, when its row is ticked;
    // an unticked or new row leaves the limit of the ticked ones as it was.
    if (position && m_List->Checked(position)) UpdateMaxTextLength();
    UpdateSendButton();
}

void Component::ListView_Receivers_ItemClick(int) {
    UpdateMaxTextLength();
    CheckTextLength();
}

// --- Sending -------------------------------------------------------------------------------

void Component::StatusBar_PanelClick(int panel) {
    if (panel != kSendPanel || !m_StatusBar->PanelEnabled(kSendPanel) || !IsAnyReceiverChecked()) return;
    // A message that cannot reach the server is not reported as sent.
    if (!IsConnected()) return;
    sendMessage();
}

void Component::sendMessage() {
    m_StatusBar->SetPanelBevel(kSendPanel, StatusBar::Raised);
    m_StatusBar->SetPanelBevel(kSendPanel, StatusBar::Inset);

    const Bytes text = MessageText();
    Bytes body;
    try {
        std::vector<int32_t> identities;
        for (int i = 1, n = m_List->ListCount(); i <= n; ++i) {
            if (!m_List->Checked(i)) continue;
            identities.push_back(static_cast<int32_t>(NumericValue(platform::FromQString(m_List->Key(i).mid(1)))));
        }
        AppendString(body, text);
        AppendInteger(body, static_cast<int32_t>(identities.size()));
        AppendLong(body, 0);
        for (int32_t identity : identities) AppendLong(body, identity);
        for (std::size_t i = 0; i < identities.size(); ++i) AppendString(body, "");
    } catch (const KorvelError&) {
        return; // cannot be carried: nothing sent, nothing reported as sent
    }
    bindOwnSocket();
    Send(MessageType::MsgTextMessage, body);

    m_StatusBar->SetPanelText(kInfoPanel, Text(kTextSent));
    if (!m_StoredByServer) {
        Remember(kLastMessageReceivers, GetCheckedReceiversList());
        Remember(kLastMessageText, text);
    }
    m_InfoCountdown = kInfoShownMs;
}

// --- Server messages -----------------------------------------------------------------------

void Component::HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords& touched) {
    const std::shared_ptr<cReceiver>& receiver = touched.Receiver;
    int32_t position = 0;
    switch (type) {
    case MessageType::MsgStatusText: m_StatusBar->SetPanelText(kServerPanel, platform::ToQString(GetStringFromNetworkBytes(body, position))); break;
    case MessageType::MsgTextMessage: {
        const int32_t identity = GetLongFromNetworkBytes(body, position);
        m_StatusBar->SetPanelText(kInfoPanel, Text(kTextSent) + QStringLiteral(" (id: 0x") + ShortHex(identity) + ')');
        break;
    }
    case MessageType::MsgLastMessageReceivers: {
        const Bytes list = m_StoredByServer ? GetStringFromNetworkBytes(body, position)
                                            : StoredSetting(kLastMessageReceivers, "");
        CheckReceiversFromList(list);
        UpdateMaxTextLength();
        UpdateSendButton();
        break;
    }
    case MessageType::MsgLastMessageText: {
        const Bytes text = m_StoredByServer ? GetStringFromNetworkBytes(body, position)
                                            : StoredSetting(kLastMessageText, "");
        SetMessageText(text);
        UpdateMaxTextLength();
        UpdateSendButton();
        break;
    }
    case MessageType::MsgReceiverList: fillList(); break;
    case MessageType::MsgReceiverSave:
        if (receiver) showSavedReceiver(*receiver);
        break;
    case MessageType::MsgReceiverDelete:
        if (receiver) {
            if (const int removedRow = m_List->FindKey(QString::fromStdString(RecordKey(receiver->m_DiskIdentity)))) {
                // A ticked row that goes may have set the limit.
                const bool ticked = m_List->Checked(removedRow);
                m_List->RemoveItem(removedRow);
                if (ticked) UpdateMaxTextLength();
            }
            UpdateSendButton();
        }
        break;
    default: break;
    }
}

// --- Timer, status, layout -----------------------------------------------------------------

void Component::OnTimerExtra() {
    if (m_StatusBar->PanelBevel(kSendPanel) == StatusBar::Inset) m_StatusBar->SetPanelBevel(kSendPanel, StatusBar::Raised);
    if (m_InfoCountdown > 0) {
        m_InfoCountdown -= kConnectIntervalMs;
        if (m_InfoCountdown < 1) {
            m_StatusBar->SetPanelText(kInfoPanel, QString());
            m_InfoCountdown = 0;
        }
    }
}

void Component::OnShowConnectionState() {
    const bool connected = IsConnected();
    m_Frame->setVisible(connected);
    m_Text->setVisible(connected);
    m_StatusBar->setVisible(connected);
}

void Component::resizeEvent(QResizeEvent* event) {
    shell::Component::resizeEvent(event);
    platform::RunGuarded("UserControl_Resize", [&] { layoutChildren(); });
    Label_Disconnected().Centre();
}

// Lengths in twips as the control's layout is given; a step whose size would come out
// negative leaves that widget as it was.
void Component::layoutChildren() {
    const int innerWidth = PixelsToTwips(width());
    const int innerHeight = PixelsToTwips(height());
    const int barHeight = PixelsToTwips(m_StatusBar->height());
    m_StatusBar->setGeometry(0, height() - m_StatusBar->height(), width(), m_StatusBar->height());

    const int frameTop = 100, frameLeft = 100;
    const int frameWidth = innerWidth - 200;
    const int frameHeight = innerHeight > 4000 ? innerHeight - 2500 : 1200;
    if (frameWidth >= 0)
        m_Frame->setGeometry(TwipsToPixels(frameLeft), TwipsToPixels(frameTop), TwipsToPixels(frameWidth),
                             TwipsToPixels(frameHeight));

    const int textHeight = innerHeight - frameHeight - frameTop - barHeight - 200;
    if (frameWidth >= 0 && textHeight >= 0)
        m_Text->setGeometry(TwipsToPixels(frameLeft), TwipsToPixels(frameTop + frameHeight + 100),
                            TwipsToPixels(frameWidth), TwipsToPixels(textHeight));

    // The list lies in the frame: left = frame left + 50 and top = frame top + 200 in the
    // control, so 50 and 200 from the frame's own corner. Where the frame's caption needs
    // more room than those 200 twips (it sits above the frame's line here, not on it), the
    // list starts below the caption, its bottom edge where the layout puts it.
    const int listWidth = frameWidth - frameLeft - 100;
    const int listHeight = frameHeight - frameTop - 300;
    if (listWidth >= 0 && listHeight >= 0) {
        const int top = TwipsToPixels(200);
        const int bottom = top + TwipsToPixels(listHeight);
        const int shownTop = std::min(std::max(top, m_Frame->contentsRect().top()), bottom);
        m_List->setGeometry(TwipsToPixels(50), shownTop, TwipsToPixels(listWidth), bottom - shownTop);
        m_List->SetColumnWidth(1, listWidth);
    }
}

} // namespace korvel::textmessage
