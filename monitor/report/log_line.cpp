#include "monitor/report/log_line.h"

#include <algorithm>
#include <optional>

namespace ossivant {

namespace {

// Qt's long time formats end in a time-zone name ("t"); the log shows the
// time alone, as the desktop's own date-time text does. Quoted literals in
// the format are kept.
QString TimeFormatWithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == u't') {
            while (i + 1 < format.size() && format.at(i + 1) == u't') ++i;
            if (out.endsWith(u' ')) out.chop(1);
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

}  // namespace

LogLineKind LogLineKindFor(bool bWriteStart, bool bWriteStartManual, bool bWriteEnd) {
    if (bWriteStart) return bWriteStartManual ? LogLineKind::ManualStart : LogLineKind::AutoStart;
    return bWriteEnd ? LogLineKind::End : LogLineKind::Data;
}

QString LogDateTimeText(const QDateTime& when, const QLocale& locale) {
    const QDateTime local = when.toLocalTime();
    // A cycle writes many lines within one second, and the locale's
    // formatting costs more than the rest of a line: the last text is kept.
    struct Kept {
        qint64 second = 0;
        int offset = 0;
        QLocale locale;
        QString text;
    };
    static thread_local std::optional<Kept> kept;
    const qint64 second = local.toSecsSinceEpoch();
    const int offset = local.offsetFromUtc();
    if (kept && local.isValid() && kept->second == second && kept->offset == offset &&
        kept->locale == locale)
        return kept->text;
    const QString timeFormat = TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat));
    QString text = locale.toString(local.date(), QLocale::ShortFormat) + u' ' +
                   locale.toString(local.time(), timeFormat);
    // (A format that shows milliseconds differs within the second.)
    if (local.isValid() && !timeFormat.contains(u'z')) kept = Kept{second, offset, locale, text};
    return text;
}

qint64 ElapsedSeconds(const QDateTime& checkStart, const QDateTime& now) {
    if (!checkStart.isValid() || !now.isValid()) return 0;
    return std::max<qint64>(0, checkStart.secsTo(now));
}

QString BuildLogLine(LogLineKind kind, const LogRecord& record, const QDateTime& now,
                     const QLocale& locale) {
    switch (kind) {
        case LogLineKind::ManualStart:
            return QStringLiteral("[START CHECK: MANUAL - ") + LogDateTimeText(now, locale) + u']';
        case LogLineKind::AutoStart:
            return QStringLiteral("[START CHECK: AUTO - ") + LogDateTimeText(now, locale) + u']';
        case LogLineKind::End:
            return QStringLiteral("[END CHECK]");
        case LogLineKind::Data:
            break;
    }
    const QChar comma = u',';
    return LogDateTimeText(record.CheckStart, locale) + comma + record.SiteLabel + comma +
           record.ResultText + comma + QString::number(ElapsedSeconds(record.CheckStart, now)) +
           comma + record.Notes + comma + QString::number(record.HTMLStyle);
}

}  // namespace ossivant
