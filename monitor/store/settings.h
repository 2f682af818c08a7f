#pragma once

#include <QString>
#include <cstdint>

namespace ossivant {

// The monitor's settings, loaded once at start-up by LoadSettings and kept
// in step with the registry by the options dialog.
struct Settings {
    std::int32_t TimerInterval = 0;    // minutes between automatic cycles
    std::int32_t TimerWarning = 0;     // minutes until sites in warning are re-checked
    QString ManagerEmail;
    QString ManagerName;
    QString ManagerSMTP;
    std::int32_t ManagerSMTPPort = 0;
    std::int32_t ManagerSMTPSecurity = 0;  // 0 none, 1 STARTTLS, 2 SSL/TLS
    QString ManagerSMTPUser;
    QString ManagerSMTPPassword;           // from the secret store or the registry file
    QString LogPath;
    std::int16_t LogPeriod = 0;        // 0 no log, 1 daily, 2 weekly
    std::int16_t DiskLogMaxFiles = 0;  // 1 = keep at most MaxLogFiles files
    std::int16_t MaxLogFiles = 0;
    std::int16_t DiskLogDisabled = 0;  // 1 = disabled sites are not logged
    std::int16_t AllowType = 0;        // 1 accept cookies, 2 refuse them
    QString NetworkReference;          // an address that tells whether this computer is online
    std::int32_t OfflineGuard = 0;     // 1 = no verdicts while this computer is offline
};

}  // namespace ossivant
