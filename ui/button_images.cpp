#include "ui/button_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zorva::ui {

namespace {

const QColor blue(0x1f, 0x5f, 0xc8);
const QColor lightBlue(0x6f, 0xa5, 0xf0);

QPixmap canvas(int size = 32) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QIcon checkMarkImage() {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath mark;
    mark.moveTo(5, 17);
    mark.lineTo(13, 25);
    mark.lineTo(27, 8);
    p.setPen(QPen(lightBlue, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(mark);
    p.setPen(QPen(blue, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(mark);
    return QIcon(pixmap);
}

QIcon downArrowCircleImage() {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient fill(QPointF(12, 10), 20);
    fill.setColorAt(0, lightBlue);
    fill.setColorAt(1, blue);
    p.setPen(QPen(blue.darker(130), 1.5));
    p.setBrush(fill);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    QPainterPath arrow;
    arrow.moveTo(13, 8);
    arrow.lineTo(19, 8);
    arrow.lineTo(19, 16);
    arrow.lineTo(23, 16);
    arrow.lineTo(16, 24);
    arrow.lineTo(9, 16);
    arrow.lineTo(13, 16);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    return QIcon(pixmap);
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48}) {
        QPixmap pixmap = canvas(size);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        // A key card: a blue card with a white key hole.
        p.setPen(QPen(blue.darker(130), 1.5));
        p.setBrush(blue);
        p.drawRoundedRect(QRectF(3, 6, 26, 20), 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(8, 11, 7, 7));
        p.drawRect(QRectF(10, 16, 3, 6));
        p.setBrush(lightBlue);
        p.drawRect(QRectF(18, 11, 8, 2));
        p.drawRect(QRectF(18, 16, 8, 2));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace zorva::ui
