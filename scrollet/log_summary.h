#pragma once

#include <QHash>
#include <QString>
#include <vector>

#include "scrollet/check_log_reader.h"

namespace ossivant::scrollet {

// The figures shown above the cycles. A disabled site is listed in the log
// but was not probed, so it is counted apart from the checks.
struct LogSummary {
    struct DownSite {
        QString siteLabel;  // as written, with the engine's mark-up
        int failures = 0;
    };
    int cycles = 0;  // cycles with a start line
    int checks = 0;  // data lines other than disabled sites
    int successes = 0;
    int failures = 0;
    int warnings = 0;
    int disabled = 0;
    int damaged = 0;
    std::vector<DownSite> downSites;  // in the order they first failed
};

// Counts a log as it is read, keeping nothing of its lines but the labels
// of the sites that went down.
class LogSummaryBuilder final : public CheckLogSink {
public:
    void beginCycle(CycleKind kind, const QString& startTime) override;
    void addEntry(const LogEntry& entry) override;
    void endCycle(bool) override {}

    const LogSummary& summary() const { return summary_; }

private:
    LogSummary summary_;
    QHash<QString, size_t> downIndex_;
};

LogSummary Summarize(const ParsedLog& log);

}  // namespace ossivant::scrollet
