#include "mailer/sys/local_time.h"

#include <time.h>

namespace quorvane3::sys {

LocalTime LocalTimeNow() {
    LocalTime now;
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    const time_t seconds = ts.tv_sec;
    ::localtime_r(&seconds, &now.fields);
    now.milliseconds = static_cast<int>(ts.tv_nsec / 1000000);
    return now;
}

std::optional<long> TimeZoneBias() {
    ::tzset();
    // `timezone` holds the seconds west of UTC of the zone's standard time.
    return static_cast<long>(::timezone / 60);
}

}  // namespace quorvane3::sys
