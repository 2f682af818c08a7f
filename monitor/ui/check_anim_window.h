#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

class QLabel;
class QTimer;

namespace Ui {
class frmCheckAnim;
}

namespace ossivant {

// The check progress window. It names the site being probed and the state of
// the transfer, plays a ray travelling between the earth and a spaceship while
// it is open, and offers Stop. It never blocks its owner and never runs a
// nested event loop: each animation step returns to the event loop, so probe
// events and clicks are handled between steps.
//
// Ray positions are kept in twips of the client area (15 twips to a pixel),
// the unit the animation's geometry is given in.
class frmCheckAnim final : public QWidget {
    Q_OBJECT
public:
    static constexpr int RayTop = 465;
    static constexpr int RayLeftEnd = 1020;
    static constexpr int RayRightEnd = 5295;
    static constexpr int RayStep = 100;
    static constexpr int TickMilliseconds = 30;

    // Runs the load step: both rays hidden, the back ray at the left end, so
    // the first tick turns the animation to the forward ray.
    explicit frmCheckAnim(QWidget* parent = nullptr);
    ~frmCheckAnim() override;

    int rayForwardLeft() const { return rayForwardLeft_; }
    int rayBackLeft() const { return rayBackLeft_; }
    // 0 while the forward ray travels right, 1 while the back ray travels left.
    int AnimDirection() const { return animDirection_; }

    void setSiteName(const QString& text);    // lblSiteName
    void setSiteStatus(const QString& text);  // lblSiteStatus

public slots:
    void ResetRayForward();
    void ResetRayBack();
    // One animation step (the timer calls it every 30 ms while the window is
    // shown).
    void tmrCheckAnim_Timer();

signals:
    // The operator pressed Stop; the window closes itself right after.
    void stopRequested();
    // The window was closed, by Stop, by its owner or by the window manager.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void cmdStopAll_Click();
    void placeRay(QLabel* ray, int leftTwips);

    std::unique_ptr<Ui::frmCheckAnim> ui_;
    QTimer* tmrCheckAnim_;
    int rayForwardLeft_ = RayLeftEnd;
    int rayBackLeft_ = RayRightEnd;
    std::int16_t animDirection_ = 1;
};

}  // namespace ossivant
