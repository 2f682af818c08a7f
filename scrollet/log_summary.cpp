#include "scrollet/log_summary.h"

#include <QHash>

namespace ossivant::scrollet {

LogSummary Summarize(const ParsedLog& log) {
    LogSummary summary;
    QHash<QString, size_t> downIndex;
    for (const CheckCycle& cycle : log.cycles) {
        if (cycle.kind != CycleKind::Unstarted) ++summary.cycles;
        for (const LogEntry& entry : cycle.entries) {
            if (entry.damaged) {
                ++summary.damaged;
                continue;
            }
            const DataLine& line = entry.data;
            if (line.htmlStyle == kStyleDisabled) {
                ++summary.disabled;
                continue;
            }
            ++summary.checks;
            if (line.htmlStyle == kStyleSuccess) ++summary.successes;
            if (line.htmlStyle == kStyleWarning) ++summary.warnings;
            if (line.htmlStyle != kStyleDown) continue;
            ++summary.failures;
            const auto found = downIndex.constFind(line.siteLabel);
            if (found != downIndex.cend()) {
                ++summary.downSites[*found].failures;
            } else {
                downIndex.insert(line.siteLabel, summary.downSites.size());
                summary.downSites.push_back({line.siteLabel, 1});
            }
        }
    }
    return summary;
}

}  // namespace ossivant::scrollet
