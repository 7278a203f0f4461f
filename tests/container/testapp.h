#pragma once
// One QApplication for every widget test of this folder (offscreen platform).

#include <QApplication>

inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "korvel_container_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}
