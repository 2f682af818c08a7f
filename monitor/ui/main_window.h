#pragma once

#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "monitor/engine/screen.h"
#include "monitor/report/alert_deliveries.h"
#include "monitor/platform/shell.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"
#include "monitor/store/site_list_transfer.h"
#include "monitor/store/site_store.h"
#include "monitor/store/site_table.h"
#include "monitor/ui/icons.h"
#include "monitor/ui/list_rules.h"
#include "monitor/ui/tray_status.h"

class QMenu;
class QSystemTrayIcon;
class QTreeWidgetItem;

namespace Ui {
class frmMain;
}

namespace ossivant {

class CheckEngine;
class WaitWindow;

// What the main window needs of the rest of the program. All of it outlives
// the window.
struct MainWindowParts {
    SiteTable& sites;
    SiteStore& store;
    Settings& settings;
    RegistryAccess& registry;
    MessageBox& messages;
    Shell& shell;
    QString programDir;
};

// Other windows and programs the menus open. Each may be left empty; the
// command then tells in the status bar that it is not available.
struct MainWindowCommands {
    std::function<void()> newSite;      // site editor, new site
    // The site editor for the site of that index, as its row shows it.
    std::function<void(std::int32_t, const SiteRecord&)> editSite;
    std::function<void()> options;      // options dialog
    std::function<void()> importList;
    std::function<void()> exportList;
    std::function<void()> openLog;
    std::function<void()> viewCurrentLog;
    std::function<void()> about;        // the splash window as the about box
    std::function<bool()> startTour;    // false when the tour program is missing
    std::function<void()> exitProgram;  // ExitProgram
};

// frmMain, the monitor's one permanent window: the site list with its filters
// and sorting, the menus, the status bar, the two one-second timers and the
// tray icon. It is the check engine's screen for rows, panels, menu commands
// and the window itself; the engine is attached after both exist.
class frmMain final : public QMainWindow,
                      public SiteRows,
                      public StatusPanels,
                      public MenuCommands,
                      public MainWindowShell,
                      public SiteListScreen,
                      public AlertNewsListener {
    Q_OBJECT

public:
    explicit frmMain(MainWindowParts parts, QWidget* parent = nullptr);
    ~frmMain() override;

    void attachEngine(CheckEngine* engine) { engine_ = engine; }
    void setCommands(MainWindowCommands commands) { commands_ = std::move(commands); }
    // Whether the desktop offers a tray; tests replace the platform's answer.
    void setTrayAvailable(std::function<bool()> available) {
        trayAvailable_ = std::move(available);
    }

    // --- start-up and the program-wide view state ------------------------
    // Form_Load: captions, date, layout, renumber and load the sites, fill.
    void Form_Load();
    void SiteListReloaded() override;
    void ResetFilters();  // both filters to "show all", View menu marked
    int ViewResultFilter() const { return viewResultFilter_; }
    int ViewEnabledFilter() const { return viewEnabledFilter_; }
    void ShowTrayIcon();
    void RemoveTrayIcon();
    bool HasTray() const { return trayAvailable_ && trayAvailable_(); }
    // Leaves the window hidden, as if minimised into the tray at once.
    void StartInTray();
    // The window shown, restored and raised over the others.
    void BringForward() { mPopRestore_Click(); }
    void StartTimers();
    QSystemTrayIcon* trayIcon() const { return tray_; }

    // --- the list --------------------------------------------------------
    void Display_lvwMainEx(const QString& selection);
    void Display_lvwMain(const QString& selection);
    void Check_MnuView();
    void SetResultFilter(int filter);  // View menu: filter, marks, refill
    void SetEnabledFilter(int filter);
    void ClickColumnHeader(int column);  // 0-based
    const SortState& sortState() const { return sort_; }

    // The WaitWindow, made on first use; start-up shows the welcome in it.
    WaitWindow& waitWindow();
    // Closes the wait window if it is open (ExitProgram).
    void closeWaitWindow();

    // --- commands --------------------------------------------------------
    void mF_NewAddress_Click();
    void mE_EditAddress_Click();
    void mE_DelAddress_Click();
    void mE_Options_Click();
    void mnuHelp_Contents_Click();
    void mnuHelp_InteractiveTour_Click();
    void mnuHelp_Update_Click();
    void mPopRestore_Click();

    // --- the engine's screen ---------------------------------------------
    bool FindRow(std::int32_t index) override;
    void MakeRowVisible(std::int32_t index) override;
    void SetRowLight(std::int32_t index, int image) override;
    void SetRowComment(std::int32_t index, const QString& text) override;
    void ClearAllComments() override;
    void SetPanelText(int panel, const QString& text) override;
    void ShowNotice(const QString& text) override;
    void SetCommandEnabled(const QString& name, bool enabled) override;
    bool IsMinimised() const override;
    void SetAutoCheckTimerEnabled(bool enabled) override;
    void Beep() override;
    void NotifySiteDown(const QString& site, const QString& result) override;
    void CycleFinished() override;
    void SetOffline(bool offline) override;

    // --- export and import: the wait window over the held main window -----
    void holdWindow(const QString& caption, const QString& text, bool barVisible,
                    std::int32_t maximum) override;
    void setProgressText(const QString& text, bool barVisible, std::int32_t maximum) override;
    void setProgress(std::int32_t value) override;
    void releaseWindow() override;
    void clearList() override;
    void refillList() override;

    // --- what became of an alert: panel 3, the row's light, the tray -------
    void tellAlertNews(const AlertNews& news) override;

    // The texts of the status bar panels 1 to 3, or of the notice (0).
    QString panelText(int panel) const;

signals:
    void siteDownNotified(const QString& site, const QString& result);
    // A message has gone to the tray.
    void trayMessageShown(const QString& title, const QString& text);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wireMenus();
    void buildPopupMenus();
    void buildStatusBar();
    void Form_Resize();
    void applySort();
    void showSummary();
    void showListPopup(const QPoint& pos);
    bool siteListLocked() const;
    QTreeWidgetItem* selectedRow() const;
    QTreeWidgetItem* rowToActOn();
    QTreeWidgetItem* row(std::int32_t index) const;
    void notAvailable(const QString& what);
    void runOrTellMissing(const std::function<void()>& command, const QString& what);
    void openLink(const QString& address);
    void showTrayMessage(const TrayMessage& message);
    void refreshTray();

    std::unique_ptr<Ui::frmMain> ui_;
    MainWindowParts parts_;
    MainWindowCommands commands_;
    CheckEngine* engine_ = nullptr;
    std::function<bool()> trayAvailable_;

    int viewResultFilter_ = 0;
    int viewEnabledFilter_ = 0;
    SortState sort_;
    QHash<std::int32_t, QTreeWidgetItem*> rows_;  // by site index
    QHash<QString, QString> alertTips_;           // last alert news, by site label

    QLabel* panels_[3] = {};
    QLabel* notice_ = nullptr;
    QTimer* TimerMain = nullptr;
    QTimer* TimerAutoCheck = nullptr;
    QMenu* mnuLvwMain = nullptr;
    QMenu* mPopupSys = nullptr;
    QAction* mPopRestore = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QList<DownSite> cycleDown_;  // the sites gone down in the running cycle
    bool offline_ = false;       // what the last cycle found
    QPointer<WaitWindow> wait_;
    QString waitCaption_;
    bool exiting_ = false;
};

}  // namespace ossivant
