#include "widgets/CFlatCtrl.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWidget>

CFlatCtrl::CFlatCtrl(QWidget* control) : QObject(control), m_control(control) {
    m_hoverTimer.setInterval(kHoverCheckInterval);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CFlatCtrl::CheckHover);
    m_control->installEventFilter(this);
}

bool CFlatCtrl::eventFilter(QObject* watched, QEvent* e) {
    if (watched != m_control || !m_flat) {
        return false;
    }
    switch (e->type()) {
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
        case QEvent::HoverLeave:
            // Once the mouse is known to be over, the timer watches for its leaving.
            if (!m_mouseOver || e->type() == QEvent::Leave) {
                CheckHover();
            }
            break;
        case QEvent::FocusIn:
            SetHot(true);
            break;
        case QEvent::FocusOut:
            // Not hot even with the mouse over it, until the mouse leaves and comes back.
            SetHot(false);
            break;
        case QEvent::EnabledChange:
            m_control->update();
            break;
        default:
            break;
    }
    return false;
}

bool CFlatCtrl::CursorOverControl() const {
    if (!m_control->isVisible()) {
        return false;
    }
    const QWidget* under = QApplication::widgetAt(QCursor::pos());
    return under && (under == m_control || m_control->isAncestorOf(under));
}

void CFlatCtrl::CheckHover() {
    const bool over = CursorOverControl();
    if (over == m_mouseOver) {
        return;
    }
    m_mouseOver = over;
    if (over) {
        m_hoverTimer.start();
        SetHot(true);
    } else {
        m_hoverTimer.stop();
        SetHot(m_control->hasFocus());
    }
}

void CFlatCtrl::SetHot(bool hot) {
    if (hot == m_hot) {
        return;
    }
    m_hot = hot;
    m_control->update();
    emit hotChanged(hot);
}
