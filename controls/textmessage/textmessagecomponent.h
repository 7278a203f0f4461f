#pragma once
// The text message control: the receivers of the operator's area as a check-box list, a
// text editor and a three-panel status bar whose first panel is the Send button. It keeps
// the smallest maximum text length of the ticked receivers' types, enables Send only when
// a send is allowed (text not empty and not too long, rights bit 0x02, a receiver ticked),
// remembers the last message and its receivers (on the server, or in the per-user store
// when the server does not keep them) and shows the identity the server gives a message.
//
// Unlike the other controls it keeps the password in the control itself: it goes out as
// MsgPassword at once when written, and last with the start-up requests.

#include "shell/component.h"

#include <cstdint>
#include <memory>
#include <string_view>

class QGroupBox;
class QPlainTextEdit;

namespace korvel::platform {
class ListView;
}

namespace korvel::textmessage {

class StatusBar;

class Component final : public shell::Component {
    Q_OBJECT
    Q_PROPERTY(QString Area READ Area WRITE SetArea)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)

public:
    static constexpr const char* kSettingsApplication = "Korvel ActiveX TextMessage Client";
    static constexpr const char* kLastMessageReceivers = "LastMessageReceivers";
    static constexpr const char* kLastMessageText = "LastMessageText";
    static constexpr int16_t kNoLimit = 8192;     // m_MaxTextLength with nothing ticked
    static constexpr int32_t kInfoShownMs = 15000; // panel 2 after a send
    static constexpr int kSendPanel = 1, kInfoPanel = 2, kServerPanel = 3;
    static constexpr int32_t kTextSend = 411, kTextFrame = 412;
    static constexpr int32_t kTextTooLong = 160, kTextCharacters = 161, kTextSent = 162;

    static shell::ControlDescription MakeDescription();

    explicit Component(ClientState& state, QWidget* parent = nullptr);
    ~Component() override;

    // Password: write only; a new value is kept here and sent (103) at once.
    QString Password() const { return {}; }
    void SetPassword(const QString& password);

    // The widgets carry their names as object names ("Frame", "ListView_Receivers",
    // "Text_FreeText", "StatusBar"); the operator's ticks, typing and clicks on them, and
    // the server's messages, are the only ways in. The rest of the control's face is its
    // properties.

protected:
    void ApplyCaptions() override;
    void OnSettingsMessage() override;
    void HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords& touched) override;
    void OnTimerExtra() override;
    void OnShowConnectionState() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Procedures.
    bool IsAnyReceiverChecked() const;
    Bytes GetCheckedReceiversList() const;
    void CheckReceiversFromList(std::string_view list);
    void UpdateMaxTextLength();
    void UpdateSendButton();
    void CheckTextLength();
    // Adds the receiver's row (at its sorted place) or renames it; returns the position of
    // a renamed row, which may now stand out of order, and 0 for a new one.
    int ShowReceiverInList(const cReceiver& receiver);
    // The text as the server gets it: Windows-1252, lines ending in CR LF.
    Bytes MessageText() const;
    void SetMessageText(std::string_view text);

    // Handlers.
    void ListView_Receivers_ItemClick(int position);
    void StatusBar_PanelClick(int panel);

    void bindOwnSocket();
    void sendPassword();                 // last of the start-up requests
    void fillList();                     // MsgReceiverList
    void showSavedReceiver(const cReceiver& receiver); // MsgReceiverSave
    void sendMessage();
    void layoutChildren();

    QGroupBox* m_Frame;
    platform::ListView* m_List;
    QPlainTextEdit* m_Text;
    StatusBar* m_StatusBar;
    int16_t m_MaxTextLength = kNoLimit;
    int32_t m_InfoCountdown = 0;
    Bytes m_Password;
    bool m_StoredByServer = true;
};

} // namespace korvel::textmessage
