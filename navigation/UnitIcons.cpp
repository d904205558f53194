#include "navigation/UnitIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <iterator>

#include "model/StrobeData.h"
#include "widgets/CDrawnIconEngine.h"

namespace {

// The icons are designed on 20 x 20 and shown in the 19 x 19 a 20-pixel cell leaves inside
// its grid lines, so no row or column of them is cut off.
constexpr int kIconDesignPx = 20;
constexpr int kIconShownPx = 19;

const QColor kIconOn(102, 204, 0);
const QColor kIconOff(97, 97, 97);

// The symbols' strokes, in design units.
QPen WhitePen() {
    return QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawLetter(QPainter& p, const QString& letter) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 18, 18), Qt::AlignCenter, letter);
}

// An eye: an almond outline with a round pupil.
void DrawEye(QPainter& p) {
    QPainterPath almond;
    almond.moveTo(4, 10);
    almond.quadTo(10, 3, 16, 10);
    almond.quadTo(10, 17, 4, 10);
    p.setPen(WhitePen());
    p.setBrush(Qt::NoBrush);
    p.drawPath(almond);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 10), 2.3, 2.3);
}

// A quaver: a slanted head, a stem and a flag.
void DrawQuaver(QPainter& p) {
    p.save();
    p.translate(8, 14);
    p.rotate(-20);
    p.drawEllipse(QPointF(0, 0), 2.8, 2.0);
    p.restore();
    p.setPen(WhitePen());
    p.drawLine(QPointF(10.4, 13.2), QPointF(10.4, 4.5));
    QPainterPath flag;
    flag.moveTo(10.4, 4.5);
    flag.quadTo(14.5, 6.5, 13.5, 10);
    p.setBrush(Qt::NoBrush);
    p.drawPath(flag);
}

// A lightning bolt.
void DrawBolt(QPainter& p) {
    const QPointF bolt[] = {{11.5, 3}, {6, 11},     {9.5, 11}, {8, 17},
                            {14, 8.5}, {10.5, 8.5}, {12.5, 3}};
    p.drawPolygon(bolt, static_cast<int>(std::size(bolt)));
}

// A white symbol on a filled circle on a white ground, in design units. Each symbol starts
// with a white brush and no pen.
void DrawIcon(QPainter& p, CNavigationGrid::Icon icon, const QColor& circle) {
    p.fillRect(QRectF(0, 0, kIconDesignPx, kIconDesignPx), Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(circle);
    p.drawEllipse(QRectF(1, 1, 18, 18));
    p.setBrush(Qt::white);
    switch (icon) {
        case CNavigationGrid::kIconMode1:
            DrawLetter(p, QStringLiteral("P"));
            break;
        case CNavigationGrid::kIconMode2:
            DrawLetter(p, QStringLiteral("C"));
            break;
        case CNavigationGrid::kIconCell:
            DrawEye(p);
            break;
        case CNavigationGrid::kIconSound:
            DrawQuaver(p);
            break;
        case CNavigationGrid::kIconCharge:
            DrawBolt(p);
            break;
        case CNavigationGrid::kIconCount:
            break;
    }
}

}  // namespace

QPixmap UnitIcon(CNavigationGrid::Icon icon, bool on, qreal scale) {
    const QColor circle = on ? kIconOn : kIconOff;
    const CDrawnIconEngine engine(QSize(kIconDesignPx, kIconDesignPx),
                                  [icon, circle](QPainter& p) { DrawIcon(p, icon, circle); });
    return QPixmap::fromImage(engine.Render(QSize(kIconShownPx, kIconShownPx), scale));
}

QString UnitIconToolTip(CNavigationGrid::Icon icon, int fieldValue) {
    const bool on = fieldValue == 1;
    const QString state = on ? QStringLiteral("on") : QStringLiteral("off");
    switch (icon) {
        case CNavigationGrid::kIconMode1:
            return on ? QStringLiteral("Model mode: Prop") : QStringLiteral("Model mode: Free");
        case CNavigationGrid::kIconMode2:
            return on ? QStringLiteral("Modelling lamp: Continous")
                      : QStringLiteral("Modelling lamp: Flash Prop");
        case CNavigationGrid::kIconCell:
            return QStringLiteral("Photo cell: ") + state;
        case CNavigationGrid::kIconSound:
            return QStringLiteral("Sound: ") + state;
        case CNavigationGrid::kIconCharge:
            return on ? QStringLiteral("Charged") : QStringLiteral("Charging");
        case CNavigationGrid::kIconCount:
            break;
    }
    return {};
}

int UnitIconValue(CNavigationGrid::Icon icon, const StrobeData* unit) {
    switch (icon) {
        case CNavigationGrid::kIconMode1:
            return unit->nModelMode1;
        case CNavigationGrid::kIconMode2:
            return unit->nModelMode2;
        case CNavigationGrid::kIconCell:
            return unit->bFlashCell;
        case CNavigationGrid::kIconSound:
            return unit->bFlashSnd;
        case CNavigationGrid::kIconCharge:
            return unit->bFlashCharge;
        case CNavigationGrid::kIconCount:
            break;
    }
    return 0;
}
