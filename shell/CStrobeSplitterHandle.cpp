#include "shell/CStrobeSplitterHandle.h"

#include <QImage>
#include <QPainter>

CStrobeSplitterHandle::CStrobeSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {}

QImage CStrobeSplitterHandle::GripImage(const QPalette& palette) {
    QImage grip(kGripWidthPx, kGripHeightPx, QImage::Format_RGB32);
    grip.fill(palette.color(QPalette::Button));
    const QRgb light = palette.color(QPalette::Light).rgb();
    const QRgb dark = palette.color(QPalette::Dark).rgb();
    // Ridges every 4 pixels, lit from the top left.
    for (int y = 1; y + 2 < kGripHeightPx; y += 4) {
        grip.setPixel(1, y, light);
        grip.setPixel(2, y, light);
        grip.setPixel(1, y + 1, light);
        grip.setPixel(3, y + 1, dark);
        grip.setPixel(2, y + 2, dark);
        grip.setPixel(3, y + 2, dark);
    }
    return grip;
}

QPoint CStrobeSplitterHandle::GripOrigin(const QSize& barSize) {
    return {(barSize.width() - kGripWidthPx) / 2, (barSize.height() - kGripHeightPx) / 2};
}

void CStrobeSplitterHandle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    // Copied unscaled; a bar shorter than the grip shows its middle part.
    p.drawImage(GripOrigin(size()), GripImage(palette()));
}
