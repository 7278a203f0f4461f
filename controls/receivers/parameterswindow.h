#pragma once
// The receiver parameters window: the modal dialog in which the operator enters a new
// receiver, a copy of one, or changes one. The setting fields follow the parameter layout
// of the chosen receiver type; Ok checks the name, writes the dialog into the receiver and
// sends it to the server (message 240). The list shows the result when the server
// announces it.

#ifndef Q_MOC_RUN
#include "controls/receivers/parameterlayout.h"
#include "core/clientstate.h"
#include "core/messages.h"
#include "core/records/receiver.h"
#endif

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvel::receivers {

enum EditModes : int16_t { EditModeAdd = 0, EditModeCopy = 1, EditModeEdit = 2 };

// What the window needs of the control.
struct EditContext {
    ClientState* State = nullptr;
    bool AllowBackupReceiver = false;
    bool RunAsCollectionClient = false;
    // Sends one message to the server.
    std::function<void(MessageType type, std::string_view body)> Send;
    // Whether a message sent now reaches the server; unset counts as connected.
    std::function<bool()> IsConnected;
};

// Shown when Ok finds no connection: the receiver stays in the window, unsent.
inline constexpr const char* kNotSentText =
    "The receiver was not sent: there is no connection to the server. Your entries are kept.";

class ReceiverParametersWindow final : public QDialog {
    Q_OBJECT
public:
    // editReceiver: a new receiver (identity -1) for add and copy; for edit the receiver
    // to change (the control hands a working copy of the listed one).
    ReceiverParametersWindow(EditContext context, int16_t editMode, std::shared_ptr<cReceiver> editReceiver,
                             QWidget* parent = nullptr);

    // Shows the window modally (through the dialog service) and returns when it is
    // closed; true when Ok sent the receiver.
    bool Run();

    // The widgets carry their names as object names: "Text_ReceiverName",
    // "Combo_ReceiverType", "Label_Setting0".."Label_Setting3", "Combo_Setting0"..,
    // "Text_Setting0".., "Label_BackupReceiver", "Combo_BackupReceiver", "Command_Ok" and
    // "Command_Cancel". The operator's choices, typing and clicks on them are the only
    // ways in.

private:
    // Events.
    void Combo_ReceiverType_Click();
    void LoadReceiverIntoForm(const cReceiver& receiver);
    void Command_Ok_Click();
    void Command_Cancel_Click();

    // Widgets and state.
    QLineEdit& Text_ReceiverName() const { return *m_Name; }
    QComboBox& Combo_ReceiverType() const { return *m_Type; }
    QLabel& Label_Setting(int i) const { return *m_SettingLabels.at(static_cast<std::size_t>(i)); }
    QComboBox& Combo_Setting(int i) const { return *m_SettingCombos.at(static_cast<std::size_t>(i)); }
    QLineEdit& Text_Setting(int i) const { return *m_SettingTexts.at(static_cast<std::size_t>(i)); }
    QLabel& Label_BackupReceiver() const { return *m_BackupLabel; }
    QComboBox& Combo_BackupReceiver() const { return *m_Backup; }
    QPushButton& Command_Ok() const { return *m_Ok; }
    QPushButton& Command_Cancel() const { return *m_Cancel; }
    bool IsListSetting(int i) const { return m_IsList.at(static_cast<std::size_t>(i)); }
    bool IsTextSetting(int i) const { return m_IsText.at(static_cast<std::size_t>(i)); }
    // True once Ok has sent the receiver.
    bool Sent() const { return m_Sent; }

    void buildWidgets();
    void applyCaptions();
    void fillReceiverTypes();
    void fillBackupReceivers();
    void shrinkWithoutBackup();
    // The type row of the chosen entry, or -1.
    int chosenTypeRow() const;
    QString text(int number) const;

    EditContext m_Context;
    int16_t m_EditMode;
    std::shared_ptr<cReceiver> m_Receiver;

    QLabel* m_NameLabel;
    QLineEdit* m_Name;
    QLabel* m_TypeLabel;
    QComboBox* m_Type;
    std::array<QLabel*, kSettingFields> m_SettingLabels{};
    std::array<QComboBox*, kSettingFields> m_SettingCombos{};
    std::array<QLineEdit*, kSettingFields> m_SettingTexts{};
    QLabel* m_BackupLabel;
    QComboBox* m_Backup;
    QPushButton* m_Ok;
    QPushButton* m_Cancel;
    std::array<bool, kSettingFields> m_IsList{};
    std::array<bool, kSettingFields> m_IsText{};
    bool m_Sent = false;
};

} // namespace korvel::receivers
