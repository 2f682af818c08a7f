#pragma once

#include <QString>
#include <cstdint>
#include <utility>

#include "monitor/report/alert_deliveries.h"
#include "monitor/report/alert_text.h"
#include "monitor/store/settings.h"

namespace ossivant {

// SendEmail's result when the manager's address or the mail server is not set:
// nothing was composed or handed off.
inline constexpr std::int32_t kSendEmailNotConfigured = 999;
// SendEmail's result when the hand-off library or its entry could not be loaded.
inline constexpr std::int32_t kSendEmailNoHandOff = -1;

// File name of the hand-off library in the program folder.
inline constexpr char kHandOffLibraryName[] = "libvb_quorvane3.so";

// The one way the monitor sends mail. Composes the alert for szErrorCode and
// hands it to Quorvane3 of the hand-off library, which is loaded from the
// program folder at each send (so a library installed later is found, and a
// missing one fails the alert, not the program). Blocks for the duration of the
// call. Returns 0 when the library accepted the mail, kSendEmailNotConfigured
// when ManagerEmail or ManagerSMTP is empty, kSendEmailNoHandOff when the
// library could not be used, otherwise the library's own non-zero value.
// With `jobPath`, the mail goes as a tracked job whose outcome the caller
// follows; on 0 *jobPath names the job.
std::int32_t SendEmail(const QString& szErrorCode, const Settings& settings,
                       const AlertFacts& facts, const QString& programDir,
                       QString* jobPath = nullptr);

// The check engine's way to send an alert, so that its tests can record alerts
// instead of mailing them.
class AlertSender {
public:
    virtual ~AlertSender() = default;
    virtual std::int32_t SendEmail(const QString& szErrorCode, const AlertFacts& facts) = 0;
    // As SendEmail, as a job whose outcome can be followed; a sender that
    // cannot track leaves jobPath empty.
    virtual std::int32_t SendTracked(const QString& szErrorCode, const AlertFacts& facts,
                                     QString& jobPath) {
        jobPath.clear();
        return SendEmail(szErrorCode, facts);
    }
};

// Sends through the hand-off library of the program folder, with the settings
// as they stand at the moment of sending (the options dialog may change them).
class HandOffAlertSender final : public AlertSender {
public:
    HandOffAlertSender(const Settings& settings, QString programDir)
        : settings_(settings), programDir_(std::move(programDir)) {}
    std::int32_t SendEmail(const QString& szErrorCode, const AlertFacts& facts) override {
        return ossivant::SendEmail(szErrorCode, settings_, facts, programDir_);
    }
    std::int32_t SendTracked(const QString& szErrorCode, const AlertFacts& facts,
                             QString& jobPath) override {
        return ossivant::SendEmail(szErrorCode, settings_, facts, programDir_, &jobPath);
    }

private:
    const Settings& settings_;
    QString programDir_;
};

// Resends a tracked job through Quorvane3Resend of the program folder's
// hand-off library; kSendEmailNoHandOff when the library or entry is missing.
class HandOffResender final : public AlertResender {
public:
    explicit HandOffResender(QString programDir) : programDir_(std::move(programDir)) {}
    std::int32_t resend(const QString& jobPath) override;

private:
    QString programDir_;
};

}  // namespace ossivant
