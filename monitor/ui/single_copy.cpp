#include "monitor/ui/single_copy.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include "monitor/ui/window_texts.h"

namespace ossivant {

namespace {

const QByteArray kShowRequest = QByteArrayLiteral("show\n");

QString RuntimeFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir;
}

}  // namespace

QString SingleCopyLockPath() { return RuntimeFolder() + QStringLiteral("/ossivant.lock"); }
QString SingleCopySocketPath() { return RuntimeFolder() + QStringLiteral("/ossivant.socket"); }

FirstCopyListener::FirstCopyListener(const QString& socketPath, std::function<void()> bringForward)
    : server_(new QLocalServer(this)), bringForward_(std::move(bringForward)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is held, so a socket left there belongs to a copy that died.
    QLocalServer::removeServer(socketPath);
    server_->listen(socketPath);
    connect(server_, &QLocalServer::newConnection, this, &FirstCopyListener::accept);
}

FirstCopyListener::~FirstCopyListener() { server_->close(); }

bool FirstCopyListener::listening() const { return server_->isListening(); }

void FirstCopyListener::accept() {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (!peer->canReadLine()) return;
            if (peer->readLine() == kShowRequest && bringForward_) bringForward_();
            peer->write("ok\n");
            peer->disconnectFromServer();
        });
    }
}

bool AskFirstCopyToShow(const QString& socketPath, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // The answer comes once the window was brought forward.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    return socket.readLine() == "ok\n";
}

QString AlreadyStartedMessage(QLockFile& lock) {
    QString text = window_texts::kAlreadyStarted + QStringLiteral("\n\n") + window_texts::kHowToRestore;
    qint64 pid = 0;
    if (lock.getLockInfo(&pid, nullptr, nullptr) && pid > 0) {
        QFile cgroup(QStringLiteral("/proc/%1/cgroup").arg(pid));
        if (cgroup.open(QIODevice::ReadOnly) && CgroupIsHeadlessService(cgroup.readAll()))
            text += QStringLiteral("\n\n") + window_texts::kRunsAsService;
    }
    return text;
}

bool CgroupIsHeadlessService(const QByteArray& cgroupLines) {
    for (const QByteArray& line : cgroupLines.split('\n')) {
        // "0::/user.slice/user-1000.slice/user@1000.service/app.slice/ossivant-headless.service"
        const QByteArray path = line.mid(line.lastIndexOf(':') + 1);
        for (const QByteArray& part : path.split('/'))
            if (part == "ossivant-headless.service") return true;
    }
    return false;
}

}  // namespace ossivant
