#pragma once
// The active profiles control: the profiles of the operator's area as a flat tree of
// check-box icons (1 enabled, 2 disabled). A double-click with Ctrl asks the server to
// switch the selected profile (message 220); the icon changes only when the server's
// own 220 comes back. Hosts can switch profiles by name through ProfileEnableOrDisable
// and read their state through IsProfileEnabled.

#include "shell/component.h"

#ifndef Q_MOC_RUN
#include "controls/profileswitch/profileswitch.h"
#endif

#include <memory>
#include <string_view>

namespace korvel::platform {
class IconStore;
class TreeView;
}

namespace korvel::activeprofiles {

class Component final : public shell::Component {
    Q_OBJECT
    Q_PROPERTY(QString Area READ Area WRITE SetArea)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(int IsConnectedToServer READ IsConnectedToServer)

public:
    // Icon numbers in ImageManager_CheckBoxes.
    static constexpr int kImageEnabled = 1;
    static constexpr int kImageDisabled = 2;
    static constexpr int kTextTreeToolTip = 437;

    static shell::ControlDescription MakeDescription();

    explicit Component(ClientState& state, QWidget* parent = nullptr);
    ~Component() override;

    // Public operations (callable by name from a host).
    Q_INVOKABLE void ProfileEnableOrDisable(const QString& ProfileName, int Enabled);
    Q_INVOKABLE int IsProfileEnabled(const QString& ProfileName) const;
    Q_INVOKABLE int IsConnectedToServer() const;

    // The tree carries its name, "TreeView_Profiles", as its object name.

protected:
    void OnInitialise() override;
    void OnSettingsMessage() override;
    void HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords& touched) override;
    void OnShowConnectionState() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Handlers of the tree's events.
    void TreeView_Profiles_MouseDown(int button, int shift, int x, int y);
    void TreeView_Profiles_DblClick();

    void fillTree();                                   // MsgProfileList
    void showSavedProfile(const cProfile& profile);    // MsgProfileSave
    void sendEnableOrDisable(const cProfile& profile, int16_t flag);

    std::unique_ptr<platform::IconStore> m_Icons;
    platform::TreeView* m_Tree;
    int16_t m_TreeShift = 0;
    // The public operations find a profile by its shown name through this index.
    mutable profileswitch::ShownNameIndex m_ShownNames;
};

} // namespace korvel::activeprofiles
