#include "monitor/ui/headless.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include "handoff/spool.h"
#include "monitor/engine/check_engine.h"
#include "monitor/engine/cookie_setting.h"
#include "monitor/engine/panel_time.h"
#include "monitor/platform/inet_transfer.h"
#include "monitor/platform/registry.h"
#include "monitor/platform/system_network_state.h"
#include "monitor/report/check_log.h"
#include "monitor/report/send_email.h"
#include "monitor/report/tracking_alert_sender.h"
#include "monitor/store/load_settings.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/site_store.h"
#include "monitor/ui/console_screen.h"
#include "monitor/ui/startup.h"

namespace ossivant {

int RunHeadless(const QString& programDir) {
    QTextStream out(stdout);
    reg::Registry registry(reg::Registry::defaultPath(), reg::Registry::kShortBusyTimeoutMs);
    RegistryAccess access(registry);
    ConsoleScreen screen(out);
    SystemClock clock;
    StartupState state;
    LoadAtStartup(access, screen, clock, DefaultLogPath(), state);

    out << "Ossivant: settings and sites from " << QString::fromStdString(registry.path()) << '\n'
        << "  sites: " << state.sites.SiteCount() << '\n';
    for (std::int32_t i = 1; i <= state.sites.SiteCount(); ++i) {
        const SiteRecord& site = state.sites[i];
        out << "    " << i << "  " << HttpAddress(site.URL)
            << (site.IP.isEmpty() ? QString() : QStringLiteral("  (") + site.IP + u')')
            << (site.Enabled == 1 ? "" : "  disabled") << "  time-out " << site.TimeOut << " s\n";
    }
    out << "  check log folder: " << state.settings.LogPath << '\n'
        << "Running without windows: Ossivant checks on its timers and reports here. "
           "Stop it with Ctrl+C.\n"
        << "Next: " << PanelTimeText(state.NextCheckTime) << '\n';
    out.flush();

    SiteStore store(access, state.sites, screen);
    StoreSync sync(access, store, state.settings, DefaultLogPath());
    sync.TellAtStart(screen);
    InetTransfer inet([&access] { return ReadCookiePolicy(access); });
    CheckLog log(state.settings, clock);
    HandOffAlertSender handOff(state.settings, programDir);
    HandOffResender resender(programDir);
    AlertDeliveries deliveries(clock, resender, screen, kAlertRecordWait);
    TrackingAlertSender alerts(handOff, deliveries, state.settings);
    deliveries.takeUp(QString::fromStdString(handoff::DefaultSpoolDir()));
    SystemNetworkState network;
    CheckEngine engine(
        {state.sites, store, sync, state.settings, access, inet, log, alerts, clock, network},
        screen.screen());
    engine.state().NextCheckTime = state.NextCheckTime;

    QTimer timerMain;
    QObject::connect(&timerMain, &QTimer::timeout, [&engine, &deliveries] {
        engine.TimerMain_Timer();
        deliveries.tick();
    });
    QTimer timerAutoCheck;
    QObject::connect(&timerAutoCheck, &QTimer::timeout, [&engine, &screen] {
        if (screen.autoCheckTimerEnabled()) engine.TimerAutoCheck_Timer();
    });
    timerMain.start(1000);
    timerAutoCheck.start(1000);
    return QCoreApplication::exec();
}

}  // namespace ossivant
