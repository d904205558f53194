#include "widgets/CFlatSpinButtonCtrl.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

#include "widgets/CFlatSpinAccessible.h"

CFlatSpinButtonCtrl::CFlatSpinButtonCtrl(QWidget* parent) : QWidget(parent) {
    static const bool kAccessibleInstalled = [] {
        QAccessible::installFactory(&CFlatSpinAccessible::Factory);
        return true;
    }();
    (void)kAccessibleInstalled;
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    connect(&m_repeatTimer, &QTimer::timeout, this, [this] {
        if (!StillHeld()) {
            StopRepeat();
            return;
        }
        m_repeatTimer.setInterval(kAutoRepeatIntervalMs);
        Step();
    });
}

bool CFlatSpinButtonCtrl::StillHeld() const {
    if (m_pressed == Arrow::None || !isEnabled()) {
        return false;
    }
    // A modal box over this window has the mouse now.
    const QWidget* modal = QApplication::activeModalWidget();
    return modal == nullptr || modal == window() || modal->isAncestorOf(this);
}

QSize CFlatSpinButtonCtrl::sizeHint() const {
    return {16, 24};
}

QRect CFlatSpinButtonCtrl::UpRect() const {
    return {0, 0, width(), height() / 2};
}

QRect CFlatSpinButtonCtrl::DownRect() const {
    const int top = height() / 2;
    return {0, top, width(), height() - top};
}

void CFlatSpinButtonCtrl::Step() {
    if (m_pressed == Arrow::Up) {
        Emit(-1);
    } else if (m_pressed == Arrow::Down) {
        Emit(+1);
    }
}

void CFlatSpinButtonCtrl::StepArrow(bool up) {
    if (isEnabled() && isVisible()) {
        Emit(up ? -1 : +1);
    }
}

void CFlatSpinButtonCtrl::Emit(int change) {
    emit deltaPos(change);
    // The owner has shown the new value by now; whoever listens on this spin hears it.
    if (QAccessible::isActive() && m_valueLabel != nullptr) {
        QAccessibleValueChangeEvent event(this, ValueText());
        QAccessible::updateAccessibility(&event);
    }
}

void CFlatSpinButtonCtrl::SetValueLabel(QLabel* label) {
    m_valueLabel = label;
}

QString CFlatSpinButtonCtrl::ValueText() const {
    return m_valueLabel != nullptr ? m_valueLabel->text() : QString();
}

void CFlatSpinButtonCtrl::StopRepeat() {
    m_repeatTimer.stop();
    if (m_pressed != Arrow::None) {
        m_pressed = Arrow::None;
        qApp->removeEventFilter(this);
        update();
    }
}

bool CFlatSpinButtonCtrl::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        StopRepeat();
    }
    return QWidget::eventFilter(watched, e);
}

void CFlatSpinButtonCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(e);
        return;
    }
    const QPoint at = e->position().toPoint();
    m_pressed = UpRect().contains(at)     ? Arrow::Up
                : DownRect().contains(at) ? Arrow::Down
                                          : Arrow::None;
    if (m_pressed == Arrow::None) {
        return;
    }
    qApp->installEventFilter(this);
    update();
    ++m_pressSerial;
    Step();
    m_repeatTimer.start(kAutoRepeatDelayMs);
}

void CFlatSpinButtonCtrl::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        StopRepeat();
    }
    QWidget::mouseReleaseEvent(e);
}

void CFlatSpinButtonCtrl::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
        StepArrow(e->key() == Qt::Key_Up);
    } else {
        QWidget::keyPressEvent(e);
    }
}

void CFlatSpinButtonCtrl::changeEvent(QEvent* e) {
    // A control disabled while held must not keep stepping.
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        StopRepeat();
    }
    QWidget::changeEvent(e);
}

bool CFlatSpinButtonCtrl::event(QEvent* e) {
    // Another window took over: the release will not come here.
    if (e->type() == QEvent::WindowDeactivate) {
        StopRepeat();
    }
    return QWidget::event(e);
}

void CFlatSpinButtonCtrl::hideEvent(QHideEvent* e) {
    StopRepeat();
    QWidget::hideEvent(e);
}

void CFlatSpinButtonCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const bool flatNow = m_flat.IsFlat() && !m_flat.IsHot();

    const auto drawArrow = [&](const QRect& r, bool pressed, QStyle::PrimitiveElement arrow) {
        // The standard button: bevel and arrow.
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = r;
        button.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        button.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &p, this);
        QStyleOption arrowOpt;
        arrowOpt.initFrom(this);
        arrowOpt.rect = r.adjusted(2, 1, -2, -1);
        style()->drawPrimitive(arrow, &arrowOpt, &p, this);

        // Flat: a one-pixel raised edge over the bevel; tiny halves are left alone.
        if (flatNow && r.height() > 3 && r.width() > 3) {
            const QColor light = pal.color(QPalette::Light);
            const QColor dark = pal.color(QPalette::Dark);
            p.fillRect(r.left(), r.top(), r.width() - 1, 1, light);
            p.fillRect(r.left(), r.top(), 1, r.height() - 1, light);
            p.fillRect(r.right(), r.top(), 1, r.height(), dark);
            p.fillRect(r.left(), r.bottom(), r.width(), 1, dark);
        }
    };
    drawArrow(UpRect(), m_pressed == Arrow::Up, QStyle::PE_IndicatorArrowUp);
    drawArrow(DownRect(), m_pressed == Arrow::Down, QStyle::PE_IndicatorArrowDown);
    // The keyboard's place shows, as on the grid's current cell.
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::WindowText), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}
