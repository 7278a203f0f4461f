#include "controls/activeprofiles/activeprofilescomponent.h"

#include "controls/activeprofiles/checkboxicons.h"
#include "controls/profileswitch/profileswitch.h"
#include "core/decoder.h"
#include "core/procedures.h"
#include "core/records/profile.h"
#include "core/socket.h"
#include "platform/iconstore.h"
#include "platform/lastresort.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"
#include "platform/treeview.h"
#include "platform/twips.h"

#include <QResizeEvent>

namespace korvel::activeprofiles {
namespace {

QString NodeKey(const cProfile& profile) { return QString::fromStdString(RecordKey(profile.m_DiskIdentity)); }

int NodeImage(const cProfile& profile) {
    return profile.m_Enabled ? Component::kImageEnabled : Component::kImageDisabled;
}

} // namespace

shell::ControlDescription Component::MakeDescription() {
    shell::ControlDescription d;
    d.SettingsApplication = "Korvel ActiveX ActiveProfiles Client";
    d.OwnStartupRequests = {
        shell::StartupRequest::Area(),
        shell::StartupRequest::Plain(MessageType::MsgProfileList),
        shell::StartupRequest::Password(),
    };
    d.OffersArea = true;
    d.OffersPassword = true;
    return d;
}

Component::Component(ClientState& state, QWidget* parent)
    : shell::Component(state, MakeDescription(), parent),
      m_Icons(std::make_unique<platform::IconStore>()),
      m_Tree(new platform::TreeView(this)) {
    m_Tree->setObjectName(QStringLiteral("TreeView_Profiles"));
    // A flat list of profiles: no branch lines, nothing to expand or edit.
    m_Tree->setRootIsDecorated(false);
    m_Tree->setItemsExpandable(false);
    m_Tree->setExpandsOnDoubleClick(false);
    m_Tree->setUniformRowHeights(true);
    m_Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const int iconSize = platform::TwipsToPixels(240);
    m_Tree->setIconSize(QSize(iconSize, iconSize));
    // The shift state of a double-click is that of its own second press, and only a
    // double-click of the left button switches a profile.
    m_Tree->SetMouseDownOnDoubleClick(true);
    m_Tree->SetDblClickButtons(Qt::LeftButton);
    AddCheckBoxIcons(*m_Icons);
    connect(m_Tree, &platform::TreeView::MouseDown, this,
            platform::Guarded("TreeView_Profiles_MouseDown", this, &Component::TreeView_Profiles_MouseDown));
    connect(m_Tree, &platform::TreeView::DblClick, this,
            platform::Guarded("TreeView_Profiles_DblClick", this, &Component::TreeView_Profiles_DblClick));
    Initialise();
}

Component::~Component() = default;

void Component::OnInitialise() {
    m_Tree->SetPathSeparator(QStringLiteral("@"));
    m_Tree->SetImageList(m_Icons.get());
    m_Tree->ClearNodes();
    m_Tree->hide();
}

void Component::resizeEvent(QResizeEvent* event) {
    shell::Component::resizeEvent(event);
    m_Tree->setGeometry(0, 0, width(), height());
    Label_Disconnected().Centre();
}

void Component::OnSettingsMessage() {
    m_Tree->SetToolTipText(Text(kTextTreeToolTip));
}

void Component::OnShowConnectionState() { m_Tree->setVisible(IsConnected()); }

// --- Public operations -------------------------------------------------------------------

int Component::IsConnectedToServer() const { return IsConnected() ? 1 : 0; }

int Component::IsProfileEnabled(const QString& ProfileName) const {
    const auto profile = m_ShownNames.Find(State(), platform::FromQString(ProfileName));
    return profile && profile->m_Enabled ? -1 : 0;
}

void Component::ProfileEnableOrDisable(const QString& ProfileName, int Enabled) {
    if ((State().UserRights & RightEnableOrDisableProfiles) == 0) return;
    const auto profile = m_ShownNames.Find(State(), platform::FromQString(ProfileName));
    if (!profile) return;
    sendEnableOrDisable(*profile, profileswitch::EnableFlag(Enabled));
}

void Component::sendEnableOrDisable(const cProfile& profile, int16_t flag) {
    // Nothing changes here: the server's own MsgProfileEnableOrDisable updates the profile
    // and its node.
    Send(MessageType::MsgProfileEnableOrDisable, profileswitch::ProfileEnableOrDisableBody(profile, flag));
}

// --- Tree ----------------------------------------------------------------------------------

void Component::TreeView_Profiles_MouseDown(int, int shift, int, int) { m_TreeShift = static_cast<int16_t>(shift); }

void Component::TreeView_Profiles_DblClick() {
    const ClientState& state = State();
    if ((state.UserRights & RightEnableOrDisableProfiles) == 0) return;
    if (m_TreeShift != 2 && !state.IgnoreCtrlWhenEnablingOrDisabling) return;
    const QString key = m_Tree->SelectedKey();
    if (key.isEmpty()) return;
    const auto profile = state.Profiles.Find(platform::FromQString(key));
    if (!profile) return;
    sendEnableOrDisable(*profile, profile->m_Enabled ? 0 : -1);
}

void Component::fillTree() {
    const ClientState& state = State();
    m_Tree->setUpdatesEnabled(false);
    m_Tree->ClearNodes();
    for (const auto& entry : state.Profiles) {
        const cProfile& profile = *entry.item;
        if (!IsNameInArea(state, profile.GetName())) continue;
        m_Tree->AddNode({}, NodeKey(profile), platform::ToQString(RemoveAreaFromName(state, profile.GetName())),
                        NodeImage(profile));
    }
    m_Tree->setUpdatesEnabled(true);
}

void Component::showSavedProfile(const cProfile& profile) {
    const ClientState& state = State();
    // A profile renamed out of the area keeps its node as it was.
    if (!IsNameInArea(state, profile.GetName())) return;
    const QString key = NodeKey(profile);
    const QString text = platform::ToQString(RemoveAreaFromName(state, profile.GetName()));
    if (!m_Tree->Exists(key)) m_Tree->AddNode({}, key, text, NodeImage(profile));
    else m_Tree->SetText(key, text);
    m_Tree->SetImage(key, NodeImage(profile));
}

void Component::HandleOwnMessage(MessageType type, std::string_view, const TouchedRecords& touched) {
    const std::shared_ptr<cProfile>& profile = touched.Profile;
    switch (type) {
    case MessageType::MsgProfileList: fillTree(); break;
    case MessageType::MsgProfileSave:
        if (profile) showSavedProfile(*profile);
        break;
    case MessageType::MsgProfileDelete:
        if (profile) m_Tree->RemoveNode(NodeKey(*profile));
        break;
    case MessageType::MsgProfileEnableOrDisable:
        if (profile) m_Tree->SetImage(NodeKey(*profile), NodeImage(*profile));
        break;
    default: break;
    }
}

} // namespace korvel::activeprofiles
