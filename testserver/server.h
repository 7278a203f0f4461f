#pragma once
// The substitute alarm server: a test peer on 127.0.0.1 that speaks the client's
// protocol. It answers the client's requests from a data set (sampledata.h) and can be
// scripted by tests: send any frame or raw bytes, split bytes at chosen points, close a
// connection (also in the middle of a frame), and it records every frame received with
// the time it arrived.
//
// Outgoing bytes of a connection go through one queue, so scripted pieces, answers and
// closes happen in the order they were asked for.

#include "testserver/frameio.h"
#include "testserver/receiverstore.h"
#include "testserver/sampledata.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace korvel::testserver {

struct ReceivedFrame {
    int Connection = 0; // index of the connection, in the order they were accepted
    MessageType Type = MessageType::MsgKeepAlive;
    Bytes Body;
    qint64 AtMs = 0; // milliseconds since the server was made
};

class Server final : public QObject {
    Q_OBJECT
public:
    explicit Server(QObject* parent = nullptr);
    ~Server() override;

    // Listens on 127.0.0.1; port 0 takes a free port.
    bool Listen(quint16 port = 0);
    quint16 Port() const;

    // What the server answers with and sends on its own.
    SampleData& Data() { return m_Data; }
    // The receivers as the clients' MsgReceiverSave, MsgReceiverDelete and
    // MsgReceiverEnableOrDisable left them.
    const ReceiverStore& Receivers() const { return m_ReceiverStore; }
    void SetData(SampleData data) { m_Data = std::move(data); }
    // Answer requests from the data set (on by default).
    void SetAutoAnswer(bool on) { m_AutoAnswer = on; }
    // Send MsgProtocolVersion, MsgUserRights and MsgServerDataPath on every new connection
    // (on by default).
    void SetGreeting(bool on) { m_Greeting = on; }
    // Keep-alives (MsgKeepAlive) to every connection; 0 = none (the default).
    void SetKeepAliveInterval(int ms);
    // One new log line (MsgSysLogLine) to the connections subscribed with MsgSysLogSubscribe;
    // 0 = none.
    void SetLogLineInterval(int ms);
    // One live event frame to the connections subscribed with MsgAlarmEventSubscribe; 0 = none.
    void SetEventInterval(int ms);
    // Adds a line to the log and sends it (MsgSysLogLine) to every subscribed connection.
    void AddLogLine(const Bytes& line);

    // Connections, numbered from 0 in the order they were accepted. The scripting
    // operations act on the given connection, -1 meaning the newest one.
    int ConnectionCount() const { return static_cast<int>(m_Connections.size()); }
    bool IsOpen(int connection = -1) const;
    int OpenConnectionCount() const;

    void SendFrame(MessageType type, const Bytes& body, int connection = -1);
    // Any type byte, one the protocol does not know included.
    void SendFrame(int type, const Bytes& body, int connection = -1);
    void SendRaw(const Bytes& bytes, int connection = -1);
    // The bytes cut at the given offsets (ascending), each piece written on its own,
    // gapMs apart, so the client receives them in separate reads.
    void SendSplit(const Bytes& bytes, const std::vector<std::size_t>& cuts, int gapMs = 2,
                   int connection = -1);
    // The bytes in pieces of pieceSize bytes, gapMs apart.
    void SendInPieces(const Bytes& bytes, std::size_t pieceSize, int gapMs = 1, int connection = -1);
    // Closes the connection once everything queued before has gone out.
    void CloseConnection(int connection = -1);
    // Sends the bytes, then closes: with half a frame, the connection ends mid-frame.
    void SendThenClose(const Bytes& bytes, int connection = -1);
    // True once every queued piece of every connection has been written.
    bool AllSent() const;

    const std::vector<ReceivedFrame>& Received() const { return m_Received; }
    std::vector<ReceivedFrame> ReceivedOfType(MessageType type, int connection = -1) const;
    // Frames of one connection, in order (-1: the newest connection).
    std::vector<ReceivedFrame> ReceivedOn(int connection = -1) const;
    void ClearReceived() { m_Received.clear(); }

    // Runs the event loop until pred holds or timeoutMs have passed; returns pred().
    static bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

signals:
    void ClientConnected(int connection);
    void ClientDisconnected(int connection);
    void FrameReceived(int connection, korvel::MessageType type);

private:
    struct Pending {
        enum Kind { Write, Close } What = Write;
        Bytes Data;
        int GapMs = 0; // wait before this piece
    };
    struct Connection {
        QPointer<QTcpSocket> Socket;
        FrameReader Reader;
        std::deque<Pending> Queue;
        QTimer* Pump = nullptr;
        bool EventSubscriber = false;
        bool LogSubscriber = false;
        bool Open = true;
    };

    void onNewConnection();
    void onReadyRead(int index);
    void handleRequest(int index, const OutFrame& frame);
    int resolve(int connection) const;
    void enqueue(int index, Pending piece);
    void pump(int index);
    void sendToSubscribers(bool events, const OutFrame& frame);

    QTcpServer* m_Listener = nullptr;
    std::vector<std::unique_ptr<Connection>> m_Connections;
    std::vector<ReceivedFrame> m_Received;
    SampleData m_Data;
    ReceiverStore m_ReceiverStore;
    bool m_AutoAnswer = true;
    bool m_Greeting = true;
    QTimer* m_KeepAliveTimer = nullptr;
    QTimer* m_LogTimer = nullptr;
    QTimer* m_EventTimer = nullptr;
    std::size_t m_NextLogLine = 0;
    std::size_t m_NextEvent = 0;
    QElapsedTimer m_Clock;
};

} // namespace korvel::testserver
