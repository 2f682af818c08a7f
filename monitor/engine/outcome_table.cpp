#include "monitor/engine/outcome_table.h"

#include <array>

#include "monitor/engine/response_code.h"

namespace ossivant {

namespace {

struct Row {
    int code;
    bool ok;
    const char* text;  // result text; the alert code is the code itself
};

constexpr std::array kRows{
    Row{200, true, nullptr},
    Row{201, true, nullptr},
    Row{202, true, nullptr},
    Row{204, false, "204 No Content"},
    Row{301, false, "301 Moved Permanently"},
    Row{302, true, nullptr},
    Row{304, true, nullptr},
    Row{400, false, "400 Bad Request"},
    Row{401, false, "401 Unauthorized"},
    Row{403, false, "403 Forbidden"},
    Row{404, false, "404 File Not Found"},
    Row{405, false, "405 Method Not Allowed"},
    Row{500, false, "500 Internal Server Error"},
    Row{501, false, "501 Not implemented"},
    Row{502, false, "502 Bad Gateway"},
    Row{503, false, "503 Service Unavailable"},
    Row{504, false, "504 Gateway Time-Out"},
};

constexpr std::array kClasses{
    "1xx Informational Response Received", "2xx Success Response Received",
    "3xx Redirectional Response Received", "4xx Request Error Response Received",
    "5xx Server Error Response Received",
};

ProbeOutcome Failure(const QString& code, const QString& text) {
    return {false, code, text};
}

}  // namespace

ProbeOutcome ClassifyStatusCode(const QString& statusCode) {
    // 162 when the header gave no code at all, 180 when a code was found but
    // is not one of ours: the two texts differ by one letter on purpose.
    static const QString noCode = QStringLiteral("Unrecognized Reponse Code");
    static const QString unknownCode = QStringLiteral("Unrecognized Response Code");

    const std::optional<double> value = NumericValue(statusCode);
    if (value && *value == 0) return Failure(QStringLiteral("0"), noCode);
    if (value) {
        for (const Row& row : kRows) {
            if (*value != row.code) continue;
            if (row.ok) return {true, {}, {}};
            return Failure(QString::number(row.code), QString::fromLatin1(row.text));
        }
    }
    if (statusCode.size() != 3 || !value) return Failure(QStringLiteral("0"), unknownCode);

    const QChar first = statusCode.front();
    if (first >= QLatin1Char('1') && first <= QLatin1Char('5')) {
        const int digit = first.digitValue();
        return Failure(QString(first) + QStringLiteral("xx"),
                       QString::fromLatin1(kClasses[static_cast<std::size_t>(digit - 1)]));
    }
    return Failure(QStringLiteral("0"), unknownCode);
}

}  // namespace ossivant
