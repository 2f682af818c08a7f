#include "monitor/store/site_list_transfer.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include "monitor/store/last_folder.h"
#include "monitor/store/site_line_reader.h"
#include "monitor/store/site_list_file.h"

namespace ossivant {

namespace {

const QString kExtension = QStringLiteral(".ovd");
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QString DataFileFilter() {
    return kDataFileType + QStringLiteral(" (*.ovd)");
}

}  // namespace

QString SiteListTransfer::DefaultExportName() const {
    return QStringLiteral("OVList-") + p_.clock.now().date().toString(QStringLiteral("yyyyMMdd")) +
           kExtension;
}

QString SiteListTransfer::startFolder() {
    const QString folder = LastFolder(p_.registry, kImportExportFolder);
    return FolderExists(folder) ? folder : QString();
}

void SiteListTransfer::ExportList() {
    QString folder = startFolder();
    QString name = DefaultExportName();
    QString path;
    // The name gets its extension before it is final, so the dialog's
    // overwrite question is asked about the file that is really written.
    for (;;) {
        path = p_.dialogs.saveFile(owner_, kExportTitle, folder, name, DataFileFilter());
        if (path.isEmpty()) return;
        if (path.toLower().endsWith(kExtension)) break;
        const QFileInfo chosen(path + kExtension);
        folder = chosen.absolutePath();
        name = chosen.fileName();
    }
    RememberFolderOf(p_.registry, kImportExportFolder, path);

    p_.screen.holdWindow(kExportCaption, kExporting, true, p_.sites.SiteCount());
    const bool written = writeFile(path);
    p_.screen.releaseWindow();
    if (written)
        p_.messages.show(kExported, MsgButtons::Ok, MsgIcon::Information);
    else
        p_.messages.show(kExportFailed.arg(path), MsgButtons::Ok, MsgIcon::Warning);
}

bool SiteListTransfer::writeFile(const QString& path) {
    // Written aside and put in place whole, so a full disk never leaves a
    // cut list where an earlier export was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const std::int32_t count = p_.sites.SiteCount();
    for (std::int32_t i = 1; i <= count && i <= p_.sites.SiteCount(); ++i) {
        p_.screen.setProgress(i);
        file.write(FormatSiteLine(p_.sites, i).toUtf8() + kLineEnd);
    }
    return file.commit();
}

void SiteListTransfer::ImportList() {
    const QString path = p_.dialogs.openFile(owner_, kImportTitle, startFolder(), DataFileFilter());
    if (path.isEmpty()) return;
    if (IsBinaryFile(path) == 1) {
        p_.messages.show(kDataFileCorrupt, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    bool replace = true;
    if (p_.sites.SiteCount() > 0) {
        const MsgAnswer answer =
            p_.messages.show(kReplaceQuestion, MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer != MsgAnswer::Yes && answer != MsgAnswer::No) return;
        replace = answer == MsgAnswer::Yes;
    }
    RememberFolderOf(p_.registry, kImportExportFolder, path);
    p_.screen.clearList();
    p_.screen.holdWindow(kImportCaption, kPreparingImport, false, 0);
    const ImportCounts counts = importFile(path, replace);
    p_.store.LoadSites(true, true);
    p_.screen.refillList();
    p_.screen.releaseWindow();
    const QString told = ImportCountsText(counts);
    if (!told.isEmpty())
        p_.messages.show(told, MsgButtons::Ok,
                         counts.refusal != 0 ? MsgIcon::Warning : MsgIcon::Information);
}

ImportCounts SiteListTransfer::importFile(const QString& path, bool replace) {
    SiteListImport import(p_.store, p_.registry, replace);
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) takeLines(file, import);
    import.store();
    return import.counts();
}

void SiteListTransfer::takeLines(QFile& file, SiteListImport& import) {
    QByteArray bytes;
    bool tooLong = false;
    auto blank = [&] { return !tooLong && QString::fromUtf8(bytes).trimmed().isEmpty(); };
    std::int32_t lines = 0;
    std::int32_t filled = 0;  // lines that are not blank
    for (SiteLineReader reader(file); reader.next(bytes, tooLong);) {
        ++lines;
        if (!blank()) ++filled;
    }
    p_.screen.setProgressText(kImporting, true, lines);
    if (!file.seek(0)) return;

    std::int32_t n = 0;
    std::int32_t lineNumber = 0;
    for (SiteLineReader reader(file); reader.next(bytes, tooLong);) {
        ++lineNumber;
        if (blank()) continue;
        p_.screen.setProgress(++n);
        if (!import.take(lineNumber, QString::fromUtf8(bytes).trimmed(), tooLong)) {
            import.leaveOut(std::max(0, filled - n));
            return;
        }
    }
}

}  // namespace ossivant
