#include "monitor/ui/splash_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <utility>

#include "monitor/ui/pictures.h"
#include "monitor/ui/window_owner.h"
#include "ui_splash_window.h"

namespace ossivant {
namespace {

constexpr qint64 SplashMilliseconds = 1000;

QString versionText() {
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty()) version = QStringLiteral(OSSIVANT_VERSION);
    return QStringLiteral("Version %1").arg(version);
}

}  // namespace

frmSplash::frmSplash(QWidget* mainWindow)
    : ui_(std::make_unique<Ui::frmSplash>()), mainWindow_(mainWindow) {
    ui_->setupUi(this);
    ui_->lblVersion->setText(versionText());
    ui_->pixLogo->setPixmap(EarthPicture(ui_->pixLogo->minimumWidth(), devicePixelRatioF()));
    connect(ui_->cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

frmSplash::~frmSplash() = default;

void frmSplash::showSplash() {
    onClosed_ = nullptr;
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    ui_->cmdClose->hide();
    PlaceOverOwner(this, nullptr);
    show();
    raise();
    repaint();
}

void frmSplash::showAbout(std::function<void()> onClosed) {
    onClosed_ = std::move(onClosed);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui_->cmdClose->show();
    PlaceOverOwner(this, mainWindow_);
    show();
    raise();
    activateWindow();
    ui_->cmdClose->setFocus();
}

void frmSplash::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (auto onClosed = std::exchange(onClosed_, nullptr)) onClosed();
}

void CloseSplashAfter(frmSplash* splash, const QElapsedTimer& sinceStart,
                      std::function<void()> then) {
    const qint64 left = std::max<qint64>(0, SplashMilliseconds - sinceStart.elapsed());
    QTimer::singleShot(std::chrono::milliseconds(left),
                       [splash = QPointer<frmSplash>(splash), then = std::move(then)] {
                           if (splash) splash->close();
                           if (then) then();
                       });
}

}  // namespace ossivant
