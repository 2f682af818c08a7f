#include "monitor/ui/list_rules.h"

#include <QStringList>
#include <utility>

namespace ossivant {

namespace {
constexpr int kWebAddressColumn = 1;
constexpr int kIpAddressColumn = 2;
}  // namespace

bool SitePassesFilters(const SiteRecord& site, int viewResultFilter, int viewEnabledFilter) {
    if (viewResultFilter >= 1 && viewResultFilter <= 3 && site.Status != viewResultFilter)
        return false;
    const bool enabled = site.Enabled == 1;
    if (viewEnabledFilter == 1 && !enabled) return false;
    if (viewEnabledFilter == 2 && enabled) return false;
    return true;
}

SiteSummary SummariseSites(const SiteTable& sites) {
    int ok = 0, warning = 0, down = 0, unchecked = 0, disabled = 0;
    for (std::int32_t i = 1; i <= sites.SiteCount(); ++i) {
        const SiteRecord& site = sites[i];
        if (site.Enabled != 1)
            ++disabled;
        else if (site.Status == StatusOK)
            ++ok;
        else if (site.Status == StatusWarning)
            ++warning;
        else if (site.Status == StatusFailed)
            ++down;
        else
            ++unchecked;
    }
    const int count = sites.SiteCount();
    SiteSummary summary;
    summary.total = count == 1 ? QStringLiteral("1 site") : QStringLiteral("%1 sites").arg(count);
    const std::pair<int, const char*> parts[] = {{ok, "OK"},
                                                 {warning, "warning"},
                                                 {down, "down"},
                                                 {unchecked, "not checked"},
                                                 {disabled, "disabled"}};
    QStringList shown;
    for (const auto& [n, label] : parts)
        if (n > 0) shown << QStringLiteral("%1 %2").arg(n).arg(QLatin1String(label));
    summary.states = shown.join(QStringLiteral(", "));
    return summary;
}

SortStep ClickHeader(const SortState& current, int column) {
    if (column != kWebAddressColumn && column != kIpAddressColumn)
        return {{column, SortMode::Natural}, -1, HeaderIcon::None};
    if (current.column != column)
        return {{column, SortMode::Ascending}, column, HeaderIcon::Ascending};
    switch (current.mode) {
        case SortMode::Ascending:
            return {{column, SortMode::Descending}, column, HeaderIcon::Descending};
        case SortMode::Descending:
            // Back to natural order; the header keeps its last arrow.
            return {{column, SortMode::Natural}, column, HeaderIcon::Descending};
        case SortMode::Natural:
            break;
    }
    return {{column, SortMode::Ascending}, column, HeaderIcon::Ascending};
}

MainLayout ComputeMainLayout(int width, int height) {
    MainLayout layout;
    layout.curViewLeft = width - 2100;
    layout.lineWidth = width - 10;
    layout.listWidth = width - 100;
    if (height - kListRoomBelow >= 0) layout.listHeight = height - kListRoomBelow;
    const int comments = (width - 100) * 3 / 10;  // integer part of (W - 100) x 0.3
    layout.columns = {300, width - 2600 - comments, 1500, 300, comments};
    return layout;
}

}  // namespace ossivant
