// The profiles editor: the profile tree, the profile commands, saving and the public
// profile operations.

#include "controls/profiles/profilescomponent.h"

#include "controls/activeprofiles/profileswitch.h"

#include "core/codec.h"
#include "core/cp1252.h"
#include "core/errors.h"
#include "core/procedures.h"
#include "core/records/calendar.h"
#include "core/records/profile.h"
#include "core/records/timeschedule.h"
#include "core/serversettings.h"
#include "platform/dialogservice.h"
#include "platform/qtext.h"
#include "platform/treeview.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QPushButton>

namespace korvel::profiles {

using platform::FromQString;
using platform::ToQString;

namespace {

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

} // namespace

std::shared_ptr<cProfile> Component::profileOfNode(const QString& key) const {
    if (key.isEmpty()) return nullptr;
    return State().Profiles.Find(FromQString(key));
}

int16_t Component::nextTemporaryIdentity() {
    // The counter runs down from -1; below -32768 it would wrap to positive numbers,
    // which are the server's: it stops at the bottom instead (keys may then repeat, and a
    // repeated key is refused by the collections rather than mixed up with a saved one).
    if (m_TemporaryIdentity > INT16_MIN) --m_TemporaryIdentity;
    return m_TemporaryIdentity;
}

// --- Tree ---------------------------------------------------------------------------------

void Component::FillProfileTree(const QString& path) {
    m_Tree->ClearNodes();
    // The records shown until now have been replaced with the list: the node selected
    // below shows its new record even when its key is the same.
    m_CurrentNode.clear();
    m_CurrentProfile = nullptr;
    for (const auto& entry : State().Profiles)
        if (entry.item && IsNameInArea(State(), entry.item->GetName())) AddProfileToTree(entry.item, 0);
    if (!path.isEmpty()) {
        const QString found = m_Tree->FindByFullPath(path);
        if (!found.isEmpty()) selectAndClick(found);
    }
    if (m_Tree->SelectedKey().isEmpty() && m_Tree->NodeCount() > 0) selectAndClick(m_Tree->FirstNode());
}

void Component::selectAndClick(const QString& key) {
    m_Tree->Select(key);
    m_Tree->EnsureVisible(key);
    TreeView_Profiles_NodeClick(key);
}

QString Component::AddProfileToTree(const std::shared_ptr<cProfile>& profile, int16_t) {
    return addProfileToTree(profile, true);
}

QString Component::addProfileToTree(const std::shared_ptr<cProfile>& profile, bool takeOverUnsaved) {
    if (!profile) return {};
    ClientState& s = State();
    const Bytes& name = profile->GetName();
    const bool nested = s.ChildProfilesAllowed;
    int level = 0;
    Bytes current = nested ? RemoveAreaFromName(s, GetField(name, 0, "@")) : RemoveAreaFromName(s, name);
    Bytes next = nested ? GetField(name, 1, "@") : Bytes();
    QString parent;
    QString node;
    const QString profileKey = nodeKeyOf(profile->m_DiskIdentity);
    const int profileImage = profile->m_Enabled ? 1 : 2;
    while (!current.empty() || !next.empty()) {
        // The first child of the parent (at level 0 the first top-level node) whose text
        // equals the segment ignoring case.
        QString found = m_Tree->FindChildByText(parent, ToQString(current));
        if (found.isEmpty()) {
            if (!next.empty()) {
                found = nodeKeyOf(nextTemporaryIdentity());
                m_Tree->AddNode(parent, found, ToQString(current), 3);
            } else {
                found = profileKey;
                m_Tree->AddNode(parent, found, ToQString(current), profileImage);
            }
        } else if (next.empty() && KeyNumber(found) < 0 && (takeOverUnsaved || !profileOfNode(found))) {
            // The profile takes over the node that stood in for it.
            if (m_Tree->SetKey(found, profileKey)) {
                if (m_CurrentNode.compare(found, Qt::CaseInsensitive) == 0) m_CurrentNode = profileKey;
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

void Component::TreeView_Profiles_NodeClick(const QString& key) {
    if (m_CurrentNode.compare(key, Qt::CaseInsensitive) != 0 || m_CurrentNode.isEmpty()) {
        StoreEditorInProfile();
        m_CurrentNode = m_Tree->Key(key);
        m_CurrentProfile = profileOfNode(key);
        if (!m_CurrentProfile) {
            platform::ShowMessage(ToQString(GetText(State(), 963)), QString(), platform::MessageIcon::None,
                                  platform::MessageButtons::Ok, this);
            ClearProfileEditor();
        }
        ShowProfileInEditor();
    }
    for (QPushButton* b : {m_CopyProfile, m_RemoveProfile, m_AddChildProfile, m_RenameProfile}) b->setEnabled(true);
}

void Component::TreeView_Profiles_Collapse(const QString& key) { m_Tree->SetExpanded(key, true); }

void Component::TreeView_Profiles_DblClick() {
    if (m_TreeShift != 2 && !State().IgnoreCtrlWhenEnablingOrDisabling) return;
    const QString selected = m_Tree->SelectedKey();
    if (selected.isEmpty()) return;
    m_Tree->SetImage(selected, m_Tree->Image(selected) == 2 ? 1 : 2);
}

void Component::TreeView_Profiles_KeyDown(int& keyCode, int shift) {
    if (keyCode != 46 || (shift & 3) == 0) return;
    if (m_RemoveProfile->isEnabled()) Command_RemoveProfile_Click();
    keyCode = 0;
}

void Component::TreeView_Profiles_MouseDown(int, int shift, int, int) { m_TreeShift = shift; }

void Component::TreeView_Profiles_MouseMove(int, int, int x, int) {
    const int limit = m_Frame0->width() * platform::kTwipsPerPixel;
    if (x < limit) {
        const QString tip = ToQString(GetText(State(), 437));
        if (m_Tree->ToolTipText() != tip) m_Tree->SetToolTipText(tip);
    } else if (!m_Tree->ToolTipText().isEmpty()) {
        m_Tree->SetToolTipText(QString());
    }
}

// --- Commands -----------------------------------------------------------------------------

Bytes Component::AskForProfileName(const std::shared_ptr<cProfile>& leaveOut, const QString& parentKey,
                                   const QString& defaultText) {
    ClientState& s = State();
    const std::optional<QString> answer =
        platform::AskText(ToQString(GetText(s, 436)) + QLatin1Char(':'), QString(), defaultText, this);
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
            platform::ShowMessage(ToQString(GetText(s, 173)), QString(), platform::MessageIcon::Information,
                                  platform::MessageButtons::Ok, this);
            return {};
        }
    }
    return AddAreaToName(s, name);
}

std::shared_ptr<cProfile> Component::AddProfile(const QString& parentKey, bool copy) {
    ClientState& s = State();
    if (copy && (!m_CurrentProfile || m_CurrentNode.isEmpty())) return nullptr;
    StoreEditorInProfile();
    const QString defaultText = m_CurrentNode.isEmpty() ? QString() : m_Tree->Text(m_CurrentNode);
    const QString shownNode = m_CurrentNode;
    const Bytes name = AskForProfileName(nullptr, parentKey, defaultText);
    if (name.empty()) return nullptr;
    // The server's messages are handled while the box is open: a new profile list may
    // have rebuilt the tree meanwhile. Then the command no longer applies.
    if (m_CurrentNode != shownNode || (!parentKey.isEmpty() && !m_Tree->Exists(parentKey))) return nullptr;
    if (copy && (!m_CurrentProfile || m_CurrentNode.isEmpty())) return nullptr;

    if (copy) {
        bool onlyThisNode = true;
        if (m_Tree->ChildCount(m_CurrentNode) > 0) {
            const platform::MessageResult answer =
                platform::ShowMessage(ToQString(GetText(s, 492)) + QLatin1Char('?'), QString(),
                                      platform::MessageIcon::Question, platform::MessageButtons::YesNo, this);
            onlyThisNode = answer != platform::MessageResult::Yes;
            if (m_CurrentNode != shownNode || !m_CurrentProfile) return nullptr; // the tree changed meanwhile
        }
        std::shared_ptr<cProfile> made =
            CopyProfileWithChildren(m_CurrentNode, name, m_CurrentProfile->m_NestingLevels, onlyThisNode);
        if (!made) return nullptr;
        m_CurrentProfile = made;
        m_CurrentNode = m_Tree->Key(nodeKeyOf(made->m_DiskIdentity));
    } else {
        auto made = std::make_shared<cProfile>();
        made->m_DiskIdentity = nextTemporaryIdentity();
        if (!s.Profiles.Add(FromQString(nodeKeyOf(made->m_DiskIdentity)), made)) return nullptr;
        made->SetName(s, name);
        m_ShownNames = {};
        made->m_TimeSchedule = std::make_shared<cTimeSchedule>();
        ClearProfileEditor();
        made->m_Enabled = -1;
        // The new profile takes the defaults of the cleared page; its enabled state is its
        // own (the node shown until now says nothing about it).
        m_CurrentProfile = made;
        storePageInto(made);
        m_CurrentNode = AddProfileToTree(made, -1);
    }
    if (!m_CurrentNode.isEmpty()) selectAndClick(m_CurrentNode);
    return m_CurrentProfile;
}

std::shared_ptr<cProfile> Component::CopyProfileWithChildren(const QString& nodeKey, const Bytes& newName,
                                                             int16_t leadingLevels, bool onlyThisNode) {
    ClientState& s = State();
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
    if (!s.Profiles.Add(FromQString(nodeKeyOf(made->m_DiskIdentity)), made)) return nullptr;
    // The copy's own levels are those of the source (the form carries the name).
    made->SetName(s, source->GetName());
    made->SetName(s, MergeNames(newName, leadingLevels, source->GetName(), made->m_NestingLevels));
    m_ShownNames = {};
    AddProfileToTree(made, -1);
    if (!onlyThisNode)
        for (const QString& child : children) CopyProfileWithChildren(child, newName, leadingLevels, false);
    return made;
}

void Component::Command_AddProfile_Click() { AddProfile(QString(), false); }

void Component::Command_AddChildProfile_Click() { AddProfile(m_Tree->SelectedKey(), false); }

void Component::Command_CopyProfile_Click() {
    if (m_CurrentNode.isEmpty()) AddProfile(QString(), false);
    else AddProfile(m_Tree->Parent(m_CurrentNode), true);
}

void Component::Command_RenameProfile_Click() {
    if (!m_CurrentProfile || m_CurrentNode.isEmpty()) return;
    const std::shared_ptr<cProfile> profile = m_CurrentProfile;
    const QString node = m_CurrentNode;
    const Bytes name = AskForProfileName(profile, m_Tree->Parent(node), m_Tree->Text(node));
    if (name.empty() || name == profile->GetName()) return;
    if (m_CurrentNode != node || m_CurrentProfile != profile || !m_Tree->Exists(node)) return; // changed meanwhile
    // With child profiles the new names go to the server at once; the connection may have
    // gone while the name was typed. Nothing is renamed then, and the operator is told.
    if (State().ChildProfilesAllowed && !IsConnected()) {
        reportNotSent(kNotRenamedText);
        return;
    }
    profile->SetName(State(), name);
    m_ShownNames = {};
    if (!State().ChildProfilesAllowed) m_Tree->SetText(m_CurrentNode, ToQString(RemoveAreaFromName(State(), name)));
    else RenameProfileWithChildren(m_CurrentNode, profile);
}

void Component::RenameProfileWithChildren(const QString& nodeKey, const std::shared_ptr<cProfile>& changed) {
    const std::shared_ptr<cProfile> p = profileOfNode(nodeKey);
    if (!p || !changed) return;
    const Bytes newName = MergeNames(changed->GetName(), changed->m_NestingLevels, p->GetName(), p->m_NestingLevels);
    for (const QString& child : m_Tree->Children(nodeKey)) RenameProfileWithChildren(child, changed);
    const Bytes oldName = p->GetName();
    p->SetName(State(), newName);
    m_ShownNames = {};
    // A profile the server has not stored yet is found by its (old) name.
    sendProfileSave(p->m_DiskIdentity < 0 ? -1 : p->m_DiskIdentity, oldName, *p);
}

void Component::Command_RemoveProfile_Click() {
    if (m_CurrentNode.isEmpty() || !m_Tree->Exists(m_CurrentNode)) return;
    ClientState& s = State();
    const bool withChildren = s.ChildProfilesAllowed && m_Tree->ChildCount(m_CurrentNode) > 0;
    const QString text = ToQString(GetText(s, 170)) + QStringLiteral(" '") + m_Tree->Text(m_CurrentNode) +
                         QStringLiteral("' ") + ToQString(GetText(s, withChildren ? 926 : 171)) +
                         QStringLiteral("\r\n\r\n") + ToQString(GetText(s, 172));
    const QString node = m_CurrentNode;
    if (platform::ShowMessage(text, QString(), platform::MessageIcon::Question, platform::MessageButtons::YesNo, this) !=
        platform::MessageResult::Yes)
        return;
    if (m_CurrentNode != node || !m_Tree->Exists(node)) return; // the tree changed while the box was open
    QString sibling = m_Tree->NextSibling(m_CurrentNode);
    if (sibling.isEmpty()) sibling = m_Tree->PreviousSibling(m_CurrentNode);
    RemoveProfileWithChildren(m_CurrentNode);
    m_CurrentNode.clear();
    m_CurrentProfile = nullptr;
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

void Component::RemoveProfileWithChildren(const QString& nodeKey) {
    // A node without a profile of its own (an intermediate node) is not removed. Below a
    // removed node every profile goes with it, also those under intermediate nodes,
    // since their nodes go with the subtree.
    if (!profileOfNode(nodeKey)) return;
    RemoveSubtree(State(), *m_Tree, m_DeletedProfiles, nodeKey);
    m_Tree->RemoveNode(nodeKey);
}

// --- Saving -------------------------------------------------------------------------------

bool Component::sendProfileSave(int32_t refIdentity, const Bytes& refName, const cProfile& profile) {
    Bytes body;
    try {
        AppendLong(body, refIdentity);
        AppendString(body, refName);
        profile.AppendNetworkBytes(body);
    } catch (const KorvelError&) {
        // A profile that has no network form (no schedule, a text too long) is not sent.
        return false;
    }
    if (!IsConnected()) return false;
    send(210, body);
    // A profile sent to be found or made by its name: the server's 210 of that name is
    // the answer to it.
    if (refIdentity == -1) ++m_PendingSaves[UpperCase(profile.GetName())];
    return true;
}

bool Component::takePendingSave(const Bytes& name) {
    const auto found = m_PendingSaves.find(UpperCase(name));
    if (found == m_PendingSaves.end()) return false;
    if (--found->second <= 0) m_PendingSaves.erase(found);
    return true;
}

void Component::reportNotSent(const char* text) {
    platform::ShowMessage(QString::fromLatin1(text), QString::fromLatin1(kApplication), platform::MessageIcon::Exclamation,
                          platform::MessageButtons::Ok, this);
}

void Component::Command_Save_Click() {
    ClientState& s = State();
    StoreEditorInProfile();
    // Without a connection nothing can be sent: the removals and edits stay as they are
    // for a later Save, and the button does not say "saved".
    if (!IsConnected()) {
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
                send(211, body);
            } catch (const KorvelError&) {
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
            }
            if (changed) sendProfileSave(p->m_DiskIdentity, p->GetName(), *p);
        }
    }
    if (s.SharedCalendar && s.SharedCalendar->HasChangedSinceLastLoadFromDisk()) {
        try {
            send(180, s.SharedCalendar->CompressToNetworkBytes());
        } catch (const KorvelError&) {
        }
    }
    m_SaveFeedbackPending = true;
    m_Save->setText(ToQString(GetText(s, 884)));
}

// --- Public profile operations --------------------------------------------------------------

void Component::ProfileEnableOrDisable(const QString& ProfileName, int Enabled) {
    try {
        ClientState& s = State();
        if ((s.UserRights & RightEnableOrDisableProfiles) == 0) return;
        const std::shared_ptr<cProfile> profile = m_ShownNames.Find(s, FromQString(ProfileName));
        if (!profile) return;
        send(220, activeprofiles::ProfileEnableOrDisableBody(*profile, activeprofiles::EnableFlag(Enabled)));
    } catch (...) {
    }
}

int Component::IsProfileEnabled(const QString& ProfileName) {
    try {
        const std::shared_ptr<cProfile> profile = m_ShownNames.Find(State(), FromQString(ProfileName));
        return profile && profile->m_Enabled ? -1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace korvel::profiles
