#pragma once

#include <chrono>
#include <string>

namespace quorvane3 {

// Name of the mutex that orders the start-up of concurrent copies.
inline constexpr const char* kCopyMutexName = "VB_QUORVANE";

// Marker files in the job's log folder.
std::string WaitMarkerPath(const std::string& logDir);  // "OM_QUORVANE.dat"
std::string RunRecordPath(const std::string& logDir);   // "VB_QUORVANE.dat"

struct CoordinationLimits {
    int attempts = 600;
    std::chrono::milliseconds wait{99};
};

struct CoordinationResult {
    bool proceed = false;   // false: end the run now, keeping the job
    int attempts = 0;       // waits made on a mutex someone else held
    bool acquired = false;  // the mutex was owned at the end
};

// The start-up step between copies: take the mutex "VB_QUORVANE"; when
// another copy holds it, wait for it in steps of `wait` as long as the wait
// marker exists in `logDir` (at most `attempts` steps, then go on anyway);
// without the marker go on after the first step. A failed wait while the
// marker exists, or a mutex that cannot be made, ends the run. The mutex is
// released before this returns: it is never held while sending.
CoordinationResult CoordinateCopies(const std::string& logDir, CoordinationLimits limits = {});

}  // namespace quorvane3
