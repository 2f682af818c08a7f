// Ossivant start-up: the command line, the single-copy rule, and then either
// the windows or, with --headless, the console.
#include <QApplication>
#include <QCoreApplication>
#include <QLockFile>
#include <QMessageBox>
#include <QTextStream>
#include <cstdio>
#include <cstring>

#include "cli/standard_options.h"
#include "monitor/platform/registry.h"
#include "monitor/platform/time_zone.h"
#include "monitor/ui/headless.h"
#include "monitor/ui/icons.h"
#include "monitor/ui/monitor_app.h"
#include "monitor/ui/single_copy.h"

namespace {

bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

constexpr ossivant::cli::ProgramText kProgram{
    "ossivant", "ossivant [--headless | --minimized]",
    "Checks web sites on a timer and e-mails the manager when one goes down.\n"
    "\n"
    "  --headless   check on the timers without windows and print what the window\n"
    "               would show (as the user service ossivant-headless does)\n"
    "  --minimized  start hidden in the tray when the desktop has one (as at login)\n"
    "  --help       print this help and exit\n"
    "  --version    print the version and exit\n"};

}  // namespace

int main(int argc, char** argv) {
    using namespace ossivant;
    // Before the application object, which may start threads.
    PinLocalTimeZone();
    if (cli::AnswerStandardOption(kProgram, argc, argv)) return 0;
    const bool headless = argc == 2 && std::strcmp(argv[1], "--headless") == 0;
    const bool minimized = argc == 2 && std::strcmp(argv[1], "--minimized") == 0;
    if (argc > 2 || (argc == 2 && !headless && !minimized)) return cli::UsageError(kProgram);
    if (!headless && !HasDisplay()) {
        std::fputs(
            "ossivant: no display found; run \"ossivant --headless\" to check the sites "
            "without windows\n",
            stderr);
        return 1;
    }

    if (headless) {
        QCoreApplication app(argc, argv);
        QLockFile instance(SingleCopyLockPath());
        if (!instance.tryLock(0)) {
            QTextStream(stdout) << AlreadyStartedMessage(instance) << '\n';
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
    QLockFile instance(SingleCopyLockPath());
    if (!instance.tryLock(0)) {
        QMessageBox::information(nullptr, kProgramTitle, AlreadyStartedMessage(instance));
        AskFirstCopyToShow(SingleCopySocketPath());
        return 0;
    }
    reg::Registry registry(reg::Registry::defaultPath(), reg::Registry::kShortBusyTimeoutMs);
    SystemClock clock;
    MonitorApp monitor(registry, clock, QCoreApplication::applicationDirPath());
    monitor.setStartInTray(minimized);
    const FirstCopyListener secondCopies(SingleCopySocketPath(),
                                         [&monitor] { monitor.mainWindow().BringForward(); });
    monitor.Start();
    return QApplication::exec();
}
