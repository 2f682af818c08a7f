#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace ossivant {

// The check engine's variables, kept for the life of the program. The main
// window's start-up sets NextCheckTime; everything else belongs to the engine.
struct EngineState {
    // The probe.
    std::int32_t lCheckIndex = 0;    // site whose probe runs or ran last
    std::int16_t InetCheckType = 1;  // 1 = the probe goes to the URL, 2 = to the IP
    QDateTime RequestTimeOut;        // deadline of the running probe; null = none
    bool bInetDoubleCheck = false;   // the running probe is an IP double check

    // Outcome handling.
    bool bSiteDown = false;              // a site was found down in this cycle
    std::int16_t DoubleCheckResult = 0;  // 1 = the IP answered the double check, 2 = it did not
    QString SavedAlertCode;              // of the URL failure that started the double check
    QString SavedResultText;

    // The cycle.
    bool bCheckInProgress = false;  // the walk may go on
    QDateTime NextCheckTime;        // when the next automatic cycle is due
};

}  // namespace ossivant
