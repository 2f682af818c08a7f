#include "monitor/ui/options_dialog.h"

#include <optional>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QTabBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

#include "handoff/spool.h"
#include "monitor/platform/autostart_entry.h"
#include "mailer/job/delivery_outcome.h"
#include "monitor/report/alert_deliveries.h"
#include "monitor/report/send_email.h"
#include "monitor/report/test_alert_outcome.h"
#include "monitor/store/mail_password.h"
#include "monitor/store/make_dir_path.h"
#include "monitor/ui/whole_text_tip.h"
#include "monitor/ui/window_owner.h"
#include "ui_options_dialog.h"

namespace ossivant {

namespace {

const reg::HKEY kHive = reg::HKEY_LOCAL_MACHINE;
const QString kCrLf2 = QStringLiteral("\r\n\r\n");

const QString kWarningRange = QStringLiteral("Please enter an integer from 5 to 60.");
const QString kIntegersOnly = QStringLiteral("You can only enter Integers in this field.");
const QString kMaxFilesMinimum =
    QStringLiteral("A minimum of 1 is required in the maximum log fiels field.");
const QString kMaxFilesMaximum = QStringLiteral("A maximum of 3000 can be set in this field.");
const QString kMaxFilesHigh =
    QStringLiteral("A number beyond 25 is very high and defeats the purpose of disk conservation.");
const QString kMaxFilesSmaller =
    QStringLiteral("Would you like to change the number to a smaller number?");
const QString kIntervalAboveWarning =
    QStringLiteral("The Auto-Check Interval must be greater than the Warning Alert Interval.");
const QString kIntervalRange =
    QStringLiteral("Time Interval has to be between 5 minutes and 1425 minutes.");
const QString kWarningBelowInterval =
    QStringLiteral("The Warning Interval must be less than the Timer Interval.");
const QString kInvalidEmail = QStringLiteral("Please enter a valid e-mail address.");
const QString kBrowseTitle = QStringLiteral("Please select the folder to store the log files.");
const QString kAutostartNotChanged =
    QStringLiteral("The start at login could not be changed: %1 cannot be written or removed.");

// The alert code of the test mail; the shipped Messages/HTTP-TEST.txt words
// it, and without that file the general texts still read sensibly because
// the checked "address" says what the mail is.
const QString kTestAlertCode = QStringLiteral("TEST");
const QString kTestAlertAddress = QStringLiteral("no site (this is a test alert)");

// A whole text that reads as a number: blanks around it, a sign, digits with
// at most one decimal point, an exponent.
bool IsNumeric(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$)"));
    return number.match(text).hasMatch();
}

// A number as the boxes show it: no leading zeros, no grouping, no exponent
// for the numbers a box can sensibly hold.
QString PlainNumber(double value) {
    if (value == 0) return QStringLiteral("0");
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QLocale::c().toString(value, 'g', 15);
}

std::int16_t ToInt16(std::int32_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

std::int32_t SendTestAlert(const Settings& settings, const QString& programDir,
                           QString* jobPath) {
    AlertFacts facts;
    facts.site.URL = kTestAlertAddress;
    facts.probeURL = kTestAlertAddress;
    return SendEmail(kTestAlertCode, settings, facts, programDir, jobPath);
}

}  // namespace

namespace {

QString PasswordPlaceText(PasswordPlace place, const QString& password) {
    if (password.isEmpty()) return QString();
    if (place == PasswordPlace::kSecretStore)
        return QStringLiteral("The password is kept in the desktop's secret store.");
    return QStringLiteral("No secret store answered: the password is kept in the settings file "
                          "%1, which only you can read.")
        .arg(QString::fromStdString(reg::Registry::defaultPath()));
}

}  // namespace

QString SendLogFolder() {
    return QString::fromStdString(handoff::DefaultSpoolDir());
}

frmOptions::frmOptions(QWidget* mainWindow, Settings& settings, RegistryAccess& registry,
                       MessageBox& messages, FolderDialog& folders, const Clock& clock,
                       QString programDir, OptionsHooks hooks)
    : ui_(std::make_unique<Ui::frmOptions>()),
      mainWindow_(mainWindow),
      settings_(settings),
      registry_(registry),
      messages_(messages),
      folders_(folders),
      clock_(clock),
      programDir_(std::move(programDir)),
      hooks_(std::move(hooks)),
      beep_([] { QApplication::beep(); }),
      sendTestAlert_(
          [this](const Settings& s) { return SendTestAlert(s, programDir_, &testJob_); }),
      secrets_(MakeDesktopSecretStore()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto& u = *ui_;
    connect(u.tabOptions, &QTabWidget::currentChanged, this, &frmOptions::tabOptions_Click);
    for (QLineEdit* box : {u.txtTimerInterval, u.txtTimerWarning, u.txtMaxLogFiles})
        connect(box, &QLineEdit::textChanged, this, [this, box] { keepNumeric(box); });
    for (QRadioButton* option : {u.optNoLogs, u.optLogDaily, u.optLogWeekly})
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on) applyLogPeriod();
        });
    connect(u.chkDiskMaxLogFiles, &QCheckBox::toggled, this, &frmOptions::chkDiskMaxLogFiles_Click);
    connect(u.cmdLogDirBrowse, &QPushButton::clicked, this, &frmOptions::cmdLogDirBrowse_Click);
    connect(u.cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(u.cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(u.cmdTestAlert, &QPushButton::clicked, this, &frmOptions::cmdTestAlert_Click);
    connect(qApp, &QApplication::focusChanged, this, &frmOptions::onFocusChanged);
    ShowWholeTextWhenCut(u.txtLogPath);
    connect(u.txtSMTPPort, &QLineEdit::textChanged, this, &frmOptions::updateSecurityHint);
    connect(u.cboSMTPSecurity, &QComboBox::currentIndexChanged, this,
            &frmOptions::updateSecurityHint);
    // The hint only offers: the mode changes when the operator follows it.
    connect(u.lblSecurityHint, &QLabel::linkActivated, this, [this](const QString& mode) {
        ui_->cboSMTPSecurity->setCurrentIndex(mode.toInt());
    });

    for (QLineEdit* box : {u.txtTimerInterval, u.txtTimerWarning, u.txtMgrEmail, u.txtSMTP,
                           u.txtSMTPPort, u.txtMaxLogFiles})
        box->installEventFilter(this);
    u.tabOptions->tabBar()->installEventFilter(this);
    u.tabOptions->installEventFilter(this);
}

frmOptions::~frmOptions() {
    // The controls go later, in the base destructor, and the focus leaving
    // them must not reach this part of the dialog any more.
    disconnect(qApp, nullptr, this, nullptr);
    for (QObject* watched : std::initializer_list<QObject*>{
             ui_->txtTimerInterval, ui_->txtTimerWarning, ui_->txtMgrEmail, ui_->txtSMTP,
             ui_->txtSMTPPort, ui_->txtMaxLogFiles, ui_->tabOptions->tabBar(), ui_->tabOptions})
        watched->removeEventFilter(this);
}

void frmOptions::Open() {
    if (open_) {
        raise();
        activateWindow();
        return;
    }
    if (hooks_.onOpened) hooks_.onOpened();
    Form_Load();
    open_ = true;
    PlaceOverOwner(this, mainWindow_);
    show();
    raise();
    activateWindow();
    ui_->txtTimerInterval->setFocus(Qt::OtherFocusReason);
    ui_->txtTimerInterval->selectAll();
}

void frmOptions::Form_Load() {
    auto& u = *ui_;
    const Settings& s = settings_;
    openingInterval_ = s.TimerInterval;
    openingWarning_ = s.TimerWarning;
    pathBeforeBrowse_.clear();
    refusedTarget_ = nullptr;

    u.txtTimerInterval->setText(QString::number(s.TimerInterval));
    u.txtTimerWarning->setText(QString::number(s.TimerWarning));
    u.txtSMTPPort->setText(QString::number(s.ManagerSMTPPort));
    u.txtMaxLogFiles->setText(QString::number(s.MaxLogFiles));
    u.txtMgrEmail->setText(s.ManagerEmail);
    u.txtMgrName->setText(s.ManagerName);
    u.txtSMTP->setText(s.ManagerSMTP);
    u.cboSMTPSecurity->setCurrentIndex(std::clamp(s.ManagerSMTPSecurity, 0, 2));
    u.txtSMTPUser->setText(s.ManagerSMTPUser);
    u.txtSMTPPassword->setText(s.ManagerSMTPPassword);
    if (passwordPlace_.isEmpty() && !s.ManagerSMTPPassword.isEmpty()) {
        QString stored;
        registry_.GetValue(kHive, OssivantKey(QStringLiteral("\\Settings\\Manager")),
                           QStringLiteral("SMTPPassword"), stored);
        passwordPlace_ = PasswordPlaceText(
            stored.isEmpty() ? PasswordPlace::kSecretStore : PasswordPlace::kRegistryFile,
            s.ManagerSMTPPassword);
    }
    u.lblPasswordPlace->setText(passwordPlace_);
    u.lblPasswordPlace->setVisible(!passwordPlace_.isEmpty());
    updateSecurityHint();
    u.txtLogPath->setText(s.LogPath);
    u.txtLogPath->setCursorPosition(0);  // a long path shows its start

    u.chkDiskMaxLogFiles->setChecked(s.DiskLogMaxFiles != 0);
    u.chkDiskNoLogDisabled->setChecked(s.DiskLogDisabled != 0);
    QRadioButton* period = s.LogPeriod == 0   ? u.optNoLogs
                           : s.LogPeriod == 2 ? u.optLogWeekly
                                              : u.optLogDaily;
    period->setChecked(true);
    applyLogPeriod();
    (s.AllowType == 2 ? u.optCookieDisable : u.optCookieAccept)->setChecked(true);
    u.chkStartAtLogin->setChecked(AutostartEntry().exists());
    u.chkOfflineGuard->setChecked(s.OfflineGuard != 0);
    u.txtNetworkReference->setText(s.NetworkReference);

    {
        const QSignalBlocker quiet(u.tabOptions);
        u.tabOptions->setCurrentIndex(0);
    }
    page_ = 1;
    u.txtTimerInterval->selectAll();
    helpContext_ = 20001;
}

void frmOptions::tabOptions_Click(int index) {
    const int page = index + 1;
    if (page == page_) return;
    page_ = page;
    auto& u = *ui_;
    switch (page) {
        case 1:
            helpContext_ = 20001;
            u.txtTimerInterval->setFocus(Qt::TabFocusReason);
            u.txtTimerInterval->selectAll();
            break;
        case 2:
            helpContext_ = 20002;
            u.txtMgrName->setFocus(Qt::TabFocusReason);
            break;
        case 3:
            helpContext_ = 20003;
            if (u.optNoLogs->isChecked())
                u.optNoLogs->setFocus(Qt::TabFocusReason);
            else
                u.cmdLogDirBrowse->setFocus(Qt::TabFocusReason);
            break;
        default:
            helpContext_ = 20004;
            break;
    }
}

void frmOptions::keepNumeric(QLineEdit* box) {
    const QString text = box->text();
    QString kept;
    QString message;
    int removed = 0;
    if (IsNumeric(text)) {
        if (box != ui_->txtTimerInterval && text.contains(QLatin1Char('.'))) {
            kept = text;
            kept.remove(kept.indexOf(QLatin1Char('.')), 1);
            message = box == ui_->txtTimerWarning ? kWarningRange : kIntegersOnly;
        } else {
            const double value =
                QLocale::c().toDouble(text.trimmed().replace(QLatin1Char('+'), QString()));
            kept = std::isfinite(value) ? PlainNumber(value) : text;  // "1e999" stays as typed
        }
    } else {
        for (const QChar c : text) {
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                kept += c;
            else
                ++removed;
        }
    }
    if (kept != text) {
        // The rewritten text comes through here once more (a removed "." may
        // leave leading zeros); it is numeric by then, so nothing beeps twice.
        box->setText(kept);
    }
    for (int i = 0; i < removed; ++i) beep_();
    if (!message.isEmpty()) messages_.show(message, MsgButtons::Ok, MsgIcon::Warning);
}

void frmOptions::applyLogPeriod() {
    auto& u = *ui_;
    if (u.optNoLogs->isChecked()) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{u.txtLogPath, u.txtMaxLogFiles, u.cmdLogDirBrowse,
                                             u.chkDiskMaxLogFiles, u.chkDiskNoLogDisabled})
            w->setEnabled(false);
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{u.cmdLogDirBrowse, u.txtLogPath,
                                                      u.chkDiskMaxLogFiles, u.chkDiskNoLogDisabled})
        w->setEnabled(true);
    chkDiskMaxLogFiles_Click();
}

