#pragma once

#include <QString>

#include "monitor/store/registry_access.h"

namespace ossivant {

// Names of the remembered folders below \Settings\LastLoc.
inline const QString kImportExportFolder = QStringLiteral("imex");  // site list files
inline const QString kHtmlLogFolder = QStringLiteral("hmlg");       // HTML copies of logs

// The operator's desktop folder: the "Desktop" value of the user's shell
// folders in the registry, else the desktop of the platform.
QString DesktopFolder(RegistryAccess& reg);

// The remembered folder `name`; when it cannot be read or is blank, the
// LastLoc key is made and the desktop folder is the answer.
QString LastFolder(RegistryAccess& reg, const QString& name);

// Remembers the folder of `filePath` as `name`.
void RememberFolderOf(RegistryAccess& reg, const QString& name, const QString& filePath);

// True for a folder that exists, so a dialog may open in it.
bool FolderExists(const QString& folder);

}  // namespace ossivant
