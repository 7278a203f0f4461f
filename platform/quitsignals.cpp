#include "platform/quitsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace korvel::platform {
namespace {

// The pipe of the one live instance; -1 when there is none.
int g_WriteEnd = -1;
int g_ReadEnd = -1;
// The signal the event loop has not taken yet, 0 when none waits.
volatile sig_atomic_t g_Waiting = 0;

void WriteSignalToPipe(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    if (g_WriteEnd >= 0) {
        // A full pipe drops the byte: a signal is already waiting to be handled.
        [[maybe_unused]] const ssize_t written = ::write(g_WriteEnd, &byte, 1);
        // The first signal that waits starts the grace period; a later one neither
        // shortens nor extends it.
        if (g_Waiting == 0) ::alarm(kQuitGraceSeconds);
        g_Waiting = signal;
    }
    errno = saved;
}

// The event loop did not take the signal in time.
void EndWithoutTheEventLoop(int) {
    const int signal = g_Waiting;
    if (signal != 0) ::_exit(ExitCodeForSignal(signal));
}

// Installs our handler for the signal unless it is ignored now; keeps the old action.
bool Install(int signal, struct sigaction& previous) {
    if (::sigaction(signal, nullptr, &previous) != 0) return false;
    if (previous.sa_handler == SIG_IGN) return false;
    struct sigaction action {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(signal, &action, nullptr) == 0;
}

} // namespace

QuitSignals::QuitSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_OnSignal(std::move(onSignal)) {
    if (g_ReadEnd >= 0) return; // another instance owns the signals
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_ReadEnd = ends[0];
    g_WriteEnd = ends[1];
    m_Notifier = new QSocketNotifier(static_cast<qintptr>(g_ReadEnd), QSocketNotifier::Read, this);
    connect(m_Notifier, &QSocketNotifier::activated, this, [this] { Deliver(); });
    struct sigaction alarm {};
    alarm.sa_handler = EndWithoutTheEventLoop;
    sigemptyset(&alarm.sa_mask);
    ::sigaction(SIGALRM, &alarm, &m_PreviousAlarm);
    m_HandlesInt = Install(SIGINT, m_PreviousInt);
    m_HandlesTerm = Install(SIGTERM, m_PreviousTerm);
}

QuitSignals::~QuitSignals() {
    if (!m_Notifier) return;
    if (m_HandlesInt) ::sigaction(SIGINT, &m_PreviousInt, nullptr);
    if (m_HandlesTerm) ::sigaction(SIGTERM, &m_PreviousTerm, nullptr);
    ::alarm(0);
    g_Waiting = 0;
    ::sigaction(SIGALRM, &m_PreviousAlarm, nullptr);
    delete m_Notifier;
    const int readEnd = g_ReadEnd;
    const int writeEnd = g_WriteEnd;
    g_ReadEnd = g_WriteEnd = -1;
    ::close(readEnd);
    ::close(writeEnd);
}

bool QuitSignals::Handles(int signal) const {
    if (signal == SIGINT) return m_HandlesInt;
    if (signal == SIGTERM) return m_HandlesTerm;
    return false;
}

void QuitSignals::Deliver() {
    if (!m_Notifier) return;
    // Taken by the event loop (or by DeliverPending): the program ends its own way now.
    ::alarm(0);
    g_Waiting = 0;
    char bytes[16];
    ssize_t got = 0;
    int last = 0;
    while ((got = ::read(g_ReadEnd, bytes, sizeof bytes)) > 0) last = static_cast<unsigned char>(bytes[got - 1]);
    if (last == 0) return;
    m_Received = last;
    if (m_OnSignal) m_OnSignal(last);
}

} // namespace korvel::platform
