#pragma once
// The control shell every control derives from: the automation properties, the connect
// timer, the socket's events and the receive loop, the start of the conversation with
// the server, the rule for applying numbered texts, and the control's texts and
// remembered settings as its widgets need them.
//
// A control derives from Component, passes its ControlDescription and the client state
// of its deliverable, and calls Initialise() at the end of its constructor. It adds its
// own behaviour through the virtual hooks below. ServerAddress and ServerPort are Qt
// properties of every control; a control that offers Area and Password declares them:
//     Q_PROPERTY(QString Area READ Area WRITE SetArea)
//     Q_PROPERTY(QString Password READ Password WRITE SetPassword)
//
// Recovery: a malformed stream or message (FrameError, DecodeError, EncodeError: any
// KorvelError while handling a frame) closes the connection and shows the connection
// status; the control goes on working. Any other failure there is a fault of the program:
// it is reported through the last-resort handler (platform/lastresort.h) and then treated
// the same. Every entry point from the event loop (socket events, timers, the hooks a
// control overrides) has such a handler, so nothing escapes into the event loop.
//
// Receiving: the frames that arrive are handled in order, in slices of about
// kSliceBudgetMs of handling; between two slices the event loop runs (it paints, fires
// timers, sends the answers) and then the next frame is handled. Bytes are taken from
// the socket only when no whole frame is left, so what the control reads ahead stays
// bounded and a fast server is held back by the connection itself (docs/shell.md).

// moc need not (and, with C++20 library headers, cannot) read the core.
#ifndef Q_MOC_RUN
#include "core/clientstate.h"
#include "core/decoder.h"
#include "core/frames.h"
#include "core/messages.h"
#include "shell/controldescription.h"
#endif

#include <QElapsedTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QTimer;

namespace korvel::platform {
class SocketControl;
class StatusLabel;
} // namespace korvel::platform

namespace korvel::shell {

class Component : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString ServerAddress READ ServerAddress WRITE SetServerAddress)
    Q_PROPERTY(int ServerPort READ ServerPort WRITE SetServerPort)

public:
    static constexpr int kConnectIntervalMs = 100;
    static constexpr int kStatusDelayMs = 2000;
    // Handling received frames holds the event loop about this long at most (the frame
    // that passes the mark is the last of the slice).
    static constexpr int kSliceBudgetMs = 10;
    // While a backlog lasts longer than this, OnReadHandled also runs between slices, at
    // most once per interval, so the operator sees it coming in.
    static constexpr int kProgressIntervalMs = 100;

    Component(ClientState& state, ControlDescription description, QWidget* parent = nullptr);
    // Terminate: closes the socket.
    ~Component() override;

    // Automation properties.
    QString ServerAddress() const;
    void SetServerAddress(const QString& address);
    int ServerPort() const;
    void SetServerPort(int port);
    QString Area() const;
    void SetArea(const QString& area);
    QString Password() const { return {}; } // write only
    void SetPassword(const QString& password);

    // Procedures a host never calls but tests still do: the settings message (the
    // receivers editor's benchmark), and one tick of the connect timer (tests that run
    // the clock by hand).
    void HandleSettingsMessage();
    void Timer_Connect_Timer();

    ClientState& State() const { return m_State; }
    const ControlDescription& Description() const { return m_Description; }
    bool IsConnected() const;

    // The parts carry their names as object names: the socket "Winsock_ActiveXClient"
    // (a platform::SocketControl), the status label "Label_Disconnected" (a
    // platform::StatusLabel) and the connect timer "Timer_Connect".

