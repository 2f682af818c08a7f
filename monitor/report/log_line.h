#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include "monitor/report/log_record.h"

namespace ossivant {

// The text of the check log's lines, without the line end.
//   start:  "[START CHECK: MANUAL - <now>]" or "[START CHECK: AUTO - <now>]"
//   end:    "[END CHECK]"
//   data:   CheckStart,SiteLabel,ResultText,elapsed seconds,Notes,HTMLStyle
// Fields are neither quoted nor escaped: a comma inside a text is written as
// it is, and readers must expect more than six parts.

// Which line a call of WriteLog asks for.
enum class LogLineKind { ManualStart, AutoStart, End, Data };

// The line chosen by WriteLog's three flags.
LogLineKind LogLineKindFor(bool bWriteStart, bool bWriteStartManual, bool bWriteEnd);

// A date-time as the log writes it: the locale's short date, one blank and
// its long time (without a time-zone name), in local time.
QString LogDateTimeText(const QDateTime& when, const QLocale& locale = QLocale::system());

// The whole seconds from `checkStart` to `now`; never negative, so a clock set
// back during a check shows 0.
qint64 ElapsedSeconds(const QDateTime& checkStart, const QDateTime& now);

// The line of the given kind. `now` is the moment of writing.
QString BuildLogLine(LogLineKind kind, const LogRecord& record, const QDateTime& now,
                     const QLocale& locale = QLocale::system());

}  // namespace ossivant
