#include "monitor/engine/panel_time.h"

namespace ossivant {

QString PanelTimeText(const QDateTime& when, const QLocale& locale) {
    const QTime t = when.time();
    const int hour = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    QString designator = t.hour() < 12 ? locale.amText() : locale.pmText();
    if (designator.isEmpty())
        designator = t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    return QStringLiteral("%1:%2:%3 %4")
        .arg(hour)
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'))
        .arg(designator);
}

QString LowerCasePanelTimeText(const QDateTime& when, const QLocale& locale) {
    return PanelTimeText(when, locale).toLower();
}

}  // namespace ossivant
