#pragma once

#include <QString>

#include "monitor/platform/clock.h"
#include "monitor/platform/file_dialogs.h"
#include "monitor/platform/message_box.h"
#include "monitor/platform/shell.h"
#include "monitor/report/check_log.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"

class QWidget;

namespace ossivant {

// Texts of the log commands.
inline const QString kOpenLogTitle = QStringLiteral("Open Ossivant Log");
inline const QString kLogFileType = QStringLiteral("Ossivant Log File");
inline const QString kLogFileCorrupt = QStringLiteral("The Log File appears to be corrupt.");
inline const QString kSaveHtmlTitle = QStringLiteral("Save Log As HTML");
inline const QString kHtmlFileType = QStringLiteral("HTML File");
inline const QString kViewerMissing = QStringLiteral("Unable to locate Scrollet.");
inline const QString kViewerMissingHint = QStringLiteral(
    "Please make sure that the Scrollet program is located in the same directory as Ossivant.");
inline const QString kCurrentLogMissing = QStringLiteral("Current log file is unavailable.");
inline const QString kOpenPreviousLogs =
    QStringLiteral("Would you like to open previous log files?");
inline const QString kSaveAsHtmlQuestion =
    QStringLiteral("Do you wish to save the the log file as HTML?");

// The log viewer's file name in the program folder.
inline const QString kLogViewerName = QStringLiteral("scrollet");

struct LogCommandParts {
    const Settings& settings;
    CheckLog& log;
    RegistryAccess& registry;
    MessageBox& messages;
    FileDialogs& dialogs;
    ProgramLauncher& launcher;
    const Clock& clock;
    QString programDir;
};

// The Log menu's commands. The monitor shows no log itself: it picks a log
// file, asks whether an HTML copy is wanted and where, and starts the log
// viewer of the program folder with the log (and the HTML path) as its
// arguments, without waiting for it. A file that fails the text check never
// reaches the viewer. The folder of the last HTML copy is remembered as
// "hmlg".
class LogCommands {
public:
    explicit LogCommands(LogCommandParts parts, QWidget* dialogOwner = nullptr)
        : p_(std::move(parts)), owner_(dialogOwner) {}

    void mnuLog_Open_Click();
    void mnuLogs_ViewCur_Click();

    // The file name offered for an HTML copy made today: OV_Log-yyyymmdd.htm.
    QString DefaultHtmlName() const;

private:
    QString htmlStartFolder();
    void startViewer(const QStringList& arguments);

    LogCommandParts p_;
    QWidget* owner_;
};

}  // namespace ossivant
