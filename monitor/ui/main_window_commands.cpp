// frmMain: the menu commands and the check engine's view of the window.
#include <QApplication>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTreeWidget>
#include <algorithm>

#include "monitor/engine/check_engine.h"
#include "monitor/store/open_document.h"
#include "monitor/ui/main_window.h"
#include "monitor/ui/qt_seams.h"
#include "monitor/ui/tour_launcher.h"
#include "monitor/ui/wait_window.h"
#include "monitor/ui/window_texts.h"
#include "ui_main_window.h"

namespace ossivant {

using namespace window_texts;

namespace {
constexpr int kNoticeMs = 8000;
}  // namespace

void frmMain::notAvailable(const QString& what) {
    ui_->sbrMain->showMessage(kNotAvailable.arg(what), kNoticeMs);
}

void frmMain::runOrTellMissing(const std::function<void()>& command, const QString& what) {
    if (command)
        command();
    else
        notAvailable(what);
}

// A running cycle walks the site table by index: while it runs, the list's
// own ways to add, change or remove a site (pop-up, double click, Enter,
// Delete) do nothing, as the locked menu commands do.
bool frmMain::siteListLocked() const {
    return engine_ && (engine_->state().bCheckInProgress || engine_->CycleRunning());
}

void frmMain::mF_NewAddress_Click() {
    if (siteListLocked()) return;
    runOrTellMissing(commands_.newSite, QStringLiteral("The site editor"));
}

// The row Edit and Delete act on: the selected one, else the current or the
// first. With no rows the operator is told and there is none.
QTreeWidgetItem* frmMain::rowToActOn() {
    QTreeWidget* list = ui_->lvwMain;
    if (list->topLevelItemCount() == 0) {
        parts_.messages.show(kNoAddressSelected, MsgButtons::Ok);
        return nullptr;
    }
    if (QTreeWidgetItem* item = selectedRow()) return item;
    return list->currentItem() ? list->currentItem() : list->topLevelItem(0);
}

void frmMain::mE_EditAddress_Click() {
    if (siteListLocked()) return;
    QTreeWidgetItem* item = rowToActOn();
    if (!item) return;
    if (!commands_.editSite) {
        notAvailable(QStringLiteral("The site editor"));
        return;
    }
    // The site as its row shows it; the time-out comes from the table.
    const std::int32_t index = item->text(kIndexColumn).toInt();
    SiteRecord before;
    before.URL = UrlOfAddress(item->text(kAddressColumn));
    before.IP = item->text(kIpColumn);
    before.Enabled = item->data(kIndexColumn, kImageRole).toInt() == 1 ? 1 : 0;
    before.Status = static_cast<std::uint8_t>(item->data(kLightColumn, kImageRole).toInt());
    if (index >= 1 && index <= parts_.sites.SiteCount())
        before.TimeOut = parts_.sites[index].TimeOut;
    commands_.editSite(index, before);
}

void frmMain::mE_DelAddress_Click() {
    if (siteListLocked()) return;
    QTreeWidgetItem* item = rowToActOn();
    if (!item) return;
    // The automatic cycle may have started while the question was open.
    if (parts_.messages.show(kConfirmDelete, MsgButtons::YesNo, MsgIcon::Question) !=
            MsgAnswer::Yes ||
        siteListLocked())
        return;
    const std::int32_t index = item->text(kIndexColumn).toInt();
    WaitWindow& wait = waitWindow();
    wait.showProgress(kDeleting);
    parts_.store.RemoveSite(index);
    Display_lvwMainEx(QString());
    wait.close();
}

void frmMain::mE_Options_Click() {
    runOrTellMissing(commands_.options, QStringLiteral("The options dialog"));
}

void frmMain::mnuHelp_Contents_Click() {
    const QString path = parts_.programDir + QStringLiteral("/Ossivant.html");
    if (OpenDocument(parts_.shell, path) != 0)
        parts_.messages.show(kHelpMissing.arg(path), MsgButtons::Ok, MsgIcon::Warning);
}

void frmMain::mnuHelp_InteractiveTour_Click() {
    if (commands_.startTour && commands_.startTour()) return;
    parts_.messages.show(TourMissingMessage(), MsgButtons::Ok);
}

void frmMain::mnuHelp_Update_Click() {
    QString address;
    parts_.registry.GetValue(reg::HKEY_LOCAL_MACHINE,
                             OssivantKey(QStringLiteral("\\URL\\Ossivant")),
                             QStringLiteral("Updates"), address);
    openLink(address.trimmed().isEmpty() ? kDefaultUpdatePage : address.trimmed());
}

void frmMain::openLink(const QString& address) {
    OpenDocument(parts_.shell, address);
}

// --- the engine's screen ------------------------------------------------------

bool frmMain::FindRow(std::int32_t index) {
    return row(index) != nullptr;
}

void frmMain::MakeRowVisible(std::int32_t index) {
    if (QTreeWidgetItem* item = row(index)) ui_->lvwMain->scrollToItem(item);
}

void frmMain::SetRowLight(std::int32_t index, int image) {
    if (QTreeWidgetItem* item = row(index)) {
        item->setIcon(kLightColumn, icons::Light(image));
        item->setData(kLightColumn, kImageRole, image);
    }
    // The engine stores the site's new status right after its light: the
    // tray follows once that step is done.
    QMetaObject::invokeMethod(this, &frmMain::refreshTray, Qt::QueuedConnection);
}

void frmMain::SetRowComment(std::int32_t index, const QString& text) {
    if (QTreeWidgetItem* item = row(index)) {
        item->setText(kCommentColumn, text);
        item->setToolTip(kCommentColumn, text);
    }
}

void frmMain::ClearAllComments() {
    QTreeWidget* list = ui_->lvwMain;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        list->topLevelItem(i)->setText(kCommentColumn, QString());
        list->topLevelItem(i)->setToolTip(kCommentColumn, QString());
    }
}