void frmOptions::chkDiskMaxLogFiles_Click() {
    ui_->txtMaxLogFiles->setEnabled(ui_->chkDiskMaxLogFiles->isChecked());
}

bool frmOptions::isCheckedBox(QWidget* w) const {
    const auto& u = *ui_;
    return w && (w == u.txtTimerInterval || w == u.txtTimerWarning || w == u.txtMaxLogFiles ||
                 w == u.txtMgrEmail || w == u.txtLogPath);
}

void frmOptions::onFocusChanged(QWidget* old, QWidget* now) {
    if (!open_ || validating_ || !now || now->window() != this) return;
    if (qobject_cast<QAbstractButton*>(now)) refusedTarget_ = nullptr;
    if (!isCheckedBox(old) || old->window() != this || now == ui_->cmdCancel) return;
    leaveBox(static_cast<QLineEdit*>(old), now);
}

bool frmOptions::leaveBox(QLineEdit* box, QWidget* target) {
    validating_ = true;
    const auto& u = *ui_;
    bool accepted = true;
    if (box == u.txtTimerInterval)
        accepted = txtTimerInterval_Validate();
    else if (box == u.txtTimerWarning)
        accepted = txtTimerWarning_Validate();
    else if (box == u.txtMaxLogFiles)
        accepted = txtMaxLogFiles_Validate();
    else if (box == u.txtMgrEmail)
        accepted = txtMgrEmail_Validate();
    else if (box == u.txtLogPath)
        accepted = txtLogPath_Validate();
    if (!accepted) {
        refusedTarget_ = qobject_cast<QAbstractButton*>(target) ? target : nullptr;
        box->setFocus(Qt::OtherFocusReason);
    }
    validating_ = false;
    return accepted;
}

