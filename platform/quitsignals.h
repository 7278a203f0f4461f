#pragma once
// Ends a Qt program cleanly on SIGINT and SIGTERM (Ctrl+C in a terminal, kill, a script
// stopping its helpers). A signal handler may not touch Qt, so the handler only writes
// the signal number into a pipe; a QSocketNotifier on the pipe's other end hands it to
// the callback on the event loop's thread, where it may close windows and quit.
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
    // Whether the signal's handler is ours (false when it was ignored before).
    bool Handles(int signal) const;

private:
    void Deliver();

    std::function<void(int)> m_OnSignal;
    QSocketNotifier* m_Notifier = nullptr;
    int m_Received = 0;
    struct sigaction m_PreviousInt {};
    struct sigaction m_PreviousTerm {};
    bool m_HandlesInt = false;
    bool m_HandlesTerm = false;
};

// The exit code a shell gives a program ended by the signal: 128 + its number (130 for
// SIGINT, 143 for SIGTERM).
inline int ExitCodeForSignal(int signal) { return 128 + signal; }

} // namespace korvel::platform
