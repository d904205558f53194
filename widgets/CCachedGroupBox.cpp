#include "widgets/CCachedGroupBox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

CCachedGroupBox::CCachedGroupBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent) {}

void CCachedGroupBox::paintEvent(QPaintEvent*) {
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    // The state holds enabled, hover and focus, which change the look in some styles.
    const Look look{static_cast<int>(option.state), option.text, size(), devicePixelRatioF(),
                    palette().cacheKey(),           font().key()};
    if (m_drawn.isNull() || !(look == m_drawnLook)) {
        m_drawn = QPixmap(size() * look.scale);
        m_drawn.setDevicePixelRatio(look.scale);
        m_drawn.fill(Qt::transparent);
        QPainter p(&m_drawn);
        // What a painter on the widget itself would start with.
        p.setFont(font());
        p.setPen(palette().color(foregroundRole()));
        p.setBackground(palette().brush(backgroundRole()));
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &p, this);
        m_drawnLook = look;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_drawn);
}
