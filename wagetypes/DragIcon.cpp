#include "wagetypes/DragIcon.h"

#include <QPainter>
#include <QPainterPath>

QPixmap categoryDragIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    // A card with two text lines, its corner folded.
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(QColor(255, 255, 255));
    QPainterPath card;
    card.moveTo(3.5, 2.5);
    card.lineTo(17.5, 2.5);
    card.lineTo(22.5, 7.5);
    card.lineTo(22.5, 25.5);
    card.lineTo(3.5, 25.5);
    card.closeSubpath();
    p.drawPath(card);
    p.drawLine(QPointF(17.5, 2.5), QPointF(17.5, 7.5));
    p.drawLine(QPointF(17.5, 7.5), QPointF(22.5, 7.5));
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.drawLine(7, 12, 18, 12);
    p.drawLine(7, 17, 15, 17);
    p.setPen(QPen(QColor(128, 128, 128), 2));
    p.drawLine(7, 21, 18, 21);
    // The arrow that carries it to the right and down.
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(QColor(0, 128, 0));
    const QPointF arrow[] = {{17.5, 18.5}, {24.5, 18.5}, {24.5, 15.5}, {30.5, 22.5},
                             {24.5, 29.5}, {24.5, 26.5}, {17.5, 26.5}};
    p.drawPolygon(arrow, 7);
    return icon;
}
