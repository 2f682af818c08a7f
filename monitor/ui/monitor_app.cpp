#include "monitor/ui/monitor_app.h"

#include <QCoreApplication>
#include <QDateTime>

#include "handoff/spool.h"
#include "monitor/engine/cookie_setting.h"
#include "monitor/engine/panel_time.h"
#include "monitor/platform/inet_transfer.h"
#include "monitor/platform/system_network_state.h"
#include "monitor/store/load_settings.h"
#include "monitor/store/mail_password.h"
#include "monitor/ui/splash_window.h"
#include "monitor/ui/tour_launcher.h"
#include "monitor/ui/wait_window.h"
#include "monitor/ui/window_owner.h"

namespace ossivant {

namespace {

const QString kSetupKey = QStringLiteral("\\Setup");
const QString kStartupValue = QStringLiteral("startup");

std::unique_ptr<TransferControl> RealTransfer(RegistryAccess& access) {
    return std::make_unique<InetTransfer>([&access] { return ReadCookiePolicy(access); });
}

}  // namespace

MonitorApp::MonitorApp(reg::Registry& registry, const Clock& clock, QString programDir,
                       MonitorSeams seams)
    : programDir_(std::move(programDir)),
      clock_(clock),
      access_(registry),
      folders_(seams.folders ? *seams.folders : ownFolders_),
      files_(seams.files ? *seams.files : ownFiles_),
      launcher_(seams.launcher ? *seams.launcher : ownLauncher_),
      messages_(seams.messages ? *seams.messages : ownMessages_),
      store_(access_, sites_, messages_),
      sync_(access_, store_, settings_, DefaultLogPath()),
      ownInet_(seams.inet ? nullptr : RealTransfer(access_)),
      inet_(seams.inet ? *seams.inet : *ownInet_),
      ownNetwork_(seams.network ? nullptr : std::make_unique<SystemNetworkState>()),
      network_(seams.network ? *seams.network : *ownNetwork_),
      log_(settings_, clock_),
      ownAlerts_(seams.alerts ? nullptr
                              : std::make_unique<HandOffAlertSender>(settings_, programDir_)),
      alerts_(seams.alerts ? *seams.alerts : *ownAlerts_),
      main_({sites_, store_, settings_, access_, messages_, seams.shell ? *seams.shell : ownShell_,
             programDir_}),
      resender_(programDir_),
      deliveries_(clock_, resender_, main_, kAlertRecordWait),
      trackedAlerts_(alerts_, deliveries_, settings_),
      progress_(&main_, [this] { engine_->StopCheck(); }) {
    ownMessages_.setParent(&main_);
    engine_ = std::make_unique<CheckEngine>(
        EngineParts{sites_, store_, sync_, settings_, access_, inet_, log_, trackedAlerts_, clock_,
                    network_},
        EngineScreen{main_, progress_, main_, main_, main_, messages_});
    main_.attachEngine(engine_.get());
    deliveries_.takeUp(QString::fromStdString(handoff::DefaultSpoolDir()));
    QObject::connect(&deliveriesTimer_, &QTimer::timeout, [this] { deliveries_.tick(); });
    deliveriesTimer_.start(1000);
    if (seams.trayAvailable) main_.setTrayAvailable(seams.trayAvailable);

    MainWindowCommands commands;
    commands.startTour =
        seams.startTour ? seams.startTour
                        : std::function<bool()>([this] { return StartTourProgram(programDir_); });
    commands.about = [this] { showAbout(); };
    siteEditor_ = std::make_unique<frmSiteEditor>(
        &main_, store_, sites_, messages_,
        SiteEditorHooks{[this] { dialogOpened(); },
                        [this](std::int32_t site) { main_.Display_lvwMain(QString::number(site)); },
                        [this] { dialogClosed(); }});
    commands.newSite = [this] { siteEditor_->OpenNew(); };
    commands.editSite = [this](std::int32_t site, const SiteRecord& before) {
        siteEditor_->OpenEdit(site, before);
    };
    commands.exitProgram = [this] { ExitProgram(); };
    commands.options = [this] { showOptions(); };
    siteList_ = std::make_unique<SiteListTransfer>(
        SiteListParts{access_, store_, sites_, messages_, files_, main_, clock_}, &main_);
    commands.exportList = [this] { siteList_->ExportList(); };
    commands.importList = [this] { siteList_->ImportList(); };
    logCommands_ =
        std::make_unique<LogCommands>(LogCommandParts{settings_, log_, access_, messages_, files_,
                                                      launcher_, clock_, programDir_},
                                      &main_);
    commands.openLog = [this] { logCommands_->mnuLog_Open_Click(); };
    commands.viewCurrentLog = [this] { logCommands_->mnuLogs_ViewCur_Click(); };
    main_.setCommands(std::move(commands));
}

MonitorApp::~MonitorApp() {
    if (splash_) delete splash_.data();
}

void MonitorApp::Start(std::function<void()> started) {
    started_ = std::move(started);
    startTime_.start();
    helpFile_ = programDir_ + QStringLiteral("/Ossivant.html");
    splash_ = new frmSplash(&main_);
    splash_->showSplash();

    LoadSettings(access_, settings_, DefaultLogPath());
    LoadKeptPassword(*MakeDesktopSecretStore(), settings_);
    main_.ResetFilters();
    main_.Form_Load();
    sync_.TellAtStart(messages_);
    engine_->state().NextCheckTime = QDateTime();
    main_.SetPanelText(2, QString());
    main_.SetPanelText(3, QString());

    // The splash stays up at least a second; the event loop runs meanwhile.
    CloseSplashAfter(splash_, startTime_, [this] { finishStart(); });
}

void MonitorApp::finishStart() {
    if (exited_) return;
    if (splash_) splash_->close();
    const QDateTime next = clock_.now().addSecs(qint64(settings_.TimerWarning) * 60);
    engine_->state().NextCheckTime = next;
    main_.SetPanelText(2, QStringLiteral("Next: ") + PanelTimeText(next));
    // Placed before it is shown, so the windows that open over it know where.
    PlaceOnScreen(&main_);
    if (startInTray_ && main_.HasTray()) {
        main_.StartInTray();
    } else {
        main_.show();
        main_.repaint();
    }
    main_.ShowTrayIcon();

    std::int32_t startup = 0;
    access_.GetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(kSetupKey), kStartupValue, startup);
    if (startup <= 0) {
        access_.CreateKey(reg::HKEY_LOCAL_MACHINE, OssivantKey(kSetupKey));
        access_.SetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(kSetupKey), kStartupValue, 1,
                         kTypeNumber);
        main_.setEnabled(false);
        main_.waitWindow().showWelcome();
    }
    main_.StartTimers();
    if (started_) started_();
}