void frmOptions::refuse(QLineEdit* box, const QString& message, const QString& text) {
    messages_.show(message, MsgButtons::Ok, MsgIcon::Warning);
    box->setText(text);
}

bool frmOptions::txtTimerInterval_Validate() {
    const double w = LeadingNumber(ui_->txtTimerWarning->text());
    const double i = LeadingNumber(ui_->txtTimerInterval->text());
    if (w > i) {
        refuse(ui_->txtTimerInterval, kIntervalAboveWarning, PlainNumber(w + 1));
        return false;
    }
    if (i < 5) {
        refuse(ui_->txtTimerInterval, kIntervalRange, QStringLiteral("5"));
        return false;
    }
    if (i > 1425) {
        refuse(ui_->txtTimerInterval, kIntervalRange, QStringLiteral("1425"));
        return false;
    }
    return true;
}

bool frmOptions::txtTimerWarning_Validate() {
    const double w = LeadingNumber(ui_->txtTimerWarning->text());
    const double i = LeadingNumber(ui_->txtTimerInterval->text());
    if (i < w) {
        refuse(ui_->txtTimerWarning, kWarningBelowInterval,
               i > 60 ? QStringLiteral("60") : ui_->txtTimerInterval->text());
        return false;
    }
    if (w < 5) {
        refuse(ui_->txtTimerWarning, kWarningRange, QStringLiteral("5"));
        return false;
    }
    if (w > 60) {
        refuse(ui_->txtTimerWarning, kWarningRange, QStringLiteral("60"));
        return false;
    }
    return true;
}

