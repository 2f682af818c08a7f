#include "monitor/ui/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <initializer_list>

namespace ossivant {
namespace {

QPixmap blank(QSize size, qreal pixelRatio) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A closed shape given in units of a square of side 1, scaled to `side`.
QPainterPath shape(std::initializer_list<QPointF> points, qreal side, QPointF origin) {
    QPolygonF polygon;
    for (const QPointF& p : points) polygon << origin + p * side;
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

}  // namespace

QPixmap EarthPicture(int diameter, qreal pixelRatio) {
    QPixmap pixmap = blank({diameter, diameter}, pixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // A faint glow of atmosphere, then the sea lit from the upper left.
    const QRectF whole(0, 0, diameter, diameter);
    QRadialGradient glow(whole.center(), diameter / 2.0);
    glow.setColorAt(0.85, QColor(120, 190, 255, 150));
    glow.setColorAt(1.0, QColor(120, 190, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(whole);

    const qreal inset = diameter * 0.08;
    const QRectF disc = whole.adjusted(inset, inset, -inset, -inset);
    const qreal side = disc.width();
    QPainterPath globe;
    globe.addEllipse(disc);
    QRadialGradient sea(disc.topLeft() + QPointF(side * 0.35, side * 0.3), side * 0.8);
    sea.setColorAt(0.0, QColor(90, 160, 245));
    sea.setColorAt(1.0, QColor(15, 50, 140));
    p.fillPath(globe, sea);

    p.setClipPath(globe);
    const QColor land(70, 160, 70);
    const QPointF o = disc.topLeft();
    p.fillPath(shape({{0.12, 0.18},
                      {0.38, 0.10},
                      {0.46, 0.22},
                      {0.36, 0.36},
                      {0.40, 0.50},
                      {0.30, 0.56},
                      {0.22, 0.44},
                      {0.10, 0.38}},
                     side, o),
               land);
    p.fillPath(
        shape({{0.30, 0.60}, {0.42, 0.62}, {0.44, 0.78}, {0.36, 0.96}, {0.28, 0.80}}, side, o),
        land);
    p.fillPath(shape({{0.58, 0.14},
                      {0.84, 0.20},
                      {0.94, 0.40},
                      {0.80, 0.46},
                      {0.74, 0.66},
                      {0.62, 0.80},
                      {0.56, 0.60},
                      {0.52, 0.40},
                      {0.60, 0.30}},
                     side, o),
               land);
    p.fillPath(shape({{0.30, 0.00}, {0.70, 0.00}, {0.60, 0.06}, {0.40, 0.06}}, side, o),
               QColor(235, 240, 245));

    // The night side, away from the light.
    QLinearGradient night(disc.topLeft(), disc.bottomRight());
    night.setColorAt(0.55, QColor(0, 0, 20, 0));
    night.setColorAt(1.0, QColor(0, 0, 20, 150));
    p.fillPath(globe, night);
    p.setClipping(false);
    p.setPen(QPen(QColor(160, 210, 255), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(disc);
    return pixmap;
}

QPixmap SpaceShipPicture(QSize size, qreal pixelRatio) {
    QPixmap pixmap = blank(size, pixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal mid = h / 2.0;

    // Exhaust flame behind the tail.
    QLinearGradient flame(QPointF(w * 0.80, 0), QPointF(w, 0));
    flame.setColorAt(0.0, QColor(255, 230, 120));
    flame.setColorAt(1.0, QColor(255, 90, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(flame);
    p.drawPolygon(QPolygonF{
        {QPointF(w * 0.80, mid - h * 0.14), QPointF(w, mid), QPointF(w * 0.80, mid + h * 0.14)}});

    // Fins above and below the tail.
    const QColor fin(200, 40, 40);
    p.setBrush(fin);
    p.drawPolygon(
        QPolygonF{{QPointF(w * 0.55, mid - h * 0.18), QPointF(w * 0.78, mid - h * 0.48),
                   QPointF(w * 0.84, mid - h * 0.48), QPointF(w * 0.80, mid - h * 0.12)}});
    p.drawPolygon(
        QPolygonF{{QPointF(w * 0.55, mid + h * 0.18), QPointF(w * 0.78, mid + h * 0.48),
                   QPointF(w * 0.84, mid + h * 0.48), QPointF(w * 0.80, mid + h * 0.12)}});

    // The hull: a rounded body with a pointed nose on the left.
    QPainterPath hull;
    hull.moveTo(w * 0.02, mid);
    hull.cubicTo(w * 0.15, mid - h * 0.30, w * 0.30, mid - h * 0.26, w * 0.45, mid - h * 0.24);
    hull.lineTo(w * 0.82, mid - h * 0.20);
    hull.lineTo(w * 0.82, mid + h * 0.20);
    hull.lineTo(w * 0.45, mid + h * 0.24);
    hull.cubicTo(w * 0.30, mid + h * 0.26, w * 0.15, mid + h * 0.30, w * 0.02, mid);
    QLinearGradient metal(QPointF(0, mid - h * 0.26), QPointF(0, mid + h * 0.26));
    metal.setColorAt(0.0, QColor(250, 250, 252));
    metal.setColorAt(0.5, QColor(200, 205, 215));
    metal.setColorAt(1.0, QColor(120, 125, 140));
    p.setBrush(metal);
    p.setPen(QPen(QColor(70, 75, 90), 1.0));
    p.drawPath(hull);

    // Red nose cone and a round window.
    QPainterPath nose;
    nose.moveTo(w * 0.02, mid);
    nose.cubicTo(w * 0.08, mid - h * 0.18, w * 0.14, mid - h * 0.22, w * 0.20, mid - h * 0.25);
    nose.lineTo(w * 0.20, mid + h * 0.25);
    nose.cubicTo(w * 0.14, mid + h * 0.22, w * 0.08, mid + h * 0.18, w * 0.02, mid);
    p.setBrush(fin);
    p.drawPath(nose);
    const qreal r = h * 0.12;
    QRadialGradient glass(QPointF(w * 0.40 - r / 3, mid - r / 3), r * 1.5);
    glass.setColorAt(0.0, QColor(200, 240, 255));
    glass.setColorAt(1.0, QColor(30, 90, 170));
    p.setBrush(glass);
    p.drawEllipse(QPointF(w * 0.40, mid), r, r);
    return pixmap;
}

QPixmap RayPicture(QSize size, bool forward, qreal pixelRatio) {
    QPixmap pixmap = blank(size, pixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor head = forward ? QColor(120, 255, 250) : QColor(255, 200, 80);
    QColor tail = head;
    tail.setAlpha(0);
    const qreal w = size.width();
    QLinearGradient beam(forward ? QPointF(0, 0) : QPointF(w, 0),
                         forward ? QPointF(w, 0) : QPointF(0, 0));
    beam.setColorAt(0.0, tail);
    beam.setColorAt(0.85, head);
    beam.setColorAt(1.0, Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(beam);
    const qreal h = size.height();
    p.drawRoundedRect(QRectF(0, h * 0.2, w, h * 0.6), h * 0.3, h * 0.3);
    return pixmap;
}

}  // namespace ossivant
