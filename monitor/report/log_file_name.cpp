#include "monitor/report/log_file_name.h"

namespace ossivant {

QDate WeekStart(const QDate& day) {
    // QDate numbers Monday 1 to Sunday 7; w counts Sunday 1 to Saturday 7.
    const int w = day.dayOfWeek() % 7 + 1;
    return day.addDays(1 - w);
}

QString LogFileNameFor(const QString& logPath, int logPeriod, const QDate& today) {
    if (logPeriod == LogPeriodDaily) {
        return logPath + QStringLiteral("/D-") + today.toString(QStringLiteral("yyyyMMdd")) +
               QStringLiteral(".ovl");
    }
    return logPath + QStringLiteral("/W-") + WeekStart(today).toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral(".ovl");
}

}  // namespace ossivant
