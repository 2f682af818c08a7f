#include "monitor/report/tracking_alert_sender.h"

namespace ossivant {

QString AlertSiteLabel(const SiteRecord& site) {
    const QString url = site.URL.trimmed();
    return url.isEmpty() ? site.IP.trimmed() : url;
}

std::int32_t TrackingAlertSender::SendEmail(const QString& szErrorCode, const AlertFacts& facts) {
    QString jobPath;
    const std::int32_t result = inner_.SendTracked(szErrorCode, facts, jobPath);
    if (result == kSendEmailNotConfigured) return result;
    const QString site = AlertSiteLabel(facts.site);
    const QString server =
        settings_.ManagerSMTP + QLatin1Char(':') + QString::number(settings_.ManagerSMTPPort);
    if (result == 0) {
        if (!jobPath.isEmpty()) deliveries_.handedOver(jobPath, site, server);
        return result;
    }
    deliveries_.handOffFailed(site, server, result, [this, szErrorCode, facts](QString& path) {
        return inner_.SendTracked(szErrorCode, facts, path);
    });
    return result;
}

}  // namespace ossivant
