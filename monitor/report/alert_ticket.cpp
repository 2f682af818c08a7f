#include "monitor/report/alert_ticket.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace ossivant {

namespace {

constexpr char kMagic[] = "Q3ALERT 1";

qint64 Seconds(const QDateTime& when) { return when.isValid() ? when.toSecsSinceEpoch() : 0; }

QDateTime FromSeconds(qint64 seconds) {
    return seconds == 0 ? QDateTime() : QDateTime::fromSecsSinceEpoch(seconds);
}

}  // namespace

QString AlertTicketPath(const QString& jobPath) { return jobPath + QStringLiteral(".alert"); }

bool WriteAlertTicket(const QString& jobPath, const AlertTicket& ticket) {
    QSaveFile file(AlertTicketPath(jobPath));
    if (!file.open(QIODevice::WriteOnly)) return false;
    QString text = QLatin1StringView(kMagic) + QLatin1Char('\n');
    text += QStringLiteral("site=%1\nserver=%2\nfirst=%3\nattempts=%4\nnext=%5\n")
                .arg(QString(ticket.site).replace(QLatin1Char('\n'), QLatin1Char(' ')),
                     ticket.server)
                .arg(Seconds(ticket.firstTry))
                .arg(ticket.attempts)
                .arg(Seconds(ticket.nextTry));
    file.write(text.toUtf8());
    return file.commit();
}

std::optional<AlertTicket> ReadAlertTicket(const QString& jobPath) {
    QFile file(AlertTicketPath(jobPath));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.size() < 6 || lines[0] != QLatin1StringView(kMagic)) return std::nullopt;
    auto value = [&](int i, const char* key) -> std::optional<QString> {
        const QString prefix = QLatin1StringView(key) + QLatin1Char('=');
        if (!lines[i].startsWith(prefix)) return std::nullopt;
        return lines[i].mid(prefix.size());
    };
    const auto site = value(1, "site"), server = value(2, "server"), first = value(3, "first"),
               attempts = value(4, "attempts"), next = value(5, "next");
    if (!site || !server || !first || !attempts || !next) return std::nullopt;
    bool ok1 = false, ok2 = false, ok3 = false;
    AlertTicket ticket;
    ticket.site = *site;
    ticket.server = *server;
    ticket.firstTry = FromSeconds(first->toLongLong(&ok1));
    ticket.attempts = attempts->toInt(&ok2);
    ticket.nextTry = FromSeconds(next->toLongLong(&ok3));
    if (!ok1 || !ok2 || !ok3 || !ticket.firstTry.isValid()) return std::nullopt;
    return ticket;
}

}  // namespace ossivant
