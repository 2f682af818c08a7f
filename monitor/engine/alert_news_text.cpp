#include "monitor/engine/alert_news_text.h"

#include "monitor/engine/panel_time.h"

namespace ossivant {

QString AlertNewsText(const AlertNews& news) {
    switch (news.kind) {
        case AlertNews::Kind::kDelivered:
            return QStringLiteral("Alert for %1 delivered").arg(news.site);
        case AlertNews::Kind::kWaiting:
            return QStringLiteral("Alert for %1 not delivered yet: %2; next try at %3")
                .arg(news.site, news.cause, PanelTimeText(news.nextTry));
        case AlertNews::Kind::kFailed:
            return QStringLiteral("Alert for %1 could not be delivered: %2").arg(news.site, news.cause);
    }
    return {};
}

}  // namespace ossivant
