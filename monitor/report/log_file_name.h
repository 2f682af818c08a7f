#pragma once

#include <QDate>
#include <QString>

namespace ossivant {

// Naming of the check log files. A daily log is "D-" + the day as yyyymmdd,
// a weekly log "W-" + the week's Sunday as yyyymmdd, both with the extension
// ".ovl" and inside the log folder. Every log period other than daily (weekly,
// and also "no log") yields the weekly name.

inline constexpr int LogPeriodNone = 0;
inline constexpr int LogPeriodDaily = 1;
inline constexpr int LogPeriodWeekly = 2;

// The Sunday on or before `day`: weeks begin on Sunday.
QDate WeekStart(const QDate& day);

// The full path of the log file that `today` writes to.
QString LogFileNameFor(const QString& logPath, int logPeriod, const QDate& today);

}  // namespace ossivant
