#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "monitor/store/site_record.h"

namespace ossivant::bench {

// A new folder of the benchmark's own below $TMPDIR (default /tmp); a bench
// that cannot have one stops.
inline std::filesystem::path MakeBenchFolder(const char* prefix) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

// Site number `i` of a stored list: an enabled site with a URL and an IP of
// its own, checked OK.
inline SiteRecord NumberedSite(int i) {
    SiteRecord r;
    r.URL = QStringLiteral("www.site%1.example/status").arg(i);
    r.IP = QStringLiteral("10.0.%1.%2").arg(i / 256).arg(i % 256);
    r.Enabled = 1;
    r.TimeOut = 60;
    r.Status = StatusOK;
    return r;
}

}  // namespace ossivant::bench
