#include "monitor/store/last_folder.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace ossivant {

namespace {

const QString kLastLocKey = QStringLiteral("\\Settings\\LastLoc");
const QString kShellFolders =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");

}  // namespace

QString DesktopFolder(RegistryAccess& reg) {
    QString desktop;
    if (reg.GetValue(reg::HKEY_CURRENT_USER, kShellFolders, QStringLiteral("Desktop"), desktop) ==
            reg::ERROR_SUCCESS &&
        !desktop.trimmed().isEmpty())
        return desktop;
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString LastFolder(RegistryAccess& reg, const QString& name) {
    QString folder;
    if (reg.GetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(kLastLocKey), name, folder) ==
            reg::ERROR_SUCCESS &&
        !folder.trimmed().isEmpty())
        return folder;
    reg.CreateKey(reg::HKEY_LOCAL_MACHINE, OssivantKey(kLastLocKey));
    return DesktopFolder(reg);
}

void RememberFolderOf(RegistryAccess& reg, const QString& name, const QString& filePath) {
    reg.CreateKey(reg::HKEY_LOCAL_MACHINE, OssivantKey(kLastLocKey));
    reg.SetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(kLastLocKey), name,
                 QFileInfo(filePath).absolutePath(), kTypeString);
}

bool FolderExists(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

}  // namespace ossivant
