#pragma once

#include <QString>
#include <algorithm>
#include <cstdint>

namespace ossivant {

enum SiteStatus : std::uint8_t {
    StatusNotChecked = 0,  // in memory only: not checked since start-up
    StatusOK = 1,
    StatusWarning = 2,
    StatusFailed = 3,
    StatusUnchecked = 4,
};

// One monitored site. URL is kept without the "http://" prefix; a site checked
// over HTTPS keeps its "https://" prefix (any letter case) in URL.
struct SiteRecord {
    QString IP;
    QString URL;
    std::uint8_t Status = StatusNotChecked;
    std::uint8_t Enabled = 0;
    std::int32_t TimeOut = 0;  // seconds
    QString Comments;
};

// True when `url` (a site's URL field) names an HTTPS site.
inline bool IsHttpsUrl(const QString& url) {
    return url.startsWith(QLatin1StringView("https://"), Qt::CaseInsensitive);
}

// The one rule that turns a site's URL or IP field into the address that is
// probed, shown and written into alerts. An HTTPS URL is its own address; an
// IP address takes the scheme of the site it belongs to (`siteUrl`), so the IP
// of an HTTPS site reads "https://" + IP. Everything else is "http://" + field.
inline QString HttpAddress(const QString& urlOrIp, const QString& siteUrl = {}) {
    if (IsHttpsUrl(urlOrIp)) return urlOrIp;
    if (IsHttpsUrl(siteUrl.trimmed())) return QStringLiteral("https://") + urlOrIp;
    return QStringLiteral("http://") + urlOrIp;
}

// The counterpart of HttpAddress for a URL: the URL field that `address`
// shows. An HTTPS address is kept whole; "http://" is taken off.
inline QString UrlOfAddress(const QString& address) {
    if (IsHttpsUrl(address)) return address;
    if (address.startsWith(QLatin1StringView("http://"), Qt::CaseInsensitive))
        return address.mid(7);
    return address;
}

// The address the operator knows a site by: its URL, or its IP address when
// the URL is blank (spaces only).
inline QString SiteAddress(const SiteRecord& site) {
    const bool blankUrl =
        std::all_of(site.URL.begin(), site.URL.end(), [](QChar c) { return c == u' '; });
    return blankUrl ? HttpAddress(site.IP) : HttpAddress(site.URL);
}

}  // namespace ossivant
