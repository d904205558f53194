#include "shell/CStrobeSplitterHandle.h"

#include <QImage>
#include <QPainter>

CStrobeSplitterHandle::CStrobeSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {}

void CStrobeSplitterHandle::DrawGrip(QPainter& p, const QPoint& origin, const QPalette& palette) {
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    p.fillRect(QRect(origin, QSize(kGripWidthPx, kGripHeightPx)), palette.color(QPalette::Button));
    // Ridges every 4 pixels, lit from the top left; drawn in logical pixels, so a scaled
    // screen gets them whole and sharp.
    for (int y = origin.y() + 1; y + 2 < origin.y() + kGripHeightPx; y += 4) {
        const int x = origin.x();
        p.fillRect(x + 1, y, 2, 1, light);
        p.fillRect(x + 1, y + 1, 1, 1, light);
        p.fillRect(x + 3, y + 1, 1, 1, dark);
        p.fillRect(x + 2, y + 2, 2, 1, dark);
    }
}

QPoint CStrobeSplitterHandle::GripOrigin(const QSize& barSize) {
    return {(barSize.width() - kGripWidthPx) / 2, (barSize.height() - kGripHeightPx) / 2};
}

void CStrobeSplitterHandle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    // Unscaled; a bar shorter than the grip shows its middle part.
    DrawGrip(p, GripOrigin(size()), palette());
}
