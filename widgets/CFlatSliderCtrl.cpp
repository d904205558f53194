#include "widgets/CFlatSliderCtrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QWheelEvent>

namespace {

// A one-pixel frame: `topLeft` along the top and left edges, `bottomRight` along the others.
void Draw3dRect(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    p.fillRect(r.left(), r.top(), r.width() - 1, 1, topLeft);
    p.fillRect(r.left(), r.top(), 1, r.height() - 1, topLeft);
    p.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
}

}  // namespace

CFlatSliderCtrl::CFlatSliderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    // Told before the value follows the new position.
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == SliderNoAction || action == SliderMove) {
            return;  // a drag: sliderMoved tells it
        }
        if (m_keyStepping && sliderPosition() != value()) {
            m_keyMoved = true;
        }
        emit stepped(sliderPosition());
    });
}

void CFlatSliderCtrl::PageStep(bool up) {
    if (!isEnabled()) {
        return;
    }
    m_keyStepping = true;
    triggerAction(up ? SliderPageStepAdd : SliderPageStepSub);
    m_keyStepping = false;
    LetGo();
}

void CFlatSliderCtrl::LetGo() {
    if (m_keyMoved) {
        m_keyMoved = false;
        emit keyboardReleased();
    }
}

void CFlatSliderCtrl::keyPressEvent(QKeyEvent* e) {
    m_keyStepping = true;
    QSlider::keyPressEvent(e);
    m_keyStepping = false;
}

void CFlatSliderCtrl::keyReleaseEvent(QKeyEvent* e) {
    QSlider::keyReleaseEvent(e);
    // A held key repeats its release too; only the last one is the operator letting go.
    if (!e->isAutoRepeat()) {
        LetGo();
    }
}

void CFlatSliderCtrl::focusOutEvent(QFocusEvent* e) {
    QSlider::focusOutEvent(e);
    // The key's release goes wherever the focus went.
    LetGo();
}

void CFlatSliderCtrl::wheelEvent(QWheelEvent* e) {
    e->ignore();
}

void CFlatSliderCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    QSlider::mousePressEvent(e);
}

void CFlatSliderCtrl::paintEvent(QPaintEvent* e) {
    QSlider::paintEvent(e);
    if (m_flat.IsFlat() && !m_flat.IsHot()) {
        PaintFlat();
    }
}

void CFlatSliderCtrl::PaintFlat() {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect thumb =
        style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const QPalette& pal = palette();
    const QColor highlight = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor face = pal.color(QPalette::Button);

    QPainter p(this);
    if (thumb.width() > 2 && thumb.height() > 2) {
        Draw3dRect(p, thumb, highlight, shadow);
        Draw3dRect(p, thumb.adjusted(1, 1, -1, -1), face, face);
    }

    // The channel: a thin band along the groove's middle, with the thumb kept out of it.
    constexpr int kChannelPx = 4;
    QRect channel;
    if (orientation() == Qt::Horizontal) {
        channel = QRect(groove.left(), groove.center().y() - kChannelPx / 2 + 1, groove.width(),
                        kChannelPx);
    } else {
        channel = QRect(groove.center().x() - kChannelPx / 2 + 1, groove.top(), kChannelPx,
                        groove.height());
    }
    p.setClipRegion(QRegion(rect()).subtracted(QRegion(thumb)));
    Draw3dRect(p, channel, shadow, highlight);
    Draw3dRect(p, channel.adjusted(1, 1, -1, -1), face, face);
}
