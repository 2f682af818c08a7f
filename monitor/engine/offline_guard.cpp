#include "monitor/engine/offline_guard.h"

#include <array>
#include <utility>

namespace ossivant {

bool IsPreHttpError(qint32 transferError) {
    // The transfer library's numbers: proxy or host not resolved, no
    // connection, timed out, TLS handshake failed.
    static constexpr std::array<qint32, 5> kPreHttp{5, 6, 7, 28, 35};
    for (const qint32 n : kPreHttp)
        if (n == transferError) return true;
    return false;
}

void OfflineGuard::BeginCycle(bool enabled) {
    enabled_ = enabled;
    answered_ = false;
    held_.clear();
}

std::vector<HeldVerdict> OfflineGuard::Answered() {
    answered_ = true;
    return TakeHeld();
}

OfflineGuard::Ending OfflineGuard::AtEnd(NetworkReach reach, bool referenceSet) const {
    if (!enabled_ || answered_ || held_.empty()) return Ending::Judge;
    if (reach == NetworkReach::Offline) return Ending::Offline;
    if (!referenceSet) return Ending::Judge;
    if (reach == NetworkReach::Online && held_.size() == 1) return Ending::Judge;
    return Ending::ProbeReference;
}

OfflineGuard::Ending OfflineGuard::AfterReference(std::optional<bool> reached) {
    return reached == false ? Ending::Offline : Ending::Judge;
}

std::vector<HeldVerdict> OfflineGuard::TakeHeld() {
    return std::exchange(held_, {});
}

}  // namespace ossivant
