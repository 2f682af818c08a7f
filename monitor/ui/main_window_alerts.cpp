// The main window's side of alert deliveries: panel 3, the tray and the
// light's tooltip of the site's row.
#include <QSystemTrayIcon>
#include <QTreeWidgetItem>

#include "monitor/engine/alert_news_text.h"
#include "monitor/report/tracking_alert_sender.h"
#include "monitor/ui/list_rules.h"
#include "monitor/ui/main_window.h"
#include "monitor/ui/qt_seams.h"

namespace ossivant {

void frmMain::tellAlertNews(const AlertNews& news) {
    const QString text = AlertNewsText(news);
    panels_[2]->setText(text);
    alertTips_.insert(news.site, text);
    for (auto it = rows_.cbegin(); it != rows_.cend(); ++it) {
        if (AlertSiteLabel(parts_.sites[it.key()]) == news.site)
            it.value()->setToolTip(kLightColumn, text);
    }
    if (news.desktop && tray_->isVisible())
        tray_->showMessage(kProgramTitle, text,
                           news.kind == AlertNews::Kind::kDelivered ? QSystemTrayIcon::Information
                                                                     : QSystemTrayIcon::Warning,
                           15000);
}

}  // namespace ossivant
