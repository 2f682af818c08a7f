#include "tour/tour_window.h"

#include <QBoxLayout>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include "tour/tour_pages.h"
#include "tour/tour_picture.h"

namespace ossivant {

namespace {

QPushButton* makeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(true);  // Enter presses the button that has the focus
    return button;
}

}  // namespace

TourWindow::TourWindow(const QString& pictureDir, QWidget* parent)
    : QWidget(parent), pictureDir_(pictureDir) {
    setWindowTitle(tr("Ossivant Interactive Tour"));

    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("tourTitle"));
    QFont titleFont = title_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setWordWrap(true);
    title_->setAlignment(Qt::AlignHCenter);

    picture_ = new TourPicture(this);
    picture_->setObjectName(QStringLiteral("tourPicture"));

    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("tourText"));
    QFont textFont = text_->font();
    textFont.setPointSizeF(textFont.pointSizeF() * 1.15);
    text_->setFont(textFont);
    text_->setWordWrap(true);
    text_->setTextFormat(Qt::PlainText);
    // Lines of some 90 characters read well on a wide screen.
    text_->setMaximumWidth(text_->fontMetrics().averageCharWidth() * 90);

    pageNumber_ = new QLabel(this);
    pageNumber_->setObjectName(QStringLiteral("tourPageNumber"));
    back_ = makeButton(tr("< &Back"), "backButton", this);
    next_ = makeButton(tr("&Next >"), "nextButton", this);
    close_ = makeButton(tr("&Close"), "closeButton", this);

    auto* textRow = new QHBoxLayout;
    textRow->addStretch(1);
    textRow->addWidget(text_, 100);
    textRow->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pageNumber_);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addSpacing(12);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(14);
    layout->addWidget(title_);
    layout->addWidget(picture_, 1);
    layout->addLayout(textRow);
    layout->addLayout(buttons);

    connect(back_, &QPushButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { showPage(page_ + 1); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto* left = new QShortcut(QKeySequence(Qt::Key_Left), this);
    connect(left, &QShortcut::activated, back_, &QPushButton::animateClick);
    auto* right = new QShortcut(QKeySequence(Qt::Key_Right), this);
    connect(right, &QShortcut::activated, next_, &QPushButton::animateClick);

    resize(960, 720);
    showPage(0);
}

void TourWindow::showPage(int index) {
    const auto pages = TourPages();
    const int count = static_cast<int>(pages.size());
    if (index < 0 || index >= count || index == page_) return;
    page_ = index;
    const TourPage& page = pages[static_cast<std::size_t>(index)];
    title_->setText(QString::fromUtf8(page.title));
    picture_->load(QDir(pictureDir_).filePath(QLatin1String(page.picture)),
                   QString::fromUtf8(page.caption));
    text_->setText(QString::fromUtf8(page.text));
    pageNumber_->setText(tr("%1 of %2").arg(index + 1).arg(count));

    // Keep the focus on a button that still works at either end.
    const bool focusWasOnButton = back_->hasFocus() || next_->hasFocus();
    back_->setEnabled(index > 0);
    next_->setEnabled(index < count - 1);
    if (!next_->isEnabled())
        close_->setFocus();
    else if (!back_->isEnabled() || !focusWasOnButton)
        next_->setFocus();
}

}  // namespace ossivant
