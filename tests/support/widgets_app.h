#pragma once

#include <QApplication>

namespace ossivant::test {

// The one QApplication of a widget test program, created on first use. Call
// it before anything else creates a plain QCoreApplication.
inline QApplication* widgetsApplication() {
    static int argc = 1;
    static char name[] = "ossivant-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QApplication(argc, argv);
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

}  // namespace ossivant::test
