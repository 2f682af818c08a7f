#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace ossivant {

// What the monitor keeps beside a tracked job, in "<job>.alert", so that an
// alert still waiting when the monitor stops is taken up again at start.
struct AlertTicket {
    QString site;
    QString server;      // host:port; resends to one server run one at a time
    QDateTime firstTry;
    int attempts = 0;
    QDateTime nextTry;   // invalid while a try is under way
};

QString AlertTicketPath(const QString& jobPath);

// Atomic: a reader finds the old ticket or the new one, never half of one.
bool WriteAlertTicket(const QString& jobPath, const AlertTicket& ticket);

// Nothing when the ticket is missing or not well formed.
std::optional<AlertTicket> ReadAlertTicket(const QString& jobPath);

}  // namespace ossivant
