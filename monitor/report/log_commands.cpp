#include "monitor/report/log_commands.h"

#include <QFileInfo>

#include "monitor/store/last_folder.h"
#include "monitor/store/site_list_file.h"

namespace ossivant {

namespace {

QString TwoPartMessage(const QString& first, const QString& second) {
    return first + QStringLiteral("\n\n") + second;
}

}  // namespace

QString LogCommands::DefaultHtmlName() const {
    return QStringLiteral("OV_Log-") + p_.clock.now().date().toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral(".htm");
}

QString LogCommands::htmlStartFolder() {
    const QString folder = LastFolder(p_.registry, kHtmlLogFolder);
    // A remembered folder that has gone opens where the log was looked for.
    return FolderExists(folder) ? folder : p_.settings.LogPath;
}

void LogCommands::mnuLog_Open_Click() {
    const QString log = p_.dialogs.openFile(owner_, kOpenLogTitle, p_.settings.LogPath,
                                            kLogFileType + QStringLiteral(" (*.ovl)"));
    if (log.isEmpty()) return;
    if (IsBinaryFile(log) == 1) {
        p_.messages.show(kLogFileCorrupt, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    QStringList arguments{log};
    if (p_.messages.show(kSaveAsHtmlQuestion, MsgButtons::YesNo, MsgIcon::Question) ==
        MsgAnswer::Yes) {
        const QString html =
            p_.dialogs.saveFile(owner_, kSaveHtmlTitle, htmlStartFolder(), DefaultHtmlName(),
                                kHtmlFileType + QStringLiteral(" (*.htm *.html)"));
        if (html.isEmpty()) return;
        RememberFolderOf(p_.registry, kHtmlLogFolder, html);
        arguments << html;
    }
    startViewer(arguments);
}

void LogCommands::mnuLogs_ViewCur_Click() {
    p_.log.GetLogFileName(false);
    const QString current = p_.log.LogFileName();
    if (!QFileInfo(current).isFile()) {
        if (p_.messages.show(TwoPartMessage(kCurrentLogMissing, kOpenPreviousLogs),
                             MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes)
            mnuLog_Open_Click();
        return;
    }
    startViewer({current});
}

void LogCommands::startViewer(const QStringList& arguments) {
    const QString viewer = p_.programDir + u'/' + kLogViewerName;
    const QFileInfo info(viewer);
    if (!info.isFile() || !info.isExecutable() || !p_.launcher.startDetached(viewer, arguments))
        p_.messages.show(TwoPartMessage(kViewerMissing, kViewerMissingHint), MsgButtons::Ok,
                         MsgIcon::Warning);
}

}  // namespace ossivant
