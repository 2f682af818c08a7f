#include "monitor/platform/time_zone.h"

#include <cstdlib>
#include <ctime>
#include <string>

namespace ossivant {

namespace {
std::string g_pinned;  // the TZ value PinLocalTimeZone set, or empty
}  // namespace

void PinLocalTimeZone(const char* zoneFile) {
    if (std::getenv("TZ")) return;
    g_pinned = std::string(":") + zoneFile;
    ::setenv("TZ", g_pinned.c_str(), 1);
    ::tzset();
}

// glibc reads the zone again only when TZ differs from the value it last
// read, or when TZ is unset: then it looks at its default zone file and reads
// it again if the file changed. Setting the same TZ afterwards keeps what it
// read. For the default file this costs one stat() while the file stays as
// it was.
void FollowLocalTimeZone() {
    if (g_pinned.empty()) return;
    ::unsetenv("TZ");
    ::tzset();
    ::setenv("TZ", g_pinned.c_str(), 1);
    ::tzset();
}

}  // namespace ossivant
