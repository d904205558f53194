#include "navigation/StudioTreeImages.h"

#include <QPainter>
#include <QPainterPath>

#include "widgets/CDrawnIconEngine.h"

namespace {

// The tree's images draw themselves for the screen's pixel ratio, on 16 x 16 design units.
QIcon DrawnImage(CDrawnIconEngine::Draw draw) {
    return QIcon(
        new CDrawnIconEngine(QSize(kStudioTreeImagePx, kStudioTreeImagePx), std::move(draw)));
}

void DrawFolder(QPainter& p) {
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(232, 184, 60));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(252, 216, 110));
    p.drawRect(QRectF(1.5, 7, 13, 6.5));
}

void DrawStrobeHead(QPainter& p) {
    const QPointF reflector[] = {{8.5, 6.5}, {14.5, 2.5}, {14.5, 14.5}, {8.5, 10.5}};
    // A light rim first, so the dark head still shows on the hot item's black.
    const QPen rim(QColor(225, 225, 225), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(rim);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1.5, 5.5, 7, 6), 1, 1);
    p.drawPolygon(reflector, 4);
    p.drawLine(QPointF(5, 11.5), QPointF(5, 15));
    // The body of the head, then the reflector opening to the right with its flash tube.
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(90, 90, 96));
    p.drawRoundedRect(QRectF(1.5, 5.5, 7, 6), 1, 1);
    p.setBrush(QColor(200, 204, 210));
    p.drawPolygon(reflector, 4);
    p.setPen(QPen(QColor(255, 240, 120), 1.5));
    p.drawLine(QPointF(12.5, 5), QPointF(12.5, 12));
    // The stand.
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.drawLine(QPointF(5, 11.5), QPointF(5, 15));
}

void DrawLamp(QPainter& p) {
    // A bulb with its screw base.
    p.setPen(QPen(QColor(160, 120, 0), 1));
    p.setBrush(QColor(255, 226, 80));
    p.drawEllipse(QRectF(3, 1, 10, 10));
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(5.5, 10.5, 5, 4));
    p.drawLine(QPointF(5.5, 12.5), QPointF(10.5, 12.5));
}

}  // namespace

std::array<QIcon, 3> StudioTreeImages() {
    return {DrawnImage(&DrawFolder), DrawnImage(&DrawStrobeHead), DrawnImage(&DrawLamp)};
}
