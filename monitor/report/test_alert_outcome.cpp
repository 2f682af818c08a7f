#include "monitor/report/test_alert_outcome.h"

#include <QFile>

namespace ossivant {

std::optional<quorvane3::DeliveryOutcome> TakeTestAlertOutcome(const QString& jobPath) {
    auto outcome = quorvane3::ReadOutcomeRecord(jobPath.toStdString());
    if (outcome) DropTestAlertJob(jobPath);
    return outcome;
}

void DropTestAlertJob(const QString& jobPath) {
    QFile::remove(jobPath);
    QFile::remove(QString::fromStdString(quorvane3::OutcomeRecordPath(jobPath.toStdString())));
}

}  // namespace ossivant
