// The profiles editor's profile tree: its nodes, the profile commands, Save, and the
// server's answers about single profiles.

#include "controls/profiles/profiletree.h"

#include "controls/profiles/profileicons.h"
#include "core/codec.h"
#include "core/cp1252.h"
#include "core/errors.h"
#include "core/procedures.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "platform/dialogservice.h"
#include "platform/iconstore.h"
#include "platform/qtext.h"
#include "platform/treeview.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QPushButton>

#include <algorithm>

namespace korvel::profiles {

using platform::FromQString;
using platform::ToQString;

namespace {

constexpr const char* kLastSelectedProfile = "LastSelectedProfile";

// Field i of the new name for the leading levels, of the old name below them; joined by
// "@", a trailing "@" removed.
Bytes MergeNames(std::string_view newName, int leadingLevels, std::string_view oldName, int levels) {
    Bytes result;
    for (int i = 0; i <= levels; ++i) {
        if (i > 0) result += '@';
        result += GetField(i <= leadingLevels ? newName : oldName, i, "@");
    }
    if (!result.empty() && result.back() == '@') result.pop_back();
    return result;
}

int KeyNumber(const QString& key) { return key.mid(1).toInt(); }

QString NodeKeyOf(int32_t identity) { return QStringLiteral("K%1").arg(identity); }

} // namespace

ProfileTree::ProfileTree(PageHost& host, ClientState& state, CurrentProfile& current, QWidget* control)
    : Page(host, state, control, "ProfileTree"), m_Current(current), m_TreeIcons(new platform::IconStore) {
    FillTreeIcons(*m_TreeIcons);
}

ProfileTree::~ProfileTree() { DeletePlaced(); }

// --- Widgets ------------------------------------------------------------------------------

void ProfileTree::Build(QWidget* control) {
    m_Frame0 = Placed(Named(new QGroupBox(QStringLiteral("&Route Profiles"), control), "Frame_0"));
    m_Frame0->setGeometry(15, 10, 209, 308);
    m_Tree = Named(new platform::TreeView(m_Frame0), "TreeView_Profiles");
    m_Tree->setGeometry(Px(135), Px(300), Px(2865), Px(3400));
    auto button = [this](const char* name, const QString& caption, int left) {
        auto* b = Named(new QPushButton(caption, m_Frame0), name);
        b->setGeometry(Px(left), Px(3800), Px(690), 25);
        return b;
    };
    m_AddProfile = button("Command_AddProfile", QStringLiteral("Add"), 135);
    m_CopyProfile = button("Command_CopyProfile", QStringLiteral("Copy"), 855);
    m_RemoveProfile = button("Command_RemoveProfile", QStringLiteral("Remove"), 1575);
    m_RenameProfile = button("Command_RenameProfile", QStringLiteral("Rename"), 2295);
    m_AddChildProfile = button("Command_AddChildProfile", QStringLiteral("Add child"), 135);
    m_AddChildProfile->setGeometry(Px(135), Px(4300), Px(1400), 25);
    m_AddChildProfile->hide();

    m_Save = Placed(Named(new QPushButton(QStringLiteral("Save"), control), "Command_Save"));
    m_Save->setGeometry(70, 323, 100, 25);

    // Disconnected until the first connection.
    m_Frame0->hide();
    m_Save->hide();
    connectHandlers();
}

void ProfileTree::connectHandlers() {
    m_Tree->SetImageList(m_TreeIcons.get());
    connect(m_Tree, &platform::TreeView::NodeClick, this,
            Guarded("TreeView_Profiles_NodeClick", this, &ProfileTree::TreeView_Profiles_NodeClick));
    connect(m_Tree, &platform::TreeView::Collapse, this,
            Guarded("TreeView_Profiles_Collapse", this, &ProfileTree::TreeView_Profiles_Collapse));
    connect(m_Tree, &platform::TreeView::DblClick, this,
            Guarded("TreeView_Profiles_DblClick", this, &ProfileTree::TreeView_Profiles_DblClick));
    connect(m_Tree, &platform::TreeView::MouseDown, this,
            Guarded("TreeView_Profiles_MouseDown", this, &ProfileTree::TreeView_Profiles_MouseDown));
    connect(m_Tree, &platform::TreeView::MouseMove, this,
            Guarded("TreeView_Profiles_MouseMove", this, &ProfileTree::TreeView_Profiles_MouseMove));
    m_Tree->SetKeyDownHandler(Guarded("TreeView_Profiles_KeyDown", this, &ProfileTree::TreeView_Profiles_KeyDown));

    connect(m_AddProfile, &QPushButton::clicked, this,
            Guarded("Command_AddProfile_Click", this, &ProfileTree::Command_AddProfile_Click));
    connect(m_AddChildProfile, &QPushButton::clicked, this,
            Guarded("Command_AddChildProfile_Click", this, &ProfileTree::Command_AddChildProfile_Click));
    connect(m_CopyProfile, &QPushButton::clicked, this,
            Guarded("Command_CopyProfile_Click", this, &ProfileTree::Command_CopyProfile_Click));
    connect(m_RenameProfile, &QPushButton::clicked, this,
            Guarded("Command_RenameProfile_Click", this, &ProfileTree::Command_RenameProfile_Click));
    connect(m_RemoveProfile, &QPushButton::clicked, this,
            Guarded("Command_RemoveProfile_Click", this, &ProfileTree::Command_RemoveProfile_Click));
    connect(m_Save, &QPushButton::clicked, this, Guarded("Command_Save_Click", this, &ProfileTree::Command_Save_Click));
}

void ProfileTree::Initialise() {
    m_Tree->SetPathSeparator(QStringLiteral("@"));
    for (QPushButton* b : {m_CopyProfile, m_RemoveProfile, m_AddChildProfile, m_RenameProfile}) b->setEnabled(false);
}

void ProfileTree::ApplyCaptions() {
    const ClientState& s = m_State;
    m_Frame0->setTitle(s.Area.empty() ? m_Host.Text(431)
                                      : m_Host.Text(431) + QLatin1Char('(') + ToQString(s.Area) + QLatin1Char(')'));
    m_AddProfile->setText(m_Host.Text(s.ChildProfilesAllowed ? 439 : 432));
    m_RemoveProfile->setText(m_Host.Text(433));
    m_CopyProfile->setText(m_Host.Text(435));
    m_AddChildProfile->setText(m_Host.Text(438));
    m_RenameProfile->setText(m_Host.Text(956));
    m_Save->setText(m_Host.Text(874));
}

void ProfileTree::SettingsApplied() { m_AddChildProfile->setVisible(m_State.ChildProfilesAllowed); }

void ProfileTree::ShowConnectionState(bool connected) {
    m_Frame0->setVisible(connected);
    m_Save->setVisible(connected);
    if (!connected) m_PendingSaves.clear(); // no answer comes on a closed connection
}

void ProfileTree::LayOut(int W, int H) {
    const int tpp = platform::kTwipsPerPixel;
    m_Frame0->move(15, 10);
    if (H > 361) {
        m_Frame0->resize(m_Frame0->width(), H - 54);
        m_Save->move(m_Save->x(), H - 39);
        // Inside the panel, in twips.
        const int bottom = (m_Frame0->y() + m_Frame0->height()) * tpp;
        const int h = m_AddChildProfile->height() * tpp;
        int addTop = 0;
        int addHeight = 0;
        if (m_State.ChildProfilesAllowed) {
            addHeight = 29 * tpp;
            const int childTop = bottom - h - 250;
            m_AddChildProfile->move(m_AddChildProfile->x(), Px(childTop));
            addTop = childTop - addHeight - 100;
        } else {
            addHeight = 25 * tpp;
            addTop = bottom - h - 250;
        }
        for (QPushButton* b : {m_AddProfile, m_CopyProfile, m_RemoveProfile, m_RenameProfile})
            b->setGeometry(b->x(), Px(addTop), b->width(), Px(addHeight));
        m_AddChildProfile->resize(m_AddChildProfile->width(), h / tpp);
        m_Tree->resize(m_Tree->width(), std::max(0, Px(addTop - m_Tree->y() * tpp - 150)));
    }
    if (W > 640) {
        const int panelWidth = (W - 640) / 2 + 209;
        m_Frame0->resize(panelWidth, m_Frame0->height());
        m_Tree->resize(std::max(0, Px(panelWidth * tpp - 270)), m_Tree->height());
        // The row of buttons shares the tree's width.
        const int gap = 3;
        const int each = std::max(30, (m_Tree->width() - 3 * gap) / 4);
        int left = m_Tree->x();
        for (QPushButton* b : {m_AddProfile, m_CopyProfile, m_RemoveProfile, m_RenameProfile}) {
            b->setGeometry(left, b->y(), each, b->height());
            left += each + gap;
        }
        m_AddChildProfile->setGeometry(m_Tree->x(), m_AddChildProfile->y(), 2 * each + gap, m_AddChildProfile->height());
    }
    m_Save->move(m_Frame0->x() + (m_Frame0->width() - m_Save->width()) / 2, m_Save->y());
}

int ProfileTree::PanelRight() const { return m_Frame0->x() + m_Frame0->width(); }

void ProfileTree::SaveFeedbackTick(int intervalMs) {
    if (!m_SaveFeedbackPending) return;
    m_SaveFeedbackTime += intervalMs;
    if (m_SaveFeedbackTime >= kSaveFeedbackMs) {
        m_Save->setText(m_Host.Text(874));
        m_SaveFeedbackTime = 0;
        m_SaveFeedbackPending = false;
    }
}

void ProfileTree::Terminate() {
    // With no selected node the stored choice stays as it was.
    const QString selected = m_Tree->SelectedKey();
    if (!selected.isEmpty()) m_Host.Remember(kLastSelectedProfile, FromQString(m_Tree->FullPath(selected)));
}

// --- Tree ---------------------------------------------------------------------------------

std::shared_ptr<cProfile> ProfileTree::profileOfNode(const QString& key) const {
    if (key.isEmpty()) return nullptr;
    return m_State.Profiles.Find(FromQString(key));
}

int16_t ProfileTree::nextTemporaryIdentity() {
    // The counter runs down from -1; below -32768 it would wrap to positive numbers,
    // which are the server's: it stops at the bottom instead (keys may then repeat, and a
    // repeated key is refused by the collections rather than mixed up with a saved one).
    if (m_TemporaryIdentity > INT16_MIN) --m_TemporaryIdentity;
    return m_TemporaryIdentity;
}

void ProfileTree::FillProfileTree(const QString& path) {
    m_Tree->ClearNodes();
    // The records shown until now have been replaced with the list: the node selected
    // below shows its new record even when its key is the same.
    m_Current.Node.clear();
    m_Current.Profile = nullptr;
    for (const auto& entry : m_State.Profiles)
        if (entry.item && IsNameInArea(m_State, entry.item->GetName())) AddProfileToTree(entry.item, 0);
    if (!path.isEmpty()) {
        const QString found = m_Tree->FindByFullPath(path);
        if (!found.isEmpty()) selectAndClick(found);
    }
    if (m_Tree->SelectedKey().isEmpty() && m_Tree->NodeCount() > 0) selectAndClick(m_Tree->FirstNode());
}

void ProfileTree::selectAndClick(const QString& key) {
    m_Tree->Select(key);
    m_Tree->EnsureVisible(key);
    TreeView_Profiles_NodeClick(key);
}

QString ProfileTree::AddProfileToTree(const std::shared_ptr<cProfile>& profile, int16_t) {
    return addProfileToTree(profile, true);
}

QString ProfileTree::addProfileToTree(const std::shared_ptr<cProfile>& profile, bool takeOverUnsaved) {
    if (!profile) return {};
    const ClientState& s = m_State;
    const Bytes& name = profile->GetName();
    const bool nested = s.ChildProfilesAllowed;
    int level = 0;
    Bytes current = nested ? RemoveAreaFromName(s, GetField(name, 0, "@")) : RemoveAreaFromName(s, name);
    Bytes next = nested ? GetField(name, 1, "@") : Bytes();
    QString parent;
    QString node;
    const QString profileKey = NodeKeyOf(profile->m_DiskIdentity);
    const int profileImage = profile->m_Enabled ? 1 : 2;
    while (!current.empty() || !next.empty()) {
        // The first child of the parent (at level 0 the first top-level node) whose text
        // equals the segment ignoring case.
        QString found = m_Tree->FindChildByText(parent, ToQString(current));
        if (found.isEmpty()) {
            if (!next.empty()) {
                found = NodeKeyOf(nextTemporaryIdentity());
                m_Tree->AddNode(parent, found, ToQString(current), 3);
            } else {
                found = profileKey;
                m_Tree->AddNode(parent, found, ToQString(current), profileImage);
            }
        } else if (next.empty() && KeyNumber(found) < 0 && (takeOverUnsaved || !profileOfNode(found))) {
            // The profile takes over the node that stood in for it.
            if (m_Tree->SetKey(found, profileKey)) {
                if (m_Current.Node.compare(found, Qt::CaseInsensitive) == 0) m_Current.Node = profileKey;
                found = profileKey;
                m_Tree->SetImage(found, profileImage);
            }
        }
        node = found;
        parent = found;
        ++level;
        if (nested) {
            current = GetField(name, level, "@");
            next = GetField(name, level + 1, "@");
        } else {
            current.clear();
            next.clear();
        }
    }
    return node;
}

void ProfileTree::StoreEnabledIn(cProfile& profile) const {
    if (m_Tree->Exists(m_Current.Node)) profile.m_Enabled = m_Tree->Image(m_Current.Node) == 1 ? -1 : 0;
}

void ProfileTree::TreeView_Profiles_NodeClick(const QString& key) {
    if (m_Current.Node.compare(key, Qt::CaseInsensitive) != 0 || m_Current.Node.isEmpty()) {
        m_Host.StoreEditorInProfile();
        m_Current.Node = m_Tree->Key(key);
        m_Current.Profile = profileOfNode(key);
        if (!m_Current.Profile) {
            platform::ShowMessage(m_Host.Text(963), QString(), platform::MessageIcon::None, platform::MessageButtons::Ok,
                                  m_Host.BoxParent());
            m_Host.ClearProfileEditor();
        }
        m_Host.ShowProfileInEditor();
    }
    for (QPushButton* b : {m_CopyProfile, m_RemoveProfile, m_AddChildProfile, m_RenameProfile}) b->setEnabled(true);
}

void ProfileTree::TreeView_Profiles_Collapse(const QString& key) { m_Tree->SetExpanded(key, true); }

void ProfileTree::TreeView_Profiles_DblClick() {
    if (m_TreeShift != 2 && !m_State.IgnoreCtrlWhenEnablingOrDisabling) return;
    const QString selected = m_Tree->SelectedKey();
    if (selected.isEmpty()) return;
    m_Tree->SetImage(selected, m_Tree->Image(selected) == 2 ? 1 : 2);
}

void ProfileTree::TreeView_Profiles_KeyDown(int& keyCode, int shift) {
    if (keyCode != 46 || (shift & 3) == 0) return;
    if (m_RemoveProfile->isEnabled()) Command_RemoveProfile_Click();
    keyCode = 0;
}

void ProfileTree::TreeView_Profiles_MouseDown(int, int shift, int, int) { m_TreeShift = shift; }

void ProfileTree::TreeView_Profiles_MouseMove(int, int, int x, int) {
    const int limit = m_Frame0->width() * platform::kTwipsPerPixel;
    if (x < limit) {
        const QString tip = m_Host.Text(437);
        if (m_Tree->ToolTipText() != tip) m_Tree->SetToolTipText(tip);
    } else if (!m_Tree->ToolTipText().isEmpty()) {
        m_Tree->SetToolTipText(QString());
    }
}

// --- Commands -----------------------------------------------------------------------------

Bytes ProfileTree::AskForProfileName(const std::shared_ptr<cProfile>& leaveOut, const QString& parentKey,
                                     const QString& defaultText) {
    const ClientState& s = m_State;
    const std::optional<QString> answer =
        platform::AskText(m_Host.Text(436) + QLatin1Char(':'), QString(), defaultText, m_Host.BoxParent());
    if (!answer) return {};
    Bytes name = FromQString(*answer);
    const auto first = name.find_first_not_of(' ');
    const auto last = name.find_last_not_of(' ');
    name = first == Bytes::npos ? Bytes() : name.substr(first, last - first + 1);
    std::erase(name, '/');
    if (s.ChildProfilesAllowed) std::erase(name, '@');
    if (name.empty()) return {};
    if (!parentKey.isEmpty() && m_Tree->Exists(parentKey)) name = FromQString(m_Tree->FullPath(parentKey)) + "@" + name;
    for (const auto& entry : s.Profiles) {
        if (!entry.item || entry.item == leaveOut) continue;
        if (EqualsIgnoreCase(RemoveAreaFromName(s, entry.item->GetName()), name)) {
            platform::ShowMessage(m_Host.Text(173), QString(), platform::MessageIcon::Information,
                                  platform::MessageButtons::Ok, m_Host.BoxParent());
            return {};
        }
    }
    return AddAreaToName(s, name);
}

std::shared_ptr<cProfile> ProfileTree::AddProfile(const QString& parentKey, bool copy) {
    ClientState& s = m_State;
    if (copy && (!m_Current.Profile || m_Current.Node.isEmpty())) return nullptr;
    m_Host.StoreEditorInProfile();
    const QString defaultText = m_Current.Node.isEmpty() ? QString() : m_Tree->Text(m_Current.Node);
    const QString shownNode = m_Current.Node;
    const Bytes name = AskForProfileName(nullptr, parentKey, defaultText);
    if (name.empty()) return nullptr;
    // The server's messages are handled while the box is open: a new profile list may
    // have rebuilt the tree meanwhile. Then the command no longer applies.
    if (m_Current.Node != shownNode || (!parentKey.isEmpty() && !m_Tree->Exists(parentKey))) return nullptr;
    if (copy && (!m_Current.Profile || m_Current.Node.isEmpty())) return nullptr;

    if (copy) {
        bool onlyThisNode = true;
        if (m_Tree->ChildCount(m_Current.Node) > 0) {
            const platform::MessageResult answer =
                platform::ShowMessage(m_Host.Text(492) + QLatin1Char('?'), QString(), platform::MessageIcon::Question,
                                      platform::MessageButtons::YesNo, m_Host.BoxParent());
            onlyThisNode = answer != platform::MessageResult::Yes;
            if (m_Current.Node != shownNode || !m_Current.Profile) return nullptr; // the tree changed meanwhile
        }
        std::shared_ptr<cProfile> made =
            CopyProfileWithChildren(m_Current.Node, name, m_Current.Profile->m_NestingLevels, onlyThisNode);
        if (!made) return nullptr;
        m_Current.Profile = made;
        m_Current.Node = m_Tree->Key(NodeKeyOf(made->m_DiskIdentity));
    } else {
        auto made = std::make_shared<cProfile>();
        made->m_DiskIdentity = nextTemporaryIdentity();
        if (!s.Profiles.Add(FromQString(NodeKeyOf(made->m_DiskIdentity)), made)) return nullptr;
        made->SetName(s, name);
        m_Host.ProfileNamesChanged();
        made->m_TimeSchedule = std::make_shared<cTimeSchedule>();
        m_Host.ClearProfileEditor();
        made->m_Enabled = -1;
        // The new profile takes the defaults of the cleared page; its enabled state is its
        // own (the node shown until now says nothing about it).
        m_Current.Profile = made;
        m_Host.StorePageInto(*made);
        m_Current.Node = AddProfileToTree(made, -1);
    }
    if (!m_Current.Node.isEmpty()) selectAndClick(m_Current.Node);
    return m_Current.Profile;
}

std::shared_ptr<cProfile> ProfileTree::CopyProfileWithChildren(const QString& nodeKey, const Bytes& newName,
                                                               int16_t leadingLevels, bool onlyThisNode) {
    ClientState& s = m_State;
    const std::shared_ptr<cProfile> source = profileOfNode(nodeKey);
    if (!source) return nullptr;
    const QStringList children = m_Tree->Children(nodeKey);
    auto made = std::make_shared<cProfile>();
    try {
        made->CopyFrom(s, *source);
    } catch (const KorvelError&) {
        return nullptr; // a source without a schedule has no form to copy
    }
    made->m_DiskIdentity = nextTemporaryIdentity();
    if (!s.Profiles.Add(FromQString(NodeKeyOf(made->m_DiskIdentity)), made)) return nullptr;
    // The copy's own levels are those of the source (the form carries the name).
    made->SetName(s, source->GetName());
    made->SetName(s, MergeNames(newName, leadingLevels, source->GetName(), made->m_NestingLevels));
    m_Host.ProfileNamesChanged();
    AddProfileToTree(made, -1);
    if (!onlyThisNode)
        for (const QString& child : children) CopyProfileWithChildren(child, newName, leadingLevels, false);
    return made;
}

void ProfileTree::Command_AddProfile_Click() { AddProfile(QString(), false); }

void ProfileTree::Command_AddChildProfile_Click() { AddProfile(m_Tree->SelectedKey(), false); }

void ProfileTree::Command_CopyProfile_Click() {
    if (m_Current.Node.isEmpty()) AddProfile(QString(), false);
    else AddProfile(m_Tree->Parent(m_Current.Node), true);
}

void ProfileTree::Command_RenameProfile_Click() {
    if (!m_Current.Profile || m_Current.Node.isEmpty()) return;
    const std::shared_ptr<cProfile> profile = m_Current.Profile;
    const QString node = m_Current.Node;
    const Bytes name = AskForProfileName(profile, m_Tree->Parent(node), m_Tree->Text(node));
    if (name.empty() || name == profile->GetName()) return;
    if (m_Current.Node != node || m_Current.Profile != profile || !m_Tree->Exists(node)) return; // changed meanwhile
    // With child profiles the new names go to the server at once; the connection may have
    // gone while the name was typed. Nothing is renamed then, and the operator is told.
    if (m_State.ChildProfilesAllowed && !m_Host.Connected()) {
        reportNotSent(kNotRenamedText);
        return;
    }
    profile->SetName(m_State, name);
    m_Host.ProfileNamesChanged();
    if (!m_State.ChildProfilesAllowed) m_Tree->SetText(m_Current.Node, ToQString(RemoveAreaFromName(m_State, name)));
    else RenameProfileWithChildren(m_Current.Node, profile);
}

void ProfileTree::RenameProfileWithChildren(const QString& nodeKey, const std::shared_ptr<cProfile>& changed) {
    const std::shared_ptr<cProfile> p = profileOfNode(nodeKey);
    if (!p || !changed) return;
    const Bytes newName = MergeNames(changed->GetName(), changed->m_NestingLevels, p->GetName(), p->m_NestingLevels);
    for (const QString& child : m_Tree->Children(nodeKey)) RenameProfileWithChildren(child, changed);
    const Bytes oldName = p->GetName();
    p->SetName(m_State, newName);
    m_Host.ProfileNamesChanged();
    // A profile the server has not stored yet is found by its (old) name.
    sendProfileSave(p->m_DiskIdentity < 0 ? -1 : p->m_DiskIdentity, oldName, *p);
}

void ProfileTree::Command_RemoveProfile_Click() {
    if (m_Current.Node.isEmpty() || !m_Tree->Exists(m_Current.Node)) return;
    const ClientState& s = m_State;
    const bool withChildren = s.ChildProfilesAllowed && m_Tree->ChildCount(m_Current.Node) > 0;
    const QString text = m_Host.Text(170) + QStringLiteral(" '") + m_Tree->Text(m_Current.Node) + QStringLiteral("' ") +
                         m_Host.Text(withChildren ? 926 : 171) + QStringLiteral("\r\n\r\n") + m_Host.Text(172);
    const QString node = m_Current.Node;
    if (platform::ShowMessage(text, QString(), platform::MessageIcon::Question, platform::MessageButtons::YesNo,
                              m_Host.BoxParent()) != platform::MessageResult::Yes)
        return;
    if (m_Current.Node != node || !m_Tree->Exists(node)) return; // the tree changed while the box was open
    QString sibling = m_Tree->NextSibling(m_Current.Node);
    if (sibling.isEmpty()) sibling = m_Tree->PreviousSibling(m_Current.Node);
    RemoveProfileWithChildren(m_Current.Node);
    m_Current.Node.clear();
    m_Current.Profile = nullptr;
    if (!sibling.isEmpty() && m_Tree->Exists(sibling)) {
        m_Tree->Select(sibling);
        TreeView_Profiles_NodeClick(sibling);
    }
}

namespace {
void RemoveSubtree(ClientState& s, platform::TreeView& tree, KeyedCollection<cProfile>& deleted, const QString& key) {
    const std::string k = FromQString(key);
    if (std::shared_ptr<cProfile> p = s.Profiles.Find(k)) {
        s.Profiles.Remove(k);
        deleted.Add(k, p);
    }
    for (const QString& child : tree.Children(key)) RemoveSubtree(s, tree, deleted, child);
}
} // namespace

void ProfileTree::RemoveProfileWithChildren(const QString& nodeKey) {
    // A node without a profile of its own (an intermediate node) is not removed. Below a
    // removed node every profile goes with it, also those under intermediate nodes,
    // since their nodes go with the subtree.
    if (!profileOfNode(nodeKey)) return;
    RemoveSubtree(m_State, *m_Tree, m_DeletedProfiles, nodeKey);
    m_Tree->RemoveNode(nodeKey);
}

// --- Saving -------------------------------------------------------------------------------

bool ProfileTree::sendProfileSave(int32_t refIdentity, const Bytes& refName, const cProfile& profile) {
    Bytes body;
    try {
        AppendLong(body, refIdentity);
        AppendString(body, refName);
        profile.AppendNetworkBytes(body);
    } catch (const KorvelError&) {
        // A profile that has no network form (no schedule, a text too long) is not sent.
        return false;
    }
    if (!m_Host.Connected()) return false;
    m_Host.SendToServer(MessageType::MsgProfileSave, body);
    // A profile sent to be found or made by its name: the server's 210 of that name is
    // the answer to it.
    if (refIdentity == -1) ++m_PendingSaves[UpperCase(profile.GetName())];
    return true;
}

bool ProfileTree::takePendingSave(const Bytes& name) {
    const auto found = m_PendingSaves.find(UpperCase(name));
    if (found == m_PendingSaves.end()) return false;
    if (--found->second <= 0) m_PendingSaves.erase(found);
    return true;
}

void ProfileTree::reportNotSent(const char* text) {
    platform::ShowMessage(QString::fromLatin1(text), QString::fromLatin1(kSettingsApplication),
                          platform::MessageIcon::Exclamation, platform::MessageButtons::Ok, m_Host.BoxParent());
}

void ProfileTree::Command_Save_Click() {
    ClientState& s = m_State;
    m_Host.StoreEditorInProfile();
    // Without a connection nothing can be sent: the removals and edits stay as they are
    // for a later Save, and the button does not say "saved".
    if (!m_Host.Connected()) {
        reportNotSent(kNotSavedText);
        return;
    }
    while (!m_DeletedProfiles.Empty()) {
        const auto& first = *m_DeletedProfiles.begin();
        const std::string key = first.key;
        if (first.item && first.item->m_DiskIdentity >= 0) {
            try {
                Bytes body;
                AppendLong(body, first.item->m_DiskIdentity);
                AppendString(body, first.item->GetName());
                m_Host.SendToServer(MessageType::MsgProfileDelete, body);
            } catch (const KorvelError&) {
                // A name too long to carry: that removal cannot be sent; the others go on.
            }
        }
        m_DeletedProfiles.Remove(key);
    }
    for (const auto& entry : s.Profiles) {
        const std::shared_ptr<cProfile>& p = entry.item;
        if (!p) continue;
        if (p->m_DiskIdentity < 0) {
            sendProfileSave(-1, p->GetName(), *p);
        } else {
            bool changed = false;
            try {
                changed = p->HasChangedSinceLastLoadFromDisk();
            } catch (const KorvelError&) {
                // No network form to compare (and none to send): not sent.
            }
            if (changed) sendProfileSave(p->m_DiskIdentity, p->GetName(), *p);
        }
    }
    if (s.SharedCalendar && s.SharedCalendar->HasChangedSinceLastLoadFromDisk()) {
        try {
            m_Host.SendToServer(MessageType::MsgCalendarSave, s.SharedCalendar->CompressToNetworkBytes());
        } catch (const KorvelError&) {
            // A calendar whose names are too long to carry stays unsaved.
        }
    }
    m_SaveFeedbackPending = true;
    m_Save->setText(m_Host.Text(884));
}

// --- The server's messages ------------------------------------------------------------------

void ProfileTree::ProfileListArrived() {
    m_PendingSaves.clear(); // the list replaced every record a save was awaited for
    FillProfileTree(ToQString(m_Host.StoredSetting(kLastSelectedProfile, "")));
}

void ProfileTree::ProfileSaved(const std::shared_ptr<cProfile>& profile) {
    if (!profile) return;
    const QString key = NodeKeyOf(profile->m_DiskIdentity);
    // The server's answer to a new profile: the record it names stands for the profile
    // saved with a temporary identity. Whether the decoder updated the local record (found
    // by name) or made a new one, the collection must not keep the temporary entry, or
    // the next Save would send the profile again as a new one.
    // Only an answer to this control's own save stands for a local record: another
    // operator's profile of the same name leaves the unsaved one here, with its node and
    // its edits, and the next Save sends it as new.
    const bool ownAnswer = takePendingSave(profile->GetName());
    const std::string keyBytes = UpperCase(FromQString(key));
    std::vector<std::string> stale;
    for (const auto& entry : m_State.Profiles) {
        if (!entry.item) continue;
        const bool sameRecord = entry.item == profile;
        const bool standIn = ownAnswer && entry.item->m_DiskIdentity < 0 &&
                             EqualsIgnoreCase(entry.item->GetName(), profile->GetName());
        if ((!sameRecord && !standIn) || UpperCase(entry.key) == keyBytes) continue;
        stale.push_back(entry.key);
        if (m_Current.Profile == entry.item) m_Current.Profile = profile;
    }
    for (const std::string& k : stale) m_State.Profiles.Remove(k);

    if (!m_Tree->Exists(key)) {
        addProfileToTree(profile, ownAnswer);
    } else {
        m_Tree->SetImage(key, profile->m_Enabled ? 1 : 2);
        // A nested profile's node shows its own segment: the whole name would put the
        // parents' names into the node's path a second time.
        const Bytes shown = RemoveAreaFromName(m_State, profile->GetName());
        m_Tree->SetText(key, ToQString(m_State.ChildProfilesAllowed ? GetField(shown, profile->m_NestingLevels, "@")
                                                                    : shown));
    }
    const QString selected = m_Tree->SelectedKey();
    if (!selected.isEmpty() && selected.mid(1).toInt() == profile->m_DiskIdentity) {
        // The page shows the saved profile from now on, under its real key.
        if (m_Current.Node.compare(selected, Qt::CaseInsensitive) == 0) m_Current.Profile = profileOfNode(selected);
        m_Host.ShowProfileInEditor();
    }
}

void ProfileTree::ProfileDeleted(const std::shared_ptr<cProfile>& profile) {
    if (!profile) return;
    m_Tree->RemoveNode(NodeKeyOf(profile->m_DiskIdentity));
}

void ProfileTree::ProfileEnabledOrDisabled(const std::shared_ptr<cProfile>& profile) {
    if (!profile) return;
    const QString key = NodeKeyOf(profile->m_DiskIdentity);
    if (m_Tree->Exists(key)) m_Tree->SetImage(key, profile->m_Enabled ? 1 : 2);
}

} // namespace korvel::profiles
