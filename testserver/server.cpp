#include "testserver/server.h"

#include "testserver/handlers_textactive.h"
#include "testserver/profilechanges.h"

#include "core/codec.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace korvel::testserver {

Server::Server(QObject* parent) : QObject(parent), m_Listener(new QTcpServer(this)) {
    m_Clock.start();
    connect(m_Listener, &QTcpServer::newConnection, this, &Server::onNewConnection);
    m_KeepAliveTimer = new QTimer(this);
    connect(m_KeepAliveTimer, &QTimer::timeout, this, [this] {
        for (int i = 0; i < ConnectionCount(); ++i)
            if (IsOpen(i)) SendFrame(MessageType::MsgKeepAlive, {}, i);
    });
    m_LogTimer = new QTimer(this);
    connect(m_LogTimer, &QTimer::timeout, this, [this] {
        if (m_Data.NewLogLines.empty()) return;
        // Stamped as the log so far is: "yyyy-mm-dd hh:mm:ss " and the text.
        const QByteArray stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")).toLatin1();
        AddLogLine(stamp.toStdString() + m_Data.NewLogLines[m_NextLogLine++ % m_Data.NewLogLines.size()]);
    });
    m_EventTimer = new QTimer(this);
    connect(m_EventTimer, &QTimer::timeout, this, [this] {
        if (m_Data.LiveEvents.empty()) return;
        sendToSubscribers(true, m_Data.LiveEvents[m_NextEvent++ % m_Data.LiveEvents.size()]);
    });
}

Server::~Server() {
    for (auto& c : m_Connections)
        if (c->Socket) c->Socket->disconnect(this);
}

bool Server::Listen(quint16 port) { return m_Listener->listen(QHostAddress::LocalHost, port); }

quint16 Server::Port() const { return m_Listener->serverPort(); }

void Server::SetKeepAliveInterval(int ms) {
    if (ms > 0) m_KeepAliveTimer->start(ms);
    else m_KeepAliveTimer->stop();
}

void Server::SetLogLineInterval(int ms) {
    if (ms > 0) m_LogTimer->start(ms);
    else m_LogTimer->stop();
}

void Server::SetEventInterval(int ms) {
    if (ms > 0) m_EventTimer->start(ms);
    else m_EventTimer->stop();
}

void Server::AddLogLine(const Bytes& line) {
    m_Data.LogLines.push_back(line);
    // The log so far is capped, as a real server's would be.
    constexpr std::size_t kKeptLines = 2000;
    if (m_Data.LogLines.size() > kKeptLines)
        m_Data.LogLines.erase(m_Data.LogLines.begin(),
                              m_Data.LogLines.begin() + static_cast<long>(m_Data.LogLines.size() - kKeptLines));
    sendToSubscribers(false, OutFrame{MessageType::MsgSysLogLine, LogLineBody(line)});
}

void Server::sendToSubscribers(bool events, const OutFrame& frame) {
    for (int i = 0; i < ConnectionCount(); ++i) {
        const Connection& c = *m_Connections[static_cast<std::size_t>(i)];
        if (c.Open && (events ? c.EventSubscriber : c.LogSubscriber)) SendFrame(frame.Type, frame.Body, i);
    }
}

bool Server::IsOpen(int connection) const {
    const int i = resolve(connection);
    return i >= 0 && m_Connections[static_cast<std::size_t>(i)]->Open;
}

int Server::OpenConnectionCount() const {
    return static_cast<int>(std::count_if(m_Connections.begin(), m_Connections.end(),
                                          [](const auto& c) { return c->Open; }));
}

int Server::resolve(int connection) const {
    if (connection < 0) return ConnectionCount() - 1;
    return connection < ConnectionCount() ? connection : -1;
}

void Server::onNewConnection() {
    while (QTcpSocket* socket = m_Listener->nextPendingConnection()) {
        const int index = ConnectionCount();
        auto c = std::make_unique<Connection>();
        c->Socket = socket;
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        c->Pump = new QTimer(this);
        c->Pump->setSingleShot(true);
        connect(c->Pump, &QTimer::timeout, this, [this, index] { pump(index); });
        m_Connections.push_back(std::move(c));
        connect(socket, &QTcpSocket::readyRead, this, [this, index] { onReadyRead(index); });
        connect(socket, &QTcpSocket::disconnected, this, [this, index] {
            Connection& conn = *m_Connections[static_cast<std::size_t>(index)];
            if (!conn.Open) return;
            conn.Open = false;
            conn.Queue.clear();
            emit ClientDisconnected(index);
        });
        if (m_Greeting) {
            Bytes version;
            AppendInteger(version, m_Data.ProtocolVersion);
            SendFrame(MessageType::MsgProtocolVersion, version, index);
            Bytes rights;
            AppendLong(rights, m_Data.UserRights);
            SendFrame(MessageType::MsgUserRights, rights, index);
            Bytes info;
            AppendString(info, m_Data.DataPath);
            AppendLong(info, m_Data.ServerKind);
            AppendLong(info, 0);
            SendFrame(MessageType::MsgServerDataPath, info, index);
        }
        emit ClientConnected(index);
    }
}

void Server::onReadyRead(int index) {
    Connection& c = *m_Connections[static_cast<std::size_t>(index)];
    if (!c.Socket) return;
    const QByteArray bytes = c.Socket->readAll();
    c.Reader.Append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    while (auto frame = c.Reader.Next()) {
        m_Received.push_back(ReceivedFrame{index, frame->Type, frame->Body, m_Clock.elapsed()});
        emit FrameReceived(index, frame->Type);
        if (m_AutoAnswer) handleRequest(index, *frame);
    }
}

