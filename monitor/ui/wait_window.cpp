#include "monitor/ui/wait_window.h"

#include <QCloseEvent>
#include <QLayout>
#include <QShortcut>
#include <algorithm>

#include "monitor/ui/tour_launcher.h"
#include "monitor/ui/window_owner.h"
#include "ui_wait_window.h"

namespace ossivant {
namespace {

// 6000 x 2500 twips.
constexpr int FormWidth = 400;
constexpr int WelcomeHeight = 167;

QString welcomeText() {
    const QString gap = QStringLiteral("\n\n");
    return QStringLiteral("Welcome to Ossivant!") + gap +
           QStringLiteral(
               "If this is the first time you are running Ossivant, we invite you to take the "
               "Ossivant Interactive Tour.") +
           gap + QStringLiteral("You can also access the Interactive Tour under the Help menu.");
}

}  // namespace

WaitWindow::WaitWindow(QWidget* mainWindow, MessageBox& messages, std::function<bool()> startTour,
                       std::function<void()> onUnload)
    : ui_(std::make_unique<Ui::WaitWindow>()),
      mainWindow_(mainWindow),
      messages_(messages),
      startTour_(std::move(startTour)),
      onUnload_(std::move(onUnload)) {
    ui_->setupUi(this);
    connect(ui_->cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->cmdTour, &QPushButton::clicked, this, &WaitWindow::cmdTour_Click);
    // Esc is Close on the welcome form; the progress form is closed by the
    // work it stands for, never by the operator.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (ui_->cmdClose->isVisible()) ui_->cmdClose->click();
    });
}

WaitWindow::~WaitWindow() = default;

QProgressBar* WaitWindow::progressBar() const {
    return ui_->ProgressBar;
}

void WaitWindow::setForm(bool welcome) {
    ui_->ProgressBar->setVisible(!welcome);
    ui_->cmdTour->setVisible(welcome);
    ui_->cmdClose->setVisible(welcome);
    // The welcome form has its fixed size unless a large font needs more
    // height; the progress form is as high as its text needs.
    const int needed = layout()->totalHeightForWidth(FormWidth);
    setFixedSize(FormWidth, welcome ? std::max(WelcomeHeight, needed) : needed);
    PlaceOverOwner(this, mainWindow_);
    shown_ = true;
}

void WaitWindow::showProgress(const QString& text) {
    showProgress(text, QStringLiteral("Ossivant"));
}

void WaitWindow::showProgress(const QString& text, const QString& caption) {
    setWindowTitle(caption);
    ui_->lblInstructions->setText(text);
    setForm(false);
    show();
    raise();
    repaint();
}

void WaitWindow::showWelcome() {
    setWindowTitle(QStringLiteral("Ossivant"));
    ui_->lblInstructions->setText(welcomeText());
    setForm(true);
    show();
    raise();
    activateWindow();
    ui_->cmdTour->setFocus();
}

void WaitWindow::cmdTour_Click() {
    if (!startTour_ || !startTour_()) messages_.show(TourMissingMessage(), MsgButtons::Ok);
    close();
}

void WaitWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!shown_) return;
    shown_ = false;
    if (onUnload_) onUnload_();
}

}  // namespace ossivant
