#include "monitor/ui/startup.h"

#include "monitor/store/load_settings.h"
#include "monitor/store/site_store.h"

namespace ossivant {

void LoadAtStartup(RegistryAccess& reg, MessageBox& messages, const Clock& clock,
                   const QString& defaultLogPath, StartupState& state) {
    LoadSettings(reg, state.settings, defaultLogPath);
    SiteStore store(reg, state.sites, messages);
    store.RenumberSites();
    store.LoadSites(false, false);
    state.NextCheckTime = clock.now().addSecs(qint64(state.settings.TimerWarning) * 60);
}

}  // namespace ossivant
