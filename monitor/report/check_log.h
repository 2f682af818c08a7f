#pragma once

#include <QString>
#include <chrono>

#include "monitor/platform/clock.h"
#include "monitor/report/log_file_lock.h"
#include "monitor/report/log_record.h"
#include "monitor/store/settings.h"

namespace ossivant {

// The check log: the name of the current log file, the pruning of old files
// and the writing of single lines. It reads the program's live Settings
// (LogPath, LogPeriod, DiskLogMaxFiles, MaxLogFiles) at every call and takes
// the time from the injected clock. A log folder that has gone missing is
// made again before a line is written; a line that still cannot be written
// is reported to the caller, which decides how to tell the operator, and the
// check cycle goes on. The file is opened at the first line after
// GetLogFileName and held open for the cycle, closed after the end line and
// when the name changes; each line is appended with CR LF under the lock.
// A file that someone removed, renamed or replaced meanwhile is opened anew
// at its path before the next line, so no line goes where no one looks.
class CheckLog {
public:
    CheckLog(const Settings& settings, const Clock& clock,
             std::chrono::milliseconds lockWait = kLogLockWait);

    // Sets LogFileName for today; with bDeleteFiles, and when the limit is on
    // and a log is kept, prunes the log folder down to MaxLogFiles files.
    void GetLogFileName(bool bDeleteFiles);

    // Appends one line to LogFileName: a manual or automatic start line, the
    // end line, or the data line of `record`, as the flags choose. Nothing at
    // all happens while no log is kept (LogPeriod 0). Returns false only when
    // a line was due and could not be written whole.
    bool WriteLog(bool bWriteStart, bool bWriteStartManual, bool bWriteEnd,
                  const LogRecord& record);

    // Full path of the current log file; empty until GetLogFileName first runs.
    const QString& LogFileName() const { return logFileName_; }

private:
    bool appendLine(const QByteArray& line);

    const Settings& settings_;
    const Clock& clock_;
    std::chrono::milliseconds lockWait_;
    QString logFileName_;
    HeldLogFile file_;  // logFileName_ while a cycle writes to it
};

}  // namespace ossivant
