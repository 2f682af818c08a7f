#include "monitor/ui/check_progress.h"

#include "monitor/ui/window_owner.h"

namespace ossivant {

CheckProgressWindow::CheckProgressWindow(QWidget* mainWindow, std::function<void()> stopCheck)
    : mainWindow_(mainWindow),
      stopCheck_(std::move(stopCheck)),
      receiver_(std::make_unique<QObject>()) {}

CheckProgressWindow::~CheckProgressWindow() {
    delete window_.data();
}

void CheckProgressWindow::Show() {
    if (!window_) {
        auto* window = new frmCheckAnim;
        window->setSiteName(siteName_);
        window->setSiteStatus(siteStatus_);
        QObject::connect(window, &frmCheckAnim::stopRequested, receiver_.get(), [this] {
            if (stopCheck_) stopCheck_();
        });
        QObject::connect(window, &frmCheckAnim::closed, receiver_.get(),
                         [this, window] { windowClosed(window); });
        PlaceOverOwner(window, mainWindow_);
        window_ = window;
    }
    window_->show();
}

void CheckProgressWindow::Close() {
    siteName_.clear();
    siteStatus_.clear();
    if (frmCheckAnim* window = window_) {
        window_ = nullptr;
        window->close();
        // Close may be called from inside the window's own Stop handler.
        window->deleteLater();
    }
}

void CheckProgressWindow::windowClosed(frmCheckAnim* window) {
    if (window != window_) return;  // Close() already let it go
    window_ = nullptr;
    siteName_.clear();
    siteStatus_.clear();
    window->deleteLater();
}

void CheckProgressWindow::SetSiteName(const QString& text) {
    siteName_ = text;
    if (window_) window_->setSiteName(text);
}

void CheckProgressWindow::SetSiteStatus(const QString& text) {
    siteStatus_ = text;
    if (window_) window_->setSiteStatus(text);
}

}  // namespace ossivant
