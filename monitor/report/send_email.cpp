#include "monitor/report/send_email.h"

#include <dlfcn.h>

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

#include "handoff/vb_quorvane3.h"
#include "monitor/report/email_content.h"

namespace ossivant {

namespace {

// Loads the hand-off library and finds the entry `name`. The library stays
// mapped once loaded (RTLD_NODELETE): it may have started work that outlives
// the call, and unloading code under it would be far worse than keeping a few
// pages.
void* LoadHandOff(const QString& programDir, const char* name) {
    const QByteArray path =
        QFile::encodeName(programDir + QLatin1Char('/') + QLatin1StringView(kHandOffLibraryName));
    void* library = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (library == nullptr) {
        qWarning("Alert not handed off: %s", dlerror());
        return nullptr;
    }
    void* entry = dlsym(library, name);
    if (entry == nullptr)
        qWarning("Alert not handed off: %s has no entry %s", path.constData(), name);
    dlclose(library);
    return entry;
}

}  // namespace

std::int32_t SendEmail(const QString& szErrorCode, const Settings& settings,
                       const AlertFacts& facts, const QString& programDir, QString* jobPath) {
    if (settings.ManagerSMTP.isEmpty() || settings.ManagerEmail.isEmpty())
        return kSendEmailNotConfigured;

    const QByteArray body = ComposeAlertBody(programDir, szErrorCode, settings, facts).toUtf8();

    // A plain session goes through the entry it always used.
    const bool secure = settings.ManagerSMTPSecurity != 0 || !settings.ManagerSMTPUser.isEmpty();
    void* entry = LoadHandOff(programDir, jobPath != nullptr ? "Quorvane3Tracked"
                                          : secure            ? "Quorvane3Secure"
                                                              : "Quorvane3");
    if (entry == nullptr) return kSendEmailNoHandOff;

    const QByteArray server = settings.ManagerSMTP.toUtf8();
    const QByteArray address = settings.ManagerEmail.toUtf8();
    const QByteArray from =
        (QStringLiteral("Ossivant <") + settings.ManagerEmail + QLatin1Char('>')).toUtf8();
    const QByteArray user = settings.ManagerSMTPUser.toUtf8();
    const QByteArray password = settings.ManagerSMTPPassword.toUtf8();
    if (jobPath != nullptr) {
        char path[512] = {};
        const std::int32_t result = reinterpret_cast<Quorvane3TrackedFn>(entry)(
            "", server.constData(), settings.ManagerSMTPPort, address.constData(), "",
            from.constData(), address.constData(), "Ossivant Alert", body.constData(), "", 0, 0,
            "US", "Quorvane 3.0", settings.ManagerSMTPSecurity, user.constData(),
            password.constData(), path, sizeof path);
        if (result == VBQ3_OK) *jobPath = QFile::decodeName(path);
        return result;
    }
    if (secure) {
        return reinterpret_cast<Quorvane3SecureFn>(entry)(
            "", server.constData(), settings.ManagerSMTPPort, address.constData(), "",
            from.constData(), address.constData(), "Ossivant Alert", body.constData(), "", 0, 0,
            "US", "Quorvane 3.0", settings.ManagerSMTPSecurity, user.constData(),
            password.constData());
    }
    return reinterpret_cast<Quorvane3Fn>(entry)(
        "", server.constData(), settings.ManagerSMTPPort, address.constData(), "", from.constData(),
        address.constData(), "Ossivant Alert", body.constData(), "", 0, 0, "US", "Quorvane 3.0");
}

std::int32_t HandOffResender::resend(const QString& jobPath) {
    void* entry = LoadHandOff(programDir_, "Quorvane3Resend");
    if (entry == nullptr) return kSendEmailNoHandOff;
    return reinterpret_cast<Quorvane3ResendFn>(entry)(QFile::encodeName(jobPath).constData());
}

}  // namespace ossivant
