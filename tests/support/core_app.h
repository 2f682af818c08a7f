#pragma once

#include <QCoreApplication>

namespace ossivant::test {

// The one QCoreApplication of a test program, created on first use, for
// tests that need an event loop (signals across threads, timers).
inline QCoreApplication* coreApplication() {
    static int argc = 1;
    static char name[] = "ossivant-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    return QCoreApplication::instance();
}

}  // namespace ossivant::test
