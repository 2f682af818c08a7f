#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace ossivant::test {

struct ProgramRun {
    int exitCode = -1;  // -1: it crashed or did not end within 30 s
    QByteArray out;
    QByteArray err;
};

// Runs a built program to its end without any display, so that one which
// opened a window instead of answering fails rather than waits.
inline ProgramRun RunWithoutDisplay(const QString& program, const QStringList& arguments,
                                    const QString& workDir = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workDir.isEmpty()) process.setWorkingDirectory(workDir);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit) run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

}  // namespace ossivant::test
