#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QElapsedTimer;

namespace Ui {
class frmSplash;
}

namespace ossivant {

// The splash window of start-up, which doubles as the about box: product
// name, version, what it is and who made it. As a splash it is frameless and
// has no Close button; as the about box it has both, and closing it (in any
// way) runs the callback given to showAbout once. The callback runs inside the
// window's own event handling: dispose of the window there with deleteLater.
class frmSplash final : public QWidget {
    Q_OBJECT
public:
    // The about box is placed over `mainWindow` without being its Qt child,
    // so it stays usable while the main window is disabled.
    explicit frmSplash(QWidget* mainWindow = nullptr);
    ~frmSplash() override;

    // Modeless, centred on the screen and painted at once.
    void showSplash();
    // Modeless, over the main window; `onClosed` runs when it closes.
    void showAbout(std::function<void()> onClosed);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::frmSplash> ui_;
    QPointer<QWidget> mainWindow_;
    std::function<void()> onClosed_;
};

// The start-up rule for the splash: it stays in view for at least one second
// after `sinceStart` was started. A single-shot timer closes it when the rest
// of that second is over (at the next turn of the event loop when it already
// is) and then runs `then`; the event loop keeps running meanwhile. The
// monotonic clock makes the wait immune to midnight and clock changes.
// `then` runs even when the splash was closed or destroyed in between.
void CloseSplashAfter(frmSplash* splash, const QElapsedTimer& sinceStart,
                      std::function<void()> then);

}  // namespace ossivant
