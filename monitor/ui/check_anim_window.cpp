#include "monitor/ui/check_anim_window.h"

#include <QCloseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>

#include "monitor/ui/pictures.h"
#include "ui_check_anim_window.h"

namespace ossivant {
namespace {

constexpr int TwipsPerPixel = 15;

// Nearest pixel; positions are never negative here.
int pixels(int twips) {
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

// Height of the night sky painted behind the animation.
constexpr int SkyHeight = 72;

}  // namespace

frmCheckAnim::frmCheckAnim(QWidget* parent)
    : QWidget(parent, Qt::Tool), ui_(std::make_unique<Ui::frmCheckAnim>()) {
    // It comes and goes for every site: it must not take the keyboard away.
    setAttribute(Qt::WA_ShowWithoutActivating);
    ui_->setupUi(this);
    tmrCheckAnim_ = new QTimer(this);
    tmrCheckAnim_->setObjectName(QStringLiteral("tmrCheckAnim"));
    tmrCheckAnim_->setInterval(TickMilliseconds);
    connect(tmrCheckAnim_, &QTimer::timeout, this, &frmCheckAnim::tmrCheckAnim_Timer);
    connect(ui_->cmdStopAll, &QPushButton::clicked, this, &frmCheckAnim::cmdStopAll_Click);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, ui_->cmdStopAll, &QPushButton::click);

    const qreal ratio = devicePixelRatioF();
    ui_->pixEarth->setPixmap(EarthPicture(ui_->pixEarth->width(), ratio));
    ui_->pixSpaceShip->setPixmap(SpaceShipPicture(ui_->pixSpaceShip->size(), ratio));
    ui_->pixRayForward->setPixmap(RayPicture(ui_->pixRayForward->size(), true, ratio));
    ui_->pixRayBack->setPixmap(RayPicture(ui_->pixRayBack->size(), false, ratio));

    // Load step.
    ui_->pixRayForward->hide();
    ui_->pixRayBack->hide();
    ResetRayForward();
    ResetRayBack();
    ui_->pixSpaceShip->raise();
    animDirection_ = 1;
    rayBackLeft_ = RayLeftEnd;
    placeRay(ui_->pixRayBack, rayBackLeft_);
}

frmCheckAnim::~frmCheckAnim() = default;

void frmCheckAnim::setSiteName(const QString& text) {
    ui_->lblSiteName->setText(text);
}

void frmCheckAnim::setSiteStatus(const QString& text) {
    ui_->lblSiteStatus->setText(text);
}

void frmCheckAnim::placeRay(QLabel* ray, int leftTwips) {
    ray->move(pixels(leftTwips), pixels(RayTop));
}

void frmCheckAnim::ResetRayForward() {
    rayForwardLeft_ = RayLeftEnd;
    placeRay(ui_->pixRayForward, rayForwardLeft_);
    ui_->pixRayForward->lower();
}

void frmCheckAnim::ResetRayBack() {
    rayBackLeft_ = RayRightEnd;
    placeRay(ui_->pixRayBack, rayBackLeft_);
    ui_->pixRayBack->lower();
}

void frmCheckAnim::tmrCheckAnim_Timer() {
    if (animDirection_ == 0) {
        if (rayForwardLeft_ >= RayRightEnd) {
            animDirection_ = 1;
            ResetRayBack();
            ui_->pixRayBack->show();
            ui_->pixRayForward->hide();
        } else {
            rayForwardLeft_ += RayStep;
            placeRay(ui_->pixRayForward, rayForwardLeft_);
        }
    } else {
        if (rayBackLeft_ <= RayLeftEnd) {
            animDirection_ = 0;
            ResetRayForward();
            ui_->pixRayForward->show();
            ui_->pixRayBack->hide();
        } else {
            rayBackLeft_ -= RayStep;
            placeRay(ui_->pixRayBack, rayBackLeft_);
        }
    }
}

void frmCheckAnim::cmdStopAll_Click() {
    emit stopRequested();
    close();
}

void frmCheckAnim::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    tmrCheckAnim_->start();
}

void frmCheckAnim::hideEvent(QHideEvent* event) {
    tmrCheckAnim_->stop();
    QWidget::hideEvent(event);
}

void frmCheckAnim::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    tmrCheckAnim_->stop();
    emit closed();
}

void frmCheckAnim::paintEvent(QPaintEvent*) {
    // A strip of night sky for the animation to play in; the rays are sent
    // to the back, so they must pass over the window itself, not over a child.
    QPainter p(this);
    QLinearGradient sky(0, 0, 0, SkyHeight);
    sky.setColorAt(0.0, QColor(5, 10, 35));
    sky.setColorAt(1.0, QColor(25, 35, 80));
    p.fillRect(0, 0, width(), SkyHeight, sky);
    p.setPen(QColor(230, 230, 255));
    std::uint32_t seed = 12345;
    for (int i = 0; i < 40; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int x = int((seed >> 8) % std::uint32_t(width()));
        seed = seed * 1103515245u + 12345u;
        const int y = int((seed >> 8) % std::uint32_t(SkyHeight));
        p.drawPoint(x, y);
    }
}

}  // namespace ossivant
