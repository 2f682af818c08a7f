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

// One lamp in the sizes trays ask for.
QIcon TrayLamp(const QColor& color) {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64})
        icon.addPixmap(Draw(size, size, [size, &color](QPainter& p) {
            const qreal margin = size / 8.0;
            Lamp(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin), color);
        }));
    return icon;
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

QIcon TrayIcon(int light) {
    static const std::array<QIcon, 3> lamps{TrayLamp(kGreen), TrayLamp(kYellow), TrayLamp(kRed)};
    if (light < 1 || light > 3) return Program();
    return lamps[light - 1];
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

// A screen showing a traffic light (down, warning, OK), as ossivant.svg draws
// it for the desktop's menus.
QIcon Program() {
    static const QIcon icon = [] {
        QIcon made;
        for (int size : {16, 22, 32, 48, 64, 128}) {
            made.addPixmap(Draw(size, size, [size](QPainter& p) {
                p.scale(size / 64.0, size / 64.0);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(0x54, 0x6e, 0x7a));
                p.drawRect(QRectF(27, 46, 10, 8));
                p.setBrush(QColor(0x45, 0x5a, 0x64));
                p.drawRoundedRect(QRectF(16, 53, 32, 5), 2.5, 2.5);
                p.setBrush(QColor(0x37, 0x47, 0x4f));
                p.drawRoundedRect(QRectF(3, 6, 58, 42), 5, 5);
                p.setBrush(QColor(0xe3, 0xf2, 0xfd));
                p.drawRoundedRect(QRectF(7, 10, 50, 34), 2, 2);
                p.setBrush(QColor(0x26, 0x32, 0x38));
                p.drawRoundedRect(QRectF(10, 18, 44, 18), 9, 9);
                const std::array<QColor, 3> colors{
                    QColor(0xe5, 0x39, 0x35), QColor(0xfd, 0xd8, 0x35), QColor(0x43, 0xa0, 0x47)};
                for (int i = 0; i < 3; ++i) {
                    p.setBrush(colors[i]);
                    p.drawEllipse(QPointF(20 + 12 * i, 27), 5, 5);
                }
            }));
        }
        return made;
    }();
    return icon;
}

}  // namespace ossivant::icons
