#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace ossivant {

// A time as the status bar's "Next:" and "Last:" panels show it: hour 1 to 12
// without a leading zero, two-digit minutes and seconds, and the locale's
// AM/PM designator ("10:15:30 AM", midnight "12:00:00 AM").
QString PanelTimeText(const QDateTime& when, const QLocale& locale = QLocale::system());

// The same with the designator in lower case ("10:15:30 am"): the options
// dialog writes the next check's time so after its timers changed.
QString LowerCasePanelTimeText(const QDateTime& when, const QLocale& locale = QLocale::system());

}  // namespace ossivant
