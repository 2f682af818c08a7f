#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLockFile;

namespace ossivant {

// The single-copy rule: a lock file in the user's runtime folder, and a
// local socket beside it on which the running monitor listens, so that a
// second copy can bring its window forward before it ends.
QString SingleCopyLockPath();
QString SingleCopySocketPath();

// The running copy's side: calls `bringForward` for every second copy that
// asks. Listening fails only when the socket cannot be made; the monitor
// runs on without it.
class FirstCopyListener final : public QObject {
    Q_OBJECT

public:
    FirstCopyListener(const QString& socketPath, std::function<void()> bringForward);
    ~FirstCopyListener() override;
    bool listening() const;

private:
    void accept();

    QLocalServer* server_;
    std::function<void()> bringForward_;
};

// The second copy's side: asks the running copy to show its window; false
// when no copy listens or it did not take the request within `timeoutMs`.
bool AskFirstCopyToShow(const QString& socketPath, int timeoutMs = 2000);

// Messages 219 and 220 for a second copy, and, when the copy holding `lock`
// runs as the user service, how to stop that.
QString AlreadyStartedMessage(QLockFile& lock);

// Whether the lines of /proc/PID/cgroup place a process in the user service
// ossivant-headless.service.
bool CgroupIsHeadlessService(const QByteArray& cgroupLines);

}  // namespace ossivant
