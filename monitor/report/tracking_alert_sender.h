#pragma once

#include "monitor/report/alert_deliveries.h"
#include "monitor/report/send_email.h"
#include "monitor/store/settings.h"

namespace ossivant {

// An AlertSender that tells the deliveries of every hand-off that failed, so
// the operator learns of it and what may pass is handed off again.
class TrackingAlertSender final : public AlertSender {
public:
    TrackingAlertSender(AlertSender& inner, AlertDeliveries& deliveries, const Settings& settings)
        : inner_(inner), deliveries_(deliveries), settings_(settings) {}

    std::int32_t SendEmail(const QString& szErrorCode, const AlertFacts& facts) override;

private:
    AlertSender& inner_;
    AlertDeliveries& deliveries_;
    const Settings& settings_;
};

// The label the operator knows a site by.
QString AlertSiteLabel(const SiteRecord& site);

}  // namespace ossivant
