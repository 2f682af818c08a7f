#pragma once

#include <QString>

namespace ossivant::alert_strings {

// Texts of the monitor's string table that alerts and their log notes use.
inline const QString kNotificationSent = QStringLiteral("E-mail Notification Sent");
inline const QString kFailedMissingBoth =
    QStringLiteral("E-mail Notification Failed (Missing e-mail address and SMTP)");
inline const QString kFailedMissingAddress =
    QStringLiteral("E-mail Notification Failed (Missing e-mail address)");
inline const QString kFailedMissingSmtp =
    QStringLiteral("E-mail Notification Failed (Missing SMTP)");
inline const QString kNotificationFailed = QStringLiteral("E-mail Notification Failed");
inline const QString kSeconds = QStringLiteral("sec.");

}  // namespace ossivant::alert_strings
