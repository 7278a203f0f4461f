#include "controls/receivers/receiverscomponent.h"

#include "controls/receivers/parameterswindow.h"
#include "controls/receivers/receiversicons.h"
#include "controls/receivers/receiverssettings.h"
#include "core/codec.h"
#include "core/decoder.h"
#include "core/numeric.h"
#include "core/procedures.h"
#include "core/serversettings.h"
#include "core/socket.h"
#include "platform/dialogservice.h"
#include "platform/lastresort.h"
#include "platform/listview.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QResizeEvent>

#include <string>
#include <vector>

namespace korvel::receivers {
namespace {

using platform::PixelsToTwips;
using platform::TwipsToPixels;

constexpr int kColumnWidth = 1440;
constexpr int kMinColumnWidth = 100;
constexpr int kProvisionalColumns = 6;
// Below this x (twips) a double-click toggles when the Ctrl key is not required.
constexpr int kToggleZone = 250;

// Design positions (twips).
constexpr int kFrameLeft = 120;
constexpr int kFrameTop = 120;
constexpr int kListLeft = 120;
constexpr int kListTop = 300;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kButtonGap = 120;

int IconOf(const cReceiver& r) { return r.m_Enabled ? kIconEnabled : kIconDisabled; }

} // namespace

shell::ControlDescription Component::MakeDescription() {
    shell::ControlDescription d;
    d.SettingsApplication = kSettingsApplication;
    d.OwnStartupRequests = {
        shell::StartupRequest::Area(),
        shell::StartupRequest::Plain(MessageType::MsgReceiverTypeList),
        shell::StartupRequest::Plain(MessageType::MsgReceiverList),
        shell::StartupRequest::Password(),
    };
    d.OffersArea = true;
    d.OffersPassword = true;
    return d;
}

Component::Component(ClientState& state, QWidget* parent)
    : shell::Component(state, MakeDescription(), parent),
      m_Frame(new QGroupBox(QStringLiteral("R&eceivers"), this)),
      m_List(new platform::ListView(m_Frame)),
      m_Add(new QPushButton(QStringLiteral("Add"), m_Frame)),
      m_Copy(new QPushButton(QStringLiteral("Copy"), m_Frame)),
      m_Remove(new QPushButton(QStringLiteral("Remove"), m_Frame)) {
    m_Frame->setObjectName(QStringLiteral("Frame"));
    m_List->setObjectName(QStringLiteral("ListView_Receivers"));
    m_Add->setObjectName(QStringLiteral("Command_AddReceiver"));
    m_Copy->setObjectName(QStringLiteral("Command_CopyReceiver"));
    m_Remove->setObjectName(QStringLiteral("Command_RemoveReceiver"));
    m_Frame->hide();
    m_Frame->setGeometry(TwipsToPixels(kFrameLeft), TwipsToPixels(kFrameTop), TwipsToPixels(6000),
                         TwipsToPixels(4000));
    m_List->move(TwipsToPixels(kListLeft), TwipsToPixels(kListTop));
    int left = kListLeft;
    for (QPushButton* b : {m_Add, m_Copy, m_Remove}) {
        b->setGeometry(TwipsToPixels(left), 0, TwipsToPixels(kButtonWidth), TwipsToPixels(kButtonHeight));
        left += kButtonWidth + kButtonGap;
    }
    setFocusPolicy(Qt::StrongFocus);

    connect(m_List, &platform::ListView::ItemClick, this,
            platform::Guarded("ListView_Receivers_ItemClick", this, &Component::ListView_Receivers_ItemClick));
    connect(m_List, &platform::ListView::ColumnClick, this,
            platform::Guarded("ListView_Receivers_ColumnClick", this, &Component::ListView_Receivers_ColumnClick));
    connect(m_List, &platform::ListView::MouseDown, this,
            platform::Guarded("ListView_Receivers_MouseDown", this, &Component::ListView_Receivers_MouseDown));
    connect(m_List, &platform::ListView::MouseMove, this,
            platform::Guarded("ListView_Receivers_MouseMove", this, &Component::ListView_Receivers_MouseMove));
    connect(m_List, &platform::ListView::DblClick, this,
            platform::Guarded("ListView_Receivers_DblClick", this, &Component::ListView_Receivers_DblClick));
    connect(m_List, &platform::ListView::KeyPress, this,
            platform::Guarded("ListView_Receivers_KeyPress", this, &Component::ListView_Receivers_KeyPress));
    connect(m_Add, &QPushButton::clicked, this,
            platform::Guarded("Command_AddReceiver_Click", this, &Component::Command_AddReceiver_Click));
    connect(m_Copy, &QPushButton::clicked, this,
            platform::Guarded("Command_CopyReceiver_Click", this, &Component::Command_CopyReceiver_Click));
    connect(m_Remove, &QPushButton::clicked, this,
            platform::Guarded("Command_RemoveReceiver_Click", this, &Component::Command_RemoveReceiver_Click));
    // After the shell's own handler has sent the start-up requests.
    connect(&Winsock_ActiveXClient(), &platform::SocketControl::Connected, this,
            platform::Guarded("onConnected", this, &Component::onConnected));

    Initialise();
}

Component::~Component() {
    platform::RunGuarded("UserControl_Terminate", [&] { Winsock_ActiveXClient().Close(); });
    platform::RunGuarded("UserControl_Terminate", [&] { SaveListState(); });
}

void Component::OnInitialise() {
    m_List->SetColumnHeaderIcons(&SortingIcons());
    m_List->SetSmallIcons(&CheckBoxIcons());
    m_List->SetSorted(true);
    ApplyUserRights();
    layout();
}

bool Component::mayEditReceivers() const { return (State().UserRights & RightEditReceivers) != 0; }

// --- Captions, settings and rights ---------------------------------------------------------

void Component::setFrameCaption() {
    const Bytes& area = State().Area;
    QString caption = Text(511);
    if (!area.empty()) caption += QStringLiteral(" (") + platform::ToQString(area) + QLatin1Char(')');
    m_Frame->setTitle(caption);
}

void Component::onConnected() {
    platform::RunGuarded("Winsock_ActiveXClient_Connect", [&] {
        if (!State().Area.empty()) setFrameCaption();
    });
}

void Component::ApplyCaptions() {
    setFrameCaption();
    m_Add->setText(Text(576));
    m_Remove->setText(Text(577));
    m_Copy->setText(Text(578));
    for (int i = 1; i <= m_List->ColumnCount(); ++i) {
        QString header;
        if (i == 1)
            header = Text(515);
        else if (i == 2)
            header = Text(516);
        else if (i <= kProvisionalColumns)
            header = Text(517) + QStringLiteral(" #") + QString::number(i - 2);
        else
            header = Text(527);
        m_List->SetColumnHeader(i, header);
        const std::string key = kReceiverListColWidth + std::to_string(i);
        const std::optional<int32_t> width =
            NumericValueAsInt32(StoredSetting(key.c_str(), std::to_string(m_List->ColumnWidth(i))));
        m_List->SetColumnWidth(i, width && *width >= kMinColumnWidth ? *width : kMinColumnWidth);
    }
}

void Component::OnSettingsMessage() {
    ClientState& state = State();
    m_List->hide();
    m_List->ClearColumns();
    for (const char* header : {"Name", "Type", "Setting #1", "Setting #2", "Setting #3", "Setting #4"})
        m_List->AddColumn(QString::fromLatin1(header), kColumnWidth);
    m_AllowBackupReceiver = NumericValue(GetServerSetting(state, "General", "AllowBackupReceiver", "0")) != 0;
    m_RunAsCollectionClient = NumericValue(GetServerSetting(state, "General", "RunAsCollectionClient", "0")) != 0;
    if (m_AllowBackupReceiver) m_List->AddColumn(QStringLiteral("Backupreceiver"), kColumnWidth);
    m_ListPrepared = true;

    // The remembered sort (none without a store); a value that cannot be applied leaves
    // the default sort.
    if (state.SettingsStore) {
        const std::optional<int32_t> key = NumericValueAsInt32(StoredSetting(kLastReceiverSortKey, "0"));
        const std::optional<int32_t> order = NumericValueAsInt32(StoredSetting(kLastReceiverSortOrder, "0"));
        if (key && m_List->SetSortKey(*key) && order && m_List->SetSortOrder(*order)) {
            m_List->SetColumnIcon(*key + 1, *order != 0 ? kIconDescending : kIconAscending);
        }
    }
    // The shell applies the texts (forced) next; they replace the provisional headers.
    m_List->show();
}

void Component::ApplyUserRights() {
    const bool may = mayEditReceivers();
    m_Add->setEnabled(may);
    m_Remove->setEnabled(may && m_CurrentReceiver != nullptr);
    m_Copy->setEnabled(may && m_CurrentReceiver != nullptr);
}

void Component::OnShowConnectionState() { m_Frame->setVisible(IsConnected()); }

// --- Messages ------------------------------------------------------------------------------

void Component::HandleOwnMessage(MessageType type, std::string_view, const TouchedRecords& touched) {
    switch (type) {
    case MessageType::MsgUserRights: ApplyUserRights(); break;
    case MessageType::MsgReceiverEnableOrDisable: onReceiverEnabled(touched.Receiver); break;
    case MessageType::MsgReceiverList:
        FillReceiverList();
        m_CurrentReceiver = nullptr;
        m_Remove->setEnabled(false);
        m_Copy->setEnabled(false);
        SelectLastReceiver();
        break;
    case MessageType::MsgReceiverSave: onReceiverSaved(touched.Receiver); break;
    case MessageType::MsgReceiverDelete: onReceiverDeleted(touched.Receiver); break;
    default: break;
    }
}

void Component::onReceiverSaved(const std::shared_ptr<cReceiver>& receiver) {
    if (!receiver || !IsNameInArea(State(), receiver->m_ReceiverName)) return;
    // A new row goes to its place at once; a refreshed one moves to the place a sort of
    // the list gives it (the other rows are in order), keeping the selection.
    if (const int position = ShowReceiverInList(*receiver); position != 0) m_List->SortRow(position);
}

void Component::onReceiverDeleted(const std::shared_ptr<cReceiver>& receiver) {
    if (!receiver) return;
    const int position = m_List->FindKey(platform::ToQString(RecordKey(receiver->m_DiskIdentity)));
    if (position == 0) return;
    const bool wasCurrent = m_CurrentReceiver && m_CurrentReceiver == receiver;
    m_List->RemoveItem(position);
    if (!wasCurrent) return;
    m_Remove->setEnabled(false);
    m_Copy->setEnabled(false);
    m_CurrentReceiver = nullptr;
    if (m_List->ListCount() > 0) ListView_Receivers_ItemClick(position <= m_List->ListCount() ? position : 1);
}

void Component::onReceiverEnabled(const std::shared_ptr<cReceiver>& receiver) {
    if (!receiver) return;
    const int position = m_List->FindKey(platform::ToQString(RecordKey(receiver->m_DiskIdentity)));
    if (position == 0) return;
    // The icon changes in place; the selection stays where it is.
    m_List->SetSmallIcon(position, IconOf(*receiver));
}

// --- The list ------------------------------------------------------------------------------

void Component::FillReceiverList() {
    const ClientState& state = State();
    const QString remembered = m_List->Text(m_List->SelectedPosition());
    m_List->setUpdatesEnabled(false);
    m_List->ClearItems();
    // The rows of the area's receivers in collection order, added in one step; with
    // sorting on they then take the order of the sort key and order.
    std::vector<platform::ListView::NewRow> rows;
    rows.reserve(state.Receivers.Count());
    for (const auto& entry : state.Receivers) {
        const cReceiver& r = *entry.item;
        if (!IsNameInArea(state, r.m_ReceiverName)) continue;
        rows.push_back({platform::ToQString(RecordKey(r.m_DiskIdentity)), rowTexts(r), IconOf(r)});
    }
    m_List->SetSorted(true);
    m_List->AddItems(rows);
    if (!remembered.isEmpty()) {
        if (const int position = m_List->FindText(remembered)) m_List->SetSelected(position, true);
    }
    m_List->setUpdatesEnabled(true);
}

QStringList Component::rowTexts(const cReceiver& receiver) const {
    const ClientState& state = State();
    QStringList texts;
    texts.reserve(3 + kReceiverSettingCount);
    texts << platform::ToQString(RemoveAreaFromName(state, receiver.m_ReceiverName))
          << platform::ToQString(receiver.m_ReceiverTypeName);
    for (int i = 0; i < kReceiverSettingCount; ++i) texts << platform::ToQString(receiver.GetSetting(i).ToText());
    if (m_AllowBackupReceiver) {
        const Bytes& backup = receiver.m_BackupReceiver;
        texts << platform::ToQString(IsNameInArea(state, backup) ? RemoveAreaFromName(state, backup) : backup);
    }
    return texts;
}

int Component::ShowReceiverInList(const cReceiver& receiver) {
    const QString key = platform::ToQString(RecordKey(receiver.m_DiskIdentity));
    const QStringList texts = rowTexts(receiver);
    const int position = m_List->FindKey(key);
    if (position == 0) {
        m_List->AddItem(key, texts, IconOf(receiver));
        return 0;
    }
    // A receiver renamed at the server shows its new name.
    for (int column = 1; column <= texts.size(); ++column) m_List->SetSubItem(position, column, texts[column - 1]);
    m_List->SetSmallIcon(position, IconOf(receiver));
    return position;
}

void Component::SelectLastReceiver() {
    const ClientState& state = State();
    const std::string stored = StoredSetting(kLastSelectedReceiver, "");
    if (stored.empty()) {
        if (m_List->ListCount() > 0) ListView_Receivers_ItemClick(1);
        return;
    }
    // A click remembers the full stored name, termination the row's text (the name
    // without the area): either finds the row.
    int position = m_List->FindText(platform::ToQString(stored));
    if (position == 0 && IsNameInArea(state, stored))
        position = m_List->FindText(platform::ToQString(RemoveAreaFromName(state, stored)));
    if (position != 0) ListView_Receivers_ItemClick(position);
}

void Component::ListView_Receivers_ItemClick(int position) {
    ClientState& state = State();
    std::shared_ptr<cReceiver> receiver = state.Receivers.Find(platform::FromQString(m_List->Key(position)));
    if (!receiver) return;
    m_CurrentReceiver = receiver;
    m_List->SetSelected(position, true);
    m_List->EnsureVisible(position);
    // A row click offers Remove and Copy whatever the user rights (message 102 takes
    // them away again); the server decides whether a removal is allowed.
    m_Remove->setEnabled(true);
    m_Copy->setEnabled(true);
    Remember(kLastSelectedReceiver, receiver->m_ReceiverName);
}

void Component::ListView_Receivers_ColumnClick(int column) {
    m_List->SetSorted(false);
    for (int i = 1; i <= m_List->ColumnCount(); ++i) m_List->SetColumnIcon(i, 0);
    if (column == m_List->SortKey() + 1) {
        m_List->SetSortOrder(m_List->SortOrder() == 0 ? 1 : 0);
    } else {
        m_List->SetSortKey(column - 1);
        m_List->SetSortOrder(0);
    }
    m_List->SetColumnIcon(m_List->SortKey() + 1, m_List->SortOrder() != 0 ? kIconDescending : kIconAscending);
    m_List->SetSorted(true);
}

void Component::ListView_Receivers_MouseDown(int button, int shift, int x, int) {
    m_MouseButton = static_cast<int16_t>(button);
    m_MouseShift = static_cast<int16_t>(shift);
    m_MouseX = x;
}

void Component::ListView_Receivers_MouseMove(int, int, int x, int) {
    if (m_List->ColumnCount() == 0) return;
    if (x < m_List->ColumnWidth(1)) {
        if (m_List->ToolTipText().isEmpty()) {
            const QString tip = Text(437);
            if (!tip.isEmpty()) m_List->SetToolTipText(tip);
        }
    } else {
        m_List->SetToolTipText(QString());
    }
}

void Component::ListView_Receivers_DblClick() {
    if (!m_CurrentReceiver) return;
    const bool toggle =
        m_MouseShift == 2 || (State().IgnoreCtrlWhenEnablingOrDisabling && m_MouseX < kToggleZone);
    if (toggle) {
        Bytes body;
        try {
            AppendLong(body, m_CurrentReceiver->m_DiskIdentity);
            AppendString(body, m_CurrentReceiver->m_ReceiverName);
            AppendInteger(body, m_CurrentReceiver->m_Enabled ? 0 : -1);
        } catch (const KorvelError&) {
            return;
        }
        Send(MessageType::MsgReceiverEnableOrDisable, body);
        return;
    }
    // Edit works on a copy: the listed receiver changes only when the server's 240 says so.
    auto copy = std::make_shared<cReceiver>();
    copy->CopyFrom(State(), *m_CurrentReceiver);
    openParametersWindow(EditModeEdit, std::move(copy));
}

void Component::ListView_Receivers_KeyPress(int keyAscii) {
    if (keyAscii == 13 && m_CurrentReceiver) ListView_Receivers_DblClick();
}

void Component::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_CurrentReceiver) {
        platform::RunGuarded("ListView_Receivers_DblClick", [&] { ListView_Receivers_DblClick(); });
        return;
    }
    shell::Component::keyPressEvent(event);
}

