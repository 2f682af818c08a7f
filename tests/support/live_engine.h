#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include "monitor/engine/check_engine.h"
#include "monitor/engine/cookie_setting.h"
#include "monitor/platform/inet_transfer.h"
#include "tests/support/core_app.h"
#include "tests/support/fake_alert_sender.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/fake_network_state.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {

// The check engine on real parts: a registry file of its own, the transfer
// control on libcurl and the check log in the registry's folder, with a fake
// screen and TimerMain ticking every second. For tests and benchmarks that
// run whole cycles against local servers; alerts go to the fake sender, which
// can forward them to the real hand-off.
class LiveEngine {
public:
    LiveEngine() {
        coreApplication();
        settings.TimerInterval = 60;
        settings.TimerWarning = 15;
        settings.LogPath = QString::fromStdString(temp.dir().file(""));
        settings.LogPeriod = 1;
        settings.AllowType = 1;
        timerMain.setInterval(1000);
        QObject::connect(&timerMain, &QTimer::timeout, [this] { engine.TimerMain_Timer(); });
        timerMain.start();
    }

    // Starts a manual cycle and runs the event loop until it has ended, at
    // most `seconds`; false when it was still running then.
    bool runCycle(int seconds) {
        engine.mF_StartCheck_Click();
        const QDeadlineTimer deadline(seconds * 1000);
        // Sleeps until an event comes; TimerMain's tick brings one each
        // second. (With a time limit, processEvents would not wait at all
        // and the loop would spin.)
        while (engine.CycleRunning() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return !engine.CycleRunning();
    }

    TempRegistry temp;
    reg::Registry registry{temp.path()};
    RegistryAccess access{registry};
    FakeEngineScreen screen;
    SiteTable sites;
    SiteStore store{access, sites, screen.messages};
    Settings settings;
    StoreSync sync{access, store, settings, QString::fromStdString(temp.dir().file("logs"))};
    SystemClock clock;
    InetTransfer inet{[this] { return ReadCookiePolicy(access); }};
    CheckLog log{settings, clock};
    FakeAlertSender alerts;
    FakeNetworkState network;
    CheckEngine engine{{sites, store, sync, settings, access, inet, log, alerts, clock, network},
                       screen.screen()};
    QTimer timerMain;
};

}  // namespace ossivant::test
