#include "tour/tour_picture.h"

#include <QPainter>
#include <QPainterPath>

namespace ossivant {

namespace {

// The placeholder keeps the shape of a screenshot and a size that reads well.
constexpr QSize kPlaceholderMax(720, 450);

}  // namespace

TourPicture::TourPicture(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TourPicture::load(const QString& path, const QString& caption) {
    pixmap_ = QPixmap(path);
    caption_ = caption;
    setToolTip(caption);
    setAccessibleName(caption);
    update();
}

QSize TourPicture::sizeHint() const {
    return hasPicture() ? pixmap_.deviceIndependentSize().toSize() : kPlaceholderMax;
}

QSize TourPicture::minimumSizeHint() const {
    return {240, 150};
}

void TourPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!hasPicture()) {
        paintPlaceholder(painter);
        return;
    }
    QSizeF size = pixmap_.deviceIndependentSize();
    if (size.width() > width() || size.height() > height())
        size.scale(QSizeF(this->size()), Qt::KeepAspectRatio);
    QRectF target(QPointF(), size);
    target.moveCenter(QRectF(rect()).center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap_, QRectF(pixmap_.rect()));
}

void TourPicture::paintPlaceholder(QPainter& painter) {
    QSizeF size = kPlaceholderMax;
    size.scale(QSizeF(this->size()).boundedTo(QSizeF(kPlaceholderMax)), Qt::KeepAspectRatio);
    QRectF frame(QPointF(), size);
    frame.moveCenter(QRectF(rect()).center());
    frame.adjust(1, 1, -1, -1);

    QPainterPath outline;
    outline.addRoundedRect(frame, 10, 10);
    painter.fillPath(outline, palette().alternateBase());
    painter.setPen(QPen(palette().mid(), 2, Qt::DashLine));
    painter.drawPath(outline);

    painter.setPen(palette().color(QPalette::PlaceholderText));
    QFont font = painter.font();
    font.setItalic(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    painter.setFont(font);
    painter.drawText(frame.adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap,
                     caption_);
}

}  // namespace ossivant
