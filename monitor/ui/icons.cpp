#include "monitor/ui/icons.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <functional>

namespace ossivant::icons {

namespace {

constexpr int kSize = 16;
const QColor kGreen(0x2e, 0xa0, 0x43);
const QColor kYellow(0xf2, 0xc0, 0x1e);
const QColor kRed(0xd7, 0x3a, 0x31);
const QColor kOutline(0x55, 0x55, 0x55);

QPixmap Draw(int width, int height, const std::function<void(QPainter&)>& paint) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return pixmap;
}

void Lamp(QPainter& p, const QRectF& box, const QColor& color) {
    QRadialGradient shine(box.center() - QPointF(box.width() / 5, box.height() / 5), box.width());
    shine.setColorAt(0, color.lighter(150));
    shine.setColorAt(1, color.darker(115));
    p.setPen(QPen(color.darker(160), 1));
    p.setBrush(shine);
    p.drawEllipse(box);
}

void Box(QPainter& p, const QRectF& box, bool ticked) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(box, 2, 2);
    if (!ticked) return;
    QPainterPath tick;
    tick.moveTo(box.left() + box.width() * 0.22, box.top() + box.height() * 0.52);
    tick.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.74);
    tick.lineTo(box.left() + box.width() * 0.80, box.top() + box.height() * 0.26);
    p.setPen(QPen(kGreen.darker(120), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

QIcon Arrow(bool up) {
    return QIcon(Draw(kSize, kSize, [up](QPainter& p) {
        QPolygonF triangle;
        if (up)
            triangle << QPointF(4, 11) << QPointF(12, 11) << QPointF(8, 5);
        else
            triangle << QPointF(4, 5) << QPointF(12, 5) << QPointF(8, 11);
        p.setPen(Qt::NoPen);
        p.setBrush(kOutline);
        p.drawPolygon(triangle);
    }));
}

}  // namespace

QIcon Checked() {
    static const QIcon icon(
        Draw(kSize, kSize, [](QPainter& p) { Box(p, QRectF(2.5, 2.5, 11, 11), true); }));
    return icon;
}

QIcon UnChecked() {
    static const QIcon icon(
        Draw(kSize, kSize, [](QPainter& p) { Box(p, QRectF(2.5, 2.5, 11, 11), false); }));
    return icon;
}

QIcon Light(int image) {
    static const std::array<QIcon, 3> lights{
        QIcon(Draw(kSize, kSize, [](QPainter& p) { Lamp(p, QRectF(2.5, 2.5, 11, 11), kGreen); })),
        QIcon(Draw(kSize, kSize, [](QPainter& p) { Lamp(p, QRectF(2.5, 2.5, 11, 11), kYellow); })),
        QIcon(Draw(kSize, kSize, [](QPainter& p) { Lamp(p, QRectF(2.5, 2.5, 11, 11), kRed); })),
    };
    if (image < 1 || image > 3) return {};
    return lights[image - 1];
}

QIcon Ascending() {
    static const QIcon icon = Arrow(true);
    return icon;
}

QIcon Descending() {
    static const QIcon icon = Arrow(false);
    return icon;
}

// All three lights for "all", one light for a single result.
QPixmap ResultFilterPicture(int filter) {
    return Draw(48, 16, [filter](QPainter& p) {
        const std::array<QColor, 3> colors{kGreen, kYellow, kRed};
        if (filter >= 1 && filter <= 3) {
            Lamp(p, QRectF(17.5, 2.5, 11, 11), colors[filter - 1]);
            return;
        }
        for (int i = 0; i < 3; ++i) Lamp(p, QRectF(2.5 + 15 * i, 2.5, 11, 11), colors[i]);
    });
}

// A ticked and an empty box for "both", one box for a single choice.
QPixmap EnabledFilterPicture(int filter) {
    return Draw(32, 16, [filter](QPainter& p) {
        if (filter == 1 || filter == 2) {
            Box(p, QRectF(10.5, 2.5, 11, 11), filter == 1);
            return;
        }
        Box(p, QRectF(2.5, 2.5, 11, 11), true);
        Box(p, QRectF(17.5, 2.5, 11, 11), false);
    });
}

QIcon Program() {
    static const QIcon icon = [] {
        QIcon made;
        for (int size : {16, 22, 32, 48, 64}) {
            made.addPixmap(Draw(size, size, [size](QPainter& p) {
                const qreal s = size;
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(0x2b, 0x3a, 0x4a));
                p.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.16,
                                  s * 0.16);
                const std::array<QColor, 3> colors{kRed, kYellow, kGreen};
                for (int i = 0; i < 3; ++i)
                    Lamp(p, QRectF(s * 0.34, s * (0.12 + 0.26 * i), s * 0.24, s * 0.24), colors[i]);
            }));
        }
        return made;
    }();
    return icon;
}

}  // namespace ossivant::icons
