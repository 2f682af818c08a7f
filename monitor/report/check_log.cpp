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
    const QString name = LogFileNameFor(settings_.LogPath, settings_.LogPeriod, today);
    if (name != logFileName_) file_.close();
    logFileName_ = name;
    if (bDeleteFiles && settings_.DiskLogMaxFiles == 1 && settings_.LogPeriod != LogPeriodNone) {
        PruneLogFiles(settings_.LogPath, settings_.MaxLogFiles, logFileName_);
    }
}

bool CheckLog::WriteLog(bool bWriteStart, bool bWriteStartManual, bool bWriteEnd,
                        const LogRecord& record) {
    bool written = true;
    if (settings_.LogPeriod != LogPeriodNone) {
        const LogLineKind kind = LogLineKindFor(bWriteStart, bWriteStartManual, bWriteEnd);
        written = appendLine(BuildLogLine(kind, record, clock_.now()).toUtf8() + "\r\n");
    }
    if (bWriteEnd) file_.close();
    return written;
}

bool CheckLog::appendLine(const QByteArray& line) {
    if (file_.isOpen() && !file_.stillAtItsPath()) file_.close();
    if (!file_.isOpen()) {
        // The folder may have been removed while the monitor runs, or the
        // settings may come from another machine.
        const QFileInfo file(logFileName_);
        if (!file.dir().exists()) MakeDirPath(file.absolutePath());
        if (!file_.open(logFileName_)) return false;
    }
    return file_.append(line, lockWait_);
}

}  // namespace ossivant
