// Ossivant start-up: the command line, the single-copy rule, and then either
// the windows or, with --headless, the console.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextStream>
#include <cstdio>
#include <cstring>

#include "monitor/platform/registry.h"
#include "monitor/platform/time_zone.h"
#include "monitor/ui/headless.h"
#include "monitor/ui/icons.h"
#include "monitor/ui/monitor_app.h"
#include "monitor/ui/window_texts.h"

namespace {

QString LockFilePath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir + QStringLiteral("/ossivant.lock");
}

bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

const char kUsage[] = "usage: ossivant [--headless]\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace ossivant;
    // Before the application object, which may start threads.
    PinLocalTimeZone();
    bool headless = false;
    if (argc > 2 || (argc == 2 && std::strcmp(argv[1], "--headless") != 0)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    headless = argc == 2;
    if (!headless && !HasDisplay()) {
        std::fputs(
            "ossivant: no display found; run \"ossivant --headless\" to check the sites "
            "without windows\n",
            stderr);
        return 1;
    }

    const QString alreadyStarted =
        window_texts::kAlreadyStarted + QStringLiteral("\n\n") + window_texts::kHowToRestore;
    if (headless) {
        QCoreApplication app(argc, argv);
        QLockFile instance(LockFilePath());
        if (!instance.tryLock(0)) {
            QTextStream(stdout) << alreadyStarted << '\n';
            return 0;
        }
        return RunHeadless(QCoreApplication::applicationDirPath());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ossivant"));
    QApplication::setApplicationVersion(QStringLiteral(OSSIVANT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("ossivant"));
    QApplication::setWindowIcon(icons::Program());
    // The monitor lives on in the tray; only ExitProgram ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    QLockFile instance(LockFilePath());
    if (!instance.tryLock(0)) {
        QMessageBox::information(nullptr, kProgramTitle, alreadyStarted);
        return 0;
    }
    reg::Registry registry(reg::Registry::defaultPath(), reg::Registry::kShortBusyTimeoutMs);
    SystemClock clock;
    MonitorApp monitor(registry, clock, QCoreApplication::applicationDirPath());
    monitor.Start();
    return QApplication::exec();
}
