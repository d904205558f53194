#include "shell/ToolImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <memory>

#include "host/ToolFlag.h"
#include "widgets/CDrawnIconEngine.h"

namespace {

void DrawLoad(QPainter& p) {
    // An opened folder with an arrow coming out of it.
    p.setPen(QPen(QColor(120, 85, 10), 1));
    p.setBrush(QColor(230, 180, 60));
    QPainterPath back;
    back.moveTo(3, 9);
    back.lineTo(10, 9);
    back.lineTo(12, 11);
    back.lineTo(22, 11);
    back.lineTo(22, 25);
    back.lineTo(3, 25);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 215, 100));
    QPainterPath front;
    front.moveTo(3, 25);
    front.lineTo(7, 15);
    front.lineTo(27, 15);
    front.lineTo(22, 25);
    front.closeSubpath();
    p.drawPath(front);
    p.setPen(QPen(QColor(20, 110, 30), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(17, 11), QPointF(22, 4));
    p.drawPolyline(QPolygonF({QPointF(18, 4), QPointF(22, 4), QPointF(22, 8)}));
}

void DrawSave(QPainter& p) {
    // A diskette: body, shutter and label.
    p.setPen(QPen(QColor(20, 40, 90), 1));
    p.setBrush(QColor(50, 90, 170));
    QPainterPath body;
    body.moveTo(4, 4);
    body.lineTo(23, 4);
    body.lineTo(26, 7);
    body.lineTo(26, 26);
    body.lineTo(4, 26);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(9, 4.5, 11, 7));
    p.setBrush(QColor(50, 90, 170));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(16, 5.5, 2.5, 5));
    p.setPen(QPen(QColor(20, 40, 90), 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(7.5, 15.5, 15, 10));
    p.setPen(QPen(QColor(150, 150, 160), 1));
    p.drawLine(QPointF(10, 19), QPointF(20, 19));
    p.drawLine(QPointF(10, 22), QPointF(20, 22));
}

void DrawScan(QPainter& p) {
    // A radio mast sending waves: the dongle calling the units of a group.
    p.setPen(QPen(QColor(60, 60, 60), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(10, 27));
    p.drawLine(QPointF(15, 15), QPointF(20, 27));
    p.drawLine(QPointF(12, 22), QPointF(18, 22));
    p.setBrush(QColor(200, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(15, 13), 2.5, 2.5);
    p.setBrush(Qt::NoBrush);
    for (int ring = 1; ring <= 2; ++ring) {
        const qreal r = 4.5 * ring;
        p.setPen(QPen(QColor(20, 140, 60), 2, Qt::SolidLine, Qt::RoundCap));
        const QRectF box(15 - r, 13 - r, 2 * r, 2 * r);
        p.drawArc(box, 30 * 16, 120 * 16);  // upper arc, left and right of the top
        p.drawArc(box, -30 * 16, 60 * 16);  // right side
        p.drawArc(box, 150 * 16, 60 * 16);  // left side
    }
}

void DrawName(QPainter& p) {
    // A name plate with a pencil across it.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(250, 250, 245));
    p.drawRect(QRectF(2.5, 13.5, 20, 11));
    QFont font;
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 128));
    p.drawText(QRectF(3, 14, 15, 10), Qt::AlignCenter, QStringLiteral("Ab"));
    p.save();
    p.translate(21, 13);
    p.rotate(-45);
    p.setPen(QPen(QColor(80, 50, 10), 1));
    p.setBrush(QColor(240, 190, 40));
    p.drawRect(QRectF(-2.5, -2.5, 13, 5));
    p.setBrush(QColor(230, 120, 130));
    p.drawRect(QRectF(10.5, -2.5, 3, 5));
    p.setBrush(QColor(240, 215, 170));
    p.drawPolygon(QPolygonF({QPointF(-2.5, -2.5), QPointF(-7, 0), QPointF(-2.5, 2.5)}));
    p.restore();
}

