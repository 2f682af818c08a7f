#include "monitor/engine/response_code.h"

#include <QStringView>
#include <cmath>

namespace ossivant {

// Reads  blanks [sign] (digits [. digits] | . digits) [e [sign] digits] blanks
// by hand: it runs for every response, where a pattern match costs more than
// the rest of the classification.
std::optional<double> NumericValue(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto at = [&](qsizetype k, char16_t c) { return k < n && text.at(k).unicode() == c; };
    auto digitAt = [&](qsizetype k) { return k < n && text.at(k) >= u'0' && text.at(k) <= u'9'; };
    auto signAt = [&](qsizetype k) { return at(k, u'+') || at(k, u'-'); };

    while (at(i, u' ')) ++i;
    const qsizetype start = i;
    if (signAt(i)) ++i;
    qsizetype digits = 0;
    for (; digitAt(i); ++i) ++digits;
    if (at(i, u'.')) {
        for (++i; digitAt(i); ++i) ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (at(i, u'e') || at(i, u'E')) {
        ++i;
        if (signAt(i)) ++i;
        if (!digitAt(i)) return std::nullopt;
        while (digitAt(i)) ++i;
    }
    const qsizetype end = i;
    while (at(i, u' ')) ++i;
    if (i == n - 1 && at(i, u'\n')) ++i;  // one line end may close the text
    if (i != n) return std::nullopt;
    bool ok = false;
    const double value = QStringView(text).mid(start, end - start).toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString GeneralNumberText(double value) {
    if (value == 0) return QStringLiteral("0");  // also -0
    if (std::trunc(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 15);
}

QString GetResponseCode(const QString& szHeader) {
    // Searched without regard to case in the header itself: an upper-cased
    // copy can be longer ("\u00DF" becomes "SS") and its positions miss.
    const qsizetype version = szHeader.indexOf(QLatin1String("HTTP/"), 0, Qt::CaseInsensitive);
    if (version < 0) return QStringLiteral("0");
    const qsizetype blank = szHeader.indexOf(QLatin1Char(' '), version);
    if (blank < 0) return QStringLiteral("0");

    QString code = szHeader.mid(blank + 1, 3);
    if (const auto value = NumericValue(code)) code = GeneralNumberText(*value);
    if (code.size() != 3 || !NumericValue(code)) return QStringLiteral("0");
    return code;
}

}  // namespace ossivant
