#include "monitor/ui/number_text.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace ossivant {

double LeadingNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch()) return 0;
    const double value = QLocale::c().toDouble(match.captured(1));
    return std::isfinite(value) ? value : 0;
}

std::int32_t RoundHalfEven(double value) {
    using Limits = std::numeric_limits<std::int32_t>;
    if (std::isnan(value)) return 0;
    const double rounded = std::nearbyint(value);  // the default mode rounds halves to even
    if (rounded <= Limits::min()) return Limits::min();
    if (rounded >= Limits::max()) return Limits::max();
    return static_cast<std::int32_t>(rounded);
}

}  // namespace ossivant