bool frmOptions::txtMaxLogFiles_Validate() {
    const double n = LeadingNumber(ui_->txtMaxLogFiles->text());
    if (n <= 0) {
        refuse(ui_->txtMaxLogFiles, kMaxFilesMinimum, QStringLiteral("1"));
        return false;
    }
    if (n > 3000) {
        refuse(ui_->txtMaxLogFiles, kMaxFilesMaximum, QStringLiteral("3000"));
        return false;
    }
    if (n > 25) {
        return messages_.show(kMaxFilesHigh + kCrLf2 + kMaxFilesSmaller, MsgButtons::YesNo,
                              MsgIcon::Question) != MsgAnswer::Yes;
    }
    return true;
}

bool frmOptions::txtMgrEmail_Validate() {
    QLineEdit* box = ui_->txtMgrEmail;
    const QString text = box->text();
    if (text.isEmpty()) return true;
    if (text.contains(QLatin1Char('@')) && text.contains(QLatin1Char('.'))) return true;
    messages_.show(kInvalidEmail, MsgButtons::Ok, MsgIcon::Warning);
    box->selectAll();
    return false;
}

bool frmOptions::txtLogPath_Validate() {
    const QString path = ui_->txtLogPath->text();
    if (QFileInfo::exists(path)) return true;
    const QString question = QStringLiteral("The folder ") + path +
                             QStringLiteral(" does not exist.") + kCrLf2 +
                             QStringLiteral("Create it now?");
    switch (messages_.show(question, MsgButtons::YesNoCancel, MsgIcon::Question)) {
        case MsgAnswer::Yes:
            MakeDirPath(path);  // a folder that cannot be made is met by the log writer
            break;
        case MsgAnswer::No:
            cmdLogDirBrowse_Click();
            break;
        default:
            ui_->txtLogPath->setText(pathBeforeBrowse_);
            break;
    }
    return true;
}

