#pragma once
// The profiles editor's profile tree and its commands: the tree of the operator's
// profiles (its nodes, the selection that decides which profile the page shows, the
// enable toggle), Add, Add child, Copy, Rename, Remove and Save, with the server's
// answers about single profiles (210, 211, 220) and its profile list (200).
//
// It owns the panel Frame_0 with TreeView_Profiles and the command buttons, and
// Command_Save. It alone changes the current profile; it changes the collection of
// profiles (new, copied, renamed, removed records) and sends 210, 211 and 180.

#include "controls/profiles/pagehost.h"

#ifndef Q_MOC_RUN
#include "core/keyedcollection.h"
#endif

#include <map>
#include <memory>
#include <string>

class QGroupBox;
class QPushButton;

namespace korvel::platform {
class IconStore;
class TreeView;
} // namespace korvel::platform

namespace korvel::profiles {

class ProfileTree final : public Page {
    Q_OBJECT

public:
    // Said when Save or a name change could not reach the server (it is not connected).
    static constexpr const char* kNotSavedText =
        "Nothing was saved: there is no connection to the server. Your changes are kept; save again once the control "
        "is connected.";
    static constexpr const char* kNotRenamedText =
        "The profile was not renamed: there is no connection to the server, so the new names could not be sent.";
    static constexpr int kSaveFeedbackMs = 2000;

    ProfileTree(PageHost& host, ClientState& state, CurrentProfile& current, QWidget* control);
    ~ProfileTree() override;

    // --- What the control calls ---------------------------------------------------------
    // The panel with the tree and its buttons, and the Save button, on the control.
    void Build(QWidget* control);
    // Start: the tree's path separator; the commands wait for a selected profile.
    void Initialise();
    void ApplyCaptions();
    // After the server's settings: the add-child button shows with child profiles.
    void SettingsApplied();
    void ShowConnectionState(bool connected);
    // The panel, its buttons and Save for the control's size (W x H pixels).
    void LayOut(int W, int H);
    // The right edge of the panel (the tab control stands beside it).
    int PanelRight() const;
    // The connect timer's tick: the Save caption turns back two seconds after a save.
    void SaveFeedbackTick(int intervalMs);
    // The end of the control: the selected node's path is remembered.
    void Terminate();

    // The server's messages: the profile list (200), a profile saved (210), removed (211),
    // enabled or disabled (220). The profile is the one the decoder handed back, or none.
    void ProfileListArrived();
    void ProfileSaved(const std::shared_ptr<cProfile>& profile);
    void ProfileDeleted(const std::shared_ptr<cProfile>& profile);
    void ProfileEnabledOrDisabled(const std::shared_ptr<cProfile>& profile);

    // The tree's share of storing the page: the current node's image is the enabled state
    // (a node that has gone says nothing).
    void StoreEnabledIn(cProfile& profile) const;

    // --- Rebuild of the profile tree ---------------------------------------------------
    // Raised by the server's profile list. Public only for bench/bench_profiles, which
    // times the tree's rebuild alone, without the socket and the list's decoding; tests
    // send the list instead.
    void FillProfileTree(const QString& path);

private:
    QString AddProfileToTree(const std::shared_ptr<cProfile>& profile, int16_t unused = 0);
    // Adds a profile (a copy of the shown one with `copy`) under the node `parentKey` with
    // the name the operator gives; the Add, Add child and Copy buttons call it.
    std::shared_ptr<cProfile> AddProfile(const QString& parentKey, bool copy);
    // The name the operator types for a new or renamed profile (under `parentKey`, with
    // the area), or empty when cancelled, cleaned to nothing or taken by another profile
    // than `leaveOut`.
    Bytes AskForProfileName(const std::shared_ptr<cProfile>& leaveOut, const QString& parentKey,
                            const QString& defaultText);
    std::shared_ptr<cProfile> CopyProfileWithChildren(const QString& nodeKey, const Bytes& newName,
                                                      int16_t leadingLevels, bool onlyThisNode);
    void RenameProfileWithChildren(const QString& nodeKey, const std::shared_ptr<cProfile>& changed);
    void RemoveProfileWithChildren(const QString& nodeKey);

    // Handlers.
    void TreeView_Profiles_NodeClick(const QString& key);
    void TreeView_Profiles_Collapse(const QString& key);
    void TreeView_Profiles_DblClick();
    void TreeView_Profiles_KeyDown(int& keyCode, int shift);
    void TreeView_Profiles_MouseDown(int button, int shift, int x, int y);
    void TreeView_Profiles_MouseMove(int button, int shift, int x, int y);
    void Command_AddProfile_Click();
    void Command_AddChildProfile_Click();
    void Command_CopyProfile_Click();
    void Command_RenameProfile_Click();
    void Command_RemoveProfile_Click();
    void Command_Save_Click();

    void connectHandlers();
    QString addProfileToTree(const std::shared_ptr<cProfile>& profile, bool takeOverUnsaved);
    std::shared_ptr<cProfile> profileOfNode(const QString& key) const;
    int16_t nextTemporaryIdentity();
    void selectAndClick(const QString& key);
    // Sends 210; false when nothing was sent (no network form, or no connection).
    bool sendProfileSave(int32_t refIdentity, const Bytes& refName, const cProfile& profile);
    // True (and one answer fewer awaited) when a save of this name is awaiting its answer.
    bool takePendingSave(const Bytes& name);
    void reportNotSent(const char* text);

    CurrentProfile& m_Current;
    std::unique_ptr<platform::IconStore> m_TreeIcons; // outlives the tree (placed widgets go first)

    QGroupBox* m_Frame0 = nullptr;
    platform::TreeView* m_Tree = nullptr;
    QPushButton* m_AddProfile = nullptr;
    QPushButton* m_AddChildProfile = nullptr;
    QPushButton* m_CopyProfile = nullptr;
    QPushButton* m_RemoveProfile = nullptr;
    QPushButton* m_RenameProfile = nullptr;
    QPushButton* m_Save = nullptr;

    bool m_SaveFeedbackPending = false;
    int m_SaveFeedbackTime = 0;
    int16_t m_TemporaryIdentity = 0;
    KeyedCollection<cProfile> m_DeletedProfiles;
    // Names (upper case) of profiles sent with -1 whose answer has not come yet, with
    // how many answers are awaited.
    std::map<std::string, int> m_PendingSaves;
    int m_TreeShift = 0;
};

} // namespace korvel::profiles