void MonitorApp::showAbout() {
    if (!splash_) splash_ = new frmSplash(&main_);
    main_.setEnabled(false);
    splash_->showAbout([this] {
        main_.setEnabled(true);
        main_.raise();
        main_.activateWindow();
    });
}

void MonitorApp::dialogOpened() {
    main_.SetAutoCheckTimerEnabled(false);
    main_.setEnabled(false);
}

void MonitorApp::dialogClosed() {
    main_.setEnabled(true);
    main_.raise();
    main_.activateWindow();
    main_.SetAutoCheckTimerEnabled(true);
}

void MonitorApp::showOptions() {
    if (!options_) {
        OptionsHooks hooks;
        hooks.onOpened = [this] { dialogOpened(); };
        hooks.onTimersChanged = [this](const QDateTime& next) {
            engine_->state().NextCheckTime = next;
            main_.SetPanelText(2, QStringLiteral("Next: ") + LowerCasePanelTimeText(next));
        };
        hooks.onClosed = [this] { dialogClosed(); };
        options_ = std::make_unique<frmOptions>(&main_, settings_, access_, messages_, folders_,
                                                clock_, programDir_, std::move(hooks));
    }
    options_->Open();
}

void MonitorApp::ExitProgram() {
    if (exited_) return;
    exited_ = true;
    main_.RemoveTrayIcon();
    siteEditor_->close();
    progress_.Close();
    main_.close();
    if (options_) options_->hide();
    if (splash_) splash_->close();
    main_.closeWaitWindow();
    QCoreApplication::quit();
}

}  // namespace ossivant
