#pragma once
// The receivers editor: shows the receivers of the operator's area in a list and is the
// starting point of every receiver command: add, copy and remove through three buttons,
// edit by double-click or Enter, enable or disable by a Ctrl double-click. Commands never
// change the receivers directly: they send a message and the list follows when the
// server's answer or announcement comes back.

#include "shell/component.h"

#ifndef Q_MOC_RUN
#include "core/records/receiver.h"
#endif

#include <QStringList>

#include <cstdint>
#include <memory>
#include <string_view>

class QGroupBox;
class QPushButton;

namespace korvel::platform {
class ListView;
}

namespace korvel::receivers {

class Component final : public shell::Component {
    Q_OBJECT
    Q_PROPERTY(QString Area READ Area WRITE SetArea)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)

public:
    static shell::ControlDescription MakeDescription();

    explicit Component(ClientState& state, QWidget* parent = nullptr);
    // Termination: remembers the list's column widths, selected row and sort.
    ~Component() override;

    // The widgets carry their names as object names ("Frame", "ListView_Receivers",
    // "Command_AddReceiver", "Command_CopyReceiver", "Command_RemoveReceiver"); the
    // operator's clicks, double-clicks and keys on them, and the server's messages, are
    // the only ways in. The rest of the control's face is its properties.

protected:
    void OnInitialise() override;
    void ApplyCaptions() override;
    void OnSettingsMessage() override;
    void HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords& touched) override;
    void OnShowConnectionState() override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The benchmark times the list's rebuild alone, without the socket and the decoder
    // in front of it.
    friend struct ListRebuildTiming;

    // The list.
    void FillReceiverList();
    // Adds the receiver's row (at its sorted place) or refreshes it; returns the position of
    // a refreshed row, which may now stand out of order, and 0 for a new one.
    int ShowReceiverInList(const cReceiver& receiver);
    void SelectLastReceiver();
    // Handlers of the list's events.
    void ListView_Receivers_ItemClick(int position);
    void ListView_Receivers_ColumnClick(int column);
    void ListView_Receivers_MouseDown(int button, int shift, int x, int y);
    void ListView_Receivers_MouseMove(int button, int shift, int x, int y);
    void ListView_Receivers_DblClick();
    void ListView_Receivers_KeyPress(int keyAscii);

    // Commands.
    void Command_AddReceiver_Click();
    void Command_CopyReceiver_Click();
    void Command_RemoveReceiver_Click();

    void ApplyUserRights();
    // The list's part of termination (run by the destructor).
    void SaveListState();

    void onConnected();
    void onReceiverSaved(const std::shared_ptr<cReceiver>& receiver);     // MsgReceiverSave
    void onReceiverDeleted(const std::shared_ptr<cReceiver>& receiver);   // MsgReceiverDelete
    void onReceiverEnabled(const std::shared_ptr<cReceiver>& receiver);   // MsgReceiverEnableOrDisable
    void openParametersWindow(int16_t mode, std::shared_ptr<cReceiver> receiver);
    void setFrameCaption();
    void layout();
    bool mayEditReceivers() const;
    QStringList rowTexts(const cReceiver& receiver) const;

    QGroupBox* m_Frame;
    platform::ListView* m_List;
    QPushButton* m_Add;
    QPushButton* m_Copy;
    QPushButton* m_Remove;

    bool m_AllowBackupReceiver = false;
    bool m_RunAsCollectionClient = false;
    std::shared_ptr<cReceiver> m_CurrentReceiver;
    std::shared_ptr<cReceiver> m_EditReceiver;
    int16_t m_EditMode = 0;
    bool m_ListPrepared = false; // columns built by a settings message

    // Last mouse press on the list.
    int16_t m_MouseButton = 0;
    int16_t m_MouseShift = 0;
    int m_MouseX = 0;
};

} // namespace korvel::receivers
