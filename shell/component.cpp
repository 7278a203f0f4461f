#include "shell/component.h"

#include <QPointer>

#include "core/decoder.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/procedures.h"
#include "core/serversettings.h"
#include "core/settingsstore.h"
#include "platform/dialogservice.h"
#include "platform/lastresort.h"
#include "platform/plaintext.h"
#include "platform/qtext.h"
#include "platform/socketcontrol.h"
#include "platform/statuslabel.h"

#include <QTimer>

#include <ctime>
#include <utility>

namespace korvel::shell {

// The name reports of the receive path give (the socket's data-arrival event, and the
// slices that go on with it).
constexpr char kReceiveHandler[] = "Winsock_ActiveXClient_DataArrival";
namespace {
constexpr const char* kTextsSection = "Texts";
constexpr const char* kParametersSection = "Parameters";
constexpr const char* kIsLoadedOnce = "IsLoadedOnce";

// Whether a slice has used its budget, asked after every frame. Reading the precise
// clock after each of a million small frames would cost more than cutting them, so the
// precise clock is read after every 32nd frame, and after any frame during which the
// system's coarse clock (a few nanoseconds to read, ticking every few milliseconds)
// moved on: a slice of expensive frames is still cut right after the frame that passes
// the budget, one of cheap frames within 32 of them.
class SliceClock {
public:
    SliceClock() : m_Coarse(coarse()) { m_Precise.start(); }
    bool Spent(qint64 budgetMs) {
        const int64_t now = coarse();
        if (++m_Frames % 32 != 0 && now == m_Coarse) return false;
        m_Coarse = now;
        return m_Precise.elapsed() >= budgetMs;
    }

private:
    static int64_t coarse() {
#ifdef CLOCK_MONOTONIC_COARSE
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
        return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
#else
        return -1; // no coarse clock: the precise one every 32 frames
#endif
    }
    QElapsedTimer m_Precise;
    int64_t m_Coarse;
    unsigned m_Frames = 0;
};
} // namespace

Component::Component(ClientState& state, ControlDescription description, QWidget* parent)
    : QWidget(parent),
      m_State(state),
      m_Description(std::move(description)),
      m_Socket(new platform::SocketControl(this)),
      m_Label(new platform::StatusLabel(this)),
      m_Timer(new QTimer(this)),
      m_SliceTimer(new QTimer(this)) {
    // Whoever hosts the control: every text it shows is plain text.
    platform::InstallPlainTextRule();
    setObjectName(QStringLiteral("Component"));
    m_Socket->setObjectName(QStringLiteral("Winsock_ActiveXClient"));
    m_Label->setObjectName(QStringLiteral("Label_Disconnected"));
    m_Timer->setObjectName(QStringLiteral("Timer_Connect"));
    // Shown by the first ShowConnectionState, two seconds after the start at the latest.
    m_Label->hide();
    m_Timer->setInterval(kConnectIntervalMs);
    connect(m_Timer, &QTimer::timeout, this, &Component::Timer_Connect_Timer);
    m_SliceTimer->setSingleShot(true);
    m_SliceTimer->setInterval(0);
    connect(m_SliceTimer, &QTimer::timeout, this, &Component::nextSlice);
    connect(m_Socket, &platform::SocketControl::Connected, this, &Component::Winsock_ActiveXClient_Connect);
    connect(m_Socket, &platform::SocketControl::ClosedByPeer, this, &Component::Winsock_ActiveXClient_Close);
    connect(m_Socket, &platform::SocketControl::Error, this, &Component::Winsock_ActiveXClient_Error);
    connect(m_Socket, &platform::SocketControl::DataArrival, this,
            &Component::Winsock_ActiveXClient_DataArrival);
}

Component::~Component() {
    m_Timer->stop();
    m_SliceTimer->stop();
    platform::RunGuarded("UserControl_Terminate", [&] { m_Socket->Close(); });
    if (m_State.ServerSocket == m_Socket) m_State.ServerSocket = nullptr;
}

void Component::Initialise() {
    bindSocket();
    // Each step runs even when the one before failed: the control comes up either way.
    platform::RunGuarded("UserControl_Initialize", [&] { ReadRegistrySettings(m_State); });
    platform::RunGuarded("UserControl_Initialize", [&] { ApplyTexts(false); });
    platform::RunGuarded("UserControl_Initialize", [&] { OnInitialise(); });
    m_Timer->start();
}

// Every instance of a control shares its deliverable's state; the shared procedures
// send on the socket the state points at, so each handler points it at its own.
void Component::bindSocket() { m_State.ServerSocket = m_Socket; }

bool Component::IsConnected() const { return m_Socket->State() == SocketConnected; }

// --- Properties ------------------------------------------------------------------------

QString Component::ServerAddress() const { return platform::ToQString(m_State.ServerAddress); }

void Component::SetServerAddress(const QString& address) {
    const std::string value = platform::FromQString(address);
    if (value == m_State.ServerAddress) return;
    if (m_State.ConnectAttempted) {
        bindSocket();
        endConnection();
        m_State.ConnectAttempted = false;
        m_Timer->stop();
        m_Timer->start();
    }
    m_State.ServerAddress = value;
}

int Component::ServerPort() const { return m_State.ServerPort; }

void Component::SetServerPort(int port) {
    if (port < 0 || port > 65535) return;
    m_State.ServerPort = port;
}

QString Component::Area() const { return platform::ToQString(m_State.Area); }

void Component::SetArea(const QString& area) { m_State.Area = platform::FromQString(area); }

void Component::SetPassword(const QString& password) {
    const Bytes value = platform::FromQString(password);
    if (value == m_State.Password) return;
    m_State.Password = value;
    Bytes body;
    try {
        AppendString(body, value);
    } catch (const KorvelError&) {
        return; // too long to carry: kept, and refused by the server's check anyway
    }
    bindSocket();
    Send(MessageType::MsgPassword, body);
}

// --- Procedures --------------------------------------------------------------------------

void Component::Send(MessageType type, std::string_view body) {
    try {
        SendToServer(m_State, type, body);
    } catch (const EncodeError&) {
        // A body too long for a frame is not sent.
    }
}

void Component::SendStartupRequests() {
    bindSocket();
    Send(MessageType::MsgTextTable, {});
    Send(MessageType::MsgServerSettings, {});
    for (const StartupRequest& request : m_Description.OwnStartupRequests) {
        try {
            switch (request.Condition) {
            case StartupRequest::When::Always: Send(request.Type, request.Body); break;
            case StartupRequest::When::AreaIsSet:
                if (!m_State.Area.empty()) {
                    Bytes body;
                    AppendString(body, m_State.Area);
                    Send(MessageType::MsgArea, body);
                }
                break;
            case StartupRequest::When::PasswordIsSet:
                if (!m_State.Password.empty()) {
                    Bytes body;
                    AppendString(body, m_State.Password);
                    Send(MessageType::MsgPassword, body);
                }
                break;
            }
        } catch (const KorvelError&) {
            // An area or password too long for a String is not sent.
        }
    }
}

void Component::HandleSettingsMessage() {
    ApplyServerSettings(m_State);
    OnSettingsMessage();
    ApplyTexts(true);
}

void Component::ApplyTexts(bool forced) {
    if (!forced && NumericValue(storedIn(kTextsSection, kIsLoadedOnce, "0")) == 0) return;
    ApplyCaptions();
    rememberIn(kTextsSection, kIsLoadedOnce, "1");
}

QString Component::Text(int n) const { return platform::ToQString(GetText(m_State, n)); }

std::string Component::StoredSetting(const char* key, const std::string& defaultValue) const {
    return storedIn(kParametersSection, key, defaultValue);
}

void Component::Remember(const char* key, const std::string& value) { rememberIn(kParametersSection, key, value); }

// Settings stores do not raise (core/settingsstore.h).
std::string Component::storedIn(const char* section, const char* key, const std::string& defaultValue) const {
    const ISettingsStore* store = m_State.SettingsStore;
    return store ? store->Get(m_Description.SettingsApplication, section, key, defaultValue) : defaultValue;
}

void Component::rememberIn(const char* section, const char* key, const std::string& value) {
    if (ISettingsStore* store = m_State.SettingsStore) store->Save(m_Description.SettingsApplication, section, key, value);
}

void Component::ShowConnectionState() {
    bindSocket();
    const ConnectionStatus status = GetConnectionStatus(m_State);
    m_Label->SetText(platform::ToQString(status.Text));
    m_Label->setVisible(status.Visible);
    if (status.Visible) m_Label->raise();
    OnShowConnectionState();
}

// --- Handlers ----------------------------------------------------------------------------

void Component::Timer_Connect_Timer() {
    platform::RunGuarded("Timer_Connect_Timer", [&] {
        bindSocket();
        ConnectToServer(m_State);
        if (m_ElapsedMs < kStatusDelayMs) {
            m_ElapsedMs += kConnectIntervalMs;
            if (m_ElapsedMs >= kStatusDelayMs) ShowConnectionState();
        }
        OnTimerExtra();
    });
}

void Component::Winsock_ActiveXClient_Connect() {
    platform::RunGuarded("Winsock_ActiveXClient_Connect", [&] {
        // A new connection starts a new stream: nothing left of an old one may frame it.
        // Frames of the old one that still wait are dropped with it.
        if (m_Pending || m_InReceiveLoop) m_EndedConnection = true;
        if (!m_InReceiveLoop) m_ReceiveBuffer.Clear();
        m_PeerClosed = false;
        SendStartupRequests();
        ShowConnectionState();
    });
}

void Component::Winsock_ActiveXClient_Close() {
    // Frames that wait are handled first; the slice that finishes them ends the
    // connection (a closed server's last bytes), or drops them (a broken connection).
    if (m_Pending || m_InReceiveLoop) return;
    platform::RunGuarded("Winsock_ActiveXClient_Close", [&] {
        if (m_Socket->State() == SocketClosing && m_Socket->BytesWaiting() != 0) {
            runSlice();
            return;
        }
        m_Socket->Close();
        ShowConnectionState();
    });
}

void Component::Winsock_ActiveXClient_Error(int, const QString&) { Winsock_ActiveXClient_Close(); }

void Component::endConnection() {
    m_Socket->Close();
    m_EndedConnection = true;
    m_PeerClosed = false;
}

void Component::recover() {
    platform::RunGuarded(kReceiveHandler, [&] {
        m_ReceiveBuffer.Clear();
        m_PeerClosed = false;
        m_Socket->Close();
        ShowConnectionState();
    });
}

void Component::Winsock_ActiveXClient_DataArrival(qint64) {
    // While frames wait (or one waits on a modal box), the new bytes stay in the socket
    // behind them: the slice takes them once the frames before are handled.
    if (m_Pending || m_InReceiveLoop) return;
    runSlice();
}

// The next slice comes by a zero timer, not a posted call: Qt runs due timers in the same
// pass as a zero timer, so the program's other timers keep their pace while a backlog is
// handled (after a posted call they would wait every other pass).
void Component::postSlice() {
    if (!m_SliceTimer->isActive()) m_SliceTimer->start();
}

void Component::nextSlice() {
    if (m_Pending || m_Socket->BytesWaiting() != 0) runSlice();
}

bool Component::pullReceived() {
    const std::size_t read = m_Socket->ReadReceivedInto(m_ReceiveBuffer);
    // A read that filled the read-ahead left the rest with the system.
    if (read >= static_cast<std::size_t>(platform::SocketControl::kReadAheadBytes)) m_MoreWaiting = true;
    return read != 0;
}

bool Component::connectionBroke() {
    const int16_t state = m_Socket->State();
    if (state == SocketConnected) return false;
    if (state == SocketClosing && !m_PeerClosed) {
        // The server closed: what it sent before is still handled. Its bytes are taken
        // from the socket now, before anything (an answer to a keep-alive) closes it.
        m_PeerClosed = true;
        while (pullReceived()) {
        }
        return false;
    }
    if (state == SocketClosed) {
        // Closed under the frames' handling by a send that found the server gone (while a
        // frame waited on a modal box): its status is shown once the frames are handled.
        m_PeerClosed = true;
        return false;
    }
    if (state != SocketError) return false;
    // A broken connection (a reset, or a server that stopped taking what is sent to it):
    // the rest is dropped, as for a malformed stream.
    m_ReceiveBuffer.Clear();
    m_PeerClosed = false;
    m_Socket->Close();
    ShowConnectionState();
    return true;
}

void Component::runSlice() {
    // Posted slices also run inside a modal box's event loop; the slice that waits on
    // the box goes on after it.
    if (m_InReceiveLoop) return;
    // A frame's handling may wait on a modal box, during which the host may destroy
    // the control; nothing of it may be touched after that.
    QPointer<Component> alive(this);
    if (!m_Pending) {
        m_Pending = true;
        m_EndedConnection = false;
        m_MoreWaiting = false;
        m_SinceProgress.start();
    }
    m_InReceiveLoop = true;
    SliceClock slice;
    bool done = false;
    try {
        bindSocket();
        for (;;) {
            // Frames belong to the connection they arrived on. Once the control has ended
            // it (a version conflict, a new address, a new connection), the rest is dropped:
            // none of it is handled and no further box shown.
            if (m_EndedConnection) {
                m_ReceiveBuffer.Clear();
                done = true;
                break;
            }
            if (connectionBroke()) {
                done = true;
                break;
            }
            std::optional<Frame> frame = m_ReceiveBuffer.Next();
            if (!frame) {
                // No whole frame left: only now is more taken from the socket.
                if (pullReceived()) continue;
                if (m_MoreWaiting) {
                    // The socket's read-ahead was full: the event loop runs (and Qt takes
                    // more from the system) before the frames are counted as done.
                    m_MoreWaiting = false;
                    break;
                }
                done = true;
                break;
            }
            handleFrame(*frame);
            if (!alive) return;
            if (!m_EndedConnection && slice.Spent(kSliceBudgetMs)) break;
        }
    } catch (const KorvelError&) {
        if (!alive) return;
        // A malformed stream or message: drop the connection, say so, go on working.
        recover();
        done = true;
    } catch (...) {
        // A fault of the program while handling a frame: reported, and then the same as
        // a malformed message, since what the frame left behind cannot be trusted.
        platform::ReportEscaped(kReceiveHandler, std::current_exception());
        if (!alive) return;
        recover();
        done = true;
    }
    m_InReceiveLoop = false;
    if (done) {
        finishBatch();
        return;
    }
    if (m_SinceProgress.elapsed() >= kProgressIntervalMs) {
        readHandled();
        if (!alive) return;
        m_SinceProgress.start();
    }
    postSlice();
}

void Component::finishBatch() {
    m_Pending = false;
    // A large message leaves a large buffer behind; it is let go of here, once the
    // frames (which point into it) are handled.
    m_ReceiveBuffer.Trim();
    QPointer<Component> alive(this);
    readHandled();
    if (!alive) return;
    platform::RunGuarded(kReceiveHandler, [&] {
        if (m_PeerClosed) {
            m_PeerClosed = false;
            m_Socket->Close();
            ShowConnectionState();
        } else if (IsConnected() && m_Socket->BytesWaiting() != 0) {
            postSlice(); // a new connection's first bytes, arrived while old frames were dropped
        }
    });
}

void Component::readHandled() { platform::RunGuarded("OnReadHandled", [&] { OnReadHandled(); }); }

void Component::handleFrame(const Frame& frame) {
    const TouchedRecords touched = HandleServerMessage(m_State, frame.Message(), frame.Body);
    switch (frame.Message()) {
    case MessageType::MsgProtocolVersion: checkProtocolVersion(frame.Body); break;
    case MessageType::MsgServerSettings: HandleSettingsMessage(); break;
    default: HandleOwnMessage(frame.Message(), frame.Body, touched); break;
    }
}

void Component::checkProtocolVersion(std::string_view body) {
    const std::optional<std::string> conflict = CheckProtocolVersion(body);
    if (!conflict) return;
    QPointer<Component> alive(this);
    platform::ShowMessage(platform::ToQString(*conflict), platform::ToQString(m_Description.SettingsApplication),
                          platform::MessageIcon::Exclamation, platform::MessageButtons::Ok, this);
    if (!alive) return; // the host destroyed the control while the box was open
    endConnection();
    ShowConnectionState();
}

void Component::HandleOwnMessage(MessageType, std::string_view, const TouchedRecords&) {}

} // namespace korvel::shell
