#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "monitor/platform/message_box.h"
#include "monitor/store/site_record.h"
#include "monitor/store/site_store.h"
#include "monitor/store/site_table.h"

class QLineEdit;

namespace Ui {
class frmSiteEditor;
}

namespace ossivant {

// What the main window does around the editor. Each may be left empty.
struct SiteEditorHooks {
    std::function<void()> onOpened;             // the main window stops TimerAutoCheck and
                                                // disables itself
    std::function<void(std::int32_t)> onSaved;  // refill the list with this site selected
                                                // (Display_lvwMain)
    std::function<void()> onClosed;             // any close: enable, raise the main window,
                                                // restart TimerAutoCheck
};

// frmSiteEditor, the dialog in which the operator adds a site or changes one:
// its URL, an optional IP address in four boxes, the time-out and whether it
// takes part in checks. It is modeless and stays above the main window
// without being its Qt child, so it stays usable while the main window is
// disabled. OK validates the fields and stores the site through the store
// (the table entry and its registry key); a validation stop leaves both
// untouched and the dialog open. Cancel, Esc and the window manager's close
// store nothing. Each opening runs onOpened once and each closing, however it
// happens, runs onClosed once; a successful OK runs onSaved first. The hooks
// run inside the dialog's own event handling: an owner that disposes of the
// dialog there uses deleteLater. The dialog can be opened again after it
// closed; every opening reloads all fields.
class frmSiteEditor final : public QDialog {
    Q_OBJECT
public:
    frmSiteEditor(QWidget* mainWindow, SiteStore& store, SiteTable& sites, MessageBox& messages,
                  SiteEditorHooks hooks);
    ~frmSiteEditor() override;

    // A new site: the fields are empty but for the time-out 60 and Enable.
    void OpenNew();
    // Site `currentSite` of the table, whose fields were `siteBeforeEdit` when
    // the main window chose it.
    void OpenEdit(std::int32_t currentSite, const SiteRecord& siteBeforeEdit);

    bool EditMode() const { return editMode_; }
    std::int32_t CurrentSite() const { return currentSite_; }
    int HelpContextID() const { return editMode_ ? 10002 : 10001; }

    // The system beep; tests count the beeps instead.
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

    void cmdOK_Click();
    void cmdCancel_Click();

public slots:
    void reject() override;  // Esc

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void load();
    void txtURL_Change();
    void txtIP_Change(int box);
    void txtTimeOut_Change();
    void txtTimeOut_Validate();
    void focusChanged(QWidget* old, QWidget* now);
    bool ipKey(int box, int key);
    void beep();

    std::unique_ptr<Ui::frmSiteEditor> ui_;
    QPointer<QWidget> mainWindow_;
    SiteStore& store_;
    SiteTable& sites_;
    MessageBox& messages_;
    SiteEditorHooks hooks_;
    std::function<void()> beep_;
    std::array<QLineEdit*, 4> ip_{};
    QMetaObject::Connection focusWatch_;

    bool editMode_ = false;
    std::int32_t currentSite_ = 0;
    SiteRecord siteBeforeEdit_;
    bool suppressIPChange_ = false;
    bool open_ = false;
};

}  // namespace ossivant