// --- Commands ------------------------------------------------------------------------------

void Component::openParametersWindow(int16_t mode, std::shared_ptr<cReceiver> receiver) {
    m_EditMode = mode;
    m_EditReceiver = std::move(receiver);
    EditContext context;
    context.State = &State();
    context.AllowBackupReceiver = m_AllowBackupReceiver;
    context.RunAsCollectionClient = m_RunAsCollectionClient;
    context.Send = [this](MessageType type, std::string_view body) { Send(type, body); };
    context.IsConnected = [this] { return IsConnected(); };
    {
        ReceiverParametersWindow window(std::move(context), mode, m_EditReceiver, this);
        window.Run();
    }
    m_EditReceiver = nullptr;
}

void Component::Command_AddReceiver_Click() {
    auto receiver = std::make_shared<cReceiver>();
    receiver->m_Enabled = -1;
    receiver->m_DiskIdentity = -1;
    openParametersWindow(EditModeAdd, std::move(receiver));
}

void Component::Command_CopyReceiver_Click() {
    if (!m_CurrentReceiver) {
        m_Copy->setEnabled(false);
        return;
    }
    auto receiver = std::make_shared<cReceiver>();
    receiver->CopyFrom(State(), *m_CurrentReceiver);
    receiver->m_DiskIdentity = -1;
    openParametersWindow(EditModeCopy, std::move(receiver));
}

