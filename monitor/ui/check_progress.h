#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "monitor/engine/screen.h"
#include "monitor/ui/check_anim_window.h"

class QWidget;

namespace ossivant {

// The engine's progress display on top of frmCheckAnim. The window exists only
// while it is open: Show creates it when needed (so each opening starts the
// animation afresh), Close destroys it. Label texts written while it is closed
// are kept and appear when it is next shown; closing forgets them. Stop calls
// `stopCheck` and then the window closes itself, which the adapter notices, so
// the next Show opens a new window.
class CheckProgressWindow final : public ProgressDisplay {
public:
    // The window stays above `mainWindow` without being its Qt child, so it
    // stays usable while the main window is disabled.
    CheckProgressWindow(QWidget* mainWindow, std::function<void()> stopCheck);
    ~CheckProgressWindow() override;
    CheckProgressWindow(const CheckProgressWindow&) = delete;
    CheckProgressWindow& operator=(const CheckProgressWindow&) = delete;

    void Show() override;
    void Close() override;
    void SetSiteName(const QString& text) override;
    void SetSiteStatus(const QString& text) override;

    // The open window, nullptr while closed.
    frmCheckAnim* window() const { return window_; }

private:
    void windowClosed(frmCheckAnim* window);

    QPointer<QWidget> mainWindow_;
    std::function<void()> stopCheck_;
    // Receiver of the window's signals; it goes with the adapter, so a window
    // still waiting for deletion never calls back into a dead adapter.
    std::unique_ptr<QObject> receiver_;
    QPointer<frmCheckAnim> window_;
    QString siteName_;
    QString siteStatus_;
};

}  // namespace ossivant
