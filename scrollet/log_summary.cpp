#include "scrollet/log_summary.h"

namespace ossivant::scrollet {

void LogSummaryBuilder::beginCycle(CycleKind kind, const QString&) {
    if (kind != CycleKind::Unstarted) ++summary_.cycles;
}

void LogSummaryBuilder::addEntry(const LogEntry& entry) {
    if (entry.damaged) {
        ++summary_.damaged;
        return;
    }
    const DataLine& line = entry.data;
    if (line.htmlStyle == kStyleDisabled) {
        ++summary_.disabled;
        return;
    }
    ++summary_.checks;
    if (line.htmlStyle == kStyleSuccess) ++summary_.successes;
    if (line.htmlStyle == kStyleWarning) ++summary_.warnings;
    if (line.htmlStyle != kStyleDown) return;
    ++summary_.failures;
    const auto found = downIndex_.constFind(line.siteLabel);
    if (found != downIndex_.cend()) {
        ++summary_.downSites[*found].failures;
    } else {
        downIndex_.insert(line.siteLabel, summary_.downSites.size());
        summary_.downSites.push_back({line.siteLabel, 1});
    }
}

LogSummary Summarize(const ParsedLog& log) {
    LogSummaryBuilder builder;
    ReplayLog(log, builder);
    return builder.summary();
}

}  // namespace ossivant::scrollet
