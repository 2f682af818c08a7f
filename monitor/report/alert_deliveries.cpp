#include "monitor/report/alert_deliveries.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <array>

#include "handoff/vb_quorvane3.h"
#include "mailer/job/delivery_outcome.h"
#include "monitor/report/alert_ticket.h"
#include "monitor/report/send_email.h"

namespace ossivant {

namespace {

constexpr std::array<int, 5> kRetryMinutes{1, 2, 5, 10, 30};
constexpr qint64 kGiveUpSeconds = 24 * 60 * 60;

int RetryMinutes(int attempts) {
    const std::size_t i = static_cast<std::size_t>(std::max(attempts, 1) - 1);
    return i < kRetryMinutes.size() ? kRetryMinutes[i] : kRetryMinutes.back();
}

bool MayPass(std::int32_t handOffCode) {
    return handOffCode == VBQ3_JOB_NOT_WRITTEN || handOffCode == VBQ3_NOT_STARTED;
}

void RemoveJob(const QString& jobPath) {
    if (jobPath.isEmpty()) return;
    QFile::remove(jobPath);
    QFile::remove(QString::fromStdString(quorvane3::OutcomeRecordPath(jobPath.toStdString())));
    QFile::remove(AlertTicketPath(jobPath));
}

}  // namespace

QString HandOffFailureCause(std::int32_t code) {
    switch (code) {
        case VBQ3_BAD_MAIL: return QStringLiteral("the mail server or the address is not valid");
        case VBQ3_BAD_CHARSET: return QStringLiteral("the character set is not supported");
        case VBQ3_NO_SPOOL: return QStringLiteral("the spool folder cannot be used");
        case VBQ3_BAD_SPOOL_PATH: return QStringLiteral("the spool folder's path is not usable");
        case VBQ3_JOB_NOT_WRITTEN: return QStringLiteral("the mail could not be written to the spool folder (disk full?)");
        case VBQ3_NO_PROGRAM: return QStringLiteral("the mail sender program was not found");
        case VBQ3_NOT_STARTED: return QStringLiteral("the mail sender could not be started");
        case VBQ3_NO_JOB: return QStringLiteral("the mail is no longer in the spool folder");
        case kSendEmailNoHandOff: return QStringLiteral("the mail hand-off library is missing");
        default: return QStringLiteral("the mail hand-off failed (%1)").arg(code);
    }
}

AlertDeliveries::AlertDeliveries(const Clock& clock, AlertResender& resender,
                                 AlertNewsListener& listener, std::chrono::seconds recordWait)
    : clock_(clock), resender_(resender), listener_(listener), recordWait_(recordWait) {}

void AlertDeliveries::handedOver(const QString& jobPath, const QString& site,
                                 const QString& server) {
    Alert alert;
    alert.jobPath = jobPath;
    alert.site = site;
    alert.server = server;
    alert.firstTry = clock_.now();
    alert.attempts = 1;
    alert.running = true;
    alert.startedAt = alert.firstTry;
    keepTicket(alert);
    alerts_.push_back(std::move(alert));
}

void AlertDeliveries::handOffFailed(const QString& site, const QString& server,
                                    std::int32_t code, HandOffAgain again) {
    Alert alert;
    alert.site = site;
    alert.server = server;
    alert.firstTry = clock_.now();
    alert.attempts = 1;
    alert.again = std::move(again);
    if (!MayPass(code) || !alert.again) {
        finish(alert, AlertNews::Kind::kFailed, HandOffFailureCause(code));
        return;
    }
    if (failedForNow(alert, HandOffFailureCause(code))) alerts_.push_back(std::move(alert));
}

void AlertDeliveries::takeUp(const QString& spoolDir) {
    const QDir dir(spoolDir);
    for (const QString& name : dir.entryList({QStringLiteral("*.alert")}, QDir::Files)) {
        const QString jobPath = dir.filePath(name.chopped(6));
        const auto ticket = ReadAlertTicket(jobPath);
        if (!ticket) continue;
        Alert alert;
        alert.jobPath = jobPath;
        alert.site = ticket->site;
        alert.server = ticket->server;
        alert.firstTry = ticket->firstTry;
        alert.attempts = ticket->attempts;
        alert.nextTry = ticket->nextTry;
        // A try under way when the monitor stopped: its record may be there,
        // or may still come.
        alert.running = !alert.nextTry.isValid();
        alert.startedAt = clock_.now();
        alerts_.push_back(std::move(alert));
    }
}

void AlertDeliveries::tick() {
    for (Alert& alert : alerts_)
        if (alert.running) collect(alert);
    std::erase_if(alerts_, [](const Alert& a) { return !a.running && !a.nextTry.isValid(); });
    const QDateTime now = clock_.now();
    for (Alert& alert : alerts_) {
        if (alert.running || alert.nextTry > now || serverBusy(alert.server)) continue;
        start(alert);
    }
    std::erase_if(alerts_, [](const Alert& a) { return !a.running && !a.nextTry.isValid(); });
}

void AlertDeliveries::collect(Alert& alert) {
    const auto outcome = quorvane3::ReadOutcomeRecord(alert.jobPath.toStdString());
    if (!outcome) {
        if (alert.startedAt.secsTo(clock_.now()) < recordWait_.count()) return;
        alert.running = false;
        failedForNow(alert, QStringLiteral("no outcome from the mail sender"));
        return;
    }
    alert.running = false;
    const QString cause = QString::fromUtf8(outcome->cause);
    switch (outcome->state) {
        case quorvane3::DeliveryState::kDelivered:
            finish(alert, AlertNews::Kind::kDelivered, {});
            break;
        case quorvane3::DeliveryState::kPermanent:
            finish(alert, AlertNews::Kind::kFailed, cause);
            break;
        case quorvane3::DeliveryState::kMayPass:
            QFile::remove(QString::fromStdString(
                quorvane3::OutcomeRecordPath(alert.jobPath.toStdString())));
            failedForNow(alert, cause);
            break;
    }
}

void AlertDeliveries::start(Alert& alert) {
    ++alert.attempts;
    alert.nextTry = QDateTime();
    std::int32_t result;
    if (alert.jobPath.isEmpty()) {
        QString jobPath;
        result = alert.again(jobPath);
        if (result == VBQ3_OK) alert.jobPath = jobPath;
    } else {
        result = resender_.resend(alert.jobPath);
    }
    if (result == VBQ3_OK && alert.jobPath.isEmpty()) {
        // Handed off without a job to follow: nothing more can be learnt.
        alert.running = false;
    } else if (result == VBQ3_OK) {
        alert.running = true;
        alert.startedAt = clock_.now();
        keepTicket(alert);
    } else if (result == VBQ3_NO_JOB || !MayPass(result)) {
        finish(alert, AlertNews::Kind::kFailed, HandOffFailureCause(result));
    } else {
        failedForNow(alert, HandOffFailureCause(result));
    }
}

bool AlertDeliveries::failedForNow(Alert& alert, const QString& cause) {
    const QDateTime next = clock_.now().addSecs(RetryMinutes(alert.attempts) * 60);
    if (alert.firstTry.secsTo(next) > kGiveUpSeconds) {
        finish(alert, AlertNews::Kind::kFailed, cause);
        return false;
    }
    alert.nextTry = next;
    keepTicket(alert);
    listener_.tellAlertNews({AlertNews::Kind::kWaiting, alert.site, cause, next, false});
    return true;
}

void AlertDeliveries::finish(Alert& alert, AlertNews::Kind kind, const QString& cause) {
    RemoveJob(alert.jobPath);
    alert.running = false;
    alert.nextTry = QDateTime();
    const bool desktop = kind == AlertNews::Kind::kFailed || alert.attempts > 1;
    listener_.tellAlertNews({kind, alert.site, cause, {}, desktop});
}

void AlertDeliveries::keepTicket(const Alert& alert) const {
    if (alert.jobPath.isEmpty()) return;
    WriteAlertTicket(alert.jobPath,
                     {alert.site, alert.server, alert.firstTry, alert.attempts, alert.nextTry});
}

bool AlertDeliveries::serverBusy(const QString& server) const {
    return std::any_of(alerts_.begin(), alerts_.end(),
                       [&](const Alert& a) { return a.running && a.server == server; });
}

}  // namespace ossivant
