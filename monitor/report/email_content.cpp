#include "monitor/report/email_content.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

#include "monitor/platform/user_folders.h"
#include "monitor/report/builtin_alert_text.h"

namespace ossivant {

namespace {

// The whole template as text, or nothing when no readable file has that name.
// The operator's own Messages folder comes before the shipped one, so alerts
// can be worded without write access to the program folder. Line ends are
// kept as they are; an empty file gives an empty text.
std::optional<QString> ReadTemplate(const QString& programDir, const QString& name) {
    for (const QString& folder : {UserConfigFolder(), programDir}) {
        const QString path = folder + QStringLiteral("/Messages/") + name;
        if (!QFileInfo(path).isFile()) continue;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) return QString::fromUtf8(file.readAll());
    }
    return std::nullopt;
}

// An alert code names a file only when it cannot reach outside the folder.
bool UsableInFileName(const QString& code) {
    return !code.contains(QLatin1Char('/')) && !code.contains(QChar(u'\0'));
}

QString MainText(const QString& programDir, const QString& code) {
    if (UsableInFileName(code)) {
        if (auto text =
                ReadTemplate(programDir, QStringLiteral("HTTP-") + code + QStringLiteral(".txt")))
            return *text;
    }
    if (auto text = ReadTemplate(programDir, QStringLiteral("Unknown.txt"))) return *text;
    return BuiltInAlertText(code);
}

QString Postscript(const QString& programDir, bool ipAnswered) {
    if (ipAnswered) {
        if (auto text = ReadTemplate(programDir, QStringLiteral("DT_OK.txt"))) return *text;
        return QStringLiteral(
            "PS. An IP Check was performed on %IP%,\r\n"
            "but the IP seemed to respond OK.");
    }
    if (auto text = ReadTemplate(programDir, QStringLiteral("DT_NG.txt"))) return *text;
    return QStringLiteral(
        "PS. An IP Check was performed on %IP%,\r\n"
        "and the IP returned an error as well.");
}

}  // namespace

QString ComposeAlertBody(const QString& programDir, const QString& szErrorCode,
                         const Settings& settings, const AlertFacts& facts) {
    const QString mainText = MainText(programDir, szErrorCode);
    QString body;
    if (facts.bInetDoubleCheck) {
        const QString postscript = ParseEmailContent(
            Postscript(programDir, facts.DoubleCheckResult == 1), szErrorCode, settings, facts);
        body = ParseEmailContent(mainText, szErrorCode, settings, facts) +
               QStringLiteral("\r\n\r\n") + postscript;
    } else {
        body = ParseEmailContent(mainText, szErrorCode, settings, facts);
    }
    return body;
}

}  // namespace ossivant