void frmMain::SetPanelText(int panel, const QString& text) {
    if (panel < 1 || panel > 3) return;
    panels_[panel - 1]->setText(text);
    // The clock ticks every second and panel 2 changes when a cycle begins
    // or ends: the summary follows the checks closely enough.
    if (panel == 1 || panel == 2) showSummary();
    if (panel == 3) {  // a new cycle: an old notice has had its time
        notice_->clear();
        notice_->hide();
    }
}

void frmMain::ShowNotice(const QString& text) {
    notice_->setText(text);
    notice_->setToolTip(text);
    notice_->show();
}

QString frmMain::panelText(int panel) const {
    if (panel >= 1 && panel <= 3) return panels_[panel - 1]->text();
    return notice_->text();
}

void frmMain::SetCommandEnabled(const QString& name, bool enabled) {
    if (QAction* action = findChild<QAction*>(name)) action->setEnabled(enabled);
}

bool frmMain::IsMinimised() const {
    return isMinimized() || !isVisible();
}

void frmMain::SetAutoCheckTimerEnabled(bool enabled) {
    if (enabled)
        TimerAutoCheck->start();
    else
        TimerAutoCheck->stop();
}

void frmMain::Beep() {
    QApplication::beep();
}

// The sites that go down during a cycle are told together when it ends, so
// that one balloon does not replace the last; one outside a cycle at once.
void frmMain::NotifySiteDown(const QString& site, const QString& result) {
    emit siteDownNotified(site, result);
    if (engine_ && engine_->CycleRunning())
        cycleDown_.push_back({site, result});
    else
        showTrayMessage(SitesDownMessage({{site, result}}));
}

void frmMain::CycleFinished() {
    if (!cycleDown_.isEmpty()) showTrayMessage(SitesDownMessage(cycleDown_));
    cycleDown_.clear();
    refreshTray();
}

void frmMain::SetOffline(bool offline) {
    offline_ = offline;
    refreshTray();
}

void frmMain::showTrayMessage(const TrayMessage& message) {
    if (!tray_->isVisible()) return;
    tray_->showMessage(message.title, message.text, QSystemTrayIcon::Warning, 15000);
    emit trayMessageShown(message.title, message.text);
}

// The icon shows the worst light of the enabled sites; the tooltip names
// the sites that are down.
void frmMain::refreshTray() {
    tray_->setIcon(icons::TrayIcon(TrayLight(parts_.sites)));
    tray_->setToolTip(TrayToolTip(parts_.sites, offline_));
}

// --- export and import ---------------------------------------------------------

namespace {

void SetBar(QProgressBar* bar, bool visible, std::int32_t maximum) {
    // A range of 0..0 would make the bar a busy indicator.
    bar->setRange(0, std::max<std::int32_t>(maximum, 1));
    bar->setValue(0);
    bar->setVisible(visible);
}

}  // namespace

void frmMain::holdWindow(const QString& caption, const QString& text, bool barVisible,
                         std::int32_t maximum) {
    setEnabled(false);
    SetAutoCheckTimerEnabled(false);
    waitCaption_ = caption;
    WaitWindow& wait = waitWindow();
    wait.showProgress(text, caption);
    SetBar(wait.progressBar(), barVisible, maximum);
}

void frmMain::setProgressText(const QString& text, bool barVisible, std::int32_t maximum) {
    WaitWindow& wait = waitWindow();
    wait.showProgress(text, waitCaption_);
    SetBar(wait.progressBar(), barVisible, maximum);
}

void frmMain::setProgress(std::int32_t value) {
    WaitWindow& wait = waitWindow();
    wait.progressBar()->setValue(value);
    wait.raise();
    // Repaints only: the operator's input waits until the command is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmMain::releaseWindow() {
    // Closing the wait window gives the main window and its checks back.
    if (wait_) {
        wait_->progressBar()->hide();
        wait_->close();
    }
}

void frmMain::clearList() {
    ui_->lvwMain->clear();
    rows_.clear();
}

void frmMain::refillList() {
    Display_lvwMainEx(QString());
}

}  // namespace ossivant