void Component::Command_RemoveReceiver_Click() {
    if (!m_CurrentReceiver) {
        m_Remove->setEnabled(false);
        return;
    }
    // The receiver asked about, even if a message changes the current one meanwhile.
    const std::shared_ptr<cReceiver> receiver = m_CurrentReceiver;
    const QString question = Text(284) + QStringLiteral(" '") +
                             platform::ToQString(RemoveAreaFromName(State(), receiver->m_ReceiverName)) +
                             QStringLiteral("' ") + Text(171) + QStringLiteral("\r\n\r\n") + Text(172);
    const platform::MessageResult answer =
        platform::ShowMessage(question, Text(577).remove(QLatin1Char('&')), platform::MessageIcon::Question,
                              platform::MessageButtons::YesNo, this);
    if (answer != platform::MessageResult::Yes) return;
    Bytes body;
    try {
        AppendLong(body, receiver->m_DiskIdentity);
        AppendString(body, receiver->m_ReceiverName);
    } catch (const KorvelError&) {
        return;
    }
    Send(MessageType::MsgReceiverDelete, body);
}

// --- Layout and termination ----------------------------------------------------------------

void Component::resizeEvent(QResizeEvent* event) {
    shell::Component::resizeEvent(event);
    platform::RunGuarded("UserControl_Resize", [&] { layout(); });
}

