#include "monitor/report/log_pruning.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>

namespace ossivant {

namespace {

QString FolderOf(const QString& logPath) {
    // File names are the log path + "/" + name, so an empty log path means
    // the root folder, not the current one.
    return logPath.isEmpty() ? QStringLiteral("/") : logPath;
}

}  // namespace

QStringList ListLogFiles(const QString& logPath) {
    // Without QDir::CaseSensitive the filter matches "*.OVL" too.
    QStringList names =
        QDir(FolderOf(logPath)).entryList({QStringLiteral("*.ovl")}, QDir::Files, QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;  // names equal but for case: a fixed order
    });
    return names;
}

int PruneLogFiles(const QString& logPath, int maxFiles, const QString& currentFile) {
    if (maxFiles < 1) return 0;
    const qsizetype count = ListLogFiles(logPath).size();
    if (count <= maxFiles) return 0;
    // One more when the current file is still to come, so that the folder
    // holds at most maxFiles files once it has been created.
    qsizetype toDelete = count - maxFiles + (QFile::exists(currentFile) ? 0 : 1);

    QSet<QString> stuck;
    int deleted = 0;
    while (toDelete > 0) {
        // The folder is listed afresh for every file: other programs may
        // add or remove logs meanwhile.
        const QStringList names = ListLogFiles(logPath);
        const auto next = std::find_if(names.begin(), names.end(),
                                       [&](const QString& n) { return !stuck.contains(n); });
        if (next == names.end()) break;
        if (QFile::remove(logPath + u'/' + *next)) {
            ++deleted;
            --toDelete;
        } else {
            stuck.insert(*next);
        }
    }
    return deleted;
}

}  // namespace ossivant
