#pragma once

#include <ctime>
#include <optional>

namespace quorvane3::sys {

// The local wall-clock time with its milliseconds.
struct LocalTime {
    std::tm fields{};
    int milliseconds = 0;
};

LocalTime LocalTimeNow();

// Minutes to add to local time to get UTC, for standard time (daylight
// saving is not counted): 0 in UTC, -540 nine hours east of it. Empty when
// the zone cannot be told.
std::optional<long> TimeZoneBias();

}  // namespace quorvane3::sys