void frmOptions::cmdLogDirBrowse_Click() {
    pathBeforeBrowse_ = ui_->txtLogPath->text();
    const QString folder = folders_.browseFolder(this, kBrowseTitle, pathBeforeBrowse_);
    if (folder.isEmpty()) return;
    // The whole path: a Linux path has no length limit to cut it at.
    ui_->txtLogPath->setText(folder.section(QChar(u'\0'), 0, 0));
}

Settings frmOptions::settingsFromBoxes() const {
    const auto& u = *ui_;
    Settings s = settings_;
    s.TimerInterval = RoundHalfEven(LeadingNumber(u.txtTimerInterval->text()));
    s.TimerWarning = RoundHalfEven(LeadingNumber(u.txtTimerWarning->text()));
    s.ManagerEmail = u.txtMgrEmail->text();
    s.ManagerName = u.txtMgrName->text();
    s.ManagerSMTP = u.txtSMTP->text();
    s.ManagerSMTPPort = RoundHalfEven(LeadingNumber(u.txtSMTPPort->text()));
    s.ManagerSMTPSecurity = u.cboSMTPSecurity->currentIndex();
    s.ManagerSMTPUser = u.txtSMTPUser->text();
    s.ManagerSMTPPassword = u.txtSMTPPassword->text();
    s.LogPeriod = u.optLogWeekly->isChecked() ? 2 : u.optNoLogs->isChecked() ? 0 : 1;
    s.LogPath = u.txtLogPath->text();
    s.MaxLogFiles = ToInt16(RoundHalfEven(LeadingNumber(u.txtMaxLogFiles->text())));
    s.DiskLogMaxFiles = u.chkDiskMaxLogFiles->isChecked() ? 1 : 0;
    s.DiskLogDisabled = u.chkDiskNoLogDisabled->isChecked() ? 1 : 0;
    s.AllowType = u.optCookieDisable->isChecked() ? 2 : 1;
    s.OfflineGuard = u.chkOfflineGuard->isChecked() ? 1 : 0;
    s.NetworkReference = u.txtNetworkReference->text().trimmed();
    return s;
}

