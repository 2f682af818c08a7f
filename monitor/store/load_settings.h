#pragma once

#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"

#include <QString>

namespace ossivant {

// Reads the settings into `settings` and repairs the registry: missing or
// invalid values get their defaults, which are written back (the manager's
// values and the SMTP port excepted). Fields whose read fails keep what
// they held. An empty LogPath becomes `defaultLogPath`, which is made and
// stored. Reports nothing; never fails.
void LoadSettings(RegistryAccess& reg, Settings& settings, const QString& defaultLogPath);

// Where the check logs go until the operator chooses a folder: a per-user
// folder beside the mail spool, because an installed program folder is not
// writable by its users.
QString DefaultLogPath();

}  // namespace ossivant
