#pragma once
// The one QApplication of the widget tests (Qt's offscreen platform, set by CMake).
#include <QApplication>

namespace korvel::events::test {

inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "korvel_events_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

} // namespace korvel::events::test
