#include "monitor/engine/response_code.h"

#include <QRegularExpression>
#include <cmath>

namespace ossivant {

std::optional<double> NumericValue(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^ *[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)? *$"));
    if (!number.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
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
    const qsizetype version = szHeader.toUpper().indexOf(QLatin1String("HTTP/"));
    if (version < 0) return QStringLiteral("0");
    const qsizetype blank = szHeader.indexOf(QLatin1Char(' '), version);
    if (blank < 0) return QStringLiteral("0");

    QString code = szHeader.mid(blank + 1, 3);
    if (const auto value = NumericValue(code)) code = GeneralNumberText(*value);
    if (code.size() != 3 || !NumericValue(code)) return QStringLiteral("0");
    return code;
}

}  // namespace ossivant