void frmOptions::cmdOK_Click() {
    if (refusedTarget_ == ui_->cmdOK) {  // this click's own check refused a box
        refusedTarget_ = nullptr;
        return;
    }
    // Enter in a box presses OK without the focus leaving the box.
    if (QWidget* focus = focusWidget(); isCheckedBox(focus) && focus->hasFocus() &&
                                        !leaveBox(static_cast<QLineEdit*>(focus), ui_->cmdOK)) {
        refusedTarget_ = nullptr;
        return;
    }

    // The settings are stored together, in one transaction; a write that
    // fails is not reported (the setting still changes in memory).
    const Settings in = settingsFromBoxes();
    Settings& s = settings_;
    const QString timerKey = OssivantKey(QStringLiteral("\\Settings\\Timer"));
    const QString managerKey = OssivantKey(QStringLiteral("\\Settings\\Manager"));
    const QString logKey = OssivantKey(QStringLiteral("\\Settings\\Log"));
    const QString cookieKey = OssivantKey(QStringLiteral("\\Settings\\AllowCookie"));
    const QString networkKey = OssivantKey(QStringLiteral("\\Settings\\Network"));
    auto number = [this](const QString& key, const char* name, std::int32_t value) {
        registry_.SetValue(kHive, key, QLatin1String(name), value, kTypeNumber);
    };
    auto text = [this](const QString& key, const char* name, const QString& value) {
        registry_.SetValue(kHive, key, QLatin1String(name), value, kTypeString);
    };
    {
        const auto scope = registry_.OneTransaction();
        s.TimerInterval = in.TimerInterval;
        number(timerKey, "Interval", s.TimerInterval);
        s.TimerWarning = in.TimerWarning;
        number(timerKey, "Warning", s.TimerWarning);

        s.ManagerEmail = in.ManagerEmail;
        s.ManagerName = in.ManagerName;
        s.ManagerSMTP = in.ManagerSMTP;
        s.ManagerSMTPPort = in.ManagerSMTPPort;
        text(managerKey, "Email", s.ManagerEmail);
        text(managerKey, "Name", s.ManagerName);
        text(managerKey, "SMTP", s.ManagerSMTP);
        number(managerKey, "SMTPPort", s.ManagerSMTPPort);
        s.ManagerSMTPSecurity = in.ManagerSMTPSecurity;
        s.ManagerSMTPUser = in.ManagerSMTPUser;
        number(managerKey, "SMTPSecurity", s.ManagerSMTPSecurity);
        text(managerKey, "SMTPUser", s.ManagerSMTPUser);

        s.LogPeriod = in.LogPeriod;
        number(logKey, "LogPeriod", s.LogPeriod);
        s.LogPath = in.LogPath;
        text(logKey, "LogPath", s.LogPath);
        s.MaxLogFiles = in.MaxLogFiles;
        number(logKey, "MaxLogFiles", s.MaxLogFiles);
        s.DiskLogMaxFiles = in.DiskLogMaxFiles;
        s.DiskLogDisabled = in.DiskLogDisabled;
        number(logKey, "DiskLogMaxFiles", s.DiskLogMaxFiles);
        number(logKey, "DiskLogDisabled", s.DiskLogDisabled);

        s.AllowType = in.AllowType;
        number(cookieKey, "AllowType", s.AllowType);

        registry_.CreateKey(kHive, networkKey);  // missing in a registry older than the guard
        s.OfflineGuard = in.OfflineGuard;
        number(networkKey, "OfflineGuard", s.OfflineGuard);
        s.NetworkReference = in.NetworkReference;
        text(networkKey, "Reference", s.NetworkReference);
    }
    // Outside the transaction: the secret store may take a moment to answer.
    if (in.ManagerSMTPPassword != s.ManagerSMTPPassword) {
        s.ManagerSMTPPassword = in.ManagerSMTPPassword;
        passwordPlace_ = PasswordPlaceText(
            StoreMailPassword(registry_, *secrets_, s.ManagerSMTPPassword), s.ManagerSMTPPassword);
    }

    applyStartAtLogin();
    if (s.TimerInterval != openingInterval_ || s.TimerWarning != openingWarning_) {
        const QDateTime next = clock_.now().addSecs(qint64(s.TimerWarning) * 60);
        if (hooks_.onTimersChanged) hooks_.onTimersChanged(next);
    }
    Form_Unload();
}

// The entry is left as it is while the box shows its state, so that one
// the user wrote by hand survives OK.
void frmOptions::applyStartAtLogin() {
    const AutostartEntry entry;
    const bool wanted = ui_->chkStartAtLogin->isChecked();
    if (wanted == entry.exists()) return;
    const bool done = wanted ? entry.write(QCoreApplication::applicationFilePath()) : entry.remove();
    if (!done)
        messages_.show(kAutostartNotChanged.arg(entry.path()), MsgButtons::Ok, MsgIcon::Warning);
}

void frmOptions::cmdCancel_Click() {
    Form_Unload();
}

void frmOptions::cmdTestAlert_Click() {
    if (refusedTarget_ == ui_->cmdTestAlert) {
        refusedTarget_ = nullptr;
        return;
    }
    const Settings mail = settingsFromBoxes();
    testJob_.clear();
    const std::int32_t result = sendTestAlert_(mail);
    const QString log = SendLogFolder();
    if (result == 0 && !testJob_.isEmpty()) {
        awaitTestAlert(mail);
    } else if (result == 0) {
        messages_.show(QStringLiteral("The test alert to %1 was handed to the mail sender for "
                                      "%2, port %3.")
                               .arg(mail.ManagerEmail, mail.ManagerSMTP)
                               .arg(mail.ManagerSMTPPort) +
                           kCrLf2 +
                           QStringLiteral("Whether it was delivered is written in the send log "
                                          "in %1.")
                               .arg(log),
                       MsgButtons::Ok, MsgIcon::Information);
    } else if (result == kSendEmailNotConfigured) {
        messages_.show(QStringLiteral("No test alert was sent: fill in both the manager's e-mail "
                                      "address and the SMTP server."),
                       MsgButtons::Ok, MsgIcon::Warning);
    } else if (result == kSendEmailNoHandOff) {
        messages_.show(QStringLiteral("No test alert was sent: the hand-off library %1 could not "
                                      "be loaded from %2.")
                           .arg(QLatin1StringView(kHandOffLibraryName), programDir_),
                       MsgButtons::Ok, MsgIcon::Warning);
    } else {
        messages_.show(
            QStringLiteral("The hand-off of the test alert failed (error %1).").arg(result) +
                kCrLf2 + QStringLiteral("The send log lies in %1.").arg(log),
            MsgButtons::Ok, MsgIcon::Warning);
    }
}

