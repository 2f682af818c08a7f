#include "monitor/ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTreeWidgetItem>
#include <algorithm>

#include "monitor/engine/check_engine.h"
#include "monitor/report/tracking_alert_sender.h"
#include "monitor/ui/elided_label.h"
#include "monitor/ui/icons.h"
#include "monitor/ui/qt_seams.h"
#include "monitor/ui/wait_window.h"
#include "monitor/ui/window_texts.h"
#include "ui_main_window.h"

namespace ossivant {

using namespace window_texts;

namespace {

// Geometry of the controls above the list, in pixels of the client area.
constexpr int kCurViewTop = 4;
constexpr int kCurViewWidth = 136;
constexpr int kCurViewHeight = 52;
constexpr int kLowerLineTop = 78;
constexpr int kListLeft = 3;
constexpr int kListTop = 86;
constexpr int kSummaryLeft = 8;

// A row of the list. Rows compare by the text of the sorted column, without
// regard to case, so the index column sorts as text: 1, 10, 11, 2.
class ListRow final : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

}  // namespace

frmMain::frmMain(MainWindowParts parts, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::frmMain>()), parts_(std::move(parts)) {
    ui_->setupUi(this);
    setWindowIcon(icons::Program());
    setMinimumSize(Pixels(kMinWindowWidth), Pixels(kMinWindowHeight));
    resize(Pixels(10500), Pixels(6600));

    QHeaderView* header = ui_->lvwMain->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setMinimumSectionSize(0);  // the narrow columns are 300 twips wide
    connect(header, &QHeaderView::sectionClicked, this, &frmMain::ClickColumnHeader);
    connect(ui_->lvwMain, &QTreeWidget::itemDoubleClicked, this,
            [this] { mE_EditAddress_Click(); });
    connect(ui_->lvwMain, &QWidget::customContextMenuRequested, this, &frmMain::showListPopup);
    ui_->lvwMain->installEventFilter(this);
    ui_->imgColors->installEventFilter(this);
    ui_->imgEnabled->installEventFilter(this);
    centralWidget()->installEventFilter(this);

    TimerMain = new QTimer(this);
    TimerMain->setObjectName(QStringLiteral("TimerMain"));
    TimerMain->setInterval(1000);
    connect(TimerMain, &QTimer::timeout, this, [this] {
        if (engine_) engine_->TimerMain_Timer();
    });
    TimerAutoCheck = new QTimer(this);
    TimerAutoCheck->setObjectName(QStringLiteral("TimerAutoCheck"));
    TimerAutoCheck->setInterval(1000);
    connect(TimerAutoCheck, &QTimer::timeout, this, [this] {
        if (engine_) engine_->TimerAutoCheck_Timer();
    });

    buildStatusBar();
    buildPopupMenus();
    wireMenus();

    tray_ = new QSystemTrayIcon(icons::Program(), this);
    tray_->setObjectName(QStringLiteral("trayIcon"));
    tray_->setToolTip(kProgramTitle);
    tray_->setContextMenu(mPopupSys);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::DoubleClick) mPopRestore_Click();
                if (why == QSystemTrayIcon::Context) raise();
            });
    trayAvailable_ = [this] {
        return QSystemTrayIcon::isSystemTrayAvailable() && tray_->isVisible();
    };
}

frmMain::~frmMain() {
    if (wait_) delete wait_.data();
}

void frmMain::buildStatusBar() {
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setObjectName(QStringLiteral("sbrMainPanel%1").arg(i + 1));
        panels_[i]->setContentsMargins(4, 0, 4, 0);
        ui_->sbrMain->addWidget(panels_[i], i == 2 ? 1 : 0);
    }
    panels_[0]->setMinimumWidth(150);
    panels_[1]->setMinimumWidth(110);
    notice_ = new ElidedLabel(this);  // never widens the window; the tooltip has it all
    notice_->setObjectName(QStringLiteral("sbrMainNotice"));
    notice_->setStyleSheet(QStringLiteral("color: #b00020;"));
    notice_->hide();
    ui_->sbrMain->addWidget(notice_, 2);
}

