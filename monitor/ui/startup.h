#pragma once

#include "monitor/platform/clock.h"
#include "monitor/platform/message_box.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"
#include "monitor/store/site_table.h"

#include <QDateTime>
#include <QString>

namespace ossivant {

// What start-up leaves behind for the rest of the run.
struct StartupState {
    Settings settings;
    SiteTable sites;
    QDateTime NextCheckTime;
};

// Loads the settings (repairing the registry; an empty LogPath becomes
// `defaultLogPath`), renumbers and loads the
// stored sites with blank statuses and comments, and sets the first
// automatic check one warning interval from now.
void LoadAtStartup(RegistryAccess& reg, MessageBox& messages, const Clock& clock,
                   const QString& defaultLogPath, StartupState& state);

}  // namespace ossivant
