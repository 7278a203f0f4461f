#pragma once
// What the control benchmarks over loopback share: a stream cut into pieces the size of
// one TCP segment (1,460 bytes), each piece written on its own and handled by the control
// as one socket read before the next is written, so that "per read" work is measured
// with reads of a known size (a burst written at once would reach the control in reads
// of any size the kernel chooses).
#include "platform/socketcontrol.h"
#include "testserver/server.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QTimer>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::bench {

inline constexpr std::size_t kSegmentBytes = 1460;

// Where a stream is cut: the end of each piece.
inline std::vector<std::size_t> PieceEnds(std::size_t streamBytes, std::size_t pieceBytes = kSegmentBytes) {
    std::vector<std::size_t> ends;
    for (std::size_t at = pieceBytes; at < streamBytes; at += pieceBytes) ends.push_back(at);
    ends.push_back(streamBytes);
    return ends;
}

// Frames of a stream whose last byte lies in each piece: piece k completes the frames
// [first[k], first[k + 1]). frameEnds are the stream offsets where each frame ends.
inline std::vector<std::size_t> FramesCompletedBy(const std::vector<std::size_t>& pieceEnds,
                                                  const std::vector<std::size_t>& frameEnds) {
    std::vector<std::size_t> first;
    std::size_t frame = 0;
    for (std::size_t end : pieceEnds) {
        first.push_back(frame);
        while (frame < frameEnds.size() && frameEnds[frame] <= end) ++frame;
    }
    first.push_back(frame);
    return first;
}

// Writes pieces to the control's connection one at a time and waits until the control
// has handled each as one read. The counter is connected after the control's own
// handler, so it counts reads the control has finished.
class PacedReads {
public:
    PacedReads(testserver::Server& server, platform::SocketControl& socket) : m_Server(server), m_Socket(socket) {
        QObject::connect(&socket, &platform::SocketControl::DataArrival, &m_Context, [this] { ++m_Reads; });
        m_Wake.setInterval(20); // the event loop never sleeps for good while waiting
        m_Wake.start();
    }

    // False when the control did not take the piece within the time allowed.
    bool Send(std::string_view piece) {
        const long long before = m_Reads;
        m_Server.SendRaw(std::string(piece));
        QDeadlineTimer deadline(60000);
        while (!(m_Reads > before && Drained())) {
            if (deadline.hasExpired()) return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    bool SendAll(std::string_view stream, const std::vector<std::size_t>& pieceEnds) {
        std::size_t from = 0;
        for (std::size_t end : pieceEnds) {
            if (!Send(stream.substr(from, end - from))) return false;
            from = end;
        }
        return true;
    }

private:
    bool Drained() const {
        if (m_Socket.BytesWaiting() != 0) return false;
        const auto sockets = m_Socket.findChildren<QTcpSocket*>();
        return sockets.isEmpty() || sockets.back()->bytesAvailable() == 0;
    }

    testserver::Server& m_Server;
    platform::SocketControl& m_Socket;
    QObject m_Context;
    QTimer m_Wake;
    long long m_Reads = 0;
};

} // namespace korvel::bench