void Component::layout() {
    const int innerWidth = PixelsToTwips(width());
    const int innerHeight = PixelsToTwips(height());
    const int frameLeft = PixelsToTwips(m_Frame->x());
    const int frameTop = PixelsToTwips(m_Frame->y());
    const int frameHeight = innerHeight - frameTop - 50;
    const int frameWidth = innerWidth - 2 * frameLeft;
    if (frameHeight > 0 && frameWidth > 0) m_Frame->resize(TwipsToPixels(frameWidth), TwipsToPixels(frameHeight));
    const int listWidth = PixelsToTwips(m_Frame->width()) - 240;
    const int buttonTop = PixelsToTwips(m_Frame->height()) - PixelsToTwips(m_Add->height()) - 100;
    if (buttonTop >= 0) {
        for (QPushButton* b : {m_Add, m_Copy, m_Remove}) b->move(b->x(), TwipsToPixels(buttonTop));
    }
    const int listHeight = PixelsToTwips(m_Add->y()) - 350;
    if (listWidth > 0 && listHeight > 0) m_List->resize(TwipsToPixels(listWidth), TwipsToPixels(listHeight));
    Label_Disconnected().Centre();
}

void Component::SaveListState() {
    if (!m_ListPrepared) return; // nothing set up: keep what earlier runs stored
    for (int i = 1; i <= m_List->ColumnCount(); ++i)
        Remember((kReceiverListColWidth + std::to_string(i)).c_str(), std::to_string(m_List->ColumnWidth(i)));
    if (const int selected = m_List->SelectedPosition())
        Remember(kLastSelectedReceiver, platform::FromQString(m_List->Text(selected)));
    Remember(kLastReceiverSortKey, std::to_string(m_List->SortKey()));
    Remember(kLastReceiverSortOrder, std::to_string(m_List->SortOrder()));
}

} // namespace korvel::receivers