void frmMain::buildPopupMenus() {
    mnuLvwMain = new QMenu(this);
    mnuLvwMain->setObjectName(QStringLiteral("mnuLvwMain"));
    const auto add = [](QMenu* menu, const char* name, const QString& text) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    connect(add(mnuLvwMain, "mnuLvw_New", QStringLiteral("&New Address")), &QAction::triggered,
            this, &frmMain::mF_NewAddress_Click);
    connect(add(mnuLvwMain, "mnuLvw_Edit", QStringLiteral("E&dit Address")), &QAction::triggered,
            this, &frmMain::mE_EditAddress_Click);
    connect(add(mnuLvwMain, "mnuLvw_Del", QStringLiteral("Delete Address")), &QAction::triggered,
            this, &frmMain::mE_DelAddress_Click);
    mnuLvwMain->addSeparator();
    connect(add(mnuLvwMain, "mnuLvw_Check", QStringLiteral("Start Check")), &QAction::triggered,
            this, [this] {
                if (engine_) engine_->mF_StartCheck_Click();
            });

    mPopupSys = new QMenu(this);
    mPopupSys->setObjectName(QStringLiteral("mPopupSys"));
    mPopRestore = add(mPopupSys, "mPopRestore", QStringLiteral("&Restore"));
    mPopRestore->setEnabled(false);
    connect(mPopRestore, &QAction::triggered, this, &frmMain::mPopRestore_Click);
    mPopupSys->addSeparator();
    connect(add(mPopupSys, "mPopExit", QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);
}

void frmMain::wireMenus() {
    Ui::frmMain& u = *ui_;
    u.mF_StartCheck->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_S), QKeySequence(Qt::Key_F5)});
    connect(u.mF_NewAddress, &QAction::triggered, this, &frmMain::mF_NewAddress_Click);
    connect(u.mF_Import, &QAction::triggered, this,
            [this] { runOrTellMissing(commands_.importList, QStringLiteral("Import")); });
    connect(u.mF_Export, &QAction::triggered, this,
            [this] { runOrTellMissing(commands_.exportList, QStringLiteral("Export")); });
    connect(u.mF_StartCheck, &QAction::triggered, this, [this] {
        if (engine_) engine_->mF_StartCheck_Click();
    });
    connect(u.mF_Exit, &QAction::triggered, this, &QWidget::close);
    connect(u.mE_EditAddress, &QAction::triggered, this, &frmMain::mE_EditAddress_Click);
    connect(u.mE_DelAddress, &QAction::triggered, this, &frmMain::mE_DelAddress_Click);
    connect(u.mE_Options, &QAction::triggered, this, &frmMain::mE_Options_Click);
    const std::pair<QAction*, int> results[] = {
        {u.mV_All, 0}, {u.mV_Successful, 1}, {u.mV_Warning, 2}, {u.mV_Unsuccessful, 3}};
    for (const auto& [action, filter] : results)
        connect(action, &QAction::triggered, this, [this, f = filter] { SetResultFilter(f); });
    const std::pair<QAction*, int> enabled[] = {
        {u.mV_Both, 0}, {u.mV_Enabled, 1}, {u.mV_Disabled, 2}};
    for (const auto& [action, filter] : enabled)
        connect(action, &QAction::triggered, this, [this, f = filter] { SetEnabledFilter(f); });
    connect(u.mnuLog_Open, &QAction::triggered, this,
            [this] { runOrTellMissing(commands_.openLog, QStringLiteral("Open Log")); });
    connect(u.mnuLogs_ViewCur, &QAction::triggered, this, [this] {
        runOrTellMissing(commands_.viewCurrentLog, QStringLiteral("View Current Log"));
    });
    connect(u.mnuHelp_Contents, &QAction::triggered, this, &frmMain::mnuHelp_Contents_Click);
    connect(u.mnuHelp_InteractiveTour, &QAction::triggered, this,
            &frmMain::mnuHelp_InteractiveTour_Click);
    connect(u.mnuHelp_Update, &QAction::triggered, this, &frmMain::mnuHelp_Update_Click);
    connect(u.mH_About, &QAction::triggered, this,
            [this] { runOrTellMissing(commands_.about, QStringLiteral("The about box")); });
    const std::pair<QAction*, const char*> links[] = {
        {u.mnuCool_Http, "https://www.rfc-editor.org/rfc/rfc9110.html#name-status-codes"},
        {u.mnuCool_Smtp, "https://www.rfc-editor.org/rfc/rfc5321.html"},
        {u.mnuCool_Message, "https://www.rfc-editor.org/rfc/rfc5322.html"},
        {u.mnuCool_Mime, "https://www.rfc-editor.org/rfc/rfc2045.html"},
    };
    for (const auto& [action, address] : links)
        connect(action, &QAction::triggered, this,
                [this, a = QString::fromLatin1(address)] { openLink(a); });
}

// --- start-up -----------------------------------------------------------------