protected:
    // Procedures of the shell.
    // Applies the numbered texts: always when forced, otherwise only once they have been
    // loaded from the server before.
    void ApplyTexts(bool forced);
    void SendStartupRequests();
    void ShowConnectionState();

    // Handlers of the socket's events.
    void Winsock_ActiveXClient_Connect();
    void Winsock_ActiveXClient_Close();
    void Winsock_ActiveXClient_Error(int number, const QString& description);
    void Winsock_ActiveXClient_DataArrival(qint64 bytesTotal);

    // The parts, for the control.
    platform::SocketControl& Winsock_ActiveXClient() const { return *m_Socket; }
    platform::StatusLabel& Label_Disconnected() const { return *m_Label; }
    QTimer& Timer_Connect() const { return *m_Timer; }

    // Start of the control: points the state at this control's socket, reads the
    // connection settings, applies texts (not forced), runs OnInitialise and starts the
    // connect timer. Called by the derived control at the end of its constructor.
    void Initialise();

    // Hooks of the control.
    virtual void OnInitialise() {}
    // Step 2 of ApplyTexts: set the captions from their text numbers.
    virtual void ApplyCaptions() {}
    // The control's own part of HandleSettingsMessage (after ApplyServerSettings).
    virtual void OnSettingsMessage() {}
    // Every type but MsgProtocolVersion and MsgServerSettings, after the shared decoder,
    // with the record the decoder touched; a type the control does not know is dropped
    // without a word. May raise KorvelError.
    virtual void HandleOwnMessage(MessageType type, std::string_view body, const TouchedRecords& touched);
    // Once the frames received so far have been handled (also when the rest was dropped
    // because the connection ended), and between slices of a backlog at most once per
    // kProgressIntervalMs: the place for view work that needs doing once per batch of
    // messages, not once per message (scrolling to the newest entry).
    virtual void OnReadHandled() {}
    virtual void OnTimerExtra() {}
    virtual void OnShowConnectionState() {}

    // Sends one frame to the server (see SendToServer); never raises.
    void Send(MessageType type, std::string_view body);

    // The numbered text n as a widget shows it.
    QString Text(int n) const;
    // The operator's remembered settings: kept per user under the control's settings
    // application, section "Parameters". StoredSetting gives defaultValue when nothing
    // is stored under the key; without a store (or when it fails, which is reported)
    // it gives defaultValue and Remember keeps nothing.
    std::string StoredSetting(const char* key, const std::string& defaultValue) const;
    void Remember(const char* key, const std::string& value);

private:
    std::string storedIn(const char* section, const char* key, const std::string& defaultValue) const;
    void rememberIn(const char* section, const char* key, const std::string& value);
    void bindSocket();
    // One slice of the receive loop; posts the next one while frames remain.
    void runSlice();
    void postSlice();
    void nextSlice();
    // Takes what the socket holds into the cutter; false when it held nothing.
    bool pullReceived();
    // Looks at the socket before a frame: a server that closed leaves its last bytes to
    // be handled (taken from the socket at once), a broken connection ends the rest.
    // True when the rest is to be dropped.
    bool connectionBroke();
    // The frames received so far are handled: OnReadHandled, then the end of a connection
    // the server closed meanwhile.
    void finishBatch();
    void handleFrame(const Frame& frame);
    void readHandled();
    void checkProtocolVersion(std::string_view body);
    void recover();
    // Closes the socket on the control's own decision (not because the server went).
    void endConnection();

    ClientState& m_State;
    ControlDescription m_Description;
    platform::SocketControl* m_Socket;
    platform::StatusLabel* m_Label;
    QTimer* m_Timer;
    QTimer* m_SliceTimer; // the next slice of the receive loop
    FrameCutter m_ReceiveBuffer;
    int m_ElapsedMs = 0;
    bool m_InReceiveLoop = false;   // a slice is running (its frame may wait on a modal box)
    bool m_Pending = false;         // received frames wait to be handled; the next slice is due
    bool m_EndedConnection = false; // the control ended the connection: the rest is dropped
    bool m_PeerClosed = false;      // the server closed; its connection ends after the rest
    bool m_MoreWaiting = false;     // the last read filled the read-ahead: more is on its way
    QElapsedTimer m_SinceProgress;  // since the batch began or OnReadHandled last ran
};

} // namespace korvel::shell
