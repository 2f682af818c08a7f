#include "monitor/platform/secret_store.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QTimer>

namespace ossivant {

namespace {

const QString kService = QStringLiteral("Ossivant");
const QString kKey = QStringLiteral("SMTPPassword");
constexpr int kAnswerBoundMs = 5000;

// Runs one keychain job to its end (bounded) and tells whether it worked.
// The job talks to the session bus asynchronously; this small local loop
// only waits for that one answer.
bool Finish(QKeychain::Job& job) {
    job.setAutoDelete(false);
    job.setKey(kKey);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kAnswerBoundMs, &loop, &QEventLoop::quit);
    job.start();
    if (!finished) loop.exec();
    return finished && job.error() == QKeychain::NoError;
}

class DesktopSecretStore final : public SecretStore {
public:
    bool writePassword(const QString& password) override {
        if (!available()) return false;
        QKeychain::WritePasswordJob job(kService);
        job.setTextData(password);
        return Finish(job);
    }
    std::optional<QString> readPassword() override {
        if (!available()) return std::nullopt;
        QKeychain::ReadPasswordJob job(kService);
        if (!Finish(job)) return std::nullopt;
        return job.textData();
    }
    void deletePassword() override {
        if (!available()) return;
        QKeychain::DeletePasswordJob job(kService);
        Finish(job);
    }

private:
    static bool available() { return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"); }
};

}  // namespace

std::unique_ptr<SecretStore> MakeDesktopSecretStore() {
    return std::make_unique<DesktopSecretStore>();
}

}  // namespace ossivant
