#include "widgets/CUserStatic.h"

#include <QPainter>

CUserStatic::CUserStatic(QWidget* parent)
    : QLabel(parent),
      m_text(palette().color(QPalette::WindowText)),
      m_background(palette().color(QPalette::Window)) {
    // It fills all of itself: nothing behind it (the group box it sits in) repaints with it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CUserStatic::SetColors(const QColor& text, const QColor& background) {
    m_text = text;
    m_background = background;
    // Enabled only: a disabled label greys with the rest of its panel.
    QPalette pal = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::WindowText, text);
        pal.setColor(group, QPalette::Text, text);
    }
    setPalette(pal);
    update();
}

void CUserStatic::paintEvent(QPaintEvent* e) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), m_background);
    }
    // The label's own drawing puts the text on top, without a background of its own.
    QLabel::paintEvent(e);
}