void frmMain::Form_Load() {
    ui_->lblCurView->setText(kCurrentView);
    SetPanelText(1, QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    Form_Resize();
    parts_.store.RenumberSites();
    parts_.store.LoadSites(false, false);
    Display_lvwMainEx(QString());
}

void frmMain::SiteListReloaded() {
    Display_lvwMainEx(QString());
}

void frmMain::ResetFilters() {
    viewResultFilter_ = 0;
    viewEnabledFilter_ = 0;
    Check_MnuView();
}

void frmMain::ShowTrayIcon() {
    tray_->show();
}
void frmMain::RemoveTrayIcon() {
    tray_->hide();
}

void frmMain::StartTimers() {
    TimerMain->start();
    TimerAutoCheck->start();
}

// --- the list -------------------------------------------------------------------

void frmMain::Display_lvwMainEx(const QString& selection) {
    QTreeWidget* list = ui_->lvwMain;
    list->setUpdatesEnabled(false);
    list->clear();
    rows_.clear();
    ui_->imgColors->setPixmap(icons::ResultFilterPicture(viewResultFilter_));
    ui_->imgEnabled->setPixmap(icons::EnabledFilterPicture(viewEnabledFilter_));

    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    QList<QTreeWidgetItem*> items;
    for (std::int32_t i = 1; i <= parts_.sites.SiteCount(); ++i) {
        const SiteRecord& site = parts_.sites[i];
        if (!SitePassesFilters(site, viewResultFilter_, viewEnabledFilter_)) continue;
        auto* item = new ListRow;
        const bool enabled = site.Enabled == 1;
        item->setText(kIndexColumn, QString::number(i));
        // The index names the row; the narrow column shows only its icon.
        item->setForeground(kIndexColumn, Qt::transparent);
        item->setIcon(kIndexColumn, enabled ? icons::Checked() : icons::UnChecked());
        item->setData(kIndexColumn, kImageRole, enabled ? 1 : 0);
        item->setText(kAddressColumn, site.URL.isEmpty() ? QString() : HttpAddress(site.URL));
        item->setText(kIpColumn, site.IP);
        if (enabled) {
            item->setIcon(kLightColumn, icons::Light(site.Status));
            item->setData(kLightColumn, kImageRole,
                          site.Status >= 1 && site.Status <= 3 ? site.Status : 0);
        } else {
            item->setForeground(kAddressColumn, grey);
            item->setForeground(kIpColumn, grey);
        }
        item->setText(kCommentColumn, site.Comments);
        item->setToolTip(kCommentColumn, site.Comments);
        item->setToolTip(kLightColumn, alertTips_.value(AlertSiteLabel(site)));
        items.push_back(item);
        rows_.insert(i, item);
    }
    list->addTopLevelItems(items);
    applySort();
    list->setUpdatesEnabled(true);
    showSummary();
    refreshTray();

    const QString wanted = selection.trimmed();
    if (wanted.isEmpty()) return;
    bool number = false;
    const std::int32_t index = wanted.toInt(&number);
    if (QTreeWidgetItem* item = number ? rows_.value(index) : nullptr;
        item && item->text(kIndexColumn) == wanted) {
        list->setCurrentItem(item);
        list->scrollToItem(item);
    }
}

void frmMain::Display_lvwMain(const QString& selection) {
    WaitWindow& wait = waitWindow();
    wait.showProgress(kProcessing);
    Display_lvwMainEx(selection);
    wait.close();
}

void frmMain::Check_MnuView() {
    Ui::frmMain& u = *ui_;
    u.mV_All->setChecked(viewResultFilter_ == 0);
    u.mV_Successful->setChecked(viewResultFilter_ == 1);
    u.mV_Warning->setChecked(viewResultFilter_ == 2);
    u.mV_Unsuccessful->setChecked(viewResultFilter_ == 3);
    u.mV_Both->setChecked(viewEnabledFilter_ == 0);
    u.mV_Enabled->setChecked(viewEnabledFilter_ == 1);
    u.mV_Disabled->setChecked(viewEnabledFilter_ == 2);
}

void frmMain::SetResultFilter(int filter) {
    viewResultFilter_ = filter;
    Check_MnuView();
    QTreeWidgetItem* selected = selectedRow();
    Display_lvwMain(selected ? selected->text(kIndexColumn) : QString());
}

void frmMain::SetEnabledFilter(int filter) {
    viewEnabledFilter_ = filter;
    Check_MnuView();
    QTreeWidgetItem* selected = selectedRow();
    Display_lvwMain(selected ? selected->text(kIndexColumn) : QString());
}

void frmMain::ClickColumnHeader(int column) {
    QTreeWidgetItem* header = ui_->lvwMain->headerItem();
    header->setText(kAddressColumn, kWebAddress);
    header->setText(kIpColumn, kIpAddress);
    header->setIcon(kAddressColumn, QIcon());
    header->setIcon(kIpColumn, QIcon());
    const SortStep step = ClickHeader(sort_, column);
    sort_ = step.state;
    if (step.iconColumn >= 0)
        header->setIcon(step.iconColumn, step.icon == HeaderIcon::Ascending ? icons::Ascending()
                                                                            : icons::Descending());
    applySort();
}

void frmMain::applySort() {
    ui_->lvwMain->sortItems(sort_.sortKey(),
                            sort_.descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void frmMain::showSummary() {
    const SiteSummary summary = SummariseSites(parts_.sites);
    ui_->lblSummary->setText(
        QStringLiteral("<b>%1</b><br>%2")
            .arg(summary.total.toHtmlEscaped(), summary.states.toHtmlEscaped()));
}

QTreeWidgetItem* frmMain::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = ui_->lvwMain->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

QTreeWidgetItem* frmMain::row(std::int32_t index) const {
    return rows_.value(index);
}

void frmMain::showListPopup(const QPoint& pos) {
    const bool hasRows = ui_->lvwMain->topLevelItemCount() > 0;
    const bool locked = siteListLocked();
    findChild<QAction*>(QStringLiteral("mnuLvw_New"))->setEnabled(!locked);
    findChild<QAction*>(QStringLiteral("mnuLvw_Edit"))->setEnabled(hasRows && !locked);
    findChild<QAction*>(QStringLiteral("mnuLvw_Del"))->setEnabled(hasRows && !locked);
    mnuLvwMain->popup(ui_->lvwMain->viewport()->mapToGlobal(pos));
}

WaitWindow& frmMain::waitWindow() {
    if (!wait_) {
        wait_ = new WaitWindow(
            this, parts_.messages, [this] { return commands_.startTour && commands_.startTour(); },
            [this] {
                setEnabled(true);
                raise();
                activateWindow();
                SetAutoCheckTimerEnabled(true);
            });
    }
    return *wait_;
}

void frmMain::closeWaitWindow() {
    if (wait_) wait_->close();
}

// --- layout, tray and closing -------------------------------------------------------

void frmMain::Form_Resize() {
    refreshTray();
    mPopRestore->setEnabled(false);
    const QSize client = centralWidget()->size();
    const MainLayout layout =
        ComputeMainLayout(client.width() * kTwipsPerPixel, client.height() * kTwipsPerPixel);
    ui_->linTop->setGeometry(0, 0, Pixels(layout.lineWidth), 2);
    ui_->lblSummary->setGeometry(kSummaryLeft, kCurViewTop,
                                 std::max(0, Pixels(layout.curViewLeft) - 2 * kSummaryLeft),
                                 kCurViewHeight);
    ui_->fraCurView->setGeometry(Pixels(layout.curViewLeft), kCurViewTop, kCurViewWidth,
                                 kCurViewHeight);
    ui_->linBottom->setGeometry(0, kLowerLineTop, Pixels(layout.lineWidth), 2);
    QTreeWidget* list = ui_->lvwMain;
    list->setGeometry(kListLeft, kListTop, Pixels(layout.listWidth),
                      layout.listHeight >= 0 ? Pixels(layout.listHeight) : list->height());
    for (int i = 0; i < 5; ++i) list->setColumnWidth(i, Pixels(layout.columns[i]));
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    refreshTray();
    if (!(windowState() & Qt::WindowMinimized)) {
        mPopRestore->setEnabled(false);
        return;
    }
    mPopRestore->setEnabled(true);
    // Only a window that can come back from the tray may leave the taskbar.
    if (HasTray())
        QTimer::singleShot(0, this, [this] {
            if (windowState() & Qt::WindowMinimized) hide();
        });
}

void frmMain::StartInTray() {
    setWindowState(Qt::WindowMinimized);
    mPopRestore->setEnabled(true);
}

void frmMain::mPopRestore_Click() {
    showNormal();
    raise();
    activateWindow();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!exiting_) {
        exiting_ = true;
        if (commands_.exitProgram) commands_.exitProgram();
    }
    event->accept();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        Form_Resize();
    } else if (watched == ui_->lvwMain && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && selectedRow()) {
            mE_EditAddress_Click();
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == ui_->imgColors) {
            viewResultFilter_ = (viewResultFilter_ + 1) % 4;
            Display_lvwMain(QString());
            Check_MnuView();
            return true;
        }
        if (watched == ui_->imgEnabled) {
            viewEnabledFilter_ = (viewEnabledFilter_ + 1) % 3;
            Display_lvwMain(QString());
            Check_MnuView();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace ossivant
