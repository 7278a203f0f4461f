#pragma once
// The control's TCP client socket on QTcpSocket, offering what the client relies on
// (korvel::ISocket) with the state numbers of core/socket.h.
//
// Events reach the control as Qt signals on the user-interface thread. They are posted,
// never emitted from inside Connect, Send or Close, and an event that belongs to a
// connection that has since been closed or replaced is dropped: after Close returns,
// nothing of the old connection is delivered any more.
//
// Both ways are bounded. Received bytes wait in Qt's read buffer (kReadAheadBytes) until
// the control reads them; while that buffer is full nothing more is taken from the
// operating system, so TCP flow control holds a fast server back. What waits to be sent
// is bounded by kMaxPendingSendBytes: a send that would queue more counts the peer as
// broken (it does not read): the connection is dropped and reported as an error event.

// moc need not (and, with C++20 library headers, cannot) read the core.
#ifndef Q_MOC_RUN
#include "core/frames.h"
#include "core/socket.h"
#endif

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>

class QTcpSocket;

namespace korvel::platform {

class SocketControl final : public QObject, public korvel::ISocket {
    Q_OBJECT
public:
    // Bytes received ahead of the control's reading (Qt's read buffer).
    static constexpr qint64 kReadAheadBytes = qint64{1} << 20;
    // What may wait to be sent; see docs/protocol.md for how it was chosen.
    static constexpr qint64 kMaxPendingSendBytes = qint64{16} << 20;
    // The error number of the event that reports a peer that stopped reading
    // (the Windows-socket number for "no buffer space available").
    static constexpr int kSendBufferFullError = 10055;

    explicit SocketControl(QObject* parent = nullptr);
    ~SocketControl() override;

    void Connect(const std::string& host, int32_t port) override;
    void Send(const korvel::Bytes& bytes) override;
    korvel::Bytes ReadReceived() override;
    // The same, written straight into the receive loop's cutter; returns the bytes read.
    std::size_t ReadReceivedInto(korvel::FrameCutter& cutter);
    void Close() override;
    int16_t State() const override { return m_State; }
    std::string RemoteHost() const override { return m_RemoteHost; }
    int32_t RemotePort() const override { return m_RemotePort; }

    // Bytes received and not yet read.
    std::size_t BytesWaiting() const;
    // Bytes handed to Send that the connection has not taken yet.
    qint64 BytesToWrite() const;

signals:
    void Connected();
    void DataArrival(qint64 bytesTotal);
    void ClosedByPeer();
    void Error(int number, const QString& description);

private:
    void dropSocket();
    void onQtConnected();
    void onQtReadyRead();
    void onQtDisconnected();
    void onQtError(int error);
    void onQtStateChanged(int state);
    void post(void (SocketControl::*deliver)());
    void pullBytes();
    void rearm();
    void sendBufferFull();

    void deliverConnected();
    void deliverData();
    void deliverClosed();
    void deliverError();

    QTcpSocket* m_Socket = nullptr;
    int16_t m_State = korvel::SocketClosed;
    std::string m_RemoteHost;
    int32_t m_RemotePort = 0;
    korvel::Bytes m_Received;
    // Counts connections; a posted event carries the number it was posted under.
    uint64_t m_Generation = 0;
    bool m_EndReported = false; // the closed or error event of this connection was posted
    bool m_DataPosted = false;  // a data event is on its way and not yet delivered
    int m_ErrorNumber = 0;
    QString m_ErrorText;
};

} // namespace korvel::platform
