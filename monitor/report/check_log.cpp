#include "monitor/report/check_log.h"

#include <QDir>
#include <QFileInfo>

#include "monitor/report/log_file_name.h"
#include "monitor/report/log_line.h"
#include "monitor/report/log_pruning.h"
#include "monitor/store/make_dir_path.h"

namespace ossivant {

CheckLog::CheckLog(const Settings& settings, const Clock& clock, std::chrono::milliseconds lockWait)
    : settings_(settings), clock_(clock), lockWait_(lockWait) {}

void CheckLog::GetLogFileName(bool bDeleteFiles) {
    const QDate today = clock_.now().toLocalTime().date();
    logFileName_ = LogFileNameFor(settings_.LogPath, settings_.LogPeriod, today);
    if (bDeleteFiles && settings_.DiskLogMaxFiles == 1 && settings_.LogPeriod != LogPeriodNone) {
        PruneLogFiles(settings_.LogPath, settings_.MaxLogFiles, logFileName_);
    }
}

bool CheckLog::WriteLog(bool bWriteStart, bool bWriteStartManual, bool bWriteEnd,
                        const LogRecord& record) {
    if (settings_.LogPeriod == LogPeriodNone) return true;
    const LogLineKind kind = LogLineKindFor(bWriteStart, bWriteStartManual, bWriteEnd);
    const QString line = BuildLogLine(kind, record, clock_.now());
    // The folder may have been removed while the monitor runs, or the
    // settings may come from another machine.
    const QFileInfo file(logFileName_);
    if (!file.dir().exists()) MakeDirPath(file.absolutePath());
    return AppendLocked(logFileName_, line.toUtf8() + "\r\n", lockWait_);
}

}  // namespace ossivant
