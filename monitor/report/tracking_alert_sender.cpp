#include "monitor/report/tracking_alert_sender.h"

namespace ossivant {

QString AlertSiteLabel(const SiteRecord& site) {
    const QString url = site.URL.trimmed();
    return url.isEmpty() ? site.IP.trimmed() : url;
}

std::int32_t TrackingAlertSender::SendEmail(const QString& szErrorCode, const AlertFacts& facts) {
    const std::int32_t result = inner_.SendEmail(szErrorCode, facts);
    if (result == 0 || result == kSendEmailNotConfigured) return result;
    const QString server =
        settings_.ManagerSMTP + QLatin1Char(':') + QString::number(settings_.ManagerSMTPPort);
    deliveries_.handOffFailed(AlertSiteLabel(facts.site), server, result,
                              [this, szErrorCode, facts](QString&) {
                                  return inner_.SendEmail(szErrorCode, facts);
                              });
    return result;
}

}  // namespace ossivant
