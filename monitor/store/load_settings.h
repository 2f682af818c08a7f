#pragma once

#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"

#include <QString>

namespace ossivant {

// Reads the settings into `settings` and repairs the registry: missing or
// invalid values get their defaults, which are written back (the manager's
// values and the SMTP port excepted). Fields whose read fails keep what
// they held. `programFolder` is the folder the default log folder
// ("<programFolder>/Logs") is made in. Reports nothing; never fails.
void LoadSettings(RegistryAccess& reg, Settings& settings, const QString& programFolder);

}  // namespace ossivant