void DrawCom(QPainter& p) {
    // A serial connector with its pins and a cable.
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(170, 175, 185));
    p.drawPolygon(QPolygonF({QPointF(3, 9), QPointF(27, 9), QPointF(24, 19), QPointF(6, 19)}));
    p.setBrush(QColor(40, 40, 40));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        p.drawEllipse(QPointF(7.5 + 3.75 * i, 12.5), 1.1, 1.1);
    }
    for (int i = 0; i < 4; ++i) {
        p.drawEllipse(QPointF(9.4 + 3.75 * i, 16), 1.1, 1.1);
    }
    p.setPen(QPen(QColor(60, 60, 60), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable;
    cable.moveTo(15, 20);
    cable.cubicTo(15, 26, 24, 23, 26, 28);
    p.drawPath(cable);
}

void DrawHelp(QPainter& p) {
    // A question mark on a blue disc.
    p.setPen(QPen(QColor(20, 50, 120), 1));
    p.setBrush(QColor(60, 110, 200));
    p.drawEllipse(QPointF(15, 15), 11.5, 11.5);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath mark;
    mark.moveTo(10.5, 11.5);
    mark.cubicTo(10.5, 6.5, 19.5, 6.5, 19.5, 11.5);
    mark.cubicTo(19.5, 15, 15, 15, 15, 18.5);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(15, 22.8), 1.9, 1.9);
}

// A curved arrow turning back to the left (undo), or, mirrored, on to the right (redo).
void DrawTurn(QPainter& p, bool back) {
    p.save();
    if (!back) {
        p.translate(kToolImagePx, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(QColor(20, 70, 40), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath bend;
    bend.moveTo(9, 12);
    bend.lineTo(18, 12);
    bend.cubicTo(25, 12, 25, 24, 18, 24);
    bend.lineTo(12, 24);
    p.drawPath(bend);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 140, 70));
    QPainterPath head;
    head.moveTo(3, 12);
    head.lineTo(11, 5);
    head.lineTo(11, 19);
    head.closeSubpath();
    p.drawPath(head);
    p.restore();
}

void DrawTool(QPainter& p, int toolIndex) {
    switch (toolIndex) {
        case kToolLoad:
            DrawLoad(p);
            break;
        case kToolSave:
            DrawSave(p);
            break;
        case kToolScan:
            DrawScan(p);
            break;
        case kToolName:
            DrawName(p);
            break;
        case kToolCom:
            DrawCom(p);
            break;
        case kToolHelpImage:
            DrawHelp(p);
            break;
        case kToolUndoImage:
        case kToolRedoImage:
            DrawTurn(p, toolIndex == kToolUndoImage);
            break;
        default:
            break;
    }
}

CDrawnIconEngine* NewToolEngine(int toolIndex) {
    return new CDrawnIconEngine(
        QSize(kToolImagePx, kToolImagePx), [toolIndex](QPainter& p) { DrawTool(p, toolIndex); },
        &DisabledToolImage);
}

}  // namespace

QImage DrawToolImage(int toolIndex, qreal scale) {
    const std::unique_ptr<CDrawnIconEngine> engine(NewToolEngine(toolIndex));
    return engine->Render(QSize(kToolImagePx, kToolImagePx), scale);
}

QImage DisabledToolImage(const QImage& normal) {
    const qreal scale = normal.devicePixelRatio();
    QImage shape = normal.convertToFormat(QImage::Format_ARGB32);
    const auto tinted = [&](const QColor& color) {
        QImage out(shape.size(), QImage::Format_ARGB32);
        out.setDevicePixelRatio(scale);
        const QRgb solid = qRgba(color.red(), color.green(), color.blue(), 255);
        const QRgb clear = qRgba(color.red(), color.green(), color.blue(), 0);
        // By scan line: a call per pixel cost about a million instructions at every start.
        for (int y = 0; y < shape.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(shape.constScanLine(y));
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < shape.width(); ++x) {
                line[x] = qAlpha(in[x]) >= 96 ? solid : clear;
            }
        }
        return out;
    };
    QImage result(shape.size(), QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(scale);
    result.fill(Qt::transparent);
    QPainter p(&result);
    // One logical pixel down and right, whatever the scale.
    p.drawImage(QPointF(1, 1), tinted(QColor(255, 255, 255)));
    p.drawImage(QPointF(0, 0), tinted(QColor(128, 128, 128)));
    return result;
}

QIcon ToolIcon(int toolIndex) {
    return QIcon(NewToolEngine(toolIndex));
}
