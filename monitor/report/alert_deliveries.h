#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "monitor/platform/clock.h"

namespace ossivant {

// What became of one alert, as the operator is told.
struct AlertNews {
    enum class Kind { kDelivered, kWaiting, kFailed };
    Kind kind = Kind::kDelivered;
    QString site;
    QString cause;       // empty when delivered
    QDateTime nextTry;   // only while waiting
    bool desktop = false;  // also worth a desktop notification
};

// The window and the headless console: where the news goes.
class AlertNewsListener {
public:
    virtual ~AlertNewsListener() = default;
    virtual void tellAlertNews(const AlertNews& news) = 0;
};

// Starts the sender again on a tracked job in the spool folder; the hand-off
// library's result (VBQ3_OK when started).
class AlertResender {
public:
    virtual ~AlertResender() = default;
    virtual std::int32_t resend(const QString& jobPath) = 0;
};

// Hands a request kept in memory off anew; on VBQ3_OK jobPath names the job.
using HandOffAgain = std::function<std::int32_t(QString& jobPath)>;

// How long a try may go without its outcome record: well beyond the longest
// session the sender allows itself.
inline constexpr std::chrono::seconds kAlertRecordWait{15 * 60};

// The hand-off's failure in words.
QString HandOffFailureCause(std::int32_t code);

// Follows every alert from the hand-off to its end: reads the sender's outcome
// records on each tick, tries again what may pass (after 1, 2, 5, 10 and 30
// minutes, then every 30 minutes, for 24 hours from the first try), one resend
// per server at a time, and tells the listener each step.
class AlertDeliveries {
public:
    AlertDeliveries(const Clock& clock, AlertResender& resender, AlertNewsListener& listener,
                    std::chrono::seconds recordWait);

    // An alert whose tracked job the sender has started on.
    void handedOver(const QString& jobPath, const QString& site, const QString& server);
    // A hand-off that failed with `code`; a cause that may pass is tried again
    // through `again`.
    void handOffFailed(const QString& site, const QString& server, std::int32_t code,
                       HandOffAgain again);
    // Takes up the alerts that were waiting in the spool folder when the
    // monitor last stopped.
    void takeUp(const QString& spoolDir);
    // Reads what has arrived and starts what is due.
    void tick();

    std::size_t waiting() const { return alerts_.size(); }

private:
    struct Alert {
        QString jobPath;  // empty while the request is only in memory
        QString site;
        QString server;
        QDateTime firstTry;
        int attempts = 0;
        QDateTime nextTry;
        bool running = false;
        QDateTime startedAt;
        HandOffAgain again;
    };

    void collect(Alert& alert);
    void start(Alert& alert);
    // False when the alert is done and is to be dropped.
    bool failedForNow(Alert& alert, const QString& cause);
    void finish(Alert& alert, AlertNews::Kind kind, const QString& cause);
    void keepTicket(const Alert& alert) const;
    bool serverBusy(const QString& server) const;

    const Clock& clock_;
    AlertResender& resender_;
    AlertNewsListener& listener_;
    std::chrono::seconds recordWait_;
    std::vector<Alert> alerts_;
};

}  // namespace ossivant
