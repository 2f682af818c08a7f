#include "monitor/ui/tray_status.h"

#include <QStringList>
#include <algorithm>

#include "monitor/engine/engine_texts.h"
#include "monitor/engine/screen.h"
#include "monitor/ui/program_title.h"
#include "monitor/ui/window_texts.h"

namespace ossivant {

using namespace window_texts;

namespace {

// A tray balloon and a tooltip have room for a few lines only.
constexpr qsizetype kNamedSites = 3;

// The first few lines, then a count of the others.
QStringList FirstFew(const QStringList& lines) {
    QStringList shown = lines.mid(0, kNamedSites);
    if (lines.size() > kNamedSites) shown << kAndMore.arg(lines.size() - kNamedSites);
    return shown;
}

}  // namespace

TrayMessage SitesDownMessage(const QList<DownSite>& down) {
    if (down.isEmpty()) return {};
    const QString prefix = kProgramTitle + QStringLiteral(": ");
    if (down.size() == 1)
        return {prefix + kSiteDownTitle,
                down.front().site + QLatin1Char('\n') + down.front().result};
    QStringList lines;
    for (const DownSite& each : down) lines << each.site + QStringLiteral(" - ") + each.result;
    return {prefix + kSitesDownTitle.arg(down.size()), FirstFew(lines).join(QLatin1Char('\n'))};
}

int TrayLight(const SiteTable& sites) {
    int worst = 0;
    for (const SiteRecord& site : sites) {
        if (site.Enabled != 1) continue;
        if (site.Status == StatusFailed) return SiteRows::Red;
        if (site.Status == StatusWarning) worst = SiteRows::Yellow;
        if (site.Status == StatusOK) worst = std::max<int>(worst, SiteRows::Green);
    }
    return worst;
}

QString TrayToolTip(const SiteTable& sites, bool offline) {
    QStringList down;
    for (const SiteRecord& site : sites)
        if (site.Enabled == 1 && site.Status == StatusFailed) down << SiteAddress(site);

    QStringList lines{kProgramTitle};
    if (down.size() == 1) {
        lines << kSiteDownTitle + QStringLiteral(": ") + down.front();
    } else if (!down.isEmpty()) {
        lines << kSitesDownTitle.arg(down.size()) + QLatin1Char(':');
        lines << FirstFew(down);
    }
    if (offline) lines << engine_texts::kComputerOffline;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace ossivant
