#include "platform/socketcontrol.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QTcpSocket>

namespace korvel::platform {
namespace {

// Error numbers in the Windows-socket numbering the controls' hosts know.
int ErrorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10053;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::NetworkError: return 10065;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::SocketAccessError: return 10013;
    default: return 10004;
    }
}

} // namespace

SocketControl::SocketControl(QObject* parent) : QObject(parent) {}

SocketControl::~SocketControl() {
    ++m_Generation;
    if (m_Socket) {
        m_Socket->disconnect(this);
        m_Socket->abort();
    }
}

void SocketControl::Connect(const std::string& host, int32_t port) {
    ++m_Generation;
    dropSocket();
    m_RemoteHost = host;
    m_RemotePort = port;
    m_Received.clear();
    m_EndReported = false;
    m_DataPosted = false;

    if (port < 1 || port > 65535 || host.empty()) {
        // The attempt cannot start; its outcome is reported like any failed attempt.
        m_State = korvel::SocketError;
        m_EndReported = true;
        m_ErrorNumber = port < 1 || port > 65535 ? 10049 : 11001;
        m_ErrorText = QStringLiteral("The requested address is not valid");
        post(&SocketControl::deliverError);
        return;
    }

    m_Socket = new QTcpSocket(this);
    connect(m_Socket, &QTcpSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState s) { onQtStateChanged(static_cast<int>(s)); });
    connect(m_Socket, &QTcpSocket::connected, this, &SocketControl::onQtConnected);
    connect(m_Socket, &QTcpSocket::readyRead, this, &SocketControl::onQtReadyRead);
    connect(m_Socket, &QTcpSocket::disconnected, this, &SocketControl::onQtDisconnected);
    connect(m_Socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError e) { onQtError(static_cast<int>(e)); });
    QHostAddress literal;
    m_State = literal.setAddress(QString::fromStdString(host)) ? korvel::SocketConnecting
                                                               : korvel::SocketResolvingHost;
    m_Socket->setReadBufferSize(kReadAheadBytes);
    m_Socket->connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
}

void SocketControl::Send(const korvel::Bytes& bytes) {
    if (!m_Socket || m_State != korvel::SocketConnected || bytes.empty()) return;
    const auto size = static_cast<qint64>(bytes.size());
    if (m_Socket->bytesToWrite() + size > kMaxPendingSendBytes) {
        sendBufferFull();
        return;
    }
    // A failing write is reported (if at all) through the error event, posted.
    m_Socket->write(bytes.data(), size);
}

// The peer has not taken what waits for it and more is to be sent: it counts as broken.
// The connection goes at once (with what waits to be sent), and its end is reported as
// an error, as for any broken connection.
void SocketControl::sendBufferFull() {
    dropSocket();
    m_Received.clear();
    m_State = korvel::SocketError;
    if (m_EndReported) return;
    m_EndReported = true;
    m_ErrorNumber = kSendBufferFullError;
    m_ErrorText = QStringLiteral("The server does not take what is sent to it");
    post(&SocketControl::deliverError);
}

std::size_t SocketControl::BytesWaiting() const {
    const qint64 inQt = m_Socket ? m_Socket->bytesAvailable() : 0;
    return m_Received.size() + static_cast<std::size_t>(inQt > 0 ? inQt : 0);
}

qint64 SocketControl::BytesToWrite() const { return m_Socket ? m_Socket->bytesToWrite() : 0; }

korvel::Bytes SocketControl::ReadReceived() {
    pullBytes();
    korvel::Bytes out;
    out.swap(m_Received);
    return out;
}

void SocketControl::Close() {
    ++m_Generation;
    dropSocket();
    m_State = korvel::SocketClosed;
    m_Received.clear();
    m_EndReported = false;
    m_DataPosted = false;
}

