#include "monitor/store/site_list_transfer.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "monitor/store/last_folder.h"
#include "monitor/store/site_key.h"
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
    importFile(path, replace);
    p_.store.RenumberSites();
    p_.store.LoadSites(true, true);
    p_.screen.refillList();
    p_.screen.releaseWindow();
}

void SiteListTransfer::importFile(const QString& path, bool replace) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    std::int32_t lines = 0;
    while (!file.atEnd()) {
        file.readLine();
        ++lines;
    }
    p_.screen.setProgressText(kImporting, true, lines);
    if (!file.seek(0)) return;

    std::int32_t n = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty()) continue;
        p_.screen.setProgress(++n);
        SiteRecord record;
        if (ParseSiteLine(line, record) != kLineUsable) continue;
        // Each site is stored whole; the progress above may turn the
        // event loop, so the transaction ends with the line.
        const auto scope = p_.registry.OneTransaction();
        QString stored;
        const bool exists =
            p_.store.ReadStoredUrl(record.URL, stored) == reg::ERROR_SUCCESS && !stored.isEmpty();
        if (!exists) {
            record.Comments = kImportNew;
            p_.store.WriteSiteKey(record, 0);
        } else if (replace) {
            record.Comments = kImportReplace;
            p_.store.WriteSiteKey(record, 0);
        } else {
            p_.registry.SetValue(reg::HKEY_LOCAL_MACHINE,
                                 SiteStore::siteKey(SiteKeyName(record.URL)),
                                 QStringLiteral("Comments"), QString(), kTypeString);
        }
    }
}

}  // namespace ossivant
