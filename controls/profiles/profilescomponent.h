#pragma once
// The profiles editor: a tree of the operator's profiles beside a tabbed page that edits
// the selected one (alarm states, receivers, conditions, schedule, advanced switching,
// the shared calendar). Every edit stays local until Save sends the removed, new and
// changed profiles and a changed calendar; the tree and the page follow the server's
// answers (210, 211, 220, 180).
//
// The control is four pages (pagehost.h): the profile tree (profiletree.h), the profile
// page (profilepage.h), the receiver lists (receiverlists.h) and the schedule and
// calendar page (schedulepage.h). The control keeps the shell's hooks, the current
// profile and the layout, routes the server's messages to the pages and passes on what
// one page asks of the others. The widgets keep the system's names (TreeView_Profiles,
// SSTab_Profile ...) as object names, and the handlers keep theirs, so the behaviour can
// be traced widget by widget.

#include "shell/component.h"

#include "controls/profiles/pagehost.h"
#include "controls/profiles/profiletree.h"

#ifndef Q_MOC_RUN
#include "controls/profileswitch/profileswitch.h"
#endif

#include <QString>

#include <memory>
#include <string>
#include <string_view>

namespace korvel::profiles {

class ProfilePage;
class ReceiverLists;
class SchedulePage;

class Component final : public shell::Component, private PageHost {
    Q_OBJECT
    Q_PROPERTY(QString Area READ Area WRITE SetArea)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(int IsConnectedToServer READ IsConnectedToServer)

public:
    static constexpr const char* kApplication = kSettingsApplication;
    static constexpr int kTabCount = profiles::kTabCount;
    // Said when Save or a name change could not reach the server (it is not connected).
    static constexpr const char* kNotSavedText = ProfileTree::kNotSavedText;
    static constexpr const char* kNotRenamedText = ProfileTree::kNotRenamedText;

    static shell::ControlDescription MakeDescription();

    explicit Component(ClientState& state, QWidget* parent = nullptr);
    ~Component() override;

    // --- Public operations (callable by name) ------------------------------------------
    Q_INVOKABLE void ProfileEnableOrDisable(const QString& ProfileName, int Enabled);
    Q_INVOKABLE int IsProfileEnabled(const QString& ProfileName);
    int IsConnectedToServer() const { return IsConnected() ? 1 : 0; }

protected:
    void OnInitialise() override;
    void ApplyCaptions() override;
    void OnSettingsMessage() override;
    void HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords& touched) override;
    void OnTimerExtra() override;
    void OnShowConnectionState() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // PageHost: what the pages ask of the control.
    const CurrentProfile& Current() const override { return m_Current; }
    void ShowProfileInEditor() override;
    void StoreEditorInProfile() override;
    void ClearProfileEditor() override;
    void StorePageInto(cProfile& profile) override;
    void ProfileNamesChanged() override;
    void BeforeTabChange() override;
    void TabChanged(int index) override;
    void UserControl_Resize() override;
    QString Text(int n) const override { return shell::Component::Text(n); }
    std::string StoredSetting(const char* key, const std::string& defaultValue) const override {
        return shell::Component::StoredSetting(key, defaultValue);
    }
    void Remember(const char* key, const std::string& value) override { shell::Component::Remember(key, value); }
    int16_t MaxDaysToStoreAlarm() const override { return m_MaxDaysToStoreAlarm; }
    bool Connected() const override { return IsConnected(); }
    void SendToServer(MessageType type, const Bytes& body) override;
    QWidget* BoxParent() override { return this; }

    void buildWidgets();

    // The pages, children of the control (found by their object names).
    ProfileTree* m_Tree = nullptr;
    ProfilePage* m_Profile = nullptr;
    ReceiverLists* m_Receivers = nullptr;
    SchedulePage* m_Schedule = nullptr;

    bool m_Built = false; // every page's widgets are there (the layout waits for them)
    CurrentProfile m_Current;
    int16_t m_MaxDaysToStoreAlarm = 0;
    // Profiles by the name a host asks for; made anew whenever this editor renames a
    // profile in place (the collection itself tells it of every other change).
    profileswitch::ShownNameIndex m_ShownNames;
};

} // namespace korvel::profiles