void SocketControl::dropSocket() {
    if (!m_Socket) return;
    QTcpSocket* old = m_Socket;
    m_Socket = nullptr;
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

void SocketControl::pullBytes() {
    if (!m_Socket) return;
    const qint64 n = m_Socket->bytesAvailable();
    if (n <= 0) return;
    const std::size_t old = m_Received.size();
    m_Received.resize(old + static_cast<std::size_t>(n));
    const qint64 got = m_Socket->read(m_Received.data() + old, n);
    m_Received.resize(old + static_cast<std::size_t>(got > 0 ? got : 0));
    rearm();
}

std::size_t SocketControl::ReadReceivedInto(korvel::FrameCutter& cutter) {
    std::size_t total = m_Received.size();
    if (total != 0) {
        cutter.Append(m_Received);
        m_Received.clear();
    }
    if (!m_Socket) return total;
    const qint64 n = m_Socket->bytesAvailable();
    if (n <= 0) return total;
    const qint64 got = m_Socket->read(cutter.Room(static_cast<std::size_t>(n)), n);
    if (got > 0) {
        cutter.Commit(static_cast<std::size_t>(got));
        total += static_cast<std::size_t>(got);
    }
    rearm();
    return total;
}

// A read that Qt's buffer alone satisfies leaves the socket unwatched once that bounded
// buffer was full; asking for one byte more, from the emptied buffer, is what lets Qt
// take bytes from the system again.
void SocketControl::rearm() {
    char more = 0;
    if (m_Socket->read(&more, 1) == 1) m_Received.push_back(more);
}

void SocketControl::post(void (SocketControl::*deliver)()) {
    const uint64_t generation = m_Generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, deliver] {
            if (generation == m_Generation) (this->*deliver)();
        },
        Qt::QueuedConnection);
}

void SocketControl::onQtStateChanged(int state) {
    switch (static_cast<QAbstractSocket::SocketState>(state)) {
    case QAbstractSocket::HostLookupState: m_State = korvel::SocketResolvingHost; break;
    case QAbstractSocket::ConnectingState: m_State = korvel::SocketConnecting; break;
    default: break; // connected, closed and error are set by their own handlers
    }
}

void SocketControl::onQtConnected() {
    // Low delay matters more than throughput for this protocol's small frames (a
    // keep-alive's answer must not wait for the peer's acknowledgement). Qt applies
    // socket options only once the connection has its socket.
    m_Socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_State = korvel::SocketConnected;
    post(&SocketControl::deliverConnected);
}

// The bytes stay in Qt's bounded read buffer until the control reads them.
void SocketControl::onQtReadyRead() {
    if (m_DataPosted || BytesWaiting() == 0) return;
    m_DataPosted = true;
    post(&SocketControl::deliverData);
}

void SocketControl::onQtDisconnected() {
    pullBytes();
    if (!m_Received.empty() && !m_DataPosted) {
        m_DataPosted = true;
        post(&SocketControl::deliverData);
    }
    if (m_EndReported) return;
    m_EndReported = true;
    m_State = korvel::SocketClosing;
    post(&SocketControl::deliverClosed);
}

void SocketControl::onQtError(int error) {
    auto e = static_cast<QAbstractSocket::SocketError>(error);
    if (e == QAbstractSocket::RemoteHostClosedError) {
        onQtDisconnected();
        return;
    }
    pullBytes();
    if (m_EndReported) return;
    m_EndReported = true;
    m_State = korvel::SocketError;
    m_ErrorNumber = ErrorNumber(e);
    m_ErrorText = m_Socket ? m_Socket->errorString() : QString();
    post(&SocketControl::deliverError);
}

void SocketControl::deliverConnected() { emit Connected(); }

void SocketControl::deliverData() {
    m_DataPosted = false;
    const std::size_t waiting = BytesWaiting();
    if (waiting == 0) return;
    emit DataArrival(static_cast<qint64>(waiting));
}

void SocketControl::deliverClosed() { emit ClosedByPeer(); }

void SocketControl::deliverError() { emit Error(m_ErrorNumber, m_ErrorText); }

} // namespace korvel::platform
