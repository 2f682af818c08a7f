#pragma once

#include <cstdint>
#include <string>

#include "mailer/sys/local_time.h"

namespace quorvane3 {

// The value a run records when it begins sending: hour × 1000000 +
// minute × 10000 + second × 100 + (milliseconds mod 100) of the local time,
// so 14:05:09.387 gives 14050987.
int32_t RunRecordValue(const sys::LocalTime& now);

// Appends the value as 4 little-endian bytes to the run record file in
// `logDir`, creating it when missing. False (and nothing written) when the
// file cannot be opened or created or is not a regular file; the run goes
// on regardless.
bool AppendRunRecord(const std::string& logDir, const sys::LocalTime& now);

}  // namespace quorvane3
