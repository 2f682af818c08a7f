#include "mailer/job/copy_coordination.h"

#include <unistd.h>

#include "mailer/sys/named_mutex.h"

namespace quorvane3 {

std::string WaitMarkerPath(const std::string& logDir) {
    return logDir + "/OM_QUORVANE.dat";
}

std::string RunRecordPath(const std::string& logDir) {
    return logDir + "/VB_QUORVANE.dat";
}

CoordinationResult CoordinateCopies(const std::string& logDir, CoordinationLimits limits) {
    CoordinationResult result;
    sys::NamedMutex mutex;
    if (!mutex.Create(kCopyMutexName)) return result;
    if (mutex.AlreadyExisted()) {
        const std::string marker = WaitMarkerPath(logDir);
        while (result.attempts < limits.attempts) {
            ++result.attempts;
            const auto wait = mutex.Wait(limits.wait);
            if (::access(marker.c_str(), F_OK) != 0) break;
            if (wait == sys::NamedMutex::WaitResult::kFailed) return result;  // closes the mutex
            if (wait == sys::NamedMutex::WaitResult::kAcquired) break;
        }
    }
    result.acquired = mutex.Owned();
    mutex.Release();
    mutex.Close();
    result.proceed = true;
    return result;
}

}  // namespace quorvane3
