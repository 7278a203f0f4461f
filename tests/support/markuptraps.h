#pragma once
// Texts that Qt would take for markup, with traps that tell when a widget tried to load
// what they name: a FIFO (an open of it would block the UI thread for good; a watchdog
// notices the reader, records it and lets it go with an empty file), /dev/zero (a read
// would never end) and a picture file. Plus the checks of what a widget really shows.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QString>
#include <QTemporaryDir>
#include <QToolTip>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace korvel::testing {

// A widget that reads /dev/zero allocates until the machine runs out of memory; with
// this bound the test process fails alone, at once. (Not under AddressSanitizer, which
// reserves far more address space than it uses.)
inline void BoundAddressSpace() {
#if defined(__SANITIZE_ADDRESS__)
    return;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return;
#endif
#endif
    static bool done = false;
    if (done) return;
    done = true;
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const rlim_t now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0) return;
    const rlim_t bound = now + (rlim_t{3} << 30);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > bound) {
        limit.rlim_cur = bound;
        ::setrlimit(RLIMIT_AS, &limit);
    }
}

class MarkupTraps {
public:
    MarkupTraps() : m_Dir(QDir::tempPath() + QStringLiteral("/kmXXXXXX")) {
        BoundAddressSpace();
        m_Fifo = m_Dir.filePath(QStringLiteral("trap.fifo"));
        m_Picture = m_Dir.filePath(QStringLiteral("picture.png"));
        m_FifoMade = ::mkfifo(QFile::encodeName(m_Fifo).constData(), 0600) == 0;
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.save(m_Picture);
        // From here on, any file of the folder opened is a file a text made us read.
        m_Watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_Watch >= 0) ::inotify_add_watch(m_Watch, QFile::encodeName(m_Dir.path()).constData(), IN_OPEN);
        m_Watchdog = std::thread([this] { watch(); });
    }
    ~MarkupTraps() {
        m_Stop = true;
        m_Watchdog.join();
        if (m_Watch >= 0) ::close(m_Watch);
    }
    MarkupTraps(const MarkupTraps&) = delete;
    MarkupTraps& operator=(const MarkupTraps&) = delete;

    bool Ready() const { return m_Dir.isValid() && m_FifoMade && m_Watch >= 0; }
    // True once anything opened the FIFO for reading.
    bool FifoOpened() const { return m_Opened; }
    // True once anything opened a file the texts name (the picture, the FIFO).
    bool FileOpened() {
        alignas(inotify_event) char buffer[4096];
        while (m_Watch >= 0 && ::read(m_Watch, buffer, sizeof buffer) > 0) m_AnyOpen = true;
        return m_AnyOpen || m_Opened;
    }

    // Markup of every kind that would reach the disk or change the look. Variant i % 4.
    QString Markup(int i, const QString& tag = {}) const {
        switch (i % 4) {
        case 0: return QStringLiteral("<b>x</b>") + tag;
        case 1: return tag + QStringLiteral("<img src=\"%1\">").arg(m_Fifo);
        case 2: return QStringLiteral("<img src=\"/dev/zero\">") + tag;
        default: return QStringLiteral("<i>%1</i><img src=\"%2\">").arg(tag, m_Picture);
        }
    }
    // All four in one text.
    QString AllMarkup(const QString& tag = {}) const {
        return Markup(0, tag) + Markup(1) + Markup(2) + Markup(3);
    }

private:
    void watch() {
        const QByteArray path = QFile::encodeName(m_Fifo);
        while (!m_Stop) {
            // A writer may open without blocking only while someone has it open for
            // reading (a reader blocked in open() counts).
            const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                m_Opened = true;
                ::close(fd); // the reader sees an empty file and goes on
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    QTemporaryDir m_Dir;
    QString m_Fifo;
    QString m_Picture;
    bool m_FifoMade = false;
    int m_Watch = -1;
    bool m_AnyOpen = false;
    std::atomic<bool> m_Stop{false};
    std::atomic<bool> m_Opened{false};
    std::thread m_Watchdog;
};

// A label shows its text as it stands: a label takes its text for markup exactly when
// its format says rich text, or says "guess" and the text looks like markup.
inline bool ShowsLiterally(const QLabel* label) {
    switch (label->textFormat()) {
    case Qt::PlainText: return true;
    case Qt::AutoText: return !Qt::mightBeRichText(label->text());
    default: return false;
    }
}

// The tip label Qt shows, when a tool tip is on show.
inline QLabel* ShownToolTip() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible()) return qobject_cast<QLabel*>(w);
    return nullptr;
}

// Asks the widget for its tool tip at pos (widget coordinates) as Qt does when the
// pointer rests there, and returns the tip label on show (none when no tip shows).
inline QLabel* HoverForToolTip(QWidget* widget, QPoint pos) {
    if (QLabel* old = ShownToolTip()) old->hide(); // hideText() would wait before hiding it
    QHelpEvent event(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
    return ShownToolTip();
}

} // namespace korvel::testing
