#pragma once

#include <QString>
#include <cstdint>

namespace ossivant {

enum SiteStatus : std::uint8_t {
    StatusNotChecked = 0,  // in memory only: not checked since start-up
    StatusOK = 1,
    StatusWarning = 2,
    StatusFailed = 3,
    StatusUnchecked = 4,
};

// One monitored site. URL is kept without the "http://" prefix.
struct SiteRecord {
    QString IP;
    QString URL;
    std::uint8_t Status = StatusNotChecked;
    std::uint8_t Enabled = 0;
    std::int32_t TimeOut = 0;  // seconds
    QString Comments;
};

// The one rule that turns a site's URL or IP field into the address that is
// probed, shown and written into alerts.
inline QString HttpAddress(const QString& urlOrIp) { return QStringLiteral("http://") + urlOrIp; }

}  // namespace ossivant
