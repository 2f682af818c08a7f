#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "monitor/platform/network_state.h"
#include "monitor/report/log_record.h"

namespace ossivant {

// Whether a transfer error number means the request failed before any HTTP
// reply could come: the name did not resolve, the connection was refused or
// timed out, the TLS handshake failed.
bool IsPreHttpError(qint32 transferError);

// A site's failure whose verdict waits until the cycle knows whether this
// computer is online: what the probe found, as the verdict needs it.
struct HeldVerdict {
    std::int32_t index = 0;
    QString alertCode;
    QString resultText;
    LogRecord record;
    // The probe's side, as it stood when the failure came.
    std::int32_t checkIndex = 0;
    std::int16_t checkType = 0;
    bool doubleCheck = false;
    QString savedAlertCode;
    QString savedResultText;
    QString url;
    qint32 responseCode = 0;
    QString responseInfo;
    QString header;
};

// Holds the verdicts of a cycle's sites that failed before any HTTP reply,
// as long as no site of the cycle has answered, so that a computer without
// network does not call every site down.
class OfflineGuard {
public:
    // What the end of a cycle does with the verdicts still held.
    enum class Ending { Judge, Offline, ProbeReference };

    void BeginCycle(bool enabled);
    // Whether a failure before any HTTP reply is to be held now.
    bool Holding() const { return enabled_ && !answered_; }
    void Hold(HeldVerdict verdict) { held_.push_back(std::move(verdict)); }
    // A site answered, or failed in a way that shows the network works: the
    // verdicts held so far are handed back, in order, and no more are held.
    std::vector<HeldVerdict> Answered();

    // At the walk's end. A reference address alone does not make a cycle
    // of one site offline while the system says it is online.
    Ending AtEnd(NetworkReach reach, bool referenceSet) const;
    // After the reference probe: reached, not reached, or no answer (stopped).
    static Ending AfterReference(std::optional<bool> reached);
    std::vector<HeldVerdict> TakeHeld();

private:
    bool enabled_ = false;
    bool answered_ = false;
    std::vector<HeldVerdict> held_;
};

}  // namespace ossivant
