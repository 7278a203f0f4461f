#include "platform/quitsignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <unistd.h>
#include <vector>

using namespace korvel::platform;

namespace {


// Runs the event loop until the condition holds or a generous time has passed.
template <class Condition>
bool WaitFor(Condition condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

int g_OldHandlerCalls = 0;
void OldHandler(int) { ++g_OldHandlerCalls; }

// Puts a signal's action back as it was when the scope began.
class KeepAction {
public:
    explicit KeepAction(int signal) : m_Signal(signal) { ::sigaction(signal, nullptr, &m_Saved); }
    ~KeepAction() { ::sigaction(m_Signal, &m_Saved, nullptr); }

private:
    int m_Signal;
    struct sigaction m_Saved {};
};

} // namespace

TEST(QuitSignals, ASignalReachesTheCallbackOnTheEventLoopNotInsideTheHandler) {
    for (int signal : {SIGINT, SIGTERM}) {
        KeepAction keep(signal);
        std::signal(signal, SIG_DFL);
        std::vector<int> seen;
        QuitSignals quit([&seen](int s) { seen.push_back(s); });
        ASSERT_TRUE(quit.Handles(signal));
        std::raise(signal); // the default action would end this test program
        EXPECT_TRUE(seen.empty()) << "the callback ran inside the signal handler";
        ASSERT_TRUE(WaitFor([&] { return !seen.empty(); }));
        EXPECT_EQ(seen, std::vector<int>{signal});
        EXPECT_EQ(quit.Received(), signal);
        EXPECT_EQ(ExitCodeForSignal(signal), signal == SIGINT ? 130 : 143);
    }
}

TEST(QuitSignals, SignalsPilingUpBeforeTheLoopRunsCallOnceWithTheLast) {
    KeepAction keepInt(SIGINT), keepTerm(SIGTERM);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::vector<int> seen;
    QuitSignals quit([&seen](int s) { seen.push_back(s); });
    for (int i = 0; i < 100; ++i) std::raise(SIGINT);
    std::raise(SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return !seen.empty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, std::vector<int>{SIGTERM});
}

TEST(QuitSignals, AnIgnoredSignalStaysIgnoredAndTheOldHandlersComeBack) {
    KeepAction keepInt(SIGINT), keepTerm(SIGTERM);
    std::signal(SIGINT, SIG_IGN); // as a background job of a script
    std::signal(SIGTERM, OldHandler);
    {
        std::vector<int> seen;
        QuitSignals quit([&seen](int s) { seen.push_back(s); });
        EXPECT_FALSE(quit.Handles(SIGINT));
        EXPECT_TRUE(quit.Handles(SIGTERM));
        std::raise(SIGINT);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_TRUE(seen.empty());
        EXPECT_EQ(g_OldHandlerCalls, 0);
    }
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    const int before = g_OldHandlerCalls;
    std::raise(SIGTERM);
    EXPECT_EQ(g_OldHandlerCalls, before + 1);
}

TEST(QuitSignals, ASecondInstanceLeavesTheSignalsToTheFirst) {
    KeepAction keepInt(SIGINT), keepTerm(SIGTERM);
    std::signal(SIGTERM, SIG_DFL);
    int first = 0, second = 0;
    QuitSignals one([&first](int) { ++first; });
    {
        QuitSignals two([&second](int) { ++second; });
        EXPECT_FALSE(two.Handles(SIGTERM));
    }
    // The second one going away took nothing from the first.
    std::raise(SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return first == 1; }));
    EXPECT_EQ(second, 0);
}

// A signal that comes while the event loop does not run (a long step of start-up) still
// ends the program, after the grace period, with the shell's exit code for it.
TEST(QuitSignalsDeathTest, ASignalEndsTheProgramWhileTheEventLoopDoesNotRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGTERM, SIG_DFL);
            QuitSignals quit([](int) { std::_Exit(1); }); // the event loop never hands it over
            std::raise(SIGTERM);
            for (unsigned waited = 0; waited < 4 * kQuitGraceSeconds; ++waited) ::sleep(1);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(ExitCodeForSignal(SIGTERM)), "");
}
