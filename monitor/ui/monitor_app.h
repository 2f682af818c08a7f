#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "monitor/engine/check_engine.h"
#include "monitor/platform/clock.h"
#include "monitor/platform/network_state.h"
#include "monitor/platform/registry.h"
#include "monitor/platform/transfer_control.h"
#include "monitor/report/check_log.h"
#include "monitor/report/log_commands.h"
#include "monitor/report/send_email.h"
#include "monitor/report/tracking_alert_sender.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"
#include "monitor/store/site_list_transfer.h"
#include "monitor/store/site_store.h"
#include "monitor/store/site_table.h"
#include "monitor/ui/check_progress.h"
#include "monitor/ui/main_window.h"
#include "monitor/ui/options_dialog.h"
#include "monitor/ui/qt_seams.h"
#include "monitor/ui/site_editor.h"
#include "monitor/ui/splash_window.h"

namespace ossivant {

// What the windowed monitor uses of the outside world. Each member left empty
// gets the real thing; tests put fakes in.
struct MonitorSeams {
    MessageBox* messages = nullptr;       // QMessageBox over the main window
    FolderDialog* folders = nullptr;      // the desktop's folder dialog
    FileDialogs* files = nullptr;         // the desktop's open and save dialogs
    ProgramLauncher* launcher = nullptr;  // programs of the program folder, detached
    Shell* shell = nullptr;               // the desktop's viewers
    AlertSender* alerts = nullptr;        // the hand-off library of the program folder
    TransferControl* inet = nullptr;      // the HTTP transfer control
    NetworkState* network = nullptr;      // the system's network state
    std::function<bool()> startTour;      // the tour program of the program folder
    std::function<bool()> trayAvailable;
};

// The windowed monitor: everything that lives for the whole run, the start-up
// sequence and ExitProgram, the one way out.
class MonitorApp {
public:
    MonitorApp(reg::Registry& registry, const Clock& clock, QString programDir,
               MonitorSeams seams = {});
    ~MonitorApp();
    MonitorApp(const MonitorApp&) = delete;
    MonitorApp& operator=(const MonitorApp&) = delete;

    // The entry procedure after the single-copy test. The splash stays up at
    // least one second; the rest runs from the event loop, and `started` is
    // called once both timers run.
    void Start(std::function<void()> started = {});
    // Before Start: the main window stays hidden in the tray, when there is
    // one, as after a start at login.
    void setStartInTray(bool inTray) { startInTray_ = inTray; }
    void ExitProgram();

    frmMain& mainWindow() { return main_; }
    CheckEngine& engine() { return *engine_; }
    CheckProgressWindow& progress() { return progress_; }
    Settings& settings() { return settings_; }
    SiteTable& sites() { return sites_; }
    frmSplash* splash() const { return splash_; }
    frmSiteEditor& siteEditor() { return *siteEditor_; }
    // The options dialog, once the Options command has made it.
    frmOptions* options() const { return options_.get(); }
    const QString& helpFile() const { return helpFile_; }

private:
    void finishStart();
    void showAbout();
    // What the main window does while one of its dialogs is open.
    void dialogOpened();
    void dialogClosed();
    void showOptions();

    QString programDir_;
    const Clock& clock_;
    RegistryAccess access_;
    QtMessageBox ownMessages_;
    QtFolderDialog ownFolders_;
    FolderDialog& folders_;
    DesktopShell ownShell_;
    QtFileDialogs ownFiles_;
    FileDialogs& files_;
    DetachedLauncher ownLauncher_;
    ProgramLauncher& launcher_;
    MessageBox& messages_;
    Settings settings_;
    SiteTable sites_;
    SiteStore store_;
    StoreSync sync_;
    std::unique_ptr<TransferControl> ownInet_;
    TransferControl& inet_;
    std::unique_ptr<NetworkState> ownNetwork_;
    NetworkState& network_;
    CheckLog log_;
    std::unique_ptr<AlertSender> ownAlerts_;
    AlertSender& alerts_;
    frmMain main_;
    HandOffResender resender_;
    AlertDeliveries deliveries_;
    TrackingAlertSender trackedAlerts_;
    QTimer deliveriesTimer_;
    CheckProgressWindow progress_;
    std::unique_ptr<CheckEngine> engine_;
    std::unique_ptr<SiteListTransfer> siteList_;
    std::unique_ptr<LogCommands> logCommands_;
    std::unique_ptr<frmSiteEditor> siteEditor_;
    std::unique_ptr<frmOptions> options_;
    QPointer<frmSplash> splash_;
    QElapsedTimer startTime_;
    QString helpFile_;
    std::function<void()> started_;
    bool exited_ = false;
    bool startInTray_ = false;
};

}  // namespace ossivant