// Polls for the test alert's outcome from the event loop, so the dialog stays
// responsive; the button waits meanwhile. A test alert is never retried.
void frmOptions::awaitTestAlert(const Settings& mail) {
    if (testWait_ == nullptr) {
        testWait_ = new QTimer(this);
        testWait_->setInterval(200);
    }
    testWait_->disconnect();
    testSentAt_ = clock_.now();
    ui_->cmdTestAlert->setEnabled(false);
    connect(testWait_, &QTimer::timeout, this, [this, mail] {
        const auto outcome = TakeTestAlertOutcome(testJob_);
        const bool late = testSentAt_.secsTo(clock_.now()) >= kAlertRecordWait.count();
        if (!outcome && !late) return;
        testWait_->stop();
        ui_->cmdTestAlert->setEnabled(true);
        if (!outcome) {
            DropTestAlertJob(testJob_);
            messages_.show(QStringLiteral("The test alert to %1 was handed to the mail sender, "
                                          "but no outcome came from it.")
                                   .arg(mail.ManagerEmail) +
                               kCrLf2 +
                               QStringLiteral("The send log lies in %1.").arg(SendLogFolder()),
                           MsgButtons::Ok, MsgIcon::Warning);
        } else if (outcome->state == quorvane3::DeliveryState::kDelivered) {
            messages_.show(QStringLiteral("The test alert to %1 was delivered to %2, port %3.")
                               .arg(mail.ManagerEmail, mail.ManagerSMTP)
                               .arg(mail.ManagerSMTPPort),
                           MsgButtons::Ok, MsgIcon::Information);
        } else {
            messages_.show(QStringLiteral("The test alert to %1 was not delivered: %2")
                               .arg(mail.ManagerEmail, QString::fromUtf8(outcome->cause)),
                           MsgButtons::Ok, MsgIcon::Warning);
        }
    });
    testWait_->start();
}

void frmOptions::updateSecurityHint() {
    const auto& u = *ui_;
    const std::int32_t port = RoundHalfEven(LeadingNumber(u.txtSMTPPort->text()));
    QString hint;
    if (u.cboSMTPSecurity->currentIndex() == 0 && (port == 587 || port == 465)) {
        const bool startTls = port == 587;
        hint = QStringLiteral("Port %1 usually takes %2. <a href=\"%3\">Use %2</a>")
                   .arg(port)
                   .arg(startTls ? QStringLiteral("STARTTLS") : QStringLiteral("SSL/TLS"))
                   .arg(startTls ? 1 : 2);
    }
    ui_->lblSecurityHint->setText(hint);
    ui_->lblSecurityHint->setVisible(!hint.isEmpty());
}

void frmOptions::Form_Unload() {
    if (!open_) return;
    open_ = false;
    refusedTarget_ = nullptr;
    hide();
    if (hooks_.onClosed) hooks_.onClosed();
}

void frmOptions::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void frmOptions::reject() {
    cmdCancel_Click();
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    auto& u = *ui_;
    QTabBar* bar = u.tabOptions->tabBar();
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            box->selectAll();
            // A click places the cursor after focusing; select once it has.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
                QTimer::singleShot(0, box, [box] { box->selectAll(); });
        }
        return false;
    }
    // Changing the page leaves the box like any other control would: its
    // check runs first, and a refused value keeps the page.
    const bool pageByMouse = watched == bar && event->type() == QEvent::MouseButtonPress;
    bool pageByKey = false;
    if (watched == u.tabOptions && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        pageByKey = (key->modifiers() & Qt::ControlModifier) &&
                    (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                     key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown);
    }
    if ((pageByMouse || pageByKey) && isCheckedBox(focusWidget())) {
        bar->setFocus(Qt::MouseFocusReason);
        if (focusWidget() != bar) return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ossivant
