#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "monitor/platform/message_box.h"

class QProgressBar;

namespace Ui {
class WaitWindow;
}

namespace ossivant {

// The small modeless window that either asks the operator to wait (its
// progress form: text and progress bar) or greets a first-time user (its
// welcome form: text and the Run Tour and Close buttons). Closing it in any
// way, including the window manager's close, calls `onUnload` once for each
// time it was shown; the owner uses that to take the main window back.
// Destroying it without closing it calls nothing. The callbacks run inside
// the window's own event handling, so an owner that disposes of the window
// there uses deleteLater.
class WaitWindow final : public QWidget {
    Q_OBJECT
public:
    // `startTour` starts the tour program and says whether it could; when it
    // cannot, `messages` tells the operator. The window stays above
    // `mainWindow` but is not its Qt child, so it stays usable while the main
    // window is disabled.
    WaitWindow(QWidget* mainWindow, MessageBox& messages, std::function<bool()> startTour,
               std::function<void()> onUnload);
    ~WaitWindow() override;

    // Shows `text` above the progress bar, over the main window, and paints
    // at once: the caller usually goes on with a long piece of work that
    // returns to the event loop only when it is over. Painting at once needs
    // the window on screen; the first showing reaches the screen only when
    // the window system has mapped the window, which takes one turn of the
    // event loop, so a caller that must have the text in view before such
    // work starts the work from the event loop (a zero-length timer).
    // The caption is the program title.
    void showProgress(const QString& text);
    // The same with another caption (import and export name themselves).
    void showProgress(const QString& text, const QString& caption);
    // Shows the welcome text with Run Tour (which gets the focus) and Close.
    void showWelcome();

    QProgressBar* progressBar() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdTour_Click();
    void setForm(bool welcome);

    std::unique_ptr<Ui::WaitWindow> ui_;
    QPointer<QWidget> mainWindow_;
    MessageBox& messages_;
    std::function<bool()> startTour_;
    std::function<void()> onUnload_;
    bool shown_ = false;
};

}  // namespace ossivant
