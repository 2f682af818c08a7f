#pragma once

#include <QDateTime>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include <QTimer>

#include "monitor/platform/clock.h"
#include "monitor/platform/folder_dialog.h"
#include "monitor/platform/message_box.h"
#include "monitor/platform/secret_store.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"
#include "monitor/ui/number_text.h"

class QLineEdit;

namespace Ui {
class frmOptions;
}

namespace ossivant {

// What the options dialog asks of its opener.
struct OptionsHooks {
    std::function<void()> onOpened;  // the main window switches TimerAutoCheck off and
                                     // disables itself
    std::function<void(const QDateTime& next)> onTimersChanged;  // NextCheckTime and "Next:"
    std::function<void()> onClosed;  // any close: enable, raise the main window, timer on
};

// The folder of the hand-off library's send log: the rule the library itself
// follows for its spool folder.
QString SendLogFolder();

// frmOptions: the timers, the manager and mail server, the log keeping and
// the cookie policy. Modeless: Open() shows it and returns; the main window
// stays disabled meanwhile (through the hooks) and the dialog is not its Qt
// child, so it stays usable. Every box is checked as the focus leaves it
// (except for Cancel); OK writes all settings to `settings` and the registry,
// Cancel writes nothing. Any way of closing calls onClosed once.
class frmOptions final : public QDialog {
    Q_OBJECT

public:
    frmOptions(QWidget* mainWindow, Settings& settings, RegistryAccess& registry,
               MessageBox& messages, FolderDialog& folders, const Clock& clock, QString programDir,
               OptionsHooks hooks);
    ~frmOptions() override;

    // Form_Load over the current settings, page 1, then shown over the main
    // window.
    void Open();

    // The help topic of the visible page (20001 to 20004).
    int helpContext() const { return helpContext_; }
    // The number of the visible page, 1 to 4.
    int page() const { return page_; }

    // Replaces the system beep (tests count beeps).
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }
    // Replaces the real sending of the test alert; receives the settings with
    // the boxes' values and returns what SendEmail returns.
    void setTestAlertSender(std::function<std::int32_t(const Settings&)> send) {
        sendTestAlert_ = std::move(send);
    }
    // Replaces the desktop's secret store that keeps the mail password.
    void setSecretStore(std::unique_ptr<SecretStore> secrets) { secrets_ = std::move(secrets); }

    // The handlers, public so that the opener and tests can call them.
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdLogDirBrowse_Click();
    void cmdTestAlert_Click();
    // The hint beside Security: the usual mode of port 587 or 465 while none is chosen.
    void updateSecurityHint();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tabOptions_Click(int index);
    void keepNumeric(QLineEdit* box);
    void applyLogPeriod();
    void chkDiskMaxLogFiles_Click();
    void onFocusChanged(QWidget* old, QWidget* now);
    // Runs the check of `box` as the focus leaves it for `target`; false
    // when the value was refused (the focus is then back in the box).
    bool leaveBox(QLineEdit* box, QWidget* target);
    bool txtTimerInterval_Validate();
    bool txtTimerWarning_Validate();
    bool txtMaxLogFiles_Validate();
    bool txtMgrEmail_Validate();
    bool txtLogPath_Validate();
    bool isCheckedBox(QWidget* w) const;
    void refuse(QLineEdit* box, const QString& message, const QString& text);
    Settings settingsFromBoxes() const;
    void applyStartAtLogin();
    void Form_Unload();
    void awaitTestAlert(const Settings& mail);

    std::unique_ptr<Ui::frmOptions> ui_;
    QPointer<QWidget> mainWindow_;
    Settings& settings_;
    RegistryAccess& registry_;
    MessageBox& messages_;
    FolderDialog& folders_;
    const Clock& clock_;
    QString programDir_;
    OptionsHooks hooks_;
    std::function<void()> beep_;
    std::function<std::int32_t(const Settings&)> sendTestAlert_;
    // The tracked job of the test alert whose outcome is awaited.
    QString testJob_;
    QDateTime testSentAt_;
    QTimer* testWait_ = nullptr;
    std::unique_ptr<SecretStore> secrets_;

    int page_ = 1;
    int helpContext_ = 20001;
    std::int32_t openingInterval_ = 0;
    std::int32_t openingWarning_ = 0;
    QString pathBeforeBrowse_;
    QString passwordPlace_;  // where the mail password is kept, in words
    bool open_ = false;
    bool validating_ = false;
    // The button whose press was refused by a check: its click is dropped.
    QWidget* refusedTarget_ = nullptr;
};

}  // namespace ossivant
