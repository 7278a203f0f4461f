#pragma once
// Ends a Qt program cleanly on SIGINT and SIGTERM (Ctrl+C in a terminal, kill, a script
// stopping its helpers). A signal handler may not touch Qt, so the handler only writes
// the signal number into a pipe; a QSocketNotifier on the pipe's other end hands it to
// the callback on the event loop's thread, where it may close windows and quit.
//
// The event loop may not run when a signal comes (start-up, or a long step): then, after
// kQuitGraceSeconds without the event loop taking the signal, the program ends at once
// with the shell's exit code for it, without closing its windows (an alarm does this;
// the instance owns SIGALRM while it lives). A signal that arrived before the event loop
// runs is handed over by DeliverPending as well.
//
// One instance at a time per process. A signal that is ignored when the instance is made
// (a background job of a non-interactive shell ignores SIGINT) stays ignored, so Ctrl+C
// in a script reaches only the program in the foreground. The previous handlers come back
// when the instance goes.

#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;

namespace korvel::platform {

class QuitSignals final : public QObject {
public:
    explicit QuitSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // The signal handed to the callback last, 0 before any.
    int Received() const { return m_Received; }
    // Hands a signal that is waiting to the callback now, without the event loop.
    void DeliverPending() { Deliver(); }
    // Whether the signal's handler is ours (false when it was ignored before).
    bool Handles(int signal) const;

private:
    void Deliver();

    std::function<void(int)> m_OnSignal;
    QSocketNotifier* m_Notifier = nullptr;
    int m_Received = 0;
    struct sigaction m_PreviousInt {};
    struct sigaction m_PreviousTerm {};
    struct sigaction m_PreviousAlarm {};
    bool m_HandlesInt = false;
    bool m_HandlesTerm = false;
};

// The exit code a shell gives a program ended by the signal: 128 + its number (130 for
// SIGINT, 143 for SIGTERM).
inline int ExitCodeForSignal(int signal) { return 128 + signal; }

// How long a signal may wait for the event loop before the program ends without it.
inline constexpr unsigned kQuitGraceSeconds = 3;

} // namespace korvel::platform