void Server::handleRequest(int index, const OutFrame& frame) {
    Connection& c = *m_Connections[static_cast<std::size_t>(index)];
    switch (frame.Type) {
    case MessageType::MsgKeepAlive: return; // the client's answer to a keep-alive
    case MessageType::MsgAlarmEventSubscribe: c.EventSubscriber = true; return;
    case MessageType::MsgSysLogSubscribe: c.LogSubscriber = true; return;
    default: break;
    }
    if (ReceiverStore::Handles(frame.Type) && !m_Data.Answers.count(frame.Type)) {
        // Receiver commands are announced to every client, as the alarm server does.
        if (auto announcement = m_ReceiverStore.Handle(m_Data, frame.Type, frame.Body))
            for (int i = 0; i < ConnectionCount(); ++i)
                if (IsOpen(i)) SendFrame(announcement->Type, announcement->Body, i);
        return;
    }
    if (TextActiveReplies replies; HandleTextActiveRequest(m_Data, frame, replies)) {
        for (const OutFrame& answer : replies.ToSender) SendFrame(answer.Type, answer.Body, index);
        for (int i = 0; i < ConnectionCount(); ++i)
            if (IsOpen(i))
                for (const OutFrame& answer : replies.ToAll) SendFrame(answer.Type, answer.Body, i);
        return;
    }
    if (HandleProfileChange(*this, m_Data, frame)) return;
    for (const OutFrame& answer : AnswerFor(m_Data, frame.Type)) SendFrame(answer.Type, answer.Body, index);
}

void Server::SendFrame(MessageType type, const Bytes& body, int connection) {
    SendRaw(EncodeFrame(type, body), connection);
}

void Server::SendFrame(int type, const Bytes& body, int connection) {
    SendRaw(EncodeFrame(static_cast<uint8_t>(type), body), connection);
}

void Server::SendRaw(const Bytes& bytes, int connection) {
    const int i = resolve(connection);
    if (i < 0) return;
    enqueue(i, Pending{Pending::Write, bytes, 0});
}

void Server::SendSplit(const Bytes& bytes, const std::vector<std::size_t>& cuts, int gapMs, int connection) {
    const int i = resolve(connection);
    if (i < 0) return;
    std::size_t from = 0;
    bool first = true;
    auto piece = [&](std::size_t to) {
        if (to <= from) return;
        enqueue(i, Pending{Pending::Write, bytes.substr(from, to - from), first ? 0 : gapMs});
        first = false;
        from = to;
    };
    for (std::size_t cut : cuts) piece(std::min(cut, bytes.size()));
    piece(bytes.size());
}

void Server::SendInPieces(const Bytes& bytes, std::size_t pieceSize, int gapMs, int connection) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = std::max<std::size_t>(pieceSize, 1); at < bytes.size(); at += std::max<std::size_t>(pieceSize, 1))
        cuts.push_back(at);
    SendSplit(bytes, cuts, gapMs, connection);
}

void Server::CloseConnection(int connection) {
    const int i = resolve(connection);
    if (i < 0) return;
    enqueue(i, Pending{Pending::Close, {}, 0});
}

void Server::SendThenClose(const Bytes& bytes, int connection) {
    SendRaw(bytes, connection);
    CloseConnection(connection);
}

bool Server::AllSent() const {
    return std::all_of(m_Connections.begin(), m_Connections.end(),
                       [](const auto& c) { return c->Queue.empty(); });
}

void Server::enqueue(int index, Pending piece) {
    Connection& c = *m_Connections[static_cast<std::size_t>(index)];
    if (!c.Open) return;
    c.Queue.push_back(std::move(piece));
    if (c.Queue.size() == 1 && !c.Pump->isActive()) pump(index);
}

void Server::pump(int index) {
    Connection& c = *m_Connections[static_cast<std::size_t>(index)];
    while (!c.Queue.empty()) {
        Pending& front = c.Queue.front();
        if (front.GapMs > 0) {
            // Wait, then write this piece with no further delay.
            const int gap = front.GapMs;
            front.GapMs = 0;
            if (c.Socket) c.Socket->flush();
            c.Pump->start(gap);
            return;
        }
        Pending piece = std::move(front);
        c.Queue.pop_front();
        if (!c.Socket || !c.Open) {
            c.Queue.clear();
            return;
        }
        if (piece.What == Pending::Write) {
            c.Socket->write(piece.Data.data(), static_cast<qint64>(piece.Data.size()));
        } else {
            c.Socket->flush();
            c.Open = false;
            c.Queue.clear();
            c.Socket->disconnectFromHost();
            emit ClientDisconnected(index);
            return;
        }
    }
    if (c.Socket) c.Socket->flush();
}

std::vector<ReceivedFrame> Server::ReceivedOfType(MessageType type, int connection) const {
    const int i = resolve(connection);
    std::vector<ReceivedFrame> out;
    for (const auto& f : m_Received)
        if (f.Type == type && f.Connection == i) out.push_back(f);
    return out;
}

std::vector<ReceivedFrame> Server::ReceivedOn(int connection) const {
    const int i = resolve(connection);
    std::vector<ReceivedFrame> out;
    for (const auto& f : m_Received)
        if (f.Connection == i) out.push_back(f);
    return out;
}

bool Server::WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    if (pred()) return true;
    QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (pred() || deadline.hasExpired()) loop.quit();
    });
    poll.start();
    loop.exec();
    return pred();
}

} // namespace korvel::testserver
